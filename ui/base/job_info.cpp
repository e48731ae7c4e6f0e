// The interface library's client of the job-control plug-in.
#include "ui/base/job_info.h"

#include "common/core/items.h"
#include "common/core/languages.h"
#include "common/core/modeldb.h"
#include "common/core/printer.h"
#include "common/storage/ini.h"
#include "common/storage/job_control.h"
#include "platform/spooler.h"
#include "platform/text.h"
#include "ui/base/printer_values.h"

namespace vexl::ui {
namespace {

constexpr JobInfoRow kJobInfoRows[] = {
    {1, 0x1, rdmUserCode},
    {2, 0x2, rdmOwnerName},
    {3, 0x4, rdmJOBPassword},
    {4, 0x8, rdmUserID},
    {5, 0x10, rdmDocumentName},
    {6, 0x20, rdmTelNo},
    {7, 0x40, rdmTelLine},
    {8, 0x80, rdmStoredPassword},
    {256, 0x100, 0},
    {257, 0x200, 0},
    {258, 0x400, 0},
    {9, 0x800, wdmAuthenticationUserName},
    {10, 0x1000, wdmAuthenticationPassword},
    {11, 0x2000, wdmAuthenticationNetworkKey},
};

constexpr int kJobControlOpened = 0;
constexpr int kUserCodeChars = 9;

// The job-control build switch: always on.
bool IsJobControlEnabled()
{
    return true;
}

bool HasConnection(DriverContext* context)
{
    const JobControlBinding& binding = context->workArea->jobControl;
    return binding.iface != nullptr && binding.connection != nullptr;
}

// A one-byte printer-data value; FALSE when it cannot be read.
BOOL ReadPrinterByte(HANDLE printer, const WCHAR* name, BYTE* out)
{
    WCHAR valueName[32] = {};
    lstrcpynW(valueName, name, 32);
    DWORD type = 0;
    DWORD needed = 0;
    *out = 0;
    return GetPrinterDataW(printer, valueName, &type, out, 1, &needed) == ERROR_SUCCESS;
}

}  // namespace

const JobInfoRow* GetJobInfoTable(int* count)
{
    if (count != nullptr) *count = static_cast<int>(std::size(kJobInfoRows));
    return kJobInfoRows;
}

void RegisterJobControlPrinter(DriverContext* context)
{
    if (IsJobControlEnabled()) JobControlRequest(context, kJobControlOpenPrinter, 0);
}
void OpenJobInfoSession(DriverContext* context)
{
    if (IsJobControlEnabled()) JobControlRequest(context, kJobControlOpenKept, 0);
}
void CloseJobInfoSession(DriverContext* context)
{
    if (IsJobControlEnabled()) JobControlRequest(context, kJobControlCloseKept, 0);
}
void RequestReadJobInfoItems(DriverContext* context, std::uint32_t mask)
{
    if (IsJobControlEnabled()) JobControlRequest(context, kJobControlReadValues, mask);
}
void WriteJobInfoItems(DriverContext* context, std::uint32_t mask)
{
    if (IsJobControlEnabled()) JobControlRequest(context, kJobControlWriteValues, mask);
}
void ClearJobInfoItems(DriverContext* context, std::uint32_t mask)
{
    if (IsJobControlEnabled()) JobControlRequest(context, kJobControlClearValues, mask);
}

int NotifyJobInfoPlugin(DriverContext* context, int code)
{
    if (!IsJobControlEnabled() || context == nullptr || !HasConnection(context)) return 0;
    const JobControlBinding& binding = context->workArea->jobControl;
    if (binding.iface->notify == nullptr) return 0;
    return binding.iface->notify(binding.connection, static_cast<DWORD>(code));
}

void SendJobInfoLocale(DriverContext* context)
{
    if (!IsJobControlEnabled() || context == nullptr || !HasConnection(context)) return;
    const JobControlBinding& binding = context->workArea->jobControl;
    if (binding.iface->setLocale == nullptr) return;
    std::uint16_t sublanguage = 0;
    const auto language = static_cast<std::uint8_t>(GetItemValue(context, rdmLanguageID));
    const std::uint8_t primary = GetLanguageLangId(language, &sublanguage);
    JobControlLocaleRecord record{};
    record.size = sizeof record;
    record.primaryLanguage = primary;
    record.langId = static_cast<std::uint16_t>(sublanguage << 10 | primary);
    binding.iface->setLocale(binding.connection, kJobControlLocaleKind, &record);
}

int LoadJobInfoItemsFromPrinterData(DriverContext* context, std::uint32_t mask)
{
    if (!IsJobControlEnabled() || context == nullptr) return 0;
    for (const JobInfoRow& row : kJobInfoRows) {
        if ((mask & row.maskBit) && row.item != 0)
            LoadSettingFromPrinterData(context->printer, context, FindItem(context, row.item));
    }
    return 0;
}

int StoreJobInfoItems(DriverContext* context, std::uint32_t mask)
{
    if (!IsJobControlEnabled() || context == nullptr) return 0;
    for (const JobInfoRow& row : kJobInfoRows) {
        if ((mask & row.maskBit) && row.item != 0)
            StoreSettingToPrinterData(context->printer, context, FindItem(context, row.item));
    }
    return 0;
}

void EmptyJobInfoSettings(DriverContext* context, std::uint32_t mask)
{
    if (!IsJobControlEnabled() || context == nullptr) return;
    for (const JobInfoRow& row : kJobInfoRows) {
        if (mask & row.maskBit) ClearJobControlValue(context, row.id);
    }
}

BOOL ProbeJobControlConnection(DriverContext* context)
{
    if (!IsJobControlEnabled() || context == nullptr) return FALSE;
    JobControlBinding& binding = context->workArea->jobControl;
    if (BindJobControlPlugin(&binding, context) != 0) return FALSE;
    BOOL open = FALSE;
    if (binding.connection != nullptr) {
        open = TRUE;
    } else if (binding.iface != nullptr && binding.iface->openSession != nullptr) {
        WCHAR section[261] = {};
        lstrcpynW(section, context->workArea->printerName, 261);
        if (binding.iface->openSession(section, &binding.connection) == kJobControlOpened) {
            open = TRUE;
            CloseJobControlSession(context);
        }
        binding.connection = nullptr;
    }
    UnbindJobControlPlugin(&binding, context);
    return open;
}

BOOL ReadServerUserCode(DriverContext* context)
{
    if (context == nullptr || IsPrinterConnection(context)) return FALSE;
    BYTE serverUse = 0;
    if (ReadPrinterByte(context->printer, u"ServerUse", &serverUse) && serverUse != 0) {
        BYTE use = 0;
        ReadPrinterByte(context->printer, u"UserCodeUse", &use);
        SetItemValue(context, rdmLogCodeUse, use);
        char code[kUserCodeChars + 1] = {};
        WCHAR name[] = u"UserCode";
        DWORD type = 0;
        DWORD needed = 0;
        GetPrinterDataW(context->printer, name, &type, reinterpret_cast<BYTE*>(code), kUserCodeChars, &needed);
        WCHAR text[kUserCodeChars + 1] = {};
        MultiByteToWideChar(CP_ACP, 0, code, -1, text, kUserCodeChars + 1);
        text[kUserCodeChars] = 0;
        SetItemString(context, FindItem(context, rdmLogCode), text);
        return TRUE;
    }
    return LoadUserCodeUnlessServer(context);
}

int LoadUserCodeFromPrinterData(DriverContext* context)
{
    if (context == nullptr) return 1;
    if (ReadServerUserCode(context) && GetItemValue(context, rdmLogCodeUse) != 0) {
        WCHAR code[kUserCodeChars + 1] = {};
        GetItemString(context, FindItem(context, rdmLogCode), code, kUserCodeChars + 1);
        code[kUserCodeChars] = 0;
        if (code[0] != 0) {
            SetItemString(context, FindItem(context, rdmUserCode), code);
            SetJobControlValuesIfOn(context, kJobInfoUserCodeMask);
        }
    }
    return 1;
}

void SyncJobControlAtInstall(DriverContext* context)
{
    if (!IsJobControlEnabled() || context == nullptr) return;
    if (!ProbeJobControlConnection(context)) {
        RegisterJobControlPrinter(context);
        LoadUserCodeFromPrinterData(context);
    }
    SetJobControlValuesIfOn(context, kJobInfoDriverMask);
}

}  // namespace vexl::ui
