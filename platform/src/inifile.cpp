// INI profile functions over 8-bit files in the ANSI code page.
//
// A file is read whole into lines. Every line keeps its bytes and its line
// end, so a write changes only the lines it means to change and the rest of
// the file stays byte for byte; new and changed lines end with CR LF. Writes
// hold a machine-wide lock from the read to the replacement, and replace the
// file atomically (temporary file, flush, rename): a crash or a full disk
// leaves the old settings whole.
#include "platform/inifile.h"

#include "platform/files.h"
#include "platform/kernel.h"
#include "platform/machine.h"
#include "platform/text.h"

#include "files_host.h"
#include "profile.h"
#include "storage.h"
#include "unicode.h"

#include <algorithm>
#include <cerrno>
#include <functional>
#include <optional>
#include <string>
#include <vector>

using namespace vexl::platform;
namespace fs = std::filesystem;

namespace {

enum class LineKind { Other, Header, Entry };

struct IniLine {
    std::string bytes;  // as stored, without the line end
    std::string end;    // "\r\n", "\n", or "" for a last line without one
    LineKind kind = LineKind::Other;
    std::u16string name;   // section name of a header, key of an entry
    std::u16string value;  // value of an entry, trimmed, quotes kept
    bool hasEquals = false;
};

using IniLines = std::vector<IniLine>;

constexpr std::size_t npos = static_cast<std::size_t>(-1);

// --- Text -------------------------------------------------------------------

std::u16string_view Trim(std::u16string_view text)
{
    const auto isBlank = [](char16_t c) { return c == u' ' || c == u'\t'; };
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

std::u16string_view Unquote(std::u16string_view value)
{
    if (value.size() >= 2 && value.front() == u'"' && value.back() == u'"') return value.substr(1, value.size() - 2);
    return value;
}

// Names and values are single lines: a line break would start a new entry.
std::u16string_view FirstLine(std::u16string_view text)
{
    return text.substr(0, text.find_first_of(u"\r\n"));
}

bool IsAscii(std::string_view bytes)
{
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

// ASCII is the same in every ANSI code page; only other text is converted.
std::u16string Decode(std::string_view bytes)
{
    if (IsAscii(bytes)) return std::u16string(bytes.begin(), bytes.end());
    const int length = static_cast<int>(bytes.size());
    const int chars = MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, nullptr, 0);
    std::u16string text(static_cast<std::size_t>(chars > 0 ? chars : 0), u'\0');
    if (chars > 0) MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, text.data(), chars);
    return text;
}

std::string Encode(std::u16string_view text)
{
    bool ascii = true;
    for (char16_t c : text) ascii = ascii && c < 0x80;
    if (ascii) return std::string(text.begin(), text.end());
    const int length = static_cast<int>(text.size());
    const int bytes = WideCharToMultiByte(CP_ACP, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string encoded(static_cast<std::size_t>(bytes > 0 ? bytes : 0), '\0');
    if (bytes > 0) WideCharToMultiByte(CP_ACP, 0, text.data(), length, encoded.data(), bytes, nullptr, nullptr);
    return encoded;
}

// --- Lines ------------------------------------------------------------------

void Classify(IniLine& line)
{
    const std::u16string text = Decode(line.bytes);
    const std::u16string_view trimmed = Trim(text);
    if (trimmed.empty() || trimmed.front() == u';') return;
    if (trimmed.front() == u'[') {
        line.kind = LineKind::Header;
        const std::size_t close = trimmed.find(u']');
        line.name = Trim(trimmed.substr(1, close == std::u16string_view::npos ? close : close - 1));
        return;
    }
    const std::size_t equals = trimmed.find(u'=');
    line.kind = LineKind::Entry;
    line.name = Trim(trimmed.substr(0, equals));
    line.hasEquals = equals != std::u16string_view::npos;
    if (line.hasEquals) line.value = Trim(trimmed.substr(equals + 1));
}

IniLines Parse(std::string_view bytes)
{
    IniLines lines;
    lines.reserve(static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n')) + 1);
    std::size_t start = 0;
    while (start < bytes.size()) {
        const std::size_t newline = bytes.find('\n', start);
        IniLine line;
        if (newline == std::string_view::npos) {
            line.bytes = bytes.substr(start);
            start = bytes.size();
        } else {
            const bool crlf = newline > start && bytes[newline - 1] == '\r';
            line.bytes = bytes.substr(start, newline - start - (crlf ? 1 : 0));
            line.end = crlf ? "\r\n" : "\n";
            start = newline + 1;
        }
        Classify(line);
        lines.push_back(std::move(line));
    }
    return lines;
}

std::string Serialize(const IniLines& lines)
{
    std::string bytes;
    for (const IniLine& line : lines) {
        bytes += line.bytes;
        bytes += line.end;
    }
    return bytes;
}

IniLine MakeLine(std::u16string_view text)
{
    IniLine line;
    line.bytes = Encode(text);
    line.end = "\r\n";
    Classify(line);
    return line;
}

IniLine MakeHeader(std::u16string_view section)
{
    return MakeLine(u"[" + std::u16string(section) + u"]");
}

IniLine MakeEntry(std::u16string_view key, std::u16string_view value)
{
    return MakeLine(std::u16string(key) + u"=" + std::u16string(value));
}

// Inserts before index; a last line without a line end gets one first.
void InsertLines(IniLines& lines, std::size_t index, const IniLines& inserted)
{
    if (index > 0 && lines[index - 1].end.empty()) lines[index - 1].end = "\r\n";
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(index), inserted.begin(), inserted.end());
}

// --- Sections and keys ------------------------------------------------------

std::size_t FindSection(const IniLines& lines, std::u16string_view section, std::size_t from = 0)
{
    for (std::size_t i = from; i < lines.size(); ++i) {
        if (lines[i].kind == LineKind::Header && EqualNoCase(lines[i].name, section)) return i;
    }
    return npos;
}

// The index after the last line of the section whose header is at header.
std::size_t SectionEnd(const IniLines& lines, std::size_t header)
{
    std::size_t i = header + 1;
    while (i < lines.size() && lines[i].kind != LineKind::Header) ++i;
    return i;
}

std::size_t FindKey(const IniLines& lines, std::size_t header, std::u16string_view key)
{
    const std::size_t end = SectionEnd(lines, header);
    for (std::size_t i = header + 1; i < end; ++i) {
        if (lines[i].kind == LineKind::Entry && EqualNoCase(lines[i].name, key)) return i;
    }
    return npos;
}

const IniLine* FindEntry(const IniLines& lines, std::u16string_view section, std::u16string_view key)
{
    const std::size_t header = FindSection(lines, section);
    const std::size_t entry = header == npos ? npos : FindKey(lines, header, key);
    return entry == npos ? nullptr : &lines[entry];
}

std::vector<std::u16string> SectionNames(const IniLines& lines)
{
    std::vector<std::u16string> names;
    for (const IniLine& line : lines) {
        if (line.kind != LineKind::Header) continue;
        bool seen = false;
        for (const std::u16string& name : names) seen = seen || EqualNoCase(name, line.name);
        if (!seen) names.push_back(line.name);
    }
    return names;
}

// The entries of a section: their keys, or their lines as key=value.
std::vector<std::u16string> SectionEntries(const IniLines& lines, std::u16string_view section, bool keysOnly)
{
    std::vector<std::u16string> entries;
    const std::size_t header = FindSection(lines, section);
    if (header == npos) return entries;
    const std::size_t end = SectionEnd(lines, header);
    for (std::size_t i = header + 1; i < end; ++i) {
        const IniLine& line = lines[i];
        if (line.kind != LineKind::Entry) continue;
        entries.push_back(keysOnly || !line.hasEquals ? line.name : line.name + u"=" + line.value);
    }
    return entries;
}

void SetKey(IniLines& lines, std::u16string_view section, std::u16string_view key, std::u16string_view value)
{
    const std::size_t header = FindSection(lines, section);
    if (header == npos) {
        InsertLines(lines, lines.size(), {MakeHeader(section), MakeEntry(key, value)});
        return;
    }
    if (const std::size_t entry = FindKey(lines, header, key); entry != npos) {
        lines[entry] = MakeEntry(key, value);
        return;
    }
    std::size_t after = header;
    const std::size_t end = SectionEnd(lines, header);
    for (std::size_t i = header + 1; i < end; ++i) {
        if (lines[i].kind == LineKind::Entry) after = i;
    }
    InsertLines(lines, after + 1, {MakeEntry(key, value)});
}

// Deletes every entry of the key in the section, so that no second copy of
// the key shows through once the first is gone.
bool DeleteKey(IniLines& lines, std::u16string_view section, std::u16string_view key)
{
    const std::size_t header = FindSection(lines, section);
    if (header == npos) return false;
    bool deleted = false;
    for (std::size_t entry = FindKey(lines, header, key); entry != npos; entry = FindKey(lines, header, key)) {
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(entry));
        deleted = true;
    }
    return deleted;
}

// Deletes every section of the name, header and lines.
bool DeleteSection(IniLines& lines, std::u16string_view section)
{
    bool deleted = false;
    for (std::size_t header = FindSection(lines, section); header != npos;
         header = FindSection(lines, section, header)) {
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(header),
                    lines.begin() + static_cast<std::ptrdiff_t>(SectionEnd(lines, header)));
        deleted = true;
    }
    return deleted;
}

