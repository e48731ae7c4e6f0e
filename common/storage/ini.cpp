#include "common/storage/ini.h"

#include "common/core/context.h"
#include "common/core/items.h"
#include "common/core/memory.h"
#include "common/core/osinfo.h"
#include "common/core/printer.h"
#include "common/core/store.h"
#include "common/core/textconv.h"
#include "common/storage/directories.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace vexl {
namespace {

constexpr std::uint32_t kLargeFileBytes = 65536;
constexpr int kIntValueChars = 11;
constexpr int kUserCodeChars = 260;

// The section name, sanitised, in a zero-filled buffer of 261 characters.
struct SectionBuffer {
    WCHAR name[kIniSectionChars] = {};
    explicit SectionBuffer(const WCHAR* section)
    {
        if (section) lstrcpynW(name, section, kIniSectionChars);
        SanitizeIniSection(name);
    }
    const WCHAR* get(const WCHAR* section) const { return section ? name : nullptr; }
};

// UTF-16 to 8-bit ANSI text of any length.
std::string ToAnsi(const WCHAR* text)
{
    if (text == nullptr || text[0] == 0) return {};
    const int bytes = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 1) return {};
    std::string out(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, -1, out.data(), bytes, nullptr, nullptr);
    out.resize(static_cast<std::size_t>(bytes - 1));
    return out;
}

int CopyDefault(const WCHAR* defaultText, WCHAR* out, int size)
{
    if (out == nullptr || size <= 0) return 0;
    std::memset(out, 0, static_cast<std::size_t>(size) * sizeof(WCHAR));
    if (defaultText) lstrcpynW(out, defaultText, size);
    return lstrlenW(out);
}

bool EqualNoCaseAt(const char* text, std::string_view name)
{
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (text[i] == 0) return false;
        if (std::tolower(static_cast<unsigned char>(text[i])) != std::tolower(static_cast<unsigned char>(name[i])))
            return false;
    }
    return true;
}

// The start of the line after the one at text (past its LF), or the end.
const char* NextLine(const char* text)
{
    while (*text && *text != '\n') ++text;
    return *text ? text + 1 : text;
}

// Whether the line at cursor is "[name]".
bool IsSectionHeader(const char* line, std::string_view name)
{
    return line[0] == '[' && EqualNoCaseAt(line + 1, name) && line[1 + name.size()] == ']';
}

// The 8-bit section name, at most 522 bytes.
std::string SectionBytes(const WCHAR* section)
{
    std::string bytes = ToAnsi(section);
    if (bytes.size() > static_cast<std::size_t>(kIniSectionBytes)) bytes.resize(kIniSectionBytes);
    return bytes;
}

// A section rewrite as the platform runs it on the file's bytes: the new
// section first, then the old text in front of the old section and after it.
struct SectionRewrite {
    std::string name;
    std::string_view newText;
    std::string composed;
};

BOOL ComposeSectionRewrite(void* state, const char* bytes, DWORD length, const char** text, DWORD* textLength)
{
    auto* rewrite = static_cast<SectionRewrite*>(state);
    const std::string_view old(bytes ? bytes : "", bytes ? length : 0);
    std::string_view before = old;
    std::string_view after;
    std::int32_t blockLength = 0;
    if (const char* block = FindIniSectionBlock(rewrite->name.c_str(), old.data(),
                                                static_cast<std::int32_t>(old.size()), &blockLength)) {
        const std::size_t at = static_cast<std::size_t>(block - old.data());
        before = old.substr(0, at);
        after = old.substr(at + static_cast<std::size_t>(blockLength));
    }
    rewrite->composed.clear();
    rewrite->composed.reserve(rewrite->newText.size() + before.size() + after.size());
    rewrite->composed.append(rewrite->newText).append(before).append(after);
    *text = rewrite->composed.data();
    *textLength = static_cast<DWORD>(rewrite->composed.size());
    return TRUE;
}

}  // namespace

// ---- through the system ----------------------------------------------------------------------------

WCHAR* SanitizeIniSection(WCHAR* name)
{
    if (name == nullptr) return name;
    const bool dbcs = IsWin9x();
    for (WCHAR* p = name; *p; ++p) {
        if (*p == u'[' || *p == u']') {
            *p = u',';
        } else if (dbcs && IsDBCSLeadByte(static_cast<BYTE>(*p & 0xFF)) && p[1] != 0) {
            ++p;
        }
    }
    return name;
}

int ReadIniInt(const WCHAR* section, const WCHAR* key, int defaultValue, const WCHAR* file)
{
    const SectionBuffer buffer(section);
    return static_cast<int>(GetPrivateProfileIntW(buffer.get(section), key, defaultValue, file));
}

