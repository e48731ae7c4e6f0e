// Option-node and control-value helpers, display texts, names and paths.
#include "ui/services/controls.h"

#include "common/core/appservices.h"
#include "common/core/item_ids.h"
#include "common/core/items.h"
#include "common/core/languages.h"
#include "common/core/memory.h"
#include "common/core/module_events.h"
#include "common/core/option_strings.h"
#include "common/core/printer.h"
#include "common/core/settings_modules.h"
#include "common/core/units.h"
#include "common/model/constraints.h"
#include "common/model/judge_eval.h"
#include "common/model/ui_lookup.h"
#include "common/storage/directories.h"
#include "common/storage/resources.h"
#include "ui/base/job_strings.h"
#include "ui/base/printer_values.h"
#include "ui/base/text_buffers.h"
#include "ui/services/option_values.h"
#include "ui/services/settings_folder.h"

#include <string>

namespace vexl::ui {
namespace {

constexpr std::uint16_t kFeatureAdminLock = 2;
constexpr std::uint32_t kEventMaskDisplaySize = 0x80000000;
constexpr std::uint32_t kBooleanOnString = 370;
constexpr std::uint32_t kBooleanOffString = 371;
constexpr std::uint32_t kUnknownValueString = 96;
constexpr int kStringChars = 1025;

// The texts of the stamp kinds 1 (text), 2 (image) and 3 (combined).
constexpr const char16_t* kStampKindTexts[] = {u"文字ｽﾀﾝﾌﾟ", u"ｲﾒｰｼﾞｽﾀﾝﾌﾟ", u"合成"};
// The controls that show a stamp's name, by kind.
constexpr std::uint16_t kStampNameControls[] = {2310, 2339, 2584};

const CompiledModel* ModelOf(DriverContext* context)
{
    return context != nullptr ? context->compiledModel : nullptr;
}

model::ExclusiveBlockRecord ExclusiveOf(DriverContext* context, BlockOffset entry)
{
    const model::UiEntryRecord record = ReadContextUiEntry(context, entry);
    if (record.exclusive == 0 || ModelOf(context) == nullptr) return {};
    return model::ReadExclusiveRecord(ModelOf(context), record.exclusive);
}

std::uint16_t EntryType(DriverContext* context, BlockOffset entry)
{
    return ReadContextUiEntry(context, entry).type;
}

bool IsPickEntry(std::uint16_t type)
{
    return (type & 0xFF) == model::kUiPickOne || (type & 0xFF) == model::kUiPickMany;
}

// A judge of the record or of any of its rules, chosen by the member.
template <typename Judge> bool AnyJudgeRefersToChange(DriverContext* context, BlockOffset entry, Judge judgeOf)
{
    const model::UiEntryRecord record = ReadContextUiEntry(context, entry);
    if (record.exclusive == 0 || ModelOf(context) == nullptr) return false;
    const model::ExclusiveBlockRecord exclusive = model::ReadExclusiveRecord(ModelOf(context), record.exclusive);
    if (JudgeRefersToChangedSetting(context, judgeOf(exclusive.j1, exclusive.j2))) return true;
    for (BlockOffset rule = exclusive.items; rule != 0;) {
        const model::OptionRuleRecord option = model::ReadOptionRule(ModelOf(context), rule);
        if (JudgeRefersToChangedSetting(context, judgeOf(option.j1, option.j2))) return true;
        if (option.next == rule) break;
        rule = option.next;
    }
    return false;
}

std::u16string LoadText(DriverContext* context, std::uint32_t id)
{
    std::u16string text(kStringChars, u'\0');
    LoadUiString(context, id, text.data(), kStringChars, TRUE);
    text.resize(std::u16string_view(text.c_str()).size());
    return text;
}

std::u16string PickText(DriverContext* context, std::uint32_t value)
{
    const std::uint32_t id = MapOptionToStringId(value);
    std::u16string text = LoadText(context, id);
    if (text.empty()) text = DecimalText(id) + u" is not string-ID";
    return text;
}

std::u16string SignedText(std::int64_t value)
{
    return value < 0 ? u"-" + DecimalText(static_cast<unsigned long long>(-value))
                     : DecimalText(static_cast<unsigned long long>(value));
}

std::u16string NumericText(DriverContext* context, const SettingItemDescriptor* item, BlockOffset entry,
                           std::uint32_t value)
{
    std::u16string text;
    if (item->eventMask & kEventMaskDisplaySize) {
        const std::int32_t size = GetItemDisplaySize(context, item->id, static_cast<std::int32_t>(value));
        const bool metric = IsMetricUnit(context) != FALSE;
        const std::int32_t scale = metric ? 10 : 100;
        const std::int32_t whole = size / scale;
        std::u16string fraction = DecimalText(static_cast<unsigned>(std::abs(size % scale)));
        while (fraction.size() < (metric ? 1u : 2u)) fraction.insert(fraction.begin(), u'0');
        text = SignedText(whole) + u"." + fraction;
        if (UsesDecimalComma(context)) {
            std::u16string buffer = text;
            UseDecimalComma(buffer.data());
            text = buffer;
        }
    } else {
        text = SignedText(static_cast<std::int32_t>(value));
    }
    const model::UiEntryRecord record = ReadContextUiEntry(context, entry);
    if (record.options != 0 && ModelOf(context) != nullptr) {
        const model::NumericRecord numeric = model::ReadNumericRecord(ModelOf(context), record.options);
        if (numeric.leadingValue != 0) text += LoadText(context, numeric.leadingValue);
    }
    return text;
}

std::u16string IdentityText(DriverContext* context, std::uint16_t itemId, std::uint32_t value)
{
    if (itemId == rdmWmKind) {
        if (value >= 1 && value <= 3) return kStampKindTexts[value - 1];
        return LoadText(context, kUnknownValueString);
    }
    if (itemId == rdmWmID) {
        const std::uint32_t kind = GetItemValue(context, rdmWmKind);
        if (kind < 1 || kind > 3) return LoadText(context, kUnknownValueString);
        WCHAR name[kStringChars] = {};
        GetControlItemText(context, kStampNameControls[kind - 1], name, kStringChars);
        return name;
    }
    return SignedText(static_cast<std::int32_t>(value));
}

std::u16string DriverFolder(HANDLE printer)
{
    WCHAR folder[MAX_PATH] = {};
    GetDriverDirectoryForPrinter(printer, folder);
    return folder;
}

}  // namespace

std::uint32_t MapOptionToStringId(std::uint32_t optionId)
{
    std::uint32_t id = optionId;
    for (const OptionStringRow& row : GetOptionStringTable()) {
        if (row.optionId == id) id = row.stringId;
    }
    return id;
}

BlockOffset GetControlUiEntry(DriverContext* context, const PageItem* item)
{
    if (context == nullptr || item == nullptr || item->symbolKey == 0) return 0;
    return FindUiEntryByKey(item->symbolKey, context);
}

std::uint16_t GetOptionEntryValue(DriverContext* context, BlockOffset entry, BlockOffset option, BlockOffset* rule)
{
    if (rule != nullptr) *rule = 0;
    if (ModelOf(context) == nullptr || entry == 0 || option == 0) return 0;
    const std::uint16_t type = EntryType(context, entry);
    std::uint16_t value = 0;
    if (IsPickEntry(type)) {
        value = model::ReadUiOption(ModelOf(context), option, type).optionId;
    } else if ((type & 0xFF) == model::kUiString) {
        value = model::ReadBlock16(ModelOf(context), option);
    }
    if (rule != nullptr && value != 0) *rule = ExclusiveOf(context, entry).items;
    return value;
}

std::uint32_t GetOptionHiddenState(DriverContext* context, BlockOffset entry, std::uint16_t value)
{
    if (context == nullptr || entry == 0) return 0;
    if (const std::uint32_t hidden = IsUiOptionUnavailable(entry, 0, context)) return hidden;
    return IsPickEntry(EntryType(context, entry)) ? IsUiOptionUnavailable(entry, value, context) : 0;
}

std::uint32_t UpdateControlDisabledState(DriverContext* context, PageDesc* page, PageItem* item)
{
    if (context == nullptr || item == nullptr) return 0;
    const std::uint32_t current = (item->state >> kItemDisabledShift) & 0x3;
    const BlockOffset entry = GetControlUiEntry(context, item);
    DisabledStateEvent event{item, page, 0, item->controlId, entry, current};
    NotifySettingsModules(context, kModuleEventMayShowControl, &event);
    if (event.decided != 0 || entry == 0) return current;
    std::uint32_t restricted = IsUiOptionRestricted(entry, 0, context);
    if (restricted == 0 && IsPickEntry(EntryType(context, entry)))
        restricted = IsUiOptionRestricted(entry, item->controlId, context);
    return restricted;
}

BOOL JudgeRefersToChangedSetting(DriverContext* context, BlockOffset judge)
{
    const CompiledModel* block = ModelOf(context);
    if (block == nullptr || judge == 0) return FALSE;
    for (std::uint64_t at = judge; at + model::kJudgeOpSize <= block->totalSize; at += model::kJudgeOpSize) {
        const model::JudgeOpRecord op = model::ReadJudgeOp(block, static_cast<std::uint32_t>(at));
        if (op.kind == model::kJudgeEndCode || (op.kind == model::kJudgeOperator && op.operand == model::kJudgeEndCode))
            return FALSE;
        if (op.kind != model::kJudgeItem) continue;
        const SettingItemDescriptor* item = FindItem(context, op.operand);
        if (item != nullptr && (item->stateBits & 0x3) == 1) return TRUE;
    }
    return FALSE;
}

BOOL NeedsDisabledRefresh(DriverContext* context, PageDesc* page, PageItem* item)
{
    if (context == nullptr || item == nullptr) return FALSE;
    const BlockOffset entry = GetControlUiEntry(context, item);
    if (entry == 0) return FALSE;
    if (UpdateControlDisabledState(context, page, item) != ((item->state >> kItemDisabledShift) & 0x3u)) return TRUE;
    return AnyJudgeRefersToChange(context, entry, [](BlockOffset, BlockOffset j2) { return j2; }) ? TRUE : FALSE;
}

BOOL NeedsHiddenRefresh(DriverContext* context, PageItem* item)
{
    if (context == nullptr || item == nullptr) return FALSE;
    const BlockOffset entry = GetControlUiEntry(context, item);
    if (entry == 0) return FALSE;
    if (GetOptionHiddenState(context, entry, item->controlId) != (item->state & kItemHiddenMask)) return TRUE;
    return AnyJudgeRefersToChange(context, entry, [](BlockOffset j1, BlockOffset) { return j1; }) ? TRUE : FALSE;
}

PageDesc* FindPageByWindow(DriverContext* context, HWND window)
{
    if (context == nullptr || context->pageTable == nullptr || window == nullptr) return nullptr;
    for (int i = 0; i < context->pageTable->count; ++i) {
        PageDesc& page = context->pageTable->pages[i];
        if (page.window == static_cast<void*>(window)) return &page;
    }
    return nullptr;
}

PageItem* FindControlByWindow(DriverContext* context, PageDesc* page, HWND window)
{
    if (context == nullptr || window == nullptr) return nullptr;
    const auto search = [&](PageDesc& in) -> PageItem* {
        for (int i = 0; in.items != nullptr && i < in.itemCount; ++i) {
            if (in.items[i].window == static_cast<void*>(window)) return &in.items[i];
        }
        return nullptr;
    };
    if (page != nullptr) return search(*page);
    if (context->pageTable == nullptr) return nullptr;
    for (int i = 0; i < context->pageTable->count; ++i) {
        if (PageItem* found = search(context->pageTable->pages[i])) return found;
    }
    return nullptr;
}

std::uint32_t GetItemValueByUiId(DriverContext* context, std::uint16_t symbolKey, SettingItemDescriptor** out)
{
    SettingItemDescriptor* item = context != nullptr ? FindItemByKey(context, symbolKey) : nullptr;
    if (out != nullptr) *out = item;
    return item != nullptr ? ReadItemOption(context, item) : 0;
}

std::uint32_t GetControlItemValue(DriverContext* context, const PageItem* item)
{
    if (context == nullptr || item == nullptr || item->item == nullptr) return 0;
    const SettingItemDescriptor* descriptor = FindItem(context, item->item->id);
    return descriptor != nullptr ? ReadItemOption(context, descriptor) : 0;
}

std::uint32_t SetControlItemValue(DriverContext* context, const PageItem* item, std::uint32_t value)
{
    if (context == nullptr || item == nullptr || item->item == nullptr) return 0;
    SettingItemDescriptor* descriptor = FindItem(context, item->item->id);
    if (descriptor == nullptr) return 0;
    WriteItemOption(context, descriptor, value);
    return value;
}

BOOL IsControlAdminLocked(DriverContext* context, const PageItem* item)
{
    if (context == nullptr || item == nullptr || !IsFeatureClassOn(context, kFeatureAdminLock, 0) ||
        item->lockMessageId == 0)
        return FALSE;
    const BlockOffset entry = GetControlUiEntry(context, item);
    const model::UiEntryRecord record = ReadContextUiEntry(context, entry);
    if (record.exclusive != 0) {
        const BlockOffset rule = FindOptionRule(context, record.exclusive, item->controlId);
        if (rule != 0) {
            const model::OptionRuleRecord option = model::ReadOptionRule(ModelOf(context), rule);
            if (option.j3 != 0) return EvaluateJudge(option.j3, context) != 0 ? TRUE : FALSE;
        }
        const model::ExclusiveBlockRecord exclusive = model::ReadExclusiveRecord(ModelOf(context), record.exclusive);
        if (exclusive.j3 != 0) return EvaluateJudge(exclusive.j3, context) != 0 ? TRUE : FALSE;
    }
    return item->lockMessageId2 != 0 && GetItemValue(context, item->lockMessageId2) != 0 ? TRUE : FALSE;
}

void FormatItemValueText(DriverContext* context, std::uint16_t symbolKey, WCHAR* buffer, int size)
{
    if (buffer == nullptr || size <= 0) return;
    buffer[0] = 0;
    SettingItemDescriptor* item = nullptr;
    const std::uint32_t value = GetItemValueByUiId(context, symbolKey, &item);
    if (item == nullptr) return;
    const BlockOffset entry = FindUiEntryByKey(symbolKey, context);
    const std::uint16_t type = EntryType(context, entry);
    std::u16string text;
    switch (type & 0xFF) {
    case model::kUiPickOne:
    case model::kUiPickMany:
        text = PickText(context, value);
        break;
    case model::kUiBoolean:
        text = LoadText(context, value != 0 ? kBooleanOnString : kBooleanOffString);
        break;
    case model::kUiNumeric:
        text = NumericText(context, item, entry, value);
        break;
    case model::kUiString: {
        WCHAR setting[kStringChars] = {};
        GetItemString(context, item, setting, kStringChars);
        text = setting;
        break;
    }
    default:
        text = IdentityText(context, item->id, value);
        break;
    }
    CopyCut(buffer, size, text);
}

// ---- names and paths ---------------------------------------------------------------------

BOOL IsHostExplorer()
{
    WCHAR module[MAX_PATH] = {};
    WCHAR shell[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, module, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return FALSE;
    BuildWindowsDirPath(shell, MAX_PATH, u"explorer.exe");
    return shell[0] != 0 && EqualNoCase(module, shell) ? TRUE : FALSE;
}

WCHAR* CopyPrinterName(const PRINTER_INFO_2W* info, WCHAR* buffer, int capacity)
{
    if (info != nullptr && info->pPrinterName != nullptr) CopyIfFits(buffer, capacity, TextView(info->pPrinterName));
    return buffer;
}

WCHAR* GetPrinterNameUi(HANDLE printer, WCHAR* buffer, int capacity)
{
    auto* info = static_cast<PRINTER_INFO_2W*>(printer != nullptr ? GetPrinterInfo(printer, 2) : nullptr);
    CopyPrinterName(info, buffer, capacity);
    FreeIfNotNull(info);
    return buffer;
}

WCHAR* GetDriverNameUi(DriverContext* context, HANDLE printer, WCHAR* buffer, int capacity)
{
    auto* info = static_cast<PRINTER_INFO_2W*>(printer != nullptr ? GetPrinterInfo(printer, 2) : nullptr);
    const std::u16string_view name = info != nullptr ? TextView(info->pDriverName) : std::u16string_view();
    if (!name.empty()) {
        CopyIfFits(buffer, capacity, name);
    } else if (context != nullptr && context->modelRecord != nullptr) {
        CopyIfFits(buffer, capacity, TextView(context->modelRecord->driverNameFallback));
    }
    FreeIfNotNull(info);
    return buffer;
}

const WCHAR* InitLanguageFromHelpFileUi(DriverContext* context)
{
    if (context == nullptr || context->workArea == nullptr) return nullptr;
    ContextWorkArea* work = context->workArea;
    const WCHAR* code =
        (work->creationMode & kCreateModeMask) == 1 ? GetHelpLanguageCode(context) : GetInstalledLanguageCode(context);
    CopyCut(work->languageCode, static_cast<int>(std::size(work->languageCode)), TextView(code));
    return work->languageCode;
}

BOOL GetSettingsIniPathUi(DriverContext* context, WCHAR* out, std::uint16_t perUser, HANDLE printer)
{
    if (context == nullptr || context->modelRecord == nullptr || out == nullptr) return FALSE;
    WCHAR folder[MAX_PATH] = {};
    int length = 0;
    if (perUser == 1) {
        length = GetUserSettingsDirectoryNoContext(folder, MAX_PATH);
    } else {
        auto* info = static_cast<PRINTER_INFO_2W*>(printer != nullptr ? GetPrinterInfo(printer, 2) : nullptr);
        length = GetSettingsFolderForPrinterInfo(folder, MAX_PATH, printer, info);
        FreeIfNotNull(info);
    }
    if (length <= 0) return FALSE;
    return CopyIfFits(out, MAX_PATH,
                      std::u16string(TextView(folder)) + u"\\" +
                          std::u16string(TextView(context->modelRecord->settingsIniName))) > 0;
}

BOOL GetModelIniPathUi(DriverContext* context, WCHAR* out, HANDLE printer)
{
    if (context == nullptr || context->modelRecord == nullptr || out == nullptr) return FALSE;
    const std::u16string_view name = TextView(context->modelRecord->modelIniName);
    if (name.size() >= 2 && name[1] == u':') return CopyIfFits(out, MAX_PATH, name) > 0;
    return CopyIfFits(out, MAX_PATH, DriverFolder(printer) + std::u16string(name)) > 0;
}

BOOL GetHelpFilePath(DriverContext* context, WCHAR* out, int size)
{
    if (context == nullptr || out == nullptr || size <= 0) return FALSE;
    WCHAR help[MAX_PATH] = {};
    if (ReadHelpFileNameValue(context->printer, help, MAX_PATH))
        return CopyIfFits(out, size, DriverFolder(context->printer) + std::u16string(TextView(help))) > 0;
    std::u16string library(TextView(GetUiResourceLibraryPath(context)));
    if (library.size() < 3) return FALSE;
    library.replace(library.size() - 3, 3, u"hlp");
    return CopyIfFits(out, size, library) > 0;
}

BOOL GetPictureLibraryPath(DriverContext* context, WCHAR* out, int size)
{
    if (context == nullptr || out == nullptr || size <= 0) return FALSE;
    std::u16string name = GetUiResourceLibraryName(context);
    if (name.size() < 8) return FALSE;
    name[name.size() - 8] = u'C';
    name[name.size() - 6] = u'X';
    name[name.size() - 5] = u'X';
    return CopyIfFits(out, size, DriverFolder(context->printer) + name) > 0;
}

}  // namespace vexl::ui