void ReplaceSection(IniLines& lines, std::u16string_view section, IniLines body)
{
    std::size_t header = FindSection(lines, section);
    if (header == npos) {
        header = lines.size();
        InsertLines(lines, header, {MakeHeader(section)});
    }
    lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(header + 1),
                lines.begin() + static_cast<std::ptrdiff_t>(SectionEnd(lines, header)));
    InsertLines(lines, header + 1, body);
}

// --- Files ------------------------------------------------------------------

// A name without a folder is a file of the Windows directory.
fs::path IniFilePath(LPCWSTR fileName)
{
    const std::u16string_view name = fileName ? View(fileName) : std::u16string_view(u"win.ini");
    if (name.empty()) return {};
    if (name.find_first_of(u"\\/:") != std::u16string_view::npos) return vexl::machine::HostPath(name);
    return vexl::machine::HostPath(vexl::machine::CurrentProfile()->windowsDirectory + u"\\" + std::u16string(name));
}

// A batch of changes that a thread makes to one file: made on the lines it
// sees meanwhile and kept, then made again on the file as it is then and
// written in one replace when the batch ends.
// Its new text may be written and flushed ahead of the end (from the file's
// version of the stamp, none when the file was missing, with the batch's
// first editCount edits), so that the end only puts it in place.
struct PreparedEdits {
    std::optional<FileStamp> version;
    std::size_t editCount = 0;
    PreparedReplace replace;  // nothing prepared: the edits change nothing
};

