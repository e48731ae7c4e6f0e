// The colour-profile module.
#include "common/storage/module_color_profiles.h"

#include "common/core/context.h"
#include "common/core/item_ids.h"
#include "common/core/items.h"
#include "common/core/modeldb.h"
#include "common/core/module_events.h"
#include "common/core/paper_sync.h"
#include "common/core/settings_modules.h"
#include "common/storage/directories.h"
#include "common/storage/ini.h"
#include "common/storage/ini_lists.h"
#include "common/storage/resources.h"

#include <string>

namespace vexl {
namespace {

constexpr std::int16_t kProfileListPage = kPageDialogUserIcmmode;
constexpr std::int16_t kProfileEditPage = kPageCmmaddprofile;
constexpr std::int16_t kProfileListControl = 2256;
constexpr std::int16_t kProfileModeControl = 2823;
constexpr std::int16_t kProfilePathControl = 2825;
constexpr const WCHAR* kModeKey = u"rdmColorMatchingMode";
constexpr const WCHAR* kPathKey = u"wdmColorProfilePath";
constexpr const WCHAR* kCountKey = u"CmmCount";
constexpr const WCHAR* kDefaultKey = u"CmmDefault";
constexpr const WCHAR* kMaxKey = u"CmmMax";
constexpr int kDefaultBuiltIn = 4;
constexpr int kDefaultCapacity = 16;
constexpr std::uint32_t kFirstUserProfileString = 565;
constexpr std::uint32_t kLastUserProfileString = 580;
constexpr std::int16_t kTonerSavePictureControl = 3039;
constexpr std::int16_t kReversedSliders[] = {3032, 3035, 3038};

// The four colour-matching items, in the order of their marks (1, 2, 4, 8)
// and of commands 114-117 and 118-121.
constexpr std::uint16_t kMatchingItems[4] = {rdmColorMatchingMode, wdmColorMatchingText, wdmColorMatchingLine,
                                             wdmColorMatchingImage};

const WCHAR* CounterSection(DriverContext* context)
{
    const WCHAR* section = GetProfileCounterSection(context);
    return section ? section : u"";
}

int ReadCounter(DriverContext* context, const WCHAR* key, int defaultValue)
{
    return ReadIniInt(CounterSection(context), key, defaultValue, GetSettingsIniPath(context));
}

std::u16string Decimal(long long value)
{
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

PageItem* FindControl(DriverContext* context, std::int16_t pageId, std::int16_t controlId)
{
    PageDesc* page = FindPage(context, pageId);
    return page ? FindPageControl(context, page, controlId) : nullptr;
}

// The context's descriptor of the item a control is bound to.
SettingItemDescriptor* BoundItem(DriverContext* context, const PageItem* control)
{
    return control && control->item ? FindItem(context, control->item->id) : nullptr;
}

// The item a control's symbol names.
SettingItemDescriptor* SymbolItem(DriverContext* context, const PageItem* control)
{
    return control && control->symbolKey ? FindItemByKey(context, control->symbolKey) : nullptr;
}

void ReadProfileKey(DriverContext* context, int index, const WCHAR* key, WCHAR* out)
{
    out[0] = 0;
    if (index < 0) return;
    WCHAR section[kProfileTextChars] = {};
    FormatProfileSection(context, index, section);
    ReadIniString(section, key, u"", out, kProfileTextChars, GetSettingsIniPath(context));
}

// The mode and path texts of profile index into two items; a missing item
// is skipped. An index past the stored profiles means the first one.
void LoadProfileInto(DriverContext* context, int index, SettingItemDescriptor* mode, SettingItemDescriptor* path)
{
    if (index >= GetProfileCount(context)) index = 0;
    WCHAR text[kProfileTextChars] = {};
    if (mode) {
        ReadProfileKey(context, index, kModeKey, text);
        SetItemString(context, mode, text);
    }
    if (path) {
        ReadProfileKey(context, index, kPathKey, text);
        SetItemString(context, path, text);
    }
}

void SaveProfileItem(DriverContext* context, const WCHAR* section, const WCHAR* key, SettingItemDescriptor* item)
{
    if (item == nullptr) return;
    WCHAR text[kProfileTextChars] = {};
    GetItemString(context, item, text, kProfileTextChars);
    WriteIniString(section, key, text, GetSettingsIniPath(context));
}

// Copies one profile section's keys over another's, straight in the file.
bool MoveProfileSection(DriverContext* context, int from, int to)
{
    const WCHAR* ini = GetSettingsIniPath(context);
    WCHAR source[kProfileTextChars] = {};
    WCHAR target[kProfileTextChars] = {};
    FormatProfileSection(context, from, source);
    FormatProfileSection(context, to, target);
    for (const WCHAR* key : {kModeKey, kPathKey}) {
        WCHAR text[kProfileTextChars] = {};
        ReadIniString(source, key, u"", text, kProfileTextChars, ini);
        if (!WriteIniString(target, key, text, ini)) return false;
    }
    return true;
}

void LoadProfileOfItem(DriverContext* context, std::uint16_t itemId)
{
    const int index = GetItemProfileIndex(context, itemId);
    if (index >= 0) LoadProfileIntoSettings(context, index);
}

void SaveProfileOfItem(DriverContext* context, std::uint16_t itemId)
{
    const int index = GetItemProfileIndex(context, itemId);
    if (index >= 0) SaveProfileFromPage(context, index);
}

// The colour-matching item that the current adjust mode and object use, or
// 0 for none.
std::uint16_t ItemInUse(DriverContext* context)
{
    if (GetItemValue(context, rdmAdjustMode) == 0) return rdmColorMatchingMode;
    switch (GetItemValue(context, rdmAdjustObject)) {
    case 0:
        return wdmColorMatchingText;
    case 1:
        return wdmColorMatchingLine;
    case 2:
        return wdmColorMatchingImage;
    default:
        return 0;
    }
}

// Command 124: the profile of the item in use into the settings.
void LoadProfileInUse(DriverContext* context)
{
    const std::uint32_t mode = GetItemValue(context, rdmAdjustMode);
    if (!IsItemValueAllowed(rdmAdjustMode, mode)) return;
    std::uint16_t item = rdmColorMatchingMode;
    if (mode != 0) {
        const std::uint32_t object = GetItemValue(context, rdmAdjustObject);
        item = object == 0 ? wdmColorMatchingText : object == 1 ? wdmColorMatchingLine : wdmColorMatchingImage;
    }
    LoadProfileOfItem(context, item);
}

void AddProfile(DriverContext* context)
{
    const int count = GetProfileCount(context);
    if (count >= GetProfileMax(context)) return;
    SetProfileCount(context, count + 1);
    SaveProfileFromPage(context, count);
}

// Event 15.
int CopyProfileCounters(DriverContext* context, const ListCopyEvent* copy)
{
    if (copy == nullptr || copy->modelIni == nullptr || copy->settingsIni == nullptr) return 0;
    const WCHAR* section = CounterSection(context);
    if (section[0] == 0) return 0;
    WCHAR maximum[32] = {};
    WCHAR builtIn[32] = {};
    ReadIniString(section, kMaxKey, u"0", maximum, 32, copy->modelIni);
    ReadIniString(section, kDefaultKey, u"0", builtIn, 32, copy->modelIni);
    WriteIniString(section, kMaxKey, maximum, copy->settingsIni);
    WriteIniString(section, kDefaultKey, builtIn, copy->settingsIni);
    WCHAR present[32] = {};
    const bool hasCount = ReadIniString(section, kCountKey, u"", present, 32, copy->settingsIni) > 0;
    if (!copy->unchanged || !hasCount) WriteIniString(section, kCountKey, builtIn, copy->settingsIni);
    return 1;
}

// Event 16: the name of a user profile for its string. The text is cut to
// the request's size.
int WriteUserProfileText(DriverContext* context, ModuleStringRequest* request)
{
    if (request == nullptr || request->text == nullptr || request->size <= 0) return 0;
    if (request->stringId < kFirstUserProfileString || request->stringId > kLastUserProfileString) return 0;
    LoadProfileIntoPage(context, static_cast<int>(request->stringId - kFirstUserProfileString));
    WCHAR text[kProfileTextChars] = {};
    GetItemString(context, BoundItem(context, GetProfileModeControl(context)), text, kProfileTextChars);
    int n = 0;
    for (; text[n] != 0 && n + 1 < request->size; ++n) request->text[n] = text[n];
    request->text[n] = 0;
    return 1;
}

// Event 56: toner-save density pictures.
void ChooseDensityPicture(DriverContext* context, ControlPictureEvent* event)
{
    if (event == nullptr || event->control == nullptr || event->control->controlId != kTonerSavePictureControl) return;
    std::uint16_t item = 0;
    if (event->value == 6990) item = rdmTonerSaveDensityImage;
    if (event->value == 6982) item = rdmTonerSaveDensityText;
    if (event->value == 7668) item = rdmTonerSaveDensityLine;
    if (item == 0) return;
    switch (GetItemOption(context, item)) {
    case 0:
        event->pictureIndex = 25;
        break;
    case 1:
        event->pictureIndex = 13;
        break;
    case 2:
        event->pictureIndex = 0;
        break;
    default:
        break;
    }
}

}  // namespace

int GetProfileCount(DriverContext* context)
{
    return ReadCounter(context, kCountKey, 0);
}

void SetProfileCount(DriverContext* context, int count)
{
    WriteIniString(CounterSection(context), kCountKey, Decimal(count).c_str(), GetSettingsIniPath(context));
}

int GetProfileDefaultCount(DriverContext* context)
{
    return ReadCounter(context, kDefaultKey, kDefaultBuiltIn);
}

int GetProfileMax(DriverContext* context)
{
    return ReadCounter(context, kMaxKey, kDefaultCapacity);
}

void FormatProfileSection(DriverContext* context, int index, WCHAR* out)
{
    const std::u16string text = u"ColorMatching" + Decimal(index) + CounterSection(context);
    std::size_t n = 0;
    for (; n < text.size() && n + 1 < static_cast<std::size_t>(kProfileTextChars); ++n) out[n] = text[n];
    out[n] = 0;
}

PageItem* GetProfileModeControl(DriverContext* context)
{
    return FindControl(context, kProfileEditPage, kProfileModeControl);
}

PageItem* GetProfilePathControl(DriverContext* context)
{
    return FindControl(context, kProfileEditPage, kProfilePathControl);
}

PageItem* GetProfileListControl(DriverContext* context)
{
    return FindControl(context, kProfileListPage, kProfileListControl);
}

SettingItemDescriptor* GetProfileModeItem(DriverContext* context)
{
    return SymbolItem(context, GetProfileModeControl(context));
}

void LoadProfileIntoPage(DriverContext* context, int index)
{
    LoadProfileInto(context, index, BoundItem(context, GetProfileModeControl(context)),
                    BoundItem(context, GetProfilePathControl(context)));
}

void LoadProfileIntoSettings(DriverContext* context, int index)
{
    LoadProfileInto(context, index, SymbolItem(context, GetProfileModeControl(context)),
                    SymbolItem(context, GetProfilePathControl(context)));
}

void SaveProfileFromPage(DriverContext* context, int index)
{
    if (index < 0 || index >= GetProfileCount(context)) return;
    WCHAR section[kProfileTextChars] = {};
    FormatProfileSection(context, index, section);
    SaveProfileItem(context, section, kModeKey, BoundItem(context, GetProfileModeControl(context)));
    SaveProfileItem(context, section, kPathKey, BoundItem(context, GetProfilePathControl(context)));
}

void DeleteProfileShiftDown(DriverContext* context, int index)
{
    const int count = GetProfileCount(context);
    if (index < 0 || index >= count) return;
    for (int next = index + 1; next < count; ++next) {
        if (!MoveProfileSection(context, next, next - 1)) return;
    }
    SetProfileCount(context, count - 1);
}

int ProfileIndexFromValue(DriverContext* context, std::uint32_t value)
{
    if (value < kProfileValueBase) return -1;
    const std::uint32_t index = value - kProfileValueBase;
    const int count = GetProfileCount(context);
    return count > 0 && index < static_cast<std::uint32_t>(count) ? static_cast<int>(index) : -1;
}

int GetItemProfileIndex(DriverContext* context, std::uint16_t itemId)
{
    return ProfileIndexFromValue(context, GetItemValue(context, itemId));
}

int GetSelectedProfileIndex(DriverContext* context)
{
    SettingItemDescriptor* item = BoundItem(context, GetProfileListControl(context));
    return item ? ProfileIndexFromValue(context, ReadItemValue(context, item)) : -1;
}

void MarkActiveProfileItem(DriverContext* context)
{
    if (context == nullptr || context->workArea == nullptr) return;
    std::uint8_t* marks = context->workArea->colorChangeFlags;
    const std::uint16_t item = ItemInUse(context);
    for (int i = 0; i < 4; ++i) {
        if (kMatchingItems[i] != item) continue;
        marks[0] |= static_cast<std::uint8_t>(1u << i);
        marks[1 + i] = static_cast<std::uint8_t>(GetItemValue(context, item));
    }
}

void FixProfileItemsAfterReset(DriverContext* context)
{
    const std::int32_t macro = GetUserMacroIndex(context);
    if (macro == -1) return;
    std::uint32_t remembered[4] = {};
    std::uint32_t fromFile[4] = {};
    for (int i = 0; i < 4; ++i) remembered[i] = GetItemValue(context, kMatchingItems[i]);
    PushSettingsSnapshot(context);
    ItemTable* state = SaveItemTableState(context);
    LoadQualityFileSlot(context, macro);
    for (int i = 0; i < 4; ++i) fromFile[i] = GetItemValue(context, kMatchingItems[i]);
    PopSettingsSnapshot(context, TRUE);
    RestoreItemTableState(context, state);
    for (int i = 0; i < 4; ++i) {
        if (remembered[i] >= kProfileValueBase && ProfileIndexFromValue(context, remembered[i]) < 0)
            SetItemValue(context, kMatchingItems[i], fromFile[i]);
    }
}

std::uint32_t EvaluateColorProfileJudge(DriverContext* context, std::uint16_t judgeItemId)
{
    switch (judgeItemId) {
    case wdmJudgeHookUcf20:
        return GetSelectedProfileIndex(context) < GetProfileDefaultCount(context) ? 1 : 0;
    case wdmJudgeHookUcf21:
        return GetProfileCount(context) >= GetProfileMax(context) ? 1 : 0;
    case wdmJudgeHookUcf22:
        return GetProfilePathControl(context) != nullptr ? 1 : 0;
    default:
        return 0;
    }
}

int ColorModuleCommand(DriverContext* context, std::uint16_t command, void*)
{
    if (command >= kColorCommandLoadItemFirst && command < kColorCommandLoadItemFirst + 4) {
        LoadProfileOfItem(context, kMatchingItems[command - kColorCommandLoadItemFirst]);
        return 1;
    }
    if (command >= kColorCommandSaveItemFirst && command < kColorCommandSaveItemFirst + 4) {
        SaveProfileOfItem(context, kMatchingItems[command - kColorCommandSaveItemFirst]);
        return 1;
    }
    switch (command) {
    case kColorCommandAdd:
        AddProfile(context);
        return 1;
    case kColorCommandDelete:
        DeleteProfileShiftDown(context, GetSelectedProfileIndex(context));
        MarkActiveProfileItem(context);
        NotifySettingsModules(context, kModuleEventProfilesChanged, nullptr);
        return 1;
    case kColorCommandSaveSelected:
        SaveProfileFromPage(context, GetSelectedProfileIndex(context));
        return 1;
    case kColorCommandSendSave:
        SendSettingsModuleCommand(context, kColorCommandSaveSelected);
        return 1;
    case kColorCommandSendAdd:
        SendSettingsModuleCommand(context, kColorCommandAdd);
        return 1;
    case kColorCommandLoadInUse:
        LoadProfileInUse(context);
        return 1;
    default:
        return 0;
    }
}

int ColorModuleEvent(DriverContext* context, std::uint32_t event, void* param, void*)
{
    switch (event) {
    case kModuleEventCopyProfileCounters:
        return CopyProfileCounters(context, static_cast<ListCopyEvent*>(param));
    case kModuleEventStringText:
        return WriteUserProfileText(context, static_cast<ModuleStringRequest*>(param));
    case kModuleEventProfilesChanged:
        FixProfileItemsAfterReset(context);
        return 1;
    case kModuleEventPictureIndex:
        ChooseDensityPicture(context, static_cast<ControlPictureEvent*>(param));
        return 1;
    case kModuleEventReversedSlider: {
        auto* slider = static_cast<SliderDirectionEvent*>(param);
        if (slider && slider->control) {
            for (std::int16_t id : kReversedSliders)
                if (slider->control->controlId == static_cast<std::uint16_t>(id)) slider->reversed = 1;
        }
        return 1;
    }
    default:
        return 0;
    }
}

}  // namespace vexl