int ReadIniString(const WCHAR* section, const WCHAR* key, const WCHAR* defaultText, WCHAR* out, int size,
                  const WCHAR* file)
{
    if (out == nullptr || size <= 0) return 0;
    const SectionBuffer buffer(section);
    return static_cast<int>(
        GetPrivateProfileStringW(buffer.get(section), key, defaultText, out, static_cast<DWORD>(size), file));
}

BOOL WriteIniString(const WCHAR* section, const WCHAR* key, const WCHAR* value, const WCHAR* file)
{
    const SectionBuffer buffer(section);
    const BOOL result = WritePrivateProfileStringW(buffer.get(section), key, value, file);
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, file);
    return result;
}

// ---- in memory -------------------------------------------------------------------------------------------

char* ReadWholeTextFile(const WCHAR* path, BOOL onlyLarge)
{
    if (path == nullptr || path[0] == 0 || path[1] != u':') return nullptr;
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    const DWORD size = SetFilePointer(file, 0, nullptr, FILE_END);
    char* text = nullptr;
    if (size != INVALID_SET_FILE_POINTER && !(onlyLarge && size < kLargeFileBytes) && size < 0x7FFFFFFF &&
        SetFilePointer(file, 0, nullptr, FILE_BEGIN) == 0) {
        text = static_cast<char*>(AllocZeroed(size + 1));
        DWORD read = 0;
        if (text && size > 0 && (!ReadFile(file, text, size, &read, nullptr) || read != size)) {
            FreeIfNotNull(text);
            text = nullptr;
        }
    }
    CloseHandle(file);
    return text;
}

BOOL FreeTextBuffer(char* text)
{
    FreeIfNotNull(text);
    return TRUE;
}

const char* FindIniSectionInText(const WCHAR* section, const char* text)
{
    if (section == nullptr || text == nullptr) return nullptr;
    const std::string name = SectionBytes(section);
    for (const char* line = text; *line; line = NextLine(line)) {
        if (IsSectionHeader(line, name)) return NextLine(line);
    }
    return nullptr;
}

int ReadIniStringFromText(const WCHAR* key, const WCHAR* defaultText, WCHAR* out, int size, const char* text,
                          std::int32_t* position)
{
    if (text == nullptr) {
        if (position) *position = 0;
        return CopyDefault(defaultText, out, size);
    }
    if (position == nullptr || key == nullptr || out == nullptr || size <= 0)
        return CopyDefault(defaultText, out, size);
    const std::string name = ToAnsi(key);
    const std::size_t textLength = std::strlen(text);
    if (*position < 0 || static_cast<std::size_t>(*position) > textLength) *position = 0;

    const char* start = text + *position;
    const char* line = start;
    bool wrapped = false;
    while (true) {
        if (*line == 0 || *line == '[') {
            if (wrapped) break;
            wrapped = true;
            line = text;
            if (line == start) break;
            continue;
        }
        if (wrapped && line == start) break;
        if (!name.empty() && EqualNoCaseAt(line, name) && line[name.size()] == '=') {
            const char* value = line + name.size() + 1;
            std::size_t length = 0;
            while (value[length] && value[length] != '\r' && value[length] != '\n' &&
                   length + 1 < static_cast<std::size_t>(size)) {
                ++length;
            }
            std::memset(out, 0, static_cast<std::size_t>(size) * sizeof(WCHAR));
            const std::string bytes(value, length);
            AnsiToWide(out, bytes.c_str(), size);
            *position = static_cast<std::int32_t>(NextLine(line) - text);
            return static_cast<int>(length);
        }
        line = NextLine(line);
    }
    *position = 0;
    return CopyDefault(defaultText, out, size);
}

int ReadIniIntFromText(const WCHAR* key, int defaultValue, const char* text, std::int32_t* position)
{
    WCHAR value[kIntValueChars] = {};
    ReadIniStringFromText(key, u"", value, kIntValueChars, text, position);
    if (value[0] == 0) return defaultValue;
    char digits[kIntValueChars] = {};
    for (int i = 0; i < kIntValueChars - 1 && value[i]; ++i)
        digits[i] = static_cast<char>(value[i] < 0x80 ? value[i] : '?');
    return static_cast<int>(std::strtol(digits, nullptr, 10));
}

BOOL AppendIniSectionHeader(IniSectionText* text, const WCHAR* section)
{
    if (text == nullptr || section == nullptr) return FALSE;
    if (section[0] == 0) return TRUE;
    text->bytes += '[';
    text->bytes += ToAnsi(section);
    text->bytes += "]\r\n";
    return TRUE;
}