struct IniBatch {
    fs::path path;
    int depth = 0;
    std::optional<IniLines> lines;
    std::vector<std::function<bool(IniLines&)>> edits;
    std::optional<PreparedEdits> prepared;
};

thread_local std::vector<IniBatch> t_iniBatches;

IniBatch* FindIniBatch(const fs::path& path)
{
    for (IniBatch& batch : t_iniBatches) {
        if (batch.path == path) return &batch;
    }
    return nullptr;
}

// Makes a batch's edits on the lines; answers whether any changed them.
bool ApplyEdits(const std::vector<std::function<bool(IniLines&)>>& edits, IniLines& lines)
{
    bool changed = false;
    for (const auto& edit : edits) changed = edit(lines) || changed;
    return changed;
}

// The lines a read sees: those of the thread's open batch of the file
// (read from the file by the batch's first read or change and kept), else
// the file's as it is now.
class ReadLines {
public:
    explicit ReadLines(IniLines own) : own_(std::move(own)) {}
    explicit ReadLines(const IniLines* batch) : batch_(batch) {}
    operator const IniLines&() const { return batch_ ? *batch_ : own_; }

private:
    IniLines own_;
    const IniLines* batch_ = nullptr;
};

ReadLines ReadIniFile(LPCWSTR fileName)
{
    const fs::path path = IniFilePath(fileName);
    if (path.empty()) return ReadLines(IniLines{});
    if (IniBatch* batch = FindIniBatch(path)) {
        if (!batch->lines) batch->lines = Parse(ReadWholeFile(path).value_or(std::string()));
        return ReadLines(&*batch->lines);
    }
    return ReadLines(Parse(ReadWholeFile(path).value_or(std::string())));
}

