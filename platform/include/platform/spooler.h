// The spooler's client side: printers by name, their settings, driver,
// printer data, forms and jobs, kept in the machine so that every process
// that uses it sees the same printers.
//
// The Get and Enum calls follow the two-call protocol: called without a
// buffer, or with one that is too small, they fail with
// ERROR_INSUFFICIENT_BUFFER and report the bytes needed; with enough room
// they write the record at the start of the caller's block and every text and
// DEVMODE the record points at into the same block after it.
//
// Access: a printer's policy may refuse administration (an open asking for
// PRINTER_ACCESS_ADMINISTER, and SetPrinterW, fail with ERROR_ACCESS_DENIED)
// and may make its printer data read-only (SetPrinterDataW and
// DeletePrinterDataW fail with ERROR_ACCESS_DENIED). Nothing else is checked
// against the access a handle was opened with: the driver opens its printer
// with default access and still writes its printer data, as an administrator
// would.
#pragma once

#include "platform/devmode.h"
#include "platform/registry.h"
#include "platform/types.h"

using PSECURITY_DESCRIPTOR = void*;

// Access rights.
inline constexpr ACCESS_MASK PRINTER_ACCESS_ADMINISTER = 0x00000004;
inline constexpr ACCESS_MASK PRINTER_ACCESS_USE = 0x00000008;
inline constexpr ACCESS_MASK PRINTER_ALL_ACCESS = 0x000F000C;
inline constexpr ACCESS_MASK PRINTER_READ = 0x00020008;
inline constexpr ACCESS_MASK SERVER_ALL_ACCESS = 0x000F0003;

// PRINTER_INFO_2 Attributes.
inline constexpr DWORD PRINTER_ATTRIBUTE_QUEUED = 0x00000001;
inline constexpr DWORD PRINTER_ATTRIBUTE_DIRECT = 0x00000002;
inline constexpr DWORD PRINTER_ATTRIBUTE_DEFAULT = 0x00000004;
inline constexpr DWORD PRINTER_ATTRIBUTE_SHARED = 0x00000008;
inline constexpr DWORD PRINTER_ATTRIBUTE_NETWORK = 0x00000010;
inline constexpr DWORD PRINTER_ATTRIBUTE_HIDDEN = 0x00000020;
inline constexpr DWORD PRINTER_ATTRIBUTE_LOCAL = 0x00000040;
inline constexpr DWORD PRINTER_ATTRIBUTE_ENABLE_DEVQ = 0x00000080;
inline constexpr DWORD PRINTER_ATTRIBUTE_KEEPPRINTEDJOBS = 0x00000100;
inline constexpr DWORD PRINTER_ATTRIBUTE_DO_COMPLETE_FIRST = 0x00000200;
inline constexpr DWORD PRINTER_ATTRIBUTE_WORK_OFFLINE = 0x00000400;
inline constexpr DWORD PRINTER_ATTRIBUTE_ENABLE_BIDI = 0x00000800;
inline constexpr DWORD PRINTER_ATTRIBUTE_RAW_ONLY = 0x00001000;
inline constexpr DWORD PRINTER_ATTRIBUTE_PUBLISHED = 0x00002000;

// PRINTER_INFO_2 Status (a few).
inline constexpr DWORD PRINTER_STATUS_PAUSED = 0x00000001;
inline constexpr DWORD PRINTER_STATUS_ERROR = 0x00000002;
inline constexpr DWORD PRINTER_STATUS_OFFLINE = 0x00000080;

// PRINTER_INFO_7 dwAction.
inline constexpr DWORD DSPRINT_PUBLISH = 0x00000001;
inline constexpr DWORD DSPRINT_UNPUBLISH = 0x00000002;
inline constexpr DWORD DSPRINT_UPDATE = 0x00000004;
inline constexpr DWORD DSPRINT_PENDING = 0x80000000;
inline constexpr DWORD DSPRINT_REPUBLISH = 0x00000008;

// FORM_INFO_1 Flags.
inline constexpr DWORD FORM_USER = 0x00000000;
inline constexpr DWORD FORM_BUILTIN = 0x00000001;
inline constexpr DWORD FORM_PRINTER = 0x00000002;

