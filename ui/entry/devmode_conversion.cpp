// DEVMODE conversion and the job check.
#include "ui/entry/devmode_conversion.h"

#include "common/core/caller_devmode.h"
#include "common/core/devmode_merge.h"
#include "common/core/devmode_public.h"
#include "common/core/items.h"
#include "common/core/memory.h"
#include "common/core/modeldb.h"
#include "common/core/printer.h"
#include "common/core/process.h"
#include "common/core/store.h"
#include "common/core/units.h"
#include "common/model/ui_lookup.h"
#include "common/storage/devmode_settings_merge.h"
#include "common/storage/directories.h"
#include "common/storage/ini_lists.h"
#include "common/storage/persistence.h"
#include "ui/base/job_info.h"
#include "ui/base/library_state.h"
#include "ui/base/ui_context.h"
#include "ui/install/install_work.h"
#include "ui/install/upgrade_check.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace vexl::ui {
namespace {

constexpr std::uint16_t kCreateInstall = 0x300;
constexpr std::uint16_t kInstallKindFirst = 1;
constexpr std::uint16_t kInstallKindUpgrade = 2;
constexpr std::uint16_t kInstallKindAnswerFile = 3;
constexpr int kInitIncompatible = kInitPrinter;
constexpr int kInitAnswerFile = kInitInstallSettings;
constexpr std::uint16_t kCustomFunctionItem = 1462;
constexpr std::uint32_t kStoreCustomFunctions = 0x80000004;
constexpr LONG kFormTolerance = 1000;  // thousandths of a millimetre
constexpr std::size_t kFormNameEnd = offsetof(DEVMODEW, dmFormName) + sizeof(DEVMODEW::dmFormName);
constexpr std::size_t kPaperWidthEnd = offsetof(DEVMODEW, dmPaperWidth) + sizeof(SHORT);

std::uint16_t Field16(const DEVMODEW* devmode, std::size_t offset)
{
    return GetDevmodeField16(devmode, offset);
}

std::uint32_t TotalSize(const DEVMODEW* devmode)
{
    return std::uint32_t(Field16(devmode, offsetof(DEVMODEW, dmSize))) +
           Field16(devmode, offsetof(DEVMODEW, dmDriverExtra));
}

// A target whose header lies inside the caller's buffer of size bytes and
// whose declared record (dmSize + dmDriverExtra) fits it.
bool FitsItsBuffer(const DEVMODEW* target, LONG size)
{
    if (size < LONG(CallerDevmode::kHeaderEnd)) return false;
    const CallerDevmode reader(target, static_cast<std::size_t>(size));
    return std::uint32_t(reader.DeclaredPublicSize()) + reader.DeclaredDriverExtra() <= std::uint32_t(size);
}

HANDLE OpenByName(LPWSTR name, ACCESS_MASK access)
{
    PRINTER_DEFAULTSW defaults{nullptr, nullptr, access};
    HANDLE printer = nullptr;
    return OpenPrinterW(name, &printer, &defaults) ? printer : nullptr;
}

// Printer data "BatchInstallDone" is set.
bool IsBatchInstallDone(HANDLE printer)
{
    WCHAR name[] = u"BatchInstallDone";
    BYTE bytes[4] = {};
    DWORD type = 0;
    DWORD needed = 0;
    if (GetPrinterDataW(printer, name, &type, bytes, sizeof bytes, &needed) != ERROR_SUCCESS) return false;
    return bytes[0] != 0 || bytes[1] != 0 || bytes[2] != 0 || bytes[3] != 0;
}

bool HasStoredDevmode(HANDLE printer)
{
    auto* info = static_cast<PRINTER_INFO_2W*>(GetPrinterInfo(printer, 2));
    const bool has = info != nullptr && info->pDevMode != nullptr;
    FreeIfNotNull(info);
    return has;
}

// The store's DEVMODE into out, in out's own layout (its header sizes, which
// the caller's *size covers).
void CopyStoreToOut(DriverContext* context, DEVMODEW* out)
{
    if (out == nullptr) return;
    CopyDevmodeForConversion(reinterpret_cast<const DEVMODEW*>(GetStoreBytes(context)), out);
}

// out into the store: whole when it is the driver's current DEVMODE;
// otherwise its public fields as far as its layout reaches, the store
// keeping its own header words and private part.
void CopyOutToStore(DriverContext* context, const DEVMODEW* out)
{
    if (out == nullptr) return;
    std::uint8_t* store = GetStoreBytes(context);
    if (TotalSize(out) == GetDevmodeSize() && IsDevmodeCurrent(out)) {
        std::memcpy(store, out, GetDevmodeSize());
        SetStoreAreaOffsets(store);
        return;
    }
    auto* storeDevmode = reinterpret_cast<DEVMODEW*>(store);
    constexpr std::size_t kHeaderWords[] = {offsetof(DEVMODEW, dmSpecVersion), offsetof(DEVMODEW, dmDriverVersion),
                                            offsetof(DEVMODEW, dmSize), offsetof(DEVMODEW, dmDriverExtra)};
    std::uint16_t kept[std::size(kHeaderWords)];
    for (std::size_t i = 0; i < std::size(kHeaderWords); ++i) kept[i] = Field16(storeDevmode, kHeaderWords[i]);
    const std::size_t reach = std::min<std::size_t>(Field16(out, offsetof(DEVMODEW, dmSize)), GetPublicDevmodeSize());
    std::memcpy(store, out, reach);
    for (std::size_t i = 0; i < std::size(kHeaderWords); ++i) SetDevmodeField16(storeDevmode, kHeaderWords[i], kept[i]);
}

void SetCustomFunctionDefault(DriverContext* context)
{
    SetItemValue(context, kCustomFunctionItem, GetUiDefaultValue(kCustomFunctionItem, context));
}

// The driver default after the core found room: the printer's install work
// and the default DEVMODE into out.
int RunDriverDefault(LPWSTR printerName, DEVMODEW* out)
{
    const bool connection = IsConnectionByName(printerName);
    HANDLE printer = OpenByName(printerName, PRINTER_ALL_ACCESS);
    if (printer == nullptr && connection) printer = OpenByName(printerName, PRINTER_READ);
    if (printer == nullptr) return kConvertFailed;
    int result = kConvertFailed;
    {
        SharedIdentityScope shared;
        if (IsBatchInstallDone(printer) && HasStoredDevmode(printer)) {
            if (connection) {
                ClosePrinter(printer);
                printer = OpenByName(printerName, PRINTER_READ);
                if (printer == nullptr) return kConvertFailed;
            }
            ContextHolder context(
                CreateDriverContextWithFlags(printer, printer, nullptr, kCreateInstall, kCallerPropertySheet),
                kReleaseDestroy);
            if (context) {
                SetModelDefaults(context.get());
                std::memcpy(out, GetStoreBytes(context.get()), GetDevmodeSize());
                result = kConvertDone;
            }
            ClosePrinter(printer);
            return result;
        }
        LockSettingsMutex(nullptr);
        const BOOL initialised = InitializePrinterSettings(printer, out, kInitFirstInstall);
        UnlockSettingsMutex(nullptr);
        if (!initialised) {
            ClosePrinter(printer);
            return kConvertFailed;
        }
    }
    // The per-user copy is stamped for a client's printer, the shared one
    // (with the first installation) otherwise.
    const std::u16string name = printerName ? printerName : u"";
    const std::uint16_t where = name.find(u"\\Client") != std::u16string::npos ? kStampShared : kStampFirstInstall;
    result = StampInstallTime(printer, kInstallKindFirst, where) ? kConvertDone : kConvertFailed;
    ClosePrinter(printer);
    return result;
}

// The conversion of an older or foreign DEVMODE after the core converted it:
// the printer's settings are upgraded with it.
int RunConvertUpgrade(LPWSTR printerName, const DEVMODEW* in, DEVMODEW* out)
{
    const int state = GetDevmodeVersionState(in);
    HANDLE printer = OpenByName(printerName, IsConnectionByName(printerName) ? PRINTER_READ : PRINTER_ALL_ACCESS);
    if (printer == nullptr) return kConvertFailed;
    WCHAR sharedIni[MAX_PATH] = {};
    if (GetSettingsIniPathForPrinter(sharedIni, 0, printer) && sharedIni[0] != 0 && !FileExists(sharedIni)) {
        // Nothing installed yet: nothing to upgrade.
        ClosePrinter(printer);
        return kConvertDone;
    }
    int result = kConvertDone;
    std::uint16_t kind = kInstallKindUpgrade;
    {
        SharedIdentityScope shared;
        ContextHolder holder(
            CreateDriverContextWithFlags(printer, printer, nullptr, kCreateInstall, kCallerPropertySheet),
            kReleaseDestroy);
        DriverContext* context = holder.get();
        if (context == nullptr) {
            ClosePrinter(printer);
            return kConvertFailed;
        }
        // The upgrade writes printer data and the shared INI: under the
        // settings mutex, which the context itself does not take.
        LockSettingsMutex(nullptr);
        SyncJobControlAtInstall(context);
        const WCHAR* section = GetPrinterSectionName(context);
        if (HasAnswerWorkForSection(section) || HasModelIniAnswerWork(section, printer)) {
            if (!InitializePrinterSettings(printer, out, kInitAnswerFile)) result = kConvertFailed;
            kind = kInstallKindAnswerFile;
        } else if (state == kVersionStateUpgrade) {
            CheckModelRegistration(context);
            CopyOutToStore(context, out);
            InstallModelFiles(context, 0x1000);
            PrepareModuleData(context);
            SetCustomFunctionDefault(context);
            StoreItemsPass(printer, context, 2, kStoreCustomFunctions);
            UpgradePrivateDevmode(in, context);
            ReadPrintNotificationSupport(context, 1);
            MergeDevmodeSettings(context, nullptr, kMergeConvertDevmode);
            UpgradeUserLists(printer, context);
            CopyStoreToOut(context, out);
            SyncSettingsIniWithModel(context->printer, TRUE, context);
            SecureDataFolder(context);
            if (IsAnyLockSet(context) && IsDefaultLocked(context)) RefreshDefaultSection(context);
        } else if (state == kVersionStateForeign) {
            if (!InitializePrinterSettings(printer, out, kInitIncompatible)) {
                result = kConvertFailed;
            } else if (out != nullptr) {
                SetModelDefaults(context);
                ReadPrintNotificationSupport(context, 0);
                CopyStoreToOut(context, out);
            }
            kind = kInstallKindFirst;
        } else {
            CheckModelRegistration(context);
            InstallModelFiles(context, 0x1000);
            SyncSettingsIniWithModel(context->printer, TRUE, context);
            SetCustomFunctionDefault(context);
            StoreItemsPass(printer, context, 2, kStoreCustomFunctions);
            SecureDataFolder(context);
        }
        UnlockSettingsMutex(nullptr);
    }
    if (!StampInstallTime(printer, kind, kStampShared)) result = kConvertFailed;
    ClosePrinter(printer);
    return result;
}

bool Near(LONG a, LONG b)
{
    return a - b <= kFormTolerance && b - a <= kFormTolerance;
}

void TakeForm(const FORM_INFO_1W& form, MatchedForm* out)
{
    out->flags = form.Flags;
    out->size = form.Size;
    out->imageableArea = form.ImageableArea;
    lstrcpynW(out->name, form.pName ? form.pName : u"", static_cast<int>(std::size(out->name)));
}

// The job DEVMODE takes the matched form, as far as its public part reaches.
void NormaliseJob(DEVMODEW* job, const FORM_INFO_1W& form, std::uint32_t position)
{
    const std::size_t reach = Field16(job, offsetof(DEVMODEW, dmSize));
    if (reach >= kPaperWidthEnd) {
        SetDevmodeField16(job, offsetof(DEVMODEW, dmPaperWidth), static_cast<std::uint16_t>(form.Size.cx / 100));
        SetDevmodeField16(job, offsetof(DEVMODEW, dmPaperLength), static_cast<std::uint16_t>(form.Size.cy / 100));
        SetDevmodeField16(job, offsetof(DEVMODEW, dmPaperSize), static_cast<std::uint16_t>(position + 1));
    }
    if (reach >= kFormNameEnd) {
        SetDevmodeFields(job, GetDevmodeFields(job) | DM_FORMNAME);
        WCHAR name[CCHFORMNAME] = {};
        lstrcpynW(name, form.pName ? form.pName : u"", CCHFORMNAME);
        std::memcpy(reinterpret_cast<std::uint8_t*>(job) + offsetof(DEVMODEW, dmFormName), name, sizeof name);
    }
}

}  // namespace

