// The job strings for the graphics library and the help file's language.
#include "ui/base/job_strings.h"

#include "common/core/languages.h"
#include "common/core/le.h"
#include "common/core/memory.h"
#include "common/core/printer.h"
#include "common/storage/directories.h"
#include "platform/modules.h"
#include "platform/resources.h"
#include "platform/spooler.h"
#include "ui/base/printer_values.h"

#include <cstring>

namespace vexl::ui {
namespace {

struct JobStringRow {
    std::uint16_t key;  // a setting of the graphics library's option-text table
    std::uint16_t stringId;
};
constexpr JobStringRow kJobStrings[kJobStringCount] = {{731, 15000}, {733, 15001}, {735, 15002}};

constexpr int kLibraryPathChars = 260;

// The language resource library of the printer, or NULL.
HMODULE LoadLanguageResourceLibrary(HANDLE printer)
{
    WCHAR helpFile[kLibraryPathChars] = {};
    if (!ReadHelpFileNameValue(printer, helpFile, kLibraryPathChars)) return nullptr;
    WCHAR* dot = nullptr;
    for (WCHAR* c = helpFile; *c != 0; ++c) {
        if (*c == u'.') dot = c;
        if (*c == u'\\') dot = nullptr;
    }
    if (dot == nullptr) return nullptr;
    dot[1] = 0;
    WCHAR path[kLibraryPathChars + 1] = {};
    if (GetDriverDirectoryForPrinter(printer, path) == nullptr) return nullptr;
    const int used = lstrlenW(path);
    const int name = lstrlenW(helpFile);
    if (used + name + 3 > kLibraryPathChars) return nullptr;
    lstrcpynW(path + used, helpFile, kLibraryPathChars - used);
    lstrcpynW(path + used + name, u"dll", kLibraryPathChars - used - name);
    return LoadLibraryW(path);
}

// The file part of the driver's help file, or empty.
bool ReadHelpFileName(DriverContext* context, WCHAR* out, int size)
{
    out[0] = 0;
    if (context == nullptr) return false;
    auto* driver = static_cast<DRIVER_INFO_3W*>(GetPrinterDriverInfo(context->printer, 3));
    if (driver == nullptr) return false;
    const WCHAR* help = driver->pHelpFile;
    const WCHAR* name = nullptr;
    for (const WCHAR* c = help; c != nullptr && *c != 0; ++c) {
        if (*c == u'\\') name = c + 1;
    }
    if (name != nullptr) lstrcpynW(out, name, size);
    FreeIfNotNull(driver);
    return out[0] != 0;
}

}  // namespace

void BuildJobStringBlock(HANDLE printer, std::uint8_t (&block)[kJobStringBlockBytes])
{
    std::memset(block, 0, sizeof block);
    HMODULE library = LoadLanguageResourceLibrary(printer);
    for (int i = 0; i < kJobStringCount; ++i) {
        std::uint8_t* entry = block + i * kJobStringEntryBytes;
        WriteLe16(entry, kJobStrings[i].key);
        WriteLe16(entry + 2, kJobStrings[i].stringId);
        WCHAR text[kJobStringChars] = {};
        if (library != nullptr) LoadStringW(library, kJobStrings[i].stringId, text, kJobStringChars);
        text[kJobStringChars - 1] = 0;
        for (int c = 0; c < kJobStringChars && text[c] != 0; ++c) WriteLe16(entry + 4 + 2 * c, text[c]);
    }
    if (library != nullptr) FreeLibrary(library);
}

void SendJobStringsToGraphicsDriver(HANDLE printer, HDC hdc)
{
    std::uint8_t block[kJobStringBlockBytes];
    BuildJobStringBlock(printer, block);
    ExtEscape(hdc, kJobStringEscape, static_cast<int>(kJobStringBlockBytes), reinterpret_cast<LPCSTR>(block), 0,
              nullptr);
}

std::uint16_t GetHelpLanguageIndex(DriverContext* context)
{
    WCHAR name[MAX_PATH] = {};
    if (!ReadHelpFileName(context, name, MAX_PATH)) return kDefaultLanguageId;
    return LanguageIdFromFileName(name, context);
}

const WCHAR* GetHelpLanguageCode(DriverContext* context)
{
    WCHAR name[MAX_PATH] = {};
    if (!ReadHelpFileName(context, name, MAX_PATH)) return kDefaultLanguageCode;
    return LanguageCodeFromFileName(name, context);
}

}  // namespace vexl::ui
