// Installing the preset files of the driver package.

#include "common/storage/preset_install.h"

#include "common/core/item_ids.h"
#include "common/core/items.h"
#include "common/core/devmode_merge.h"
#include "common/core/devmode_services.h"
#include "common/core/settings_modules.h"
#include "common/core/units.h"
#include "common/core/modeldb.h"
#include "common/core/textconv.h"
#include "common/model/constraints.h"
#include "common/model/ui_lookup.h"
#include "common/storage/directories.h"
#include "common/storage/ini.h"
#include "common/storage/ini_lists.h"
#include "common/storage/module_presets.h"
#include "common/storage/settings_files.h"

#include <cstring>
#include <algorithm>
#include <string>
#include <vector>

namespace vexl {

namespace {

constexpr const WCHAR* kConditionSection = u"condition";
constexpr const WCHAR* kDisableSection = u"disable";
constexpr const WCHAR* kNoName = u"NoName";
constexpr int kConditionGroups = 10;
constexpr int kConditionAlternatives = 10;

std::u16string Decimal(long long value)
{
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

WCHAR ToLower(WCHAR c)
{
    return c >= u'A' && c <= u'Z' ? static_cast<WCHAR>(c - u'A' + u'a') : c;
}

// The file name of path without its extension.
std::u16string_view BaseName(const WCHAR* path)
{
    const std::u16string_view name(FindFileNamePart(path));
    const std::size_t dot = name.rfind(u'.');
    return dot == std::u16string_view::npos ? name : name.substr(0, dot);
}

bool EqualNoCase(std::u16string_view a, std::u16string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](WCHAR x, WCHAR y) { return ToLower(x) == ToLower(y); });
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}
bool EndsToken(char c)
{
    return c == '\0' || IsBlank(c) || c == '|' || c == '&';
}

bool HasExtension(const WCHAR* path, const WCHAR* extension)
{
    std::int32_t length = 0;
    const WCHAR* found = FindExtension(path, &length);
    if (found == nullptr) return false;
    const std::u16string_view wanted(extension);
    if (static_cast<std::size_t>(length) != wanted.size()) return false;
    for (std::size_t i = 0; i < wanted.size(); ++i) {
        if (ToLower(found[i]) != wanted[i]) return false;
    }
    return true;
}

bool PassesRules(const WCHAR* path, DriverContext* context)
{
    return IsFileEnabledForDriver(path, context) && CheckConditionRules(path, context) &&
           CheckTintBlockRule(path, context);
}

BOOL IsHeaderAccepted(const WCHAR* userCopy, DriverContext* context)
{
    return VerifySettingsFileHeader(userCopy, GetPrinterSectionName(context), kSettingsLoad | kSettingsPresetCarrier,
                                    context, nullptr, nullptr, nullptr, FALSE);
}

struct InstallRun {
    const WCHAR* listFile;
    const WCHAR* section;
    std::uint32_t flags;
    DriverContext* context;
    int presetCount;
    const PresetListEntry* presets;
    int count;
    BOOL result;
};

// Whether the listed file should be added under the run's flags.
bool ShouldAddListedFile(const InstallRun& run, const WCHAR* listed, int index)
{
    if (!(run.flags & kInstallApplyRules)) return IsFileEnabledForDriver(listed, run.context);
    if (!PassesRules(listed, run.context)) return false;
    if (run.flags & kInstallRun) return true;
    std::int32_t found = 0;
    return !FindPresetByFileName(listed, run.presetCount, run.presets, &found) && index != 1 &&
           (run.flags & kInstallOnlyMissing);
}

// Adds the listed file to the preset list; false when the 16-preset limit stops the run.
bool AddListedFile(InstallRun& run, const WCHAR* listed, const WCHAR* userCopy, int index)
{
    WCHAR name[kPresetTextChars] = {};
    WCHAR comment[kPresetTextChars] = {};
    ReadPresetNameComment(listed, run.section, name, comment);
    if (ShouldAddListedFile(run, listed, index)) {
        if (run.count + 1 > kPresetSlotCount) return false;
        AddInstalledPreset(userCopy, name, comment, 0, run.context);
        ++run.count;
        if ((run.flags & kInstallApplyRules) && !(run.flags & kInstallRun) && !IsHeaderAccepted(userCopy, run.context))
            InstallSettingsFileCopy(userCopy, listed, kSettingsPreset, run.context);
    }
    if (run.flags & kInstallRefillCopy) InstallSettingsFileCopy(userCopy, listed, kSettingsPreset, run.context);
    return true;
}

// A listed file whose copy already matches the driver directory's needs
// no copy: that counts as success, not as a failed copy.
bool IsListedFileCurrent(const WCHAR* listed, const WCHAR* ownName, DriverContext* context)
{
    WCHAR source[MAX_PATH] = {};
    BuildDriverDirPath(source, MAX_PATH, ownName, context->printer);
    return source[0] != 0 && FileExists(source) && FileExists(listed) &&
           CompareFileTimes(source, listed, kFileTimesEqual);
}

void RefreshListedFile(InstallRun& run, const WCHAR* listed, const WCHAR* userCopy)
{
    const WCHAR* ownName = FindFileNamePart(listed);
    BOOL copied = InstallDriverFile(listed, ownName, 2, run.context);
    if (!copied && (run.flags & kInstallRun)) copied = InstallDriverFile(listed, ownName, 2, run.context);
    if (!copied && IsListedFileCurrent(listed, ownName, run.context)) copied = TRUE;
    run.result = copied;
    if (!FileExists(userCopy)) {
        if (run.flags & kInstallRun) InstallDriverFile(userCopy, FindFileNamePart(userCopy), 1, run.context);
        if (!IsSettingsFile(userCopy, run.context))
            InstallSettingsFileCopy(userCopy, listed, kSettingsPreset, run.context);
        run.result = TRUE;
    } else if (!(run.flags & kInstallKeepExistingCopy)) {
        InstallSettingsFileCopy(userCopy, listed, kSettingsPreset, run.context);
    }
}

// A listed path that does not fit the path buffer is refused, never cut:
// the cut path could name another file.
bool ReadListedPath(const InstallRun& run, const WCHAR* key, WCHAR (&listed)[MAX_PATH])
{
    WCHAR text[MAX_PATH + 1] = {};
    const int length = ReadIniString(run.section, key, u"", text, MAX_PATH + 1, run.listFile);
    if (length <= 0 || length >= static_cast<int>(MAX_PATH)) return false;
    std::copy(text, text + length + 1, listed);
    return true;
}

// Handles one list entry; false when the run stops.
bool InstallListedFile(InstallRun& run, int index)
{
    const std::u16string key = kInstallFileKey + Decimal(index);
    WCHAR listed[MAX_PATH] = {};
    if (!ReadListedPath(run, key.c_str(), listed)) return true;
    if (!ExpandAndCheckInstallPath(listed, MAX_PATH, run.context)) return true;
    WCHAR userCopy[MAX_PATH] = {};
    if (!BuildUserCopyPath(userCopy, listed, MAX_PATH, run.context)) return true;
    AcceptPresetFile(userCopy, run.context);
    if ((run.flags & kInstallAddPresets) && !AddListedFile(run, listed, userCopy, index)) return false;
    if (run.flags & kInstallRefreshFiles) RefreshListedFile(run, listed, userCopy);
    if (run.flags & kInstallDeleteCopy) ForceDeleteFile(userCopy);
    return true;
}

}  // namespace