int ConvertDevmodeCore(LPWSTR, const DEVMODEW* in, DEVMODEW* out, LONG* size, DWORD mode)
{
    if (size == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return kConvertFailed;
    }
    const LONG privateSize = static_cast<LONG>(GetPrivateDevmodeSize());
    switch (mode) {
    case CDM_CONVERT:
        if (out != nullptr && in != nullptr && FitsItsBuffer(out, *size) && CopyDevmodeForConversion(in, out) > 0) {
            *size = LONG(TotalSize(out));
            return kConvertDone;
        }
        SetLastError(ERROR_INVALID_PARAMETER);
        return kConvertFailed;
    case CDM_CONVERT351: {
        const LONG need = privateSize + kPublicSize351;
        if (out == nullptr || *size < need) {
            *size = need;
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return kConvertFailed;
        }
        SetDevmodeField16(out, offsetof(DEVMODEW, dmSpecVersion), kSpecVersion351);
        SetDevmodeField16(out, offsetof(DEVMODEW, dmSize), kPublicSize351);
        SetDevmodeField16(out, offsetof(DEVMODEW, dmDriverVersion), kDriverVersion351);
        SetDevmodeField16(out, offsetof(DEVMODEW, dmDriverExtra), static_cast<std::uint16_t>(privateSize));
        if (in != nullptr && CopyDevmodeForConversion(in, out) > 0) {
            *size = need;
            return kConvertDone;
        }
        SetLastError(ERROR_INVALID_PARAMETER);
        return kConvertFailed;
    }
    case CDM_DRIVER_DEFAULT: {
        const LONG need = privateSize + LONG(GetPublicDevmodeSize());
        if (out == nullptr || *size < need) {
            *size = need;
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return kConvertFailed;
        }
        *size = need;
        return kConvertContinue;
    }
    default:
        return kConvertContinue;
    }
}