// A file may be written when it is missing from an existing folder, or is
// neither a folder nor read-only.
DWORD CheckWritable(const fs::path& path, bool& exists)
{
    struct stat status {};
    exists = ::stat(path.c_str(), &status) == 0;
    if (exists) return S_ISDIR(status.st_mode) || IsReadOnlyMode(status.st_mode) ? ERROR_ACCESS_DENIED : ERROR_SUCCESS;
    const DWORD error = ErrorFromErrno(errno, path);
    return error == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : error;
}

// The lock of every writer of profile files on the machine.
fs::path IniLockFile()
{
    return vexl::machine::Root() / "inifile.lock";
}

// Reads the file, lets edit change its lines (edit answers whether anything
// changed) and writes the new text beside it, flushed, for replace to put in
// place; a text that the file has already is not written.
template <typename Edit> DWORD PrepareEdit(const fs::path& path, Edit& edit, PreparedReplace& replace)
{
    bool exists = false;
    if (const DWORD error = CheckWritable(path, exists); error != ERROR_SUCCESS) return error;
    const std::optional<std::string> bytes = exists ? ReadWholeFile(path) : std::string();
    if (!bytes) return ERROR_ACCESS_DENIED;
    IniLines lines = Parse(*bytes);
    if (!edit(lines)) return ERROR_SUCCESS;
    const std::string text = Serialize(lines);
    if (exists && text == *bytes) return ERROR_SUCCESS;
    const int failure = replace.Prepare(path, text);
    return failure ? ErrorFromErrno(failure, path) : ERROR_SUCCESS;
}