// ---- INI helpers -------------------------------------------------------------------------------

BOOL ReadIniStringChecked(const WCHAR* file, const WCHAR* section, const WCHAR* key, WCHAR* out)
{
    if (file == nullptr || section == nullptr || key == nullptr || out == nullptr) return FALSE;
    out[0] = 0;
    return ReadIniString(section, key, u"", out, kPresetTextChars, file) > 0 ? TRUE : FALSE;
}

BOOL WriteIniNumber(const WCHAR* file, const WCHAR* section, int value, const WCHAR* key)
{
    WriteIniString(section, key, Decimal(value).c_str(), file);
    return TRUE;
}

BOOL ReadPresetNameComment(const WCHAR* file, const WCHAR* section, WCHAR* name, WCHAR* comment)
{
    if (name == nullptr || comment == nullptr) return FALSE;
    ReadIniStringChecked(file, section, u"setname", name);
    ReadIniStringChecked(file, section, u"setcomment", comment);
    return TRUE;
}

// ---- presets -------------------------------------------------------------------------------------

BOOL AcceptPresetFile(const WCHAR*, DriverContext*)
{
    return TRUE;
}

BOOL AddInstalledPreset(const WCHAR* userCopy, const WCHAR* name, const WCHAR* comment, std::uint32_t flags,
                        DriverContext* context)
{
    if ((flags & kInstallApplyRules) && !PassesRules(userCopy, context)) return TRUE;
    const WCHAR* shownName = name != nullptr && name[0] != 0 ? name : kNoName;
    AppendPresetEntry(context, userCopy, shownName, comment != nullptr ? comment : u"");
    return TRUE;
}