BOOL ConvertDriverDevmode(LPWSTR printerName, const DEVMODEW* in, DEVMODEW* out, LONG* size, DWORD mode)
{
    int result = ConvertDevmodeCore(printerName, in, out, size, mode);
    if (mode == CDM_DRIVER_DEFAULT && result == kConvertContinue)
        result = RunDriverDefault(printerName, out);
    else if (mode == CDM_CONVERT && result == kConvertDone)
        result = RunConvertUpgrade(printerName, in, out);
    SetSharedIdentityFlag(0);
    return result == kConvertDone;
}

BOOL IsConnectionByName(const WCHAR* printerName)
{
    if (printerName == nullptr) return FALSE;
    std::u16string name = printerName;
    HANDLE printer = OpenByName(name.data(), PRINTER_READ);
    if (printer == nullptr) return FALSE;
    const BOOL connection = IsNetworkPrinter(printer);
    ClosePrinter(printer);
    return connection;
}

BOOL CheckJobDevmode(DEVQUERYPRINT_INFO* info)
{
    if (info == nullptr) return FALSE;
    if (info->pDevMode == nullptr) return TRUE;
    HANDLE printer = info->hPrinter;
    if (!CheckPrinterUpgrade(printer)) return TRUE;
    ContextHolder context(CreateDriverContext(printer, printer, nullptr, kCallerPropertySheet), kReleaseToGeneralCache);
    if (!context) return FALSE;
    if (!MergeDevmodeSettings(context.get(), info->pDevMode, kMergeQueryPrint)) return FALSE;
    MatchedForm form;
    MatchDevmodeForm(printer, info->pDevMode, &form);
    return TRUE;
}