// Reads the file, lets edit change its lines (edit answers whether anything
// changed) and writes it back at once. The machine-wide lock keeps two
// writers from losing each other's changes.
template <typename Edit> BOOL EditIniFile(LPCWSTR fileName, Edit edit)
{
    const fs::path path = IniFilePath(fileName);
    if (path.empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    if (IniBatch* batch = FindIniBatch(path)) {
        bool exists = false;
        if (const DWORD error = CheckWritable(path, exists); error != ERROR_SUCCESS) {
            SetLastError(error);
            return FALSE;
        }
        if (!batch->lines) batch->lines = Parse(ReadWholeFile(path).value_or(std::string()));
        if (edit(*batch->lines)) batch->edits.push_back(edit);
        return TRUE;
    }
    FileLock lock(IniLockFile());
    PreparedReplace replace;
    if (const DWORD error = PrepareEdit(path, edit, replace); error != ERROR_SUCCESS) {
        SetLastError(error);
        return FALSE;
    }
    if (!replace.prepared()) return TRUE;
    if (const int failure = replace.Commit()) {
        SetLastError(ErrorFromErrno(failure, path));
        return FALSE;
    }
    return TRUE;
}

// Puts the batch's prepared text in place when it holds every edit of the
// batch and the file is still the version it was made from.
bool CommitPreparedEdits(IniBatch& batch)
{
    if (!batch.prepared || batch.prepared->editCount != batch.edits.size()) return false;
    FileLock lock(IniLockFile());
    if (StampOf(batch.path) != batch.prepared->version) return false;
    return !batch.prepared->replace.prepared() || batch.prepared->replace.Commit() == 0;
}

// How often a whole-file rewrite writes its new text ahead, outside the lock,
// before it writes it under the lock: each try that another writer overtook
// between the read and the rename is made again from the file as it is then.
constexpr int kRewriteTriesAhead = 3;

// One try of a whole-file rewrite from the file as it is now: the new text
// is composed and written beside the file, flushed; version gets the stamp of
// the file it was composed from.
DWORD PrepareRewrite(const fs::path& path, ProfileRewriter rewrite, void* state, std::optional<FileStamp>& version,
                     PreparedReplace& replace)
{
    bool exists = false;
    if (const DWORD error = CheckWritable(path, exists); error != ERROR_SUCCESS) return error;
    version = StampOf(path);
    const std::optional<std::string> bytes = version ? ReadWholeFile(path) : std::string();
    if (!bytes) return ERROR_ACCESS_DENIED;
    const char* text = nullptr;
    DWORD length = 0;
    if (!rewrite(state, bytes->data(), static_cast<DWORD>(bytes->size()), &text, &length)) {
        const DWORD error = GetLastError();
        return error != ERROR_SUCCESS ? error : ERROR_INVALID_DATA;
    }
    if (!text && length > 0) return ERROR_INVALID_PARAMETER;
    const int failure = replace.Prepare(path, std::string_view(text ? text : "", length));
    return failure ? ErrorFromErrno(failure, path) : ERROR_SUCCESS;
}

// After a rewrite, the thread's open batch of the file sees the new text
// with its own edits made again on it.
void RefreshBatchLines(const fs::path& path)
{
    IniBatch* batch = FindIniBatch(path);
    if (!batch || !batch->lines) return;
    batch->lines = Parse(ReadWholeFile(path).value_or(std::string()));
    ApplyEdits(batch->edits, *batch->lines);
}

// --- Copying out ------------------------------------------------------------

DWORD CopyText(std::u16string_view text, LPWSTR out, DWORD size)
{
    const std::size_t count = text.size() < size ? text.size() : size - 1;
    text.copy(out, count);
    out[count] = 0;
    if (count < text.size()) SetLastError(ERROR_MORE_DATA);
    return static_cast<DWORD>(count);
}

// Names each followed by a NUL, then one more NUL. A list cut short keeps
// size - 2 characters and ends with two NULs.
DWORD CopyList(const std::vector<std::u16string>& items, LPWSTR out, DWORD size)
{
    std::u16string list;
    for (const std::u16string& item : items) {
        list += item;
        list += u'\0';
    }
    if (list.size() + 1 <= size) {
        list.copy(out, list.size());
        out[list.size()] = 0;
        if (list.empty() && size >= 2) out[1] = 0;
        return static_cast<DWORD>(list.size());
    }
    SetLastError(ERROR_MORE_DATA);
    if (size < 2) {
        out[0] = 0;
        return 0;
    }
    list.copy(out, size - 2);
    out[size - 2] = 0;
    out[size - 1] = 0;
    return size - 2;
}

// A C-like integer: blanks, a sign, then "0x" and hexadecimal digits or
// decimal digits; what follows is ignored. Arithmetic wraps in 32 bits.
UINT ParseInt(std::u16string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) negative = text[i++] == u'-';
    const auto digit = [](char16_t c) -> int {
        if (c >= u'0' && c <= u'9') return c - u'0';
        if (c >= u'a' && c <= u'f') return c - u'a' + 10;
        if (c >= u'A' && c <= u'F') return c - u'A' + 10;
        return 99;
    };
    UINT base = 10;
    if (i + 2 < text.size() && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X') &&
        digit(text[i + 2]) < 16) {
        base = 16;
        i += 2;
    }
    UINT value = 0;
    for (; i < text.size() && static_cast<UINT>(digit(text[i])) < base; ++i)
        value = value * base + static_cast<UINT>(digit(text[i]));
    return negative ? 0u - value : value;
}

}  // namespace