BOOL FindPresetByFileName(const WCHAR* path, int count, const PresetListEntry* presets, std::int32_t* index)
{
    if (path == nullptr || presets == nullptr || index == nullptr) return FALSE;
    // The whole base name decides: "presetA01" and "presetA02" are two presets.
    const std::u16string_view wanted = BaseName(path);
    for (int i = 0; i < count; ++i) {
        if (EqualNoCase(BaseName(presets[i].path), wanted)) {
            *index = i;
            return TRUE;
        }
    }
    return FALSE;
}

BOOL InstallPresetFiles(const WCHAR* listFile, const WCHAR* section, std::uint32_t flags, DriverContext* context,
                        int presetCount, const PresetListEntry* presets)
{
    if (listFile == nullptr || section == nullptr || context == nullptr) return FALSE;
    if ((flags & kInstallAddPresets) && !(flags & kInstallOnlyMissing) &&
        (!(flags & kInstallRun) || !(flags & kInstallApplyRules)))
        ClearPresetList(context);
    InstallRun run{listFile, section, flags, context, presetCount, presets, GetPresetCount(context), TRUE};
    const int listed = ReadIniInt(section, kInstallCountKey, 0xFFFF, listFile);
    if (listed == 0xFFFF || listed <= 0) return TRUE;
    if (!IsAbsolutePath(GetSettingsIniPath(context))) return FALSE;
    const int last = listed < kMaxInstallListFiles ? listed : kMaxInstallListFiles;
    for (int index = 1; index <= last; ++index)
        if (!InstallListedFile(run, index)) break;
    if ((flags & kInstallRun) && run.result) WriteIniNumber(listFile, section, 1, kInstallDoneKey);
    return run.result;
}

// ---- acceptance rules --------------------------------------------------------------------------

int ParseConditionToken(const char* text, char* token, BOOL* negated, BOOL* andFollows)
{
    if (text == nullptr || token == nullptr || negated == nullptr || andFollows == nullptr) return 0;
    int at = 0;
    while (IsBlank(text[at])) ++at;
    *negated = FALSE;
    *andFollows = FALSE;
    token[0] = 0;
    if (text[at] == '\0') return 0;
    if (text[at] == '!') {
        *negated = TRUE;
        ++at;
    }
    int length = 0;
    while (!EndsToken(text[at])) {
        if (length < kConditionTokenBytes - 1) token[length++] = text[at];
        ++at;
    }
    token[length] = 0;
    while (IsBlank(text[at])) ++at;
    if (text[at] == '&' || text[at] == '|') {
        *andFollows = text[at] == '&' ? TRUE : FALSE;
        ++at;
    }
    return at;
}