// JOB_INFO Status.
inline constexpr DWORD JOB_STATUS_PAUSED = 0x00000001;
inline constexpr DWORD JOB_STATUS_ERROR = 0x00000002;
inline constexpr DWORD JOB_STATUS_DELETING = 0x00000004;
inline constexpr DWORD JOB_STATUS_SPOOLING = 0x00000008;
inline constexpr DWORD JOB_STATUS_PRINTING = 0x00000010;
inline constexpr DWORD JOB_STATUS_OFFLINE = 0x00000020;
inline constexpr DWORD JOB_STATUS_PAPEROUT = 0x00000040;
inline constexpr DWORD JOB_STATUS_PRINTED = 0x00000080;
inline constexpr DWORD JOB_STATUS_DELETED = 0x00000100;
inline constexpr DWORD JOB_STATUS_COMPLETE = 0x00001000;

struct PRINTER_DEFAULTSW {
    LPWSTR pDatatype;
    LPDEVMODEW pDevMode;
    ACCESS_MASK DesiredAccess;
};
using LPPRINTER_DEFAULTSW = PRINTER_DEFAULTSW*;

struct PRINTER_INFO_2W {
    LPWSTR pServerName;  // NULL for a local printer; the server of a connection
    LPWSTR pPrinterName;
    LPWSTR pShareName;
    LPWSTR pPortName;
    LPWSTR pDriverName;
    LPWSTR pComment;
    LPWSTR pLocation;
    LPDEVMODEW pDevMode;  // the printer's default DEVMODE, NULL when it has none
    LPWSTR pSepFile;
    LPWSTR pPrintProcessor;
    LPWSTR pDatatype;
    LPWSTR pParameters;
    PSECURITY_DESCRIPTOR pSecurityDescriptor;
    DWORD Attributes;
    DWORD Priority;
    DWORD DefaultPriority;
    DWORD StartTime;
    DWORD UntilTime;
    DWORD Status;
    DWORD cJobs;
    DWORD AveragePPM;
};
using LPPRINTER_INFO_2W = PRINTER_INFO_2W*;

struct PRINTER_INFO_7W {
    LPWSTR pszObjectGUID;
    DWORD dwAction;
};

struct DRIVER_INFO_1W {
    LPWSTR pName;
};

struct DRIVER_INFO_2W {
    DWORD cVersion;
    LPWSTR pName;
    LPWSTR pEnvironment;
    LPWSTR pDriverPath;
    LPWSTR pDataFile;
    LPWSTR pConfigFile;
};

struct DRIVER_INFO_3W {
    DWORD cVersion;
    LPWSTR pName;
    LPWSTR pEnvironment;
    LPWSTR pDriverPath;
    LPWSTR pDataFile;
    LPWSTR pConfigFile;
    LPWSTR pHelpFile;
    LPWSTR pDependentFiles;  // a list: texts each with its terminator, then an empty one
    LPWSTR pMonitorName;
    LPWSTR pDefaultDataType;
};

struct FORM_INFO_1W {
    DWORD Flags;
    LPWSTR pName;
    SIZEL Size;           // thousandths of a millimetre
    RECTL ImageableArea;  // thousandths of a millimetre
};

struct JOB_INFO_1W {
    DWORD JobId;
    LPWSTR pPrinterName;
    LPWSTR pMachineName;
    LPWSTR pUserName;
    LPWSTR pDocument;
    LPWSTR pDatatype;
    LPWSTR pStatus;
    DWORD Status;
    DWORD Priority;
    DWORD Position;
    DWORD TotalPages;
    DWORD PagesPrinted;
    SYSTEMTIME Submitted;
};

struct JOB_INFO_2W {
    DWORD JobId;
    LPWSTR pPrinterName;
    LPWSTR pMachineName;
    LPWSTR pUserName;
    LPWSTR pDocument;
    LPWSTR pNotifyName;
    LPWSTR pDatatype;
    LPWSTR pPrintProcessor;
    LPWSTR pParameters;
    LPWSTR pDriverName;
    LPDEVMODEW pDevMode;
    LPWSTR pStatus;
    PSECURITY_DESCRIPTOR pSecurityDescriptor;
    DWORD Status;
    DWORD Priority;
    DWORD Position;
    DWORD StartTime;
    DWORD UntilTime;
    DWORD TotalPages;
    DWORD Size;
    SYSTEMTIME Submitted;
    DWORD Time;
    DWORD PagesPrinted;
};