DWORD GetPrivateProfileStringW(LPCWSTR appName, LPCWSTR keyName, LPCWSTR defaultText, LPWSTR returned, DWORD size,
                               LPCWSTR fileName)
{
    if (!returned || size == 0) return 0;
    const ReadLines read = ReadIniFile(fileName);
    const IniLines& lines = read;
    if (!appName) return CopyList(SectionNames(lines), returned, size);
    const std::u16string_view section = Trim(View(appName));
    if (!keyName) return CopyList(SectionEntries(lines, section, true), returned, size);
    if (const IniLine* entry = FindEntry(lines, section, Trim(View(keyName)))) {
        return CopyText(Unquote(entry->value), returned, size);
    }
    return CopyText(defaultText ? View(defaultText) : std::u16string_view(), returned, size);
}

// A key that is present with an empty value answers the default too: an
// empty value holds no number, and the callers store "" to mean "not set".
UINT GetPrivateProfileIntW(LPCWSTR appName, LPCWSTR keyName, INT defaultValue, LPCWSTR fileName)
{
    if (!appName || !keyName) return static_cast<UINT>(defaultValue);
    const ReadLines read = ReadIniFile(fileName);
    const IniLine* entry = FindEntry(read, Trim(View(appName)), Trim(View(keyName)));
    if (!entry || Unquote(entry->value).empty()) return static_cast<UINT>(defaultValue);
    return ParseInt(Unquote(entry->value));
}

DWORD GetPrivateProfileSectionW(LPCWSTR appName, LPWSTR returned, DWORD size, LPCWSTR fileName)
{
    if (!returned || size == 0) return 0;
    if (!appName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        returned[0] = 0;
        return 0;
    }
    return CopyList(SectionEntries(ReadIniFile(fileName), Trim(View(appName)), false), returned, size);
}

DWORD GetPrivateProfileSectionNamesW(LPWSTR returned, DWORD size, LPCWSTR fileName)
{
    if (!returned || size == 0) return 0;
    return CopyList(SectionNames(ReadIniFile(fileName)), returned, size);
}

namespace {

// A write that stands alone removes the old version it replaced at once.
BOOL ReleasingReplaced(BOOL result)
{
    ReleaseReplacedFiles();
    return result;
}

}  // namespace