bool EvaluateConditionExpression(const char* text, const ConditionTokenTest& holds)
{
    char token[kConditionTokenBytes] = {};
    BOOL negated = FALSE;
    BOOL andFollows = FALSE;
    bool value = false;
    bool skipNext = false;
    int used = 0;
    while ((used = ParseConditionToken(text, token, &negated, &andFollows)) > 0) {
        text += used;
        if (!skipNext) value = holds(token) != static_cast<bool>(negated);
        if (!value && andFollows) return false;
        skipNext = value && !andFollows;
    }
    return value;
}

bool EvaluateConditionSection(const WCHAR* path, const ConditionTokenTest& holds)
{
    for (int group = 0; group < kConditionGroups; ++group) {
        bool passes = true;
        for (int alternative = 0; alternative < kConditionAlternatives; ++alternative) {
            const std::u16string key = u"ConditionOption" + Decimal(group) + u"_" + Decimal(alternative);
            WCHAR expression[kPresetTextChars] = {};
            if (!ReadIniStringChecked(path, kConditionSection, key.c_str(), expression)) break;
            char text[kPresetTextChars * 2] = {};
            WideToAnsi(text, expression, sizeof text);
            passes = EvaluateConditionExpression(text, holds);
            if (passes) break;
        }
        if (!passes) return false;
    }
    return true;
}

BOOL CheckConditionRules(const WCHAR* path, DriverContext* context)
{
    const SymbolEntry* symbol = FindSymbolByName("KSD_ConditionOption");
    if (symbol == nullptr || context == nullptr || context->compiledModel == nullptr) return TRUE;
    const BlockOffset entry = FindUiEntryByKey(symbol->symbolKey, context);
    if (entry == 0) return TRUE;
    const auto holds = [&](const char* name) {
        const ConstantEntry* constant = FindConstantByName(name);
        return constant != nullptr && IsUiOptionUnavailable(entry, constant->optionId, context) != 0;
    };
    return EvaluateConditionSection(path, holds) ? TRUE : FALSE;
}

BOOL IsFileEnabledForDriver(const WCHAR* path, DriverContext* context)
{
    const WCHAR* driver = GetDriverName(context);
    if (path == nullptr || driver == nullptr || driver[0] == 0) return TRUE;
    return ReadIniInt(kDisableSection, driver, 0, path) == 0 ? TRUE : FALSE;
}

BOOL CheckTintBlockRule(const WCHAR* path, DriverContext* context)
{
    if (GetItemValue(context, rdmFunc2SelectTintBlockUI) == 0) return TRUE;
    if (path == nullptr) return FALSE;
    const WCHAR* section = nullptr;
    if (HasExtension(path, u"rsr")) section = GetPrinterSectionName(context);
    if (HasExtension(path, u"rsd")) section = CopyLanguageCode(context);
    const WCHAR* watermark = GetItemName(context, rdmFuncSelectWaterMark);
    if (section == nullptr || watermark == nullptr || watermark[0] == 0) return FALSE;
    return ReadIniInt(section, watermark, 0, path) == 0 ? TRUE : FALSE;
}

// ---- refreshing the installed presets -------------------------------------------------------------