BOOL AppendIniKeyValue(IniSectionText* text, const WCHAR* key, const WCHAR* value)
{
    if (text == nullptr || key == nullptr || value == nullptr) return FALSE;
    if (key[0] == 0) return TRUE;
    text->bytes += ToAnsi(key);
    text->bytes += '=';
    text->bytes += ToAnsi(value);
    text->bytes += "\r\n";
    return TRUE;
}

const char* FindIniSectionBlock(const char* section, const char* text, std::int32_t textLength,
                                std::int32_t* blockLength)
{
    if (section == nullptr || text == nullptr || textLength <= 0) return nullptr;
    const std::string_view name(section);
    const std::string_view all(text, static_cast<std::size_t>(textLength));
    std::size_t at = 0;
    while (at < all.size()) {
        const std::size_t end = all.find('\n', at);
        const std::size_t next = end == std::string_view::npos ? all.size() : end + 1;
        const std::string_view line = all.substr(at, next - at);
        if (line.size() >= name.size() + 2 && line[0] == '[' && EqualNoCaseAt(line.data() + 1, name) &&
            line[name.size() + 1] == ']') {
            if (blockLength) {
                std::size_t stop = next;
                while (stop < all.size() && all[stop] != '[') {
                    const std::size_t lineEnd = all.find('\n', stop);
                    stop = lineEnd == std::string_view::npos ? all.size() : lineEnd + 1;
                }
                *blockLength = static_cast<std::int32_t>(stop - at);
            }
            return text + at;
        }
        at = next;
    }
    return nullptr;
}

BOOL RewriteIniSection(DriverContext* context, const WCHAR* file, const WCHAR* section, const char* newText,
                       std::uint32_t newLength)
{
    if (file == nullptr || section == nullptr || newText == nullptr) return FALSE;
    // The platform composes the file from its text as it is under the lock of
    // every INI writer, so a key written meanwhile by another process stays.
    SectionRewrite rewrite{SectionBytes(section), std::string_view(newText, newLength), {}};
    if (!RewriteProfileFile(file, ComposeSectionRewrite, &rewrite)) {
        const DWORD error = GetLastError();
        SetSettingsFileError(context, static_cast<int>(error ? error : ERROR_WRITE_FAULT));
        return FALSE;
    }
    return TRUE;
}

// ---- user codes ----------------------------------------------------------------------------------------------

BOOL LoadUserCodeSettings(DriverContext* context)
{
    if (context == nullptr) return FALSE;
    WCHAR path[MAX_PATH] = {};
    BuildSettingsDirPath(path, MAX_PATH, kUserCodeFileName, context);
    const WCHAR* printer = GetPrinterSectionName(context);
    int userCode = 0;
    WCHAR text[kUserCodeChars] = {};
    if (path[0] != 0 && FileExists(path)) {
        WCHAR current[kUserCodeChars] = {};
        WCHAR recent[kUserCodeChars] = {};
        ReadIniString(printer, u"UserCode", u"", current, kUserCodeChars, path);
        ReadIniString(kUserCodeSection, u"MRUUserCode", u"", recent, kUserCodeChars, path);
        if (current[0] != 0) {
            userCode = ReadIniInt(printer, u"UserCode", 0, path);
            ReadIniString(printer, u"UserCodeString", u"", text, kUserCodeChars, path);
        } else {
            lstrcpynW(text, recent, kUserCodeChars);
            WriteIniString(printer, u"UserCode", u"0", path);
            WriteIniString(printer, u"UserCodeString", text, path);
        }
    } else if (path[0] != 0) {
        WriteIniString(printer, u"UserCode", u"0", path);
        WriteIniString(printer, u"UserCodeString", u"", path);
        WriteIniString(kUserCodeSection, u"MRUUserCode", u"", path);
    }
    const int fixed = path[0] != 0 ? ReadIniInt(printer, u"UserCodeFIX", 0, path) : 0;
    SetItemValue(context, rdmLogCodeUse, static_cast<std::uint32_t>(userCode));
    SetItemString(context, FindItem(context, rdmLogCode), text);
    SetItemString(context, FindItem(context, rdmDllLogCode), text);
    SetUserCodeUseFlag(context, static_cast<std::uint8_t>(fixed));
    return TRUE;
}

BOOL LoadUserCodeUnlessServer(DriverContext* context)
{
    if (IsPrinterConnection(context) && GetItemValue(context, rdmServerLogCode) != 0) return TRUE;
    return LoadUserCodeSettings(context);
}

BOOL LoadUserCodeIfProviderOn(DriverContext* context)
{
    // The user-code provider switch is off in this build.
    (void)context;
    return TRUE;
}

}  // namespace vexl
