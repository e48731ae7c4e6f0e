// Sheet apply: storing the accepted settings and the DEVMODE out.
#include "ui/sheets/sheet_apply.h"

#include "common/core/appservices.h"
#include "common/core/caller_devmode.h"
#include "common/core/devmode_public.h"
#include "common/core/item_ids.h"
#include "common/core/items.h"
#include "common/core/modeldb.h"
#include "common/core/paper_sync.h"
#include "common/core/store.h"
#include "common/storage/job_control.h"
#include "common/storage/persistence.h"
#include "platform/printui.h"
#include "ui/base/devmode_copy.h"
#include "ui/base/job_info.h"
#include "ui/base/job_ticket.h"
#include "ui/base/printer_values.h"
#include "ui/base/ui_context.h"
#include "ui/install/answer_file.h"
#include "ui/services/option_values.h"

#include <map>
#include <mutex>

namespace vexl::ui {
namespace {

// The sessions of the open sheets, by context. Sheets open and close on
// their own threads; the table is shared.
std::mutex g_sessionsLock;
std::map<const DriverContext*, SheetSession*>& Sessions()
{
    static std::map<const DriverContext*, SheetSession*> sessions;
    return sessions;
}

constexpr std::uint16_t kFeatureJobControl = 0;
constexpr std::uint32_t kJobMaskAuthentication = 8192;
constexpr std::uint32_t kJobMaskDocument = 6302;
constexpr std::uint32_t kJobMaskDocumentAll = 14494;
constexpr std::uint32_t kJobMaskRead = 1;
constexpr std::uint32_t kJobMaskApplied = 14495;
constexpr std::uint16_t kAuthenticationPage = kPageAdvanced;
constexpr std::uint16_t kNetworkKeyControl = 2988;
constexpr int kSyncDevice = 3;
constexpr int kSyncDocument = 4;
// The install-default refresh runs as for a printer being initialised.
constexpr int kInstallDefaultsPrinter = 1;

DEVMODEW* StoreDevmode(DriverContext* context)
{
    return reinterpret_cast<DEVMODEW*>(GetStoreBytes(context));
}

void EmptyText(DriverContext* context, std::uint16_t itemId)
{
    if (SettingItemDescriptor* item = FindItem(context, itemId)) SetItemString(context, item, u"");
}

// The authentication values go to the job-control plug-in; a network key
// that is not filled is sent empty and cleared on the page.
void SaveAuthentication(DriverContext* context)
{
    OpenJobInfoSession(context);
    if (GetFilledAuthenticationFields(context, kAuthNetworkKey) & kAuthNetworkKey) {
        WriteJobInfoItems(context, kJobMaskAuthentication);
    } else {
        EmptyText(context, wdmAuthenticationNetworkKey);
        WriteJobInfoItems(context, kJobMaskAuthentication);
        if (context->workArea != nullptr) context->workArea->scratchText[0] = 0;
        PageDesc* page = FindPage(context, kAuthenticationPage);
        if (page != nullptr) {
            if (const PageItem* control = FindPageControl(context, page, kNetworkKeyControl);
                control != nullptr && control->item != nullptr)
                EmptyText(context, control->item->id);
        }
        if (GetItemValue(context, rdmPrnFuncAuthenticationMode) == 0)
            SetItemValue(context, rdmPrnFuncAuthenticationSecureMode, 0);
    }
    CloseJobInfoSession(context);
}

// The collate fields of dm: kept as copied when the caller asked for
// collation on a system or in a mode that keeps it; otherwise set from the
// sort setting, or cleared without collation.
void ApplyCollateRule(DriverContext* context, const DEVMODEW* input, DEVMODEW* dm)
{
    const bool available = IsCollateAvailable(context) != FALSE;
    const bool asked = (CallerDevmode(input).Fields() & DM_COLLATE) != 0;
    if (available && asked && (IsWindows2000BeforeSp4() || GetDefaultsModeFlag(context) != 1)) return;
    if (available) {
        dm->dmFields |= DM_COLLATE;
        dm->dmCollate = GetItemValue(context, rdmFuncSelectSort) != 0 ? 1 : 0;
    } else {
        dm->dmFields &= ~DM_COLLATE;
        dm->dmCollate = 0;
    }
}

}  // namespace

void AttachSheetSession(DriverContext* context, SheetSession* session)
{
    std::lock_guard guard(g_sessionsLock);
    if (session == nullptr) {
        Sessions().erase(context);
    } else {
        Sessions()[context] = session;
    }
}

SheetSession* FindSheetSession(DriverContext* context)
{
    std::lock_guard guard(g_sessionsLock);
    const auto found = Sessions().find(context);
    return found != Sessions().end() ? found->second : nullptr;
}

BOOL ApplyDeviceSettings(DriverContext* context)
{
    if (context == nullptr || context->workArea == nullptr) return FALSE;
    const std::uint32_t uiModeChange = GetUiModeChangeFlag(context);
    context->workArea->applyInProgress = 1;
    const BOOL saved = SaveSheetSettings(context);
    // Cancel now returns to the applied state.
    FreeSavedCopyBuffers(context);
    SaveSettingsCopy(context);
    GetJobControlValuesIfOn(context, kJobMaskApplied);
    SetUiModeChangeFlag(context, static_cast<std::uint8_t>(uiModeChange));

    const SheetSession* session = FindSheetSession(context);
    if (session != nullptr && session->callback != nullptr) {
        if (session->kind == kDeviceSheet) {
            PRINTER_INFO_7W info{nullptr, DSPRINT_UPDATE};
            SetPrinterW(context->printer, 7, reinterpret_cast<LPBYTE>(&info), 0);
            session->callback(session->sheet, CPSFUNC_SET_RESULT, 0, CPSUI_OK);
        } else if (session->mode & (DM_UPDATE | DM_COPY)) {
            session->callback(session->sheet, CPSFUNC_SET_RESULT, 0, CPSUI_OK);
        }
    }
    return saved;
}

BOOL SaveSheetSettings(DriverContext* context)
{
    const SheetSession* session = FindSheetSession(context);
    if (context == nullptr || session == nullptr) return FALSE;
    if (session->kind == kDeviceSheet) {
        if (IsFeatureClassOn(context, kFeatureJobControl, 0)) SaveAuthentication(context);
        // The model's install defaults are refreshed as for a printer being
        // initialised, then the device sheet stores its own items.
        ApplyModelDefaultSettings(0, kInstallDefaultsPrinter, context);
        return SaveDeviceSheetItems(context, kSyncDevice);
    }
    if (session->kind == kDocumentSheet) {
        OpenJobInfoSession(context);
        WriteJobInfoItems(context,
                          IsFeatureClassOn(context, kFeatureJobControl, 0) ? kJobMaskDocument : kJobMaskDocumentAll);
        RequestReadJobInfoItems(context, kJobMaskRead);
        CloseJobInfoSession(context);
        return SaveDocumentSheetItems(context, kSyncDocument);
    }
    return FALSE;
}

BOOL SaveDeviceSheetItems(DriverContext* context, int syncKind)
{
    if (context == nullptr) return FALSE;
    SyncDevmodeAfterLoad(StoreDevmode(context), context, syncKind);
    return StoreFontListsIfChanged(context->printer, context);
}

BOOL SaveDocumentSheetItems(DriverContext* context, int syncKind)
{
    if (context == nullptr) return FALSE;
    SyncDevmodeAfterLoad(StoreDevmode(context), context, syncKind);
    WriteDocumentDevmodeOut(context);
    return StoreRegularItems(context->printer, context);
}

BOOL WriteDocumentDevmodeOut(DriverContext* context)
{
    if (context == nullptr || context->workArea == nullptr) return FALSE;
    const SheetSession* session = FindSheetSession(context);
    const DWORD mode = session != nullptr ? session->mode : 0;
    const DEVMODEW* input = session != nullptr ? session->input : nullptr;
    DEVMODEW* output = session != nullptr ? session->output : nullptr;
    const bool withoutSheet = (context->workArea->callerKind & kCallerDocumentProperties) != 0;
    if (!(mode & (DM_UPDATE | DM_COPY))) return TRUE;

    DEVMODEW* store = StoreDevmode(context);
    if (mode & DM_COPY) {
        // A DEVMODE handed back carries fresh capabilities and no ticket:
        // the ticket was consumed when it came in.
        BuildJobTicketCaps(context);
        GetJobControlValuesIfOn(context, kJobMaskApplied);
    }
    if ((mode & DM_COPY) || withoutSheet) {
        if (output == nullptr) return TRUE;
        CopyDevmodeToCaller(store, input, output);
        ApplyCollateRule(context, input, output);
        return TRUE;
    }
    if (output != nullptr) CopyDevmodeToCaller(store, input, output);
    ApplyCollateRule(context, input, store);
    return TRUE;
}

}  // namespace vexl::ui
