// INI files: 8-bit text in the machine's ANSI code page, sections of
// key=value lines. Section and key names compare without case; blanks around
// keys and values are trimmed and one pair of double quotes around a value
// is removed; lines that begin with ';' are comments. When a key or a
// section appears twice, the first one counts.
//
// There is no cache: every read reads the file, and every write replaces
// the file atomically before the call returns. A file name without a folder
// is taken in the Windows directory.
#pragma once

#include "platform/types.h"

// A value (or the default when the file, section or key is missing, "" for a
// null default), cut to size - 1 characters; answers the characters copied.
// A null key lists the keys of the section, a null section the section names:
// each name ends with a NUL and the list with another; a list cut short ends
// with two NULs and answers size - 2.
VEXL_API DWORD GetPrivateProfileStringW(LPCWSTR appName, LPCWSTR keyName, LPCWSTR defaultText, LPWSTR returned,
                                        DWORD size, LPCWSTR fileName);
// The value read as a C integer (blanks, sign, decimal or 0x hexadecimal,
// trailing text ignored; 0 when it holds no number). A missing key, or one
// whose value is empty, answers the default.
VEXL_API UINT GetPrivateProfileIntW(LPCWSTR appName, LPCWSTR keyName, INT defaultValue, LPCWSTR fileName);
// The lines of a section as "key=value\0...\0\0".
VEXL_API DWORD GetPrivateProfileSectionW(LPCWSTR appName, LPWSTR returned, DWORD size, LPCWSTR fileName);
VEXL_API DWORD GetPrivateProfileSectionNamesW(LPWSTR returned, DWORD size, LPCWSTR fileName);

// Sets a key (written as key=value); a null value deletes the key, a null
// key the whole section. The file is created when missing, its folder is
// not. All three null asks to flush a cache, which there is not: FALSE.
VEXL_API BOOL WritePrivateProfileStringW(LPCWSTR appName, LPCWSTR keyName, LPCWSTR value, LPCWSTR fileName);
// Replaces the lines of a section by "key=value\0...\0\0"; null deletes the section.
VEXL_API BOOL WritePrivateProfileSectionW(LPCWSTR appName, LPCWSTR text, LPCWSTR fileName);
// A batch of changes to one file (an extension of this layer): between the
// two calls the writes of this thread to the file are checked as usual but
// kept, and this thread's reads of it see them; EndProfileBatch makes them
// on the file as it is then, in one replace. A process that dies before the
// end leaves the file as it was. Batches nest; the outermost end writes.
VEXL_API BOOL BeginProfileBatch(LPCWSTR fileName);
// Writes the outermost batch's new text ahead and flushes it to disk, so
// that the end, when nothing changed the file meanwhile and the batch has no
// further changes, only puts it in place. FALSE only for a file without a
// batch; what keeps the text from being written ahead is met again, and
// answered, by the end.
VEXL_API BOOL PrepareProfileBatch(LPCWSTR fileName);
VEXL_API BOOL EndProfileBatch(LPCWSTR fileName);
// Ends the outermost batch only by putting its text written ahead in place:
// when the file changed since, or the batch did, the batch stays open and
// the answer is FALSE with ERROR_RETRY (prepare it again). A batch whose
// text could not be written ahead ends as EndProfileBatch ends it.
VEXL_API BOOL EndPreparedProfileBatch(LPCWSTR fileName);
// The ends of batches put the new files in place without removing the old
// versions, which can take milliseconds on some disks; this removes the old
// versions the thread's batch ends left, once the caller's locks are free.
// The next write of the thread removes them too.
VEXL_API void RemoveReplacedFiles(void);
// Ends the file's batch without writing it: at the outermost level its
// changes are dropped and the file stays as it was.
VEXL_API BOOL AbandonProfileBatch(LPCWSTR fileName);

// Rewrites a profile file as a whole (an extension of this layer), for
// writers that edit its text themselves. rewrite gets the file's bytes (none
// for a missing file) and answers the new ones through text and length; they
// must stay valid until the next call of rewrite or the end of this call, and
// FALSE (with its last error) leaves the file alone. The new text replaces
// the file under the lock that every other write of profile files takes, and
// only when the file is still the one it was made from; otherwise rewrite is
// called again on the file as it is then. Answers FALSE with the last error
// of the failure; the file is then as it was.
typedef BOOL (*ProfileRewriter)(void* state, const char* bytes, DWORD length, const char** text, DWORD* textLength);
VEXL_API BOOL RewriteProfileFile(LPCWSTR fileName, ProfileRewriter rewrite, void* state);
