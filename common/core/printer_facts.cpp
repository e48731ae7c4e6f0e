#include "common/core/printer_facts.h"

#include "common/core/context.h"
#include "common/core/items.h"
#include "common/core/languages.h"
#include "common/core/memory.h"
#include "common/core/modeldb.h"
#include "common/core/path_text.h"
#include "common/core/printer.h"

namespace vexl {
namespace {

constexpr int kLocaleCountryChars = 7;
constexpr std::u16string_view kDefaultDriverFolder = u"\\spool\\drivers\\w32x86\\2\\";

ContextWorkArea* WorkOf(DriverContext* context)
{
    return context ? context->workArea : nullptr;
}

}  // namespace

// ---- printer facts --------------------------------------------------------------------------------

const WCHAR* GetPrinterSectionName(DriverContext* context)
{
    ContextWorkArea* work = WorkOf(context);
    if (work == nullptr) return nullptr;
    if (work->printerName[0] == 0 && context->printer) {
        auto* info = static_cast<PRINTER_INFO_2W*>(GetPrinterInfo(context->printer, 2));
        if (info) {
            if (info->pPrinterName)
                lstrcpynW(work->printerName, info->pPrinterName, sizeof(work->printerName) / sizeof(WCHAR));
            CachePrinterInfo(info, context);
        }
        FreeIfNotNull(info);
    }
    return work->printerName;
}

const WCHAR* GetDriverName(DriverContext* context)
{
    ContextWorkArea* work = WorkOf(context);
    if (work == nullptr) return nullptr;
    constexpr int kNameChars = static_cast<int>(sizeof(work->driverName) / sizeof(WCHAR));
    if (work->driverName[0] == 0 && context->printer) {
        auto* info = static_cast<PRINTER_INFO_2W*>(GetPrinterInfo(context->printer, 2));
        if (info) {
            if (info->pDriverName) lstrcpynW(work->driverName, info->pDriverName, kNameChars);
            CachePrinterInfo(info, context);
        }
        FreeIfNotNull(info);
    }
    if (work->driverName[0] == 0 && context->modelRecord && context->modelRecord->driverNameFallback) {
        lstrcpynW(work->driverName, context->modelRecord->driverNameFallback, kNameChars);
    }
    return work->driverName;
}

const WCHAR* CopyLanguageCode(DriverContext* context)
{
    ContextWorkArea* work = WorkOf(context);
    if (work == nullptr) return nullptr;
    lstrcpynW(work->languageCode, GetLanguageCode(context), sizeof(work->languageCode) / sizeof(WCHAR));
    return work->languageCode;
}

const WCHAR* InitLanguageFromHelpFile(DriverContext* context)
{
    ContextWorkArea* work = WorkOf(context);
    if (work == nullptr) return nullptr;
    lstrcpynW(work->languageCode, GetInstalledLanguageCode(context), sizeof(work->languageCode) / sizeof(WCHAR));
    return work->languageCode;
}

const WCHAR* GetInstallSectionName(DriverContext* context)
{
    return CopyLanguageCode(context);
}
const WCHAR* GetStampCounterSection(DriverContext* context)
{
    return CopyLanguageCode(context);
}
const WCHAR* GetProfileCounterSection(DriverContext* context)
{
    return GetLanguageCode(context);
}

UINT GetSystemDirectoryFor(WCHAR* out, int size, DriverContext* context)
{
    (void)context;
    return out && size > 0 ? GetSystemDirectoryW(out, static_cast<UINT>(size)) : 0;
}
WCHAR* GetDriverDirectoryForPrinter(HANDLE printer, WCHAR* out)
{
    if (out == nullptr) return out;
    out[0] = 0;
    std::u16string folder;
    auto* driver = static_cast<DRIVER_INFO_3W*>(printer ? GetPrinterDriverInfo(printer, 3) : nullptr);
    if (driver && driver->pDriverPath) {
        const path_text::Text path = driver->pDriverPath;
        const std::size_t slash = path.rfind(u'\\');
        if (slash != path_text::Text::npos) folder = path.substr(0, slash + 1);
    } else {
        const std::u16string system = path_text::SystemDirectory();
        if (!system.empty()) folder = system + std::u16string(kDefaultDriverFolder);
    }
    FreeIfNotNull(driver);
    if (!folder.empty() && folder.back() != u'\\') folder += u'\\';
    path_text::WriteJoinedOrEmpty(out, MAX_PATH, {folder});
    return out;
}

const WCHAR* GetModelFilePath(DriverContext* context)
{
    ContextWorkArea* work = WorkOf(context);
    if (work == nullptr || context->modelRecord == nullptr) return nullptr;
    WCHAR* field = work->modelFilePath;
    const path_text::Text name = path_text::View(context->modelRecord->modelIniName);
    if (name.size() >= 2 && name[1] == u':') {
        path_text::WriteJoinedOrEmpty(field, MAX_PATH, {name});
        return field;
    }
    WCHAR directory[MAX_PATH] = {};
    GetDriverDirectoryForPrinter(context->printer, directory);
    path_text::WriteJoinedOrEmpty(field, MAX_PATH, {path_text::View(directory), name});
    return field;
}

// ---- locale ------------------------------------------------------------------------------------------------

int GetLocaleCountryClass(DriverContext* context)
{
    (void)context;
    WCHAR country[kLocaleCountryChars] = {};
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_ICOUNTRY, country, kLocaleCountryChars) == 0) return 0;
    const WCHAR first = country[0];
    return first == u'1' || first == u'2' || first == u'5' ? first - u'0' : 0;
}

void SetLocaleItems(DriverContext* context)
{
    ContextWorkArea* work = WorkOf(context);
    if (work == nullptr) return;
    const int localeClass = GetLocaleCountryClass(context);
    const bool known = localeClass != 0;
    work->localeValues[0] = known ? 1 : 9;
    work->localeValues[1] = known ? 1 : 0;
    work->localeValues[2] = static_cast<std::uint16_t>(localeClass);
    SetItemValue(context, rdmLocaleID, static_cast<std::uint32_t>(localeClass));
}

}  // namespace vexl
