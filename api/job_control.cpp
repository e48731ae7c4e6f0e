#include "api/job_control.h"

#include "common/core/items.h"
#include "common/core/memory.h"
#include "common/core/modeldb.h"
#include "common/core/osinfo.h"
#include "common/core/printer.h"
#include "common/core/switches.h"
#include "common/core/textconv.h"
#include "common/storage/job_control.h"
#include "common/storage/job_control_library.h"
#include "platform/modules.h"

#include <limits>
#include <vector>

namespace vexl::api {

namespace {

constexpr JobControlSlot kJobControlSlots[] = {
    {0x1, kJobValueUserCode, rdmUserCode, 9, true, true, false},
    {0x2, kJobValueOwnerName, rdmOwnerName, 17, true, true, false},
    {0x4, kJobValueJobPassword, rdmJOBPassword, 9, true, true, false},
    {0x8, kJobValueUserId, rdmUserID, 9, true, true, false},
    {0x10, kJobValueDocumentName, rdmDocumentName, 17, true, true, false},
    {0x20, kJobValueTelNo, rdmTelNo, 65, true, false, false},
    {0x40, kJobValueTelLine, rdmTelLine, 9, true, false, true},
    {0x80, kJobValueStoredPassword, rdmStoredPassword, 9, true, true, false},
    {0x800, kJobValueAuthUserName, wdmAuthenticationUserName, 129, true, true, false},
    {0x1000, kJobValueAuthPassword, wdmAuthenticationPassword, 0, false, true, false},
    {0x2000, kJobValueAuthNetworkKey, wdmAuthenticationNetworkKey, 0, false, true, false},
};

// The longest text the plug-in hands back for a slot (the telephone number).
constexpr int kReadBufferChars = 130;

std::uint32_t ParseDecimal(const char* text)
{
    std::uint32_t number = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        const auto digit = static_cast<std::uint32_t>(*text - '0');
        if (number > (std::numeric_limits<std::uint32_t>::max() - digit) / 10) break;
        number = number * 10 + digit;
    }
    return number;
}

// One slot of the printer through the plug-in, stored into its item as an
// ANSI text of at most the slot's text size (or as a number).
void LoadSlotFromPlugin(DriverContext* instance, const JobControlSlot& slot)
{
    WCHAR text[kReadBufferChars] = {};
    // A slot the plug-in holds no value for reads as empty and changes
    // nothing, as on the connection road of Windows NT.
    if (!ReadJobControlValueForPrinter(instance->printer, slot.valueSlot, kJobControlKindText, text) || text[0] == 0)
        return;
    char ansi[kReadBufferChars * 2] = {};
    WideToAnsi(ansi, text, slot.textSize);
    if (slot.numeric) {
        SetItemValue(instance, slot.item, ParseDecimal(ansi));
        return;
    }
    SettingItemDescriptor* item = FindItem(instance, slot.item);
    if (item == nullptr) return;
    WCHAR cut[kReadBufferChars] = {};
    AnsiToWide(cut, ansi, kReadBufferChars);
    SetItemString(instance, item, cut);
}

bool IsSingleBit(std::uint32_t mask)
{
    return mask != 0 && (mask & (mask - 1)) == 0;
}

}  // namespace

std::span<const JobControlSlot> JobControlSlots()
{
    return kJobControlSlots;
}

void LoadJobControlValues(DriverContext* instance, std::uint32_t mask)
{
    if (instance == nullptr || !IsJobControlEnabled()) return;
    if (!IsWin9x()) {
        GetJobControlValuesIfOn(instance, mask);
        return;
    }
    for (const JobControlSlot& slot : kJobControlSlots) {
        if (slot.readable && (mask & slot.maskBit) != 0) LoadSlotFromPlugin(instance, slot);
    }
}

void StoreJobControlValue(DriverContext* instance, std::uint32_t maskBit)
{
    if (instance == nullptr || !IsJobControlEnabled()) return;
    if (!IsWin9x()) {
        SetJobControlValuesIfOn(instance, maskBit);
        return;
    }
    if (!IsSingleBit(maskBit)) return;
    for (const JobControlSlot& slot : kJobControlSlots) {
        if (slot.maskBit != maskBit || !slot.writable) continue;
        const SettingItemDescriptor* item = FindItem(instance, slot.item);
        if (item == nullptr || ItemLength(*item) == 0) return;
        std::vector<WCHAR> text(ItemLength(*item), 0);
        GetItemString(instance, item, text.data(), text.size());
        CallJobControlPlugin(instance->printer, slot.valueSlot, kJobControlKindText, text.data(),
                             static_cast<std::uint32_t>(text.size() * sizeof(WCHAR)));
        return;
    }
}

BOOL CallJobControlPlugin(HANDLE printer, std::uint32_t slot, std::uint32_t kind, const WCHAR* text,
                          std::uint32_t byteSize)
{
    auto* info = static_cast<PRINTER_INFO_2W*>(GetPrinterInfo(printer, 2));
    if (info == nullptr) return FALSE;
    BOOL written = FALSE;
    JobControlLibrary library;
    JobControlInterface* table = nullptr;
    if (info->pPrinterName != nullptr && LoadJobControlLibrary(&library) &&
        library.getInterface(kJobControlVersion257, &table) == 0 && table != nullptr) {
        HANDLE connection = nullptr;
        if (table->openSession != nullptr && table->openSession(info->pPrinterName, &connection) == 0) {
            if (table->setValue != nullptr) table->setValue(connection, slot, kind, text, byteSize);
            if (table->closeSession != nullptr) table->closeSession(connection);
            written = TRUE;
        }
        library.dispose(table);
    }
    if (library.module != nullptr) FreeLibrary(library.module);
    FreeIfNotNull(info);
    return written;
}

}  // namespace vexl::api