int MatchDevmodeForm(HANDLE printer, DEVMODEW* job, MatchedForm* out)
{
    if (job == nullptr || out == nullptr) return kFormNone;
    std::uint32_t count = 0;
    FORM_INFO_1W* forms = EnumPrinterForms(printer, &count);
    if (forms == nullptr || count == 0) {
        FreeIfNotNull(forms);
        return kFormNone;
    }
    // The job's fields as far as its public record reaches; a field past
    // its dmSize is absent.
    const CallerDevmode reader(job);
    const std::uint32_t fields = reader.Fields();
    const std::int32_t width = reader.Short(offsetof(DEVMODEW, dmPaperWidth)).value_or(0);
    const std::int32_t length = reader.Short(offsetof(DEVMODEW, dmPaperLength)).value_or(0);
    const std::int32_t paper = reader.Short(offsetof(DEVMODEW, dmPaperSize)).value_or(0);
    WCHAR name[CCHFORMNAME] = {};
    const bool named = (fields & DM_FORMNAME) && reader.FormName(name);
    std::int64_t found = -1;
    int result = kFormNone;
    if ((fields & DM_PAPERWIDTH) && (fields & DM_PAPERLENGTH) && width > 0 && length > 0) {
        const LONG w = LONG(width) * 100;
        const LONG l = LONG(length) * 100;
        for (std::uint32_t i = 0; i < count && found < 0; ++i) {
            if (Near(forms[i].Size.cx, w) && Near(forms[i].Size.cy, l)) found = i;
        }
        if (found < 0) {
            *out = MatchedForm{};
            out->size = {w, l};
            out->imageableArea = {0, 0, w, l};
            result = kFormCustom;
        }
    } else if (fields & DM_PAPERSIZE) {
        if (paper >= 1 && std::uint32_t(paper) <= count) found = paper - 1;
    } else if (named) {
        for (std::uint32_t i = 0; i < count && found < 0; ++i) {
            if (forms[i].pName != nullptr && lstrcmpW(forms[i].pName, name) == 0) found = i;
        }
    }
    if (found >= 0) {
        TakeForm(forms[found], out);
        NormaliseJob(job, forms[found], static_cast<std::uint32_t>(found));
        result = kFormMatched;
    }
    FreeIfNotNull(forms);
    return result;
}

FORM_INFO_1W* EnumPrinterForms(HANDLE printer, std::uint32_t* count)
{
    if (count != nullptr) *count = 0;
    DWORD needed = 0;
    DWORD returned = 0;
    EnumFormsW(printer, 1, nullptr, 0, &needed, &returned);
    if (needed == 0) return nullptr;
    auto* forms = static_cast<FORM_INFO_1W*>(AllocZeroed(needed));
    if (forms == nullptr) return nullptr;
    if (!EnumFormsW(printer, 1, reinterpret_cast<LPBYTE>(forms), needed, &needed, &returned)) {
        FreeIfNotNull(forms);
        return nullptr;
    }
    if (count != nullptr) *count = returned;
    return forms;
}

}  // namespace vexl::ui
