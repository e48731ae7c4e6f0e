#include "common/storage/directories.h"

#include "common/core/context.h"
#include "common/core/items.h"
#include "common/core/languages.h"
#include "common/core/memory.h"
#include "common/core/printer.h"

namespace vexl {
namespace {

constexpr int kLocaleCountryChars = 7;

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
