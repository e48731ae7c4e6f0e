// Printer events and the driver upgrade.
#include "ui/entry/printer_events.h"

#include "common/core/item_ids.h"
#include "common/core/items.h"
#include "common/core/modeldb.h"
#include "common/core/osinfo.h"
#include "common/core/process.h"
#include "common/storage/directories.h"
#include "common/storage/ini.h"
#include "platform/spooler.h"
#include "ui/base/job_info.h"
#include "ui/base/library_state.h"
#include "ui/base/ui_context.h"
#include "ui/install/install_work.h"
#include "ui/install/upgrade_check.h"

#include <initializer_list>

namespace vexl::ui {
namespace {

constexpr int kNotifyConnectionGone[] = {2, 3, 4, 5, 8, 9, 10};
constexpr int kNotifyPrinterGone[] = {256, 257, 258};

// The printer opened by name with the first of the rights that the spooler grants.
HANDLE OpenWithRights(LPWSTR name, std::initializer_list<ACCESS_MASK> rights)
{
    for (ACCESS_MASK access : rights) {
        PRINTER_DEFAULTSW defaults{nullptr, nullptr, access};
        HANDLE printer = nullptr;
        if (OpenPrinterW(name, &printer, &defaults) && printer != nullptr) return printer;
    }
    return nullptr;
}

HANDLE OpenForCleanUp(LPWSTR name)
{
    return OpenWithRights(name, {PRINTER_ALL_ACCESS, SERVER_ALL_ACCESS, PRINTER_ACCESS_USE});
}

// Closes the printer when the work ends, whichever way it ends.
class PrinterHolder {
public:
    explicit PrinterHolder(HANDLE printer) : printer_(printer) {}
    ~PrinterHolder()
    {
        if (printer_ != nullptr) ClosePrinter(printer_);
    }
    PrinterHolder(const PrinterHolder&) = delete;
    PrinterHolder& operator=(const PrinterHolder&) = delete;
    HANDLE get() const { return printer_; }

private:
    HANDLE printer_;
};

// The spooler's identity for a scope: the client's comes back at its end.
class SpoolerIdentity {
public:
    SpoolerIdentity() : token_(RevertToSpooler()) {}
    ~SpoolerIdentity() { ImpersonateClient(token_); }
    SpoolerIdentity(const SpoolerIdentity&) = delete;
    SpoolerIdentity& operator=(const SpoolerIdentity&) = delete;

private:
    HANDLE token_;
};

// The settings mutex for a scope.
class SettingsMutexScope {
public:
    SettingsMutexScope() { LockSettingsMutex(nullptr); }
    ~SettingsMutexScope() { UnlockSettingsMutex(nullptr); }
    SettingsMutexScope(const SettingsMutexScope&) = delete;
    SettingsMutexScope& operator=(const SettingsMutexScope&) = delete;
};

void NotifyPlugin(DriverContext* context, const int* codes, std::size_t count)
{
    OpenJobInfoSession(context);
    for (std::size_t i = 0; i < count; ++i) NotifyJobInfoPlugin(context, codes[i]);
    CloseJobInfoSession(context);
}

}  // namespace

HANDLE RevertToSpooler()
{
    return RevertToPrinterSelf();
}

BOOL ImpersonateClient(HANDLE token)
{
    return token != nullptr ? ImpersonatePrinterClient(token) : FALSE;
}

BOOL HandlePrinterEvent(LPWSTR printerName, int event, DWORD, LPARAM)
{
    switch (event) {
    case PRINTER_EVENT_ADD_CONNECTION: {
        SpoolerIdentity spooler;
        return AddConnectionWork(printerName);
    }
    case PRINTER_EVENT_DELETE_CONNECTION: {
        SpoolerIdentity spooler;
        DeleteConnectionWork(printerName);
        return TRUE;
    }
    case PRINTER_EVENT_INITIALIZE:
        return InitializePrinterWork(printerName);
    case PRINTER_EVENT_DELETE:
        DeletePrinterWork(printerName);
        return TRUE;
    case PRINTER_EVENT_CACHE_REFRESH: {
        SpoolerIdentity spooler;
        return CacheRefreshWork(printerName);
    }
    default:
        return TRUE;
    }
}

BOOL AddConnectionWork(LPWSTR printerName)
{
    PrinterHolder printer(OpenWithRights(printerName, {PRINTER_ALL_ACCESS, PRINTER_READ}));
    if (printer.get() == nullptr) return FALSE;
    BOOL initialised = FALSE;
    {
        SharedIdentityScope shared;
        SettingsMutexScope mutex;
        initialised = InitializePrinterSettings(printer.get(), nullptr, kInitConnection);
    }
    const BOOL stamped = StampInstallTime(printer.get(), kInstallKindInitialised, kStampShared);
    return initialised && stamped;
}

BOOL DeleteConnectionWork(LPWSTR printerName)
{
    PrinterHolder printer(OpenForCleanUp(printerName));
    if (printer.get() == nullptr) return FALSE;
    ContextHolder context(CreateDriverContext(printer.get(), printer.get(), nullptr, kCallerPropertySheet),
                          kReleaseDestroy);
    if (!context) return TRUE;
    OpenJobInfoSession(context.get());
    SetItemString(context.get(), FindItem(context.get(), rdmUserCode), u"");
    WriteJobInfoItems(context.get(), kJobInfoUserCodeMask);
    for (int code : kNotifyConnectionGone) NotifyJobInfoPlugin(context.get(), code);
    CloseJobInfoSession(context.get());
    // A later connection of the same name is initialised again.
    const WCHAR* settingsIni = GetSettingsIniPath(context.get());
    const WCHAR* section = GetPrinterSectionName(context.get());
    WriteIniString(section, u"BatchInstallDone", u"0", settingsIni);
    WriteIniString(section, u"DrvInstVersion", u"", settingsIni);
    return TRUE;
}

BOOL InitializePrinterWork(LPWSTR printerName)
{
    PrinterHolder printer(OpenWithRights(printerName, {PRINTER_ALL_ACCESS}));
    if (printer.get() == nullptr) return FALSE;
    SpoolerIdentity spooler;
    SharedIdentityScope shared;
    if (ReadBatchInstallDoneData(printer.get())) return TRUE;
    // With install settings the printer is set up at its first conversion.
    if (IsNt5OrLater() && HasAnswerSection(printer.get())) return TRUE;
    BOOL initialised = FALSE;
    {
        SettingsMutexScope mutex;
        initialised = InitializePrinterSettings(printer.get(), nullptr, kInitPrinter);
    }
    SetSharedIdentityFlag(0);
    const BOOL stamped = StampInstallTime(printer.get(), kInstallKindInitialised, kStampShared);
    return initialised && stamped;
}

BOOL DeletePrinterWork(LPWSTR printerName)
{
    PrinterHolder printer(OpenForCleanUp(printerName));
    if (printer.get() == nullptr) return FALSE;
    ContextHolder context(CreateDriverContext(printer.get(), printer.get(), nullptr, kCallerPropertySheet),
                          kReleaseDestroy);
    if (context) NotifyPlugin(context.get(), kNotifyPrinterGone, std::size(kNotifyPrinterGone));
    return TRUE;
}

BOOL CacheRefreshWork(LPWSTR printerName)
{
    PrinterHolder printer(OpenForCleanUp(printerName));
    if (printer.get() == nullptr) return FALSE;
    RefreshCompanionFiles(printer.get());
    return TRUE;
}

BOOL UpgradePrinterData(DWORD level, LPBYTE info)
{
    const auto* upgrade = reinterpret_cast<const DRIVER_UPGRADE_INFO_1W*>(info);
    HANDLE opened = nullptr;
    if (level == 1 && upgrade != nullptr && upgrade->pPrinterName != nullptr)
        opened = OpenWithRights(upgrade->pPrinterName, {PRINTER_ALL_ACCESS});
    if (opened == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    PrinterHolder printer(opened);
    if (CheckPrinterUpgrade(printer.get()) != 1) return FALSE;
    ContextHolder context(CreateDriverContext(printer.get(), printer.get(), nullptr, kCallerPropertySheet),
                          kReleaseDestroy);
    if (!context) return FALSE;
    return WriteDriverFileNames(printer.get(), context.get());
}

}  // namespace vexl::ui