// Printers. An unknown name gives ERROR_INVALID_PRINTER_NAME; each open gives
// a handle of its own.
VEXL_API BOOL OpenPrinterW(LPWSTR printerName, HANDLE* printer, PRINTER_DEFAULTSW* defaults);
VEXL_API BOOL ClosePrinter(HANDLE printer);

// The spooler's identity for a driver's work on a printer: the revert answers
// the client's token (NULL when the calling thread runs as the client no
// more), and impersonating that token goes back to the client.
VEXL_API HANDLE RevertToPrinterSelf();
VEXL_API BOOL ImpersonatePrinterClient(HANDLE token);

// Levels 2 and 7.
VEXL_API BOOL GetPrinterW(HANDLE printer, DWORD level, LPBYTE buffer, DWORD bufferSize, LPDWORD needed);
// Level 2 updates the printer's stored fields (a NULL text or DEVMODE keeps
// the stored one; the printer's and server's names stay); level 7 stores the
// directory-service action. Commands (level 0) are not supported.
VEXL_API BOOL SetPrinterW(HANDLE printer, DWORD level, LPBYTE info, DWORD command);

// Levels 1, 2 and 3; environment NULL means the printer's own.
VEXL_API BOOL GetPrinterDriverW(HANDLE printer, LPWSTR environment, DWORD level, LPBYTE buffer, DWORD bufferSize,
                                LPDWORD needed);

// Printer data: typed values kept with the printer. GetPrinterDataW answers
// ERROR_MORE_DATA and the size needed (copying nothing) when the buffer is
// short, ERROR_FILE_NOT_FOUND when there is no such value.
VEXL_API DWORD GetPrinterDataW(HANDLE printer, LPWSTR valueName, LPDWORD type, LPBYTE data, DWORD dataSize,
                               LPDWORD needed);
VEXL_API DWORD SetPrinterDataW(HANDLE printer, LPWSTR valueName, DWORD type, LPBYTE data, DWORD dataSize);
VEXL_API DWORD DeletePrinterDataW(HANDLE printer, LPWSTR valueName);
// A batch of printer-data changes (an extension of this layer): between the
// two calls, SetPrinterDataW and DeletePrinterDataW of this thread on the
// handle are checked as usual but kept in memory, and this thread's reads
// through the handle see them; EndPrinterDataBatch writes them all in one
// replace of the printer file and answers its error. A process that dies
// before the end leaves the file as it was. Batches nest; the outermost end
// writes.
VEXL_API DWORD BeginPrinterDataBatch(HANDLE printer);
// Writes the outermost batch's new printer file ahead and flushes it to disk,
// so that its end, when nothing changed the printer meanwhile and the batch
// has no further changes, only puts the file in place. Answers an error only
// for a handle without a batch; what keeps the file from being written ahead
// is met again, and answered, by the end.
VEXL_API DWORD PreparePrinterDataBatch(HANDLE printer);
VEXL_API DWORD EndPrinterDataBatch(HANDLE printer);
// Ends the outermost batch only by putting its file written ahead in place:
// when the printer changed since, or the batch did, the batch stays open and
// the answer is ERROR_RETRY (prepare it again). A batch whose file could not
// be written ahead ends as EndPrinterDataBatch ends it.
VEXL_API DWORD EndPreparedPrinterDataBatch(HANDLE printer);
// Ends the handle's batch without writing it: at the outermost level its
// changes are dropped and the printer's data stays as it was stored.
VEXL_API DWORD AbandonPrinterDataBatch(HANDLE printer);

// Forms of the machine, level 1.
VEXL_API BOOL EnumFormsW(HANDLE printer, DWORD level, LPBYTE buffer, DWORD bufferSize, LPDWORD needed,
                         LPDWORD returned);

// A job of the printer, levels 1 and 2; an unknown job gives ERROR_INVALID_PARAMETER.
VEXL_API BOOL GetJobW(HANDLE printer, DWORD jobId, DWORD level, LPBYTE buffer, DWORD bufferSize, LPDWORD needed);