namespace {

// The printer's preset list, at most the sixteen slots whatever "Count" says.
std::vector<PresetListEntry> ReadPresetList(DriverContext* context)
{
    const int count = std::clamp(GetPresetCount(context), 0, kPresetSlotCount);
    std::vector<PresetListEntry> entries(static_cast<std::size_t>(count));
    const WCHAR* ini = GetSettingsIniPath(context);
    const WCHAR* section = GetPrinterSectionName(context);
    for (int i = 0; i < count; ++i) {
        PresetListEntry& entry = entries[static_cast<std::size_t>(i)];
        WCHAR key[kListKeyChars] = {};
        FormatPresetKey(key, i, kPresetKeyPath);
        ReadIniString(section, key, u"", entry.path, kPresetTextChars, ini);
        FormatPresetKey(key, i, kPresetKeyName);
        ReadIniString(section, key, u"", entry.name, kPresetLongTextChars, ini);
        FormatPresetKey(key, i, kPresetKeyComment);
        ReadIniString(section, key, u"", entry.comment, kPresetLongTextChars, ini);
        ReplaceExtensionRsd(entry.installName, entry.path, kPresetTextChars);
    }
    return entries;
}

// The file names of every listed file; false when the list is missing or
// one entry is absent or cannot be expanded.
bool ReadListedNames(const WCHAR* listFile, const WCHAR* section, DriverContext* context,
                     std::vector<std::u16string>* names)
{
    const int listed = ReadIniInt(section, kInstallCountKey, 0xFFFF, listFile);
    if (listed == 0xFFFF || listed < 0) return false;
    const int last = std::min(listed, kMaxInstallListFiles);
    for (int index = 1; index <= last; ++index) {
        const std::u16string key = kInstallFileKey + Decimal(index);
        WCHAR path[MAX_PATH + 1] = {};
        const int length = ReadIniString(section, key.c_str(), u"", path, MAX_PATH + 1, listFile);
        if (length <= 0 || length >= static_cast<int>(MAX_PATH)) return false;
        if (!ExpandAndCheckInstallPath(path, MAX_PATH, context)) return false;
        names->emplace_back(FindFileNamePart(path));
    }
    return true;
}

bool StaysInList(const PresetListEntry& entry, const std::vector<std::u16string>& listed, DriverContext* context)
{
    if (!HasExtension(entry.path, u"rsr")) return IsPresetFileUsable(entry.path, context) != FALSE;
    const std::u16string_view installed(FindFileNamePart(entry.installName));
    for (const std::u16string& name : listed) {
        if (EqualNoCase(name, installed))
            return CheckConditionRules(entry.path, context) && CheckTintBlockRule(entry.path, context);
    }
    return true;
}

}  // namespace

BOOL RefreshInstalledPresets(DriverContext* context)
{
    if (context == nullptr) return FALSE;
    std::vector<PresetListEntry> entries = ReadPresetList(context);
    WCHAR listFile[MAX_PATH] = {};
    if (!GetDefaultSettingsFileName(listFile, context)) return FALSE;
    const WCHAR* section = GetInstallSectionName(context);
    if (section == nullptr) return FALSE;
    std::vector<std::u16string> listed;
    if (!ReadListedNames(listFile, section, context, &listed)) return FALSE;
    for (PresetListEntry& entry : entries) entry.drop = StaysInList(entry, listed, context) ? 0 : 1;
    ClearPresetList(context);
    for (const PresetListEntry& entry : entries) {
        if (!entry.drop) AppendPresetEntry(context, entry.path, entry.name, entry.comment);
    }
    return InstallPresetFiles(listFile, section, kInstallAddPresets | kInstallApplyRules | kInstallOnlyMissing, context,
                              static_cast<int>(entries.size()), entries.data());
}

BOOL IsPresetFileUsable(const WCHAR* path, DriverContext* context)
{
    if (path == nullptr || context == nullptr || context->store == nullptr) return FALSE;
    std::uint8_t* saved = CaptureStoreImage(context);
    if (saved == nullptr) return FALSE;
    LoadSettingsFile(context->printer, path, kSettingsPresetCarrier | kSettingsPreset, context);
    bool usable = true;
    if ((GetSettingsFileError(context) & 1) == 0) {
        const SettingControlRef* ref = FindSettingControl(rdmPresetNo);
        PageDesc* page = ref ? FindPage(context, static_cast<std::int16_t>(ref->pageId)) : nullptr;
        const PageItem* control =
            page ? FindPageControl(context, page, static_cast<std::int16_t>(ref->controlId)) : nullptr;
        const model::BlockOffset entry = control ? services::LookupUiEntry(rdmPresetNo, context) : 0;
        usable = entry == 0 || GetUiAlertMessage(entry, context) == 0;
    }
    RestoreStoreImage(context, saved);
    return usable ? TRUE : FALSE;
}

}  // namespace vexl