BOOL WritePrivateProfileStringW(LPCWSTR appName, LPCWSTR keyName, LPCWSTR value, LPCWSTR fileName)
{
    if (!appName && !keyName && !value) return FALSE;  // a flush: nothing is cached
    if (!appName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::u16string section(Trim(FirstLine(View(appName))));
    if (!keyName)
        return ReleasingReplaced(
            EditIniFile(fileName, [section](IniLines& lines) { return DeleteSection(lines, section); }));
    const std::u16string key(Trim(FirstLine(View(keyName))));
    if (!value)
        return ReleasingReplaced(
            EditIniFile(fileName, [section, key](IniLines& lines) { return DeleteKey(lines, section, key); }));
    const std::u16string text(FirstLine(View(value)));
    return ReleasingReplaced(EditIniFile(fileName, [section, key, text](IniLines& lines) {
        SetKey(lines, section, key, text);
        return true;
    }));
}

BOOL WritePrivateProfileSectionW(LPCWSTR appName, LPCWSTR text, LPCWSTR fileName)
{
    if (!appName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::u16string section(Trim(FirstLine(View(appName))));
    if (!text)
        return ReleasingReplaced(
            EditIniFile(fileName, [section](IniLines& lines) { return DeleteSection(lines, section); }));
    IniLines body;
    for (const WCHAR* line = text; *line; line += TextLength(line) + 1) body.push_back(MakeLine(FirstLine(View(line))));
    return ReleasingReplaced(EditIniFile(fileName, [section, body](IniLines& lines) {
        ReplaceSection(lines, section, body);
        return true;
    }));
}

BOOL BeginProfileBatch(LPCWSTR fileName)
{
    const fs::path path = IniFilePath(fileName);
    if (path.empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    if (IniBatch* batch = FindIniBatch(path)) {
        ++batch->depth;
        return TRUE;
    }
    t_iniBatches.push_back({path, 1, std::nullopt, {}, std::nullopt});
    return TRUE;
}

BOOL PrepareProfileBatch(LPCWSTR fileName)
{
    const fs::path path = IniFilePath(fileName);
    IniBatch* batch = path.empty() ? nullptr : FindIniBatch(path);
    if (!batch) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    batch->prepared.reset();
    if (batch->depth > 1 || batch->edits.empty()) return TRUE;
    // Whatever stands in the way here is met again, and answered, at the end.
    PreparedEdits prepared{StampOf(path), batch->edits.size(), {}};
    auto edit = [&](IniLines& lines) { return ApplyEdits(batch->edits, lines); };
    if (PrepareEdit(path, edit, prepared.replace) == ERROR_SUCCESS) batch->prepared = std::move(prepared);
    return TRUE;
}

BOOL EndProfileBatch(LPCWSTR fileName)
{
    const fs::path path = IniFilePath(fileName);
    const auto at = std::find_if(t_iniBatches.begin(), t_iniBatches.end(),
                                 [&](const IniBatch& batch) { return batch.path == path; });
    if (path.empty() || at == t_iniBatches.end()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (--at->depth > 0) return TRUE;
    IniBatch batch = std::move(*at);
    t_iniBatches.erase(at);
    if (batch.edits.empty() || CommitPreparedEdits(batch)) return TRUE;
    return EditIniFile(fileName, [&](IniLines& lines) { return ApplyEdits(batch.edits, lines); });
}

BOOL EndPreparedProfileBatch(LPCWSTR fileName)
{
    const fs::path path = IniFilePath(fileName);
    IniBatch* batch = path.empty() ? nullptr : FindIniBatch(path);
    if (!batch || batch->depth > 1 || batch->edits.empty() || !batch->prepared) return EndProfileBatch(fileName);
    if (!CommitPreparedEdits(*batch)) {
        SetLastError(ERROR_RETRY);
        return FALSE;
    }
    t_iniBatches.erase(t_iniBatches.begin() + (batch - t_iniBatches.data()));
    return TRUE;
}

BOOL AbandonProfileBatch(LPCWSTR fileName)
{
    const fs::path path = IniFilePath(fileName);
    const auto at = std::find_if(t_iniBatches.begin(), t_iniBatches.end(),
                                 [&](const IniBatch& batch) { return batch.path == path; });
    if (path.empty() || at == t_iniBatches.end()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (--at->depth == 0) t_iniBatches.erase(at);
    return TRUE;
}

BOOL RewriteProfileFile(LPCWSTR fileName, ProfileRewriter rewrite, void* state)
{
    const fs::path path = IniFilePath(fileName);
    if (path.empty() || !rewrite) {
        SetLastError(path.empty() ? ERROR_PATH_NOT_FOUND : ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    DWORD error = ERROR_SUCCESS;
    bool done = false;
    for (int attempt = 0; attempt < kRewriteTriesAhead && error == ERROR_SUCCESS && !done; ++attempt) {
        std::optional<FileStamp> version;
        PreparedReplace replace;
        error = PrepareRewrite(path, rewrite, state, version, replace);
        if (error != ERROR_SUCCESS) break;
        FileLock lock(IniLockFile());
        if (StampOf(path) != version) continue;
        if (const int failure = replace.Commit()) error = ErrorFromErrno(failure, path);
        done = true;
    }
    if (error == ERROR_SUCCESS && !done) {
        // Overtaken every time: the last try reads and renames under the lock.
        FileLock lock(IniLockFile());
        std::optional<FileStamp> version;
        PreparedReplace replace;
        error = PrepareRewrite(path, rewrite, state, version, replace);
        if (error == ERROR_SUCCESS) {
            if (const int failure = replace.Commit()) error = ErrorFromErrno(failure, path);
        }
    }
    ReleaseReplacedFiles();
    if (error != ERROR_SUCCESS) {
        SetLastError(error);
        return FALSE;
    }
    RefreshBatchLines(path);
    return TRUE;
}

void RemoveReplacedFiles(void)
{
    ReleaseReplacedFiles();
}
