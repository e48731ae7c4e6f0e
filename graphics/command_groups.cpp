// The job command groups and the PJL lines they emit.
#include "graphics/command_groups.h"

#include "common/core/font_records.h"
#include "common/core/items.h"
#include "common/core/modeldb.h"
#include "common/core/settings_modules.h"
#include "common/core/textconv.h"
#include "common/model/judge_eval.h"
#include "common/model/ui_lookup.h"
#include "common/storage/directories.h"
#include "common/storage/module_chapters.h"
#include "common/storage/module_color_profiles.h"
#include "common/storage/persistence.h"
#include "common/storage/resources.h"
#include "graphics/graphics_context.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace vexl::graphics {
namespace {

using model::BlockOffset;

constexpr int kAnsiBytes = 260;         // ANSI conversions of paths and texts
constexpr int kFontNameAnsiBytes = 33;  // font names: at most 32 bytes
constexpr int kTextChars = 261;

// Emission kinds of the item table.
enum EmissionKind : std::uint16_t {
    kEmitDateTime = 1,
    kEmitScaledMargin = 2,
    kEmitDriverName = 3,
    kEmitNone4 = 4,
    kEmitIniPath = 5,
    kEmitLogFile = 6,
    kEmitLogLibrary = 7,
    kEmitPlainText = 8,
    kEmitShiftX = 9,
    kEmitShiftY = 10,
    kEmitChapters = 11,
    kEmitDriverDirectory = 12,
    kEmitOptionText = 13,
    kEmitColorDataFile = 101,
    kEmitColorMatchingFile = 102,
};

// The option texts of a job and the resource strings they come from.
constexpr struct {
    std::uint16_t optionId;
    std::uint16_t stringId;
} kOptionTextIds[kOptionTextRows] = {{731, 15000}, {733, 15001}, {735, 15002}};

// The compiled-in model's family code, whose colour file names are these.
constexpr char kColorData1[] = "TZ99C151.rcm";
constexpr char kColorData2[] = "TZ99C152.rcm";
constexpr char kColorData3[] = "TZ99C153.rcm";
constexpr char kColorData4[] = "TZ99C154.rcm";

// Settings-module commands that prepare a user colour profile.
constexpr std::uint16_t kCommandUserProfile = 114;
constexpr std::uint16_t kCommandUserProfileText = 115;
constexpr std::uint16_t kCommandUserProfileLine = 116;
constexpr std::uint16_t kCommandUserProfileImage = 117;

const CompiledModel* ModelOf(DriverContext* context)
{
    return context ? context->compiledModel : nullptr;
}

std::string Ansi(const WCHAR* text, int bytes = kAnsiBytes)
{
    std::vector<char> buffer(static_cast<std::size_t>(bytes), 0);
    WideToAnsi(buffer.data(), text, bytes);
    return std::string(buffer.data());
}

std::string Quoted(std::string_view text)
{
    std::string out = "\"";
    out += text;
    out += '"';
    return out;
}

// Everything the emitters of one GroupType statement need.
struct Statement {
    DriverContext* context;
    JobCommandState* job;
    SettingItemDescriptor* item;
    BlockOffset entry;
    model::UiEntryRecord record;
    std::uint32_t value;  // the item's value as an option id
    CommandSink* sink;

    void Emit(std::string_view text) const { EmitWithOptionCommand(context, record.commands, text, true, sink); }
    // Kinds whose empty text emits nothing.
    void EmitUnlessEmpty(std::string_view text) const
    {
        if (!text.empty()) Emit(text);
    }
};

// The option record of the entry with the option id; false when none.
bool FindOption(const Statement& s, std::uint32_t optionId, model::UiOptionRecord* out)
{
    if (!model::IsPickKind(s.record.type)) return false;
    const CompiledModel* model = ModelOf(s.context);
    for (BlockOffset at = s.record.options; at != 0;) {
        model::UiOptionRecord option = model::ReadUiOption(model, at, s.record.type);
        if (option.optionId == optionId) {
            *out = option;
            return true;
        }
        at = option.next;
    }
    return false;
}

// ---- the emitters by UI type ------------------------------------------------------------------

void EmitPickOption(const Statement& s)
{
    model::UiOptionRecord option{};
    if (!FindOption(s, s.value, &option) || option.invocation == 0) return;
    s.Emit(model::ReadBlockText(ModelOf(s.context), option.invocation));
}

void EmitBooleanValue(const Statement& s)
{
    if (model::UiKind(s.record.type) != model::kUiBoolean || s.record.options == 0) return;
    model::BooleanRecord boolean = model::ReadBooleanRecord(ModelOf(s.context), s.record.options);
    BlockOffset invocation = s.value != 0 ? boolean.trueInvocation : boolean.falseInvocation;
    if (invocation == 0) return;
    s.Emit(model::ReadBlockText(ModelOf(s.context), invocation));
}

// value x seventh / eighth of the entry's range, unsigned 32-bit, in
// decimal. An eighth value of 0 emits nothing: the statement is skipped and
// the group goes on.
void EmitNumericValue(const Statement& s)
{
    if (s.record.options == 0) return;
    const model::NumericRecord range = model::ReadNumericRecord(ModelOf(s.context), s.record.options);
    const std::uint32_t seventh = range.moreValues[2];
    const std::uint32_t eighth = range.moreValues[3];
    if (eighth == 0) return;
    s.Emit(std::to_string(s.value * seventh / eighth));
}

void EmitStringValue(const Statement& s)
{
    // Text items of either width read as UTF-16 and leave as ANSI.
    WCHAR text[kTextChars] = {};
    if (GetItemString(s.context, s.item, text, kTextChars) == nullptr) return;
    s.EmitUnlessEmpty(Ansi(text));
}

// ---- the font lines ------------------------------------------------------------------------------

// The last byte written (the last '/', or the opening quote of an empty list)
// becomes the closing quote; an empty list keeps its opening quote too.
void WriteFontListLine(std::string_view name, const std::vector<std::string>& entries, CommandSink* sink)
{
    std::string line = "@PJL SET ";
    line += name;
    line += " = \"";
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (i != 0) line += '/';
        line += entries[i];
    }
    line += "\" \r\n";
    sink->Put(line);
}

void EmitDeviceFontLine(DriverContext* context, CommandSink* sink)
{
    // The list's own count: never more records than its block holds.
    const std::uint32_t count = GetHeapListCount(context, rdmDeviceFontNum, rdmDeviceFont, sizeof(DeviceFontRecord));
    const auto* fonts = static_cast<const DeviceFontRecord*>(GetItemHeapAddress(context, rdmDeviceFont));
    if (count == 0 || fonts == nullptr) return;
    std::vector<std::string> entries;
    for (std::uint32_t i = 0; i < count; ++i) {
        if ((fonts[i].id & 0xFFFF) == 0xFFFF) continue;
        entries.push_back(std::to_string(fonts[i].id & 0xFFFF) + "+" + Ansi(fonts[i].name, kFontNameAnsiBytes));
    }
    WriteFontListLine("DEVFONTID", entries, sink);
}

void EmitFontSubstitutionLine(const Statement& s)
{
    model::UiOptionRecord option{};
    if (!FindOption(s, s.value, &option) || option.count == 0) return;
    const std::uint32_t count = GetHeapListCount(s.context, rdmFontTableNum, rdmFontTable, sizeof(FontSubstPair));
    const auto* pairs = static_cast<const FontSubstPair*>(GetItemHeapAddress(s.context, rdmFontTable));
    if (count == 0 || pairs == nullptr) return;
    std::vector<std::string> entries;
    for (std::uint32_t i = 0; i < count; ++i) {
        entries.push_back(Ansi(pairs[i].trueTypeFace, kFontNameAnsiBytes) + "+" +
                          Ansi(pairs[i].deviceFont, kFontNameAnsiBytes));
    }
    WriteFontListLine("SUBFONTTABLE", entries, s.sink);
}

// ---- special emission kinds -------------------------------------------------------------------------

void EmitDateTime(const Statement& s)
{
    SYSTEMTIME now{};
    GetLocalTime(&now);
    char date[32];
    std::snprintf(date, sizeof date, "%04d/%02d/%02d", now.wYear, now.wMonth, now.wDay);
    WritePjlSetLine("DATE", Quoted(date), s.sink);
    char time[32];
    std::snprintf(time, sizeof time, "%02d:%02d:%02d", now.wHour, now.wMinute, now.wSecond);
    s.Emit(Quoted(time));
}

// Kinds 2, 9 and 10: value x seventh x rdmDstResolutionW / (eighth x 1200),
// negated for the shift directions that ask for it. Margins are signed
// items, so the product is taken with its sign (an unsigned product would
// turn a negative margin into a huge one) and printed as a signed decimal.
void EmitScaledMargin(const Statement& s, bool negate)
{
    if (model::UiKind(s.record.type) != model::kUiNumeric || s.record.options == 0) return;
    const model::NumericRecord range = model::ReadNumericRecord(ModelOf(s.context), s.record.options);
    const std::int64_t seventh = range.moreValues[2];
    const std::int64_t eighth = range.moreValues[3];
    if (eighth == 0) return;
    const std::int64_t resolution = GetItemValue(s.context, rdmDstResolutionW);
    const std::int64_t value = static_cast<std::int32_t>(s.value);
    std::int64_t scaled = value * seventh * resolution / (eighth * 1200);
    if (negate) scaled = -scaled;
    s.Emit(std::to_string(static_cast<std::int32_t>(scaled)));
}

void EmitDriverName(const Statement& s)
{
    ContextWorkArea* work = s.context->workArea;
    WritePjlSetLine("VEXLDRIVERNAME", Quoted(work ? Ansi(work->driverName) : std::string()), s.sink);
    WCHAR section[kTextChars] = {};
    if (work) ReplaceSectionBrackets(section, work->printerName, kTextChars);
    s.Emit(Quoted(Ansi(section)));
}

std::string LogFileName(DriverContext* context)
{
    WCHAR name[kTextChars] = {};
    if (!ReadLogFileName(name, kTextChars, context)) return {};
    return Ansi(name);
}

void EmitPlainText(const Statement& s)
{
    const std::uint8_t* address = GetItemAddress(s.context, s.item);
    if (address == nullptr) return;
    const std::size_t length = ItemLength(*s.item);
    std::string text;
    for (std::size_t i = 0; i < length && address[i] != 0; ++i) {
        const char c = static_cast<char>(address[i]);
        if (c != '-' && c != '(' && c != ')') text += c;
    }
    s.EmitUnlessEmpty(text);
}

void EmitOptionText(const Statement& s)
{
    model::UiOptionRecord option{};
    if (!FindOption(s, s.value, &option) || option.invocation == 0) return;
    for (OptionTextRow& row : s.job->optionTexts) {
        if (row.optionId == 0 || row.optionId != s.value) continue;
        // The row's text is reloaded by its own string id.
        LoadUiString(s.context, row.stringId, row.text, kOptionTextChars, FALSE);
        s.EmitUnlessEmpty(Ansi(row.text));
        return;
    }
    s.Emit(model::ReadBlockText(ModelOf(s.context), option.invocation));
}

// The invocation of the wdmChapterTray option whose stored value is tray.
std::string ChapterTrayInvocation(DriverContext* context, std::uint32_t tray)
{
    SettingItemDescriptor* item = FindItem(context, wdmChapterTray);
    BlockOffset entry = FindUiEntry(wdmChapterTray, context);
    if (item == nullptr || entry == 0) return {};
    const std::uint32_t optionId = OptionFromStoredValue(context, item, tray);
    BlockOffset option = FindUiOption(context, entry, static_cast<std::uint16_t>(optionId));
    if (option == 0) return {};
    const model::UiEntryRecord record = ReadContextUiEntry(context, entry);
    const model::UiOptionRecord read = model::ReadUiOption(ModelOf(context), option, record.type);
    return std::string(model::ReadBlockText(ModelOf(context), read.invocation));
}

struct ChapterTray {
    std::int16_t tray;
    std::uint8_t print;
};

void EmitChapterLines(const Statement& s)
{
    EmitBooleanValue(s);
    if (s.value == 0) return;
    DriverContext* context = s.context;
    const std::uint32_t chapterCount = GetItemValue(context, wdmChapterNum);
    std::uint32_t trayMax = GetItemValue(context, wdmChapterTrayMax);
    if (chapterCount == 0 || trayMax == 0 || s.job->readChapter == nullptr) return;

    std::vector<ChapterEntry> chapters;
    std::vector<ChapterTray> trays;
    for (std::uint32_t i = 0; i < chapterCount; ++i) {
        ChapterEntry chapter{};
        if (!s.job->readChapter(context, static_cast<int>(i), &chapter)) break;
        chapters.push_back(chapter);
        if (chapter.kind != 0 && chapter.kind != 3) continue;
        auto listed =
            std::find_if(trays.begin(), trays.end(), [&](const ChapterTray& t) { return t.tray == chapter.tray; });
        if (listed == trays.end()) {
            trays.push_back({chapter.tray, chapter.print});
        } else if (chapter.print != 0) {
            listed->print = chapter.print;
        }
    }
    trayMax = std::min<std::uint32_t>(trayMax, static_cast<std::uint32_t>(trays.size()));
    const bool duplex = GetItemValue(context, rdmFuncSelectDuplex) != 0;
    for (std::uint32_t i = 0; i < trayMax; ++i) {
        const std::string n = std::to_string(i + 1);
        WritePjlSetLine("CHAPTERPRINTTRAY" + n,
                        ChapterTrayInvocation(context, static_cast<std::uint16_t>(trays[i].tray)), s.sink);
        WritePjlSetLine("CHAPTERPRINTDUPLEX" + n, duplex && trays[i].print == 1 ? "ON" : "OFF", s.sink);
    }
    auto trayPosition = [&](std::int16_t tray) {
        for (std::size_t k = 0; k < trays.size(); ++k)
            if (trays[k].tray == tray) return std::to_string(k + 1);
        return std::string("0");
    };
    for (std::size_t j = 0; j < chapters.size(); ++j) {
        const ChapterEntry& chapter = chapters[j];
        const std::string n = std::to_string(j + 1);
        if (chapter.kind <= 2) {
            WritePjlSetLine("CHAPTERPAGENUMBER" + n, std::to_string(chapter.page), s.sink);
        } else if (chapter.kind == 3) {
            std::string range = Ansi(chapter.pageRange, 16);
            const std::size_t dash = range.find('-');
            const std::string first = range.substr(0, dash);
            const std::string last = dash == std::string::npos ? first : range.substr(dash + 1);
            WritePjlSetLine("CHAPTERPAGESTART" + n, first, s.sink);
            WritePjlSetLine("CHAPTERPAGEEND" + n, last, s.sink);
            WritePjlSetLine("CHAPTERPAGETRAY" + n, "CHAPTERPRINTTRAY" + trayPosition(chapter.tray), s.sink);
        }
        if (chapter.kind == 0) {
            WritePjlSetLine("CHAPTERPAGE" + n, chapter.print == 1 || chapter.print == 2 ? "COPY" : "BLANK", s.sink);
            WritePjlSetLine("CHAPTERPAGETRAY" + n, "CHAPTERPRINTTRAY" + trayPosition(chapter.tray), s.sink);
        } else if (chapter.kind == 1 || chapter.kind == 2) {
            WritePjlSetLine("CHAPTERPAGE" + n, "BREAK", s.sink);
        }
    }
}

// The text of the item that the colour module's profile-path record names:
// the item of the record's symbol, else the item it is bound to. False when
// there is no such item or its text is empty.
bool ReadUserProfilePath(DriverContext* context, WCHAR* out, int chars)
{
    if (out == nullptr || chars <= 0) return false;
    out[0] = 0;
    const PageItem* control = GetProfilePathControl(context);
    if (control == nullptr) return false;
    SettingItemDescriptor* item = control->symbolKey ? FindItemByKey(context, control->symbolKey) : nullptr;
    if (item == nullptr && control->item != nullptr) item = FindItem(context, control->item->id);
    if (item == nullptr || GetItemString(context, item, out, chars) == nullptr) {
        out[0] = 0;
        return false;
    }
    return out[0] != 0;
}

// The colour-matching item an adjusted job reads, by the entry's variant.
std::uint16_t AdjustedMatchingItem(std::uint16_t variant)
{
    if (variant == 0) return wdmColorMatchingText;
    if (variant == 1 || variant == 2) return wdmColorMatchingLine;
    return wdmColorMatchingImage;
}

std::string DriverDirectoryAnsi(DriverContext* context)
{
    const WCHAR* directory = GetDriverDirectory(context);
    return directory ? Ansi(directory) : std::string();
}

void EmitColorDataFile(const Statement& s)
{
    DriverContext* context = s.context;
    if (GetItemValue(context, rdmMachineTypeColor) == 0) return;
    const std::uint16_t variant = s.record.variant;
    std::uint32_t b = GetItemValue(context, rdmColorMatchingMode);
    if (GetItemValue(context, rdmAdjustMode) == 1) b = GetItemValue(context, AdjustedMatchingItem(variant));
    if (b == 0 || b == 131) return;
    const bool transparency = GetItemValue(context, rdmMediaType) == 2;
    const char* name;
    if (variant > 2 || (b != 1 && b != 128 && b != 130)) {
        name = transparency ? kColorData4 : kColorData2;
    } else {
        name = transparency ? kColorData3 : kColorData1;
    }
    s.Emit(DriverDirectoryAnsi(context) + name);
}

void EmitColorMatchingFile(const Statement& s)
{
    DriverContext* context = s.context;
    if (GetItemValue(context, rdmMachineTypeColor) == 0) return;
    const std::uint16_t variant = s.record.variant;
    const bool adjusted = GetItemValue(context, rdmAdjustMode) == 1;
    std::uint32_t c = 0;
    if (adjusted) {
        c = GetItemValue(context, AdjustedMatchingItem(variant));
    } else {
        const std::uint32_t mode = GetItemValue(context, rdmColorMatchingMode);
        c = mode;
        if (mode >= 128 && mode <= 131) {
            if (variant == 3 || mode == 129) {
                c = 2;
            } else if ((variant == 1 || variant == 2) && (mode == 128 || mode == 130)) {
                c = 1;
            } else if (variant == 0 && (mode == 128 || mode == 130)) {
                c = 6;
            } else {
                c = 0;
            }
        }
    }
    if (c == 0) return;
    if (c >= 200 && c <= 215) {
        std::uint16_t command = kCommandUserProfile;
        if (adjusted) {
            command = variant == 0                     ? kCommandUserProfileText
                      : (variant == 1 || variant == 2) ? kCommandUserProfileLine
                                                       : kCommandUserProfileImage;
        }
        SendSettingsModuleCommand(context, command);
        WCHAR path[kTextChars] = {};
        if (ReadUserProfilePath(context, path, kTextChars)) s.EmitUnlessEmpty(Ansi(path));
        return;
    }
    const char* name = c == 2 ? kColorData2 : c == 6 ? kColorData3 : kColorData1;
    s.Emit(DriverDirectoryAnsi(context) + name);
}

// Non-zero when the kind ended the statement.
int EmitSpecialKind(const Statement& s, std::uint16_t kind)
{
    switch (kind) {
    case kEmitDateTime:
        EmitDateTime(s);
        return 1;
    case kEmitScaledMargin:
        EmitScaledMargin(s, false);
        return 1;
    case kEmitDriverName:
        EmitDriverName(s);
        return 1;
    case kEmitIniPath: {
        const WCHAR* path = GetSettingsIniPath(s.context);
        s.EmitUnlessEmpty(path ? Ansi(path) : std::string());
        return 1;
    }
    case kEmitLogFile:
        s.EmitUnlessEmpty(LogFileName(s.context));
        return 1;
    case kEmitLogLibrary: {
        std::string name = LogFileName(s.context);
        if (name.size() > 3) name.replace(name.size() - 3, 3, "DLL");
        s.EmitUnlessEmpty(name);
        return 1;
    }
    case kEmitPlainText:
        EmitPlainText(s);
        return 1;
    case kEmitShiftX: {
        const std::uint32_t direction = GetItemValue(s.context, rdmShiftDir);
        EmitScaledMargin(s, direction == 2 || direction == 4);
        return 1;
    }
    case kEmitShiftY: {
        const std::uint32_t direction = GetItemValue(s.context, rdmShiftDir);
        EmitScaledMargin(s, direction == 3 || direction == 4);
        return 1;
    }
    case kEmitChapters:
        EmitChapterLines(s);
        return 1;
    case kEmitDriverDirectory:
        s.EmitUnlessEmpty(DriverDirectoryAnsi(s.context));
        return 1;
    case kEmitOptionText:
        EmitOptionText(s);
        return 1;
    case kEmitColorDataFile:
        EmitColorDataFile(s);
        return 1;
    case kEmitColorMatchingFile:
        EmitColorMatchingFile(s);
        return 1;
    default:
        return 0;
    }
}

int EmitGroupType(DriverContext* context, JobCommandState* job, const model::CommandNodeRecord& node, CommandSink* sink)
{
    SettingItemDescriptor* item = FindItemByKey(context, node.symbolKey);
    BlockOffset entry = FindUiEntryBySymbol(context, node.symbolKey, static_cast<std::uint16_t>(node.format));
    if (item == nullptr || entry == 0) return kGroupFailed;
    Statement s{context, job, item, entry, ReadContextUiEntry(context, entry), ReadItemOption(context, item), sink};
    if (item->emissionKind != 0 && EmitSpecialKind(s, item->emissionKind) != 0) return 0;
    if (s.record.type & model::kUiTypeUnknown) return 0;
    // The low byte of the type chooses the emitter: every pick kind (one,
    // page, slot, font table) emits its option.
    switch (GetUiTypeCode(context, entry)) {
    case model::kUiPickOne:
        EmitPickOption(s);
        break;
    case model::kUiBoolean:
        EmitBooleanValue(s);
        break;
    case model::kUiNumeric:
        EmitNumericValue(s);
        break;
    case model::kUiString:
        EmitStringValue(s);
        break;
    default:
        return 0;
    }
    if (model::UiKind(s.record.type) == model::kUiFontTbl) EmitFontSubstitutionLine(s);
    return 0;
}

}  // namespace

bool ReadStoredChapter(DriverContext* context, int index, ChapterEntry* out)
{
    const ChapterRecord* record = GetChapterRecord(context, index);
    if (record == nullptr) return false;
    *out = ChapterEntry{record->page, record->tray, record->kind, record->print, {}};
    static_assert(sizeof out->pageRange == sizeof record->pageRange);
    std::memcpy(out->pageRange, record->pageRange, sizeof out->pageRange);
    return true;
}

void InitJobCommandState(JobCommandState* job)
{
    if (job == nullptr) return;
    *job = JobCommandState{};
    job->readChapter = ReadStoredChapter;
    for (int i = 0; i < kOptionTextRows; ++i) {
        job->optionTexts[i].optionId = kOptionTextIds[i].optionId;
        job->optionTexts[i].stringId = kOptionTextIds[i].stringId;
    }
}

void CommandSink::Put(std::string_view bytes)
{
    if (buffer != nullptr) {
        if (overflow || bytes.size() > static_cast<std::size_t>(capacity - count)) {
            overflow = true;
            return;
        }
        std::memcpy(buffer + count, bytes.data(), bytes.size());
    }
    count += static_cast<std::int32_t>(bytes.size());
}

void WritePjlSetLine(std::string_view name, std::string_view value, CommandSink* sink)
{
    std::string line = "@PJL SET ";
    line += name;
    line += " = ";
    line += value;
    line += " \r\n";
    sink->Put(line);
}

void EmitWithOptionCommand(DriverContext* context, BlockOffset optionCommand, std::string_view text, bool hasText,
                           CommandSink* sink)
{
    model::CommandPairRecord pair{};
    if (optionCommand != 0) pair = model::ReadCommandPair(ModelOf(context), optionCommand);
    if (pair.before != 0) sink->Put(model::ReadBlockText(ModelOf(context), pair.before));
    if (hasText) sink->Put(text);
    if (pair.after != 0) sink->Put(model::ReadBlockText(ModelOf(context), pair.after));
}

int RunCommandBlock(DriverContext* context, JobCommandState* job, BlockOffset block, CommandSink* sink)
{
    if (block == 0) return 0;
    const model::CommandBlockRecord record = model::ReadCommandBlock(ModelOf(context), block);
    const bool then = record.judge == 0 || EvaluateJudge(record.judge, context) != 0;
    return RunCommandList(context, job, then ? record.thenList : record.elseList, sink);
}

int RunCommandList(DriverContext* context, JobCommandState* job, BlockOffset first, CommandSink* sink)
{
    const CompiledModel* model = ModelOf(context);
    int result = 0;
    for (BlockOffset at = first; at != 0;) {
        const model::CommandNodeRecord node = model::ReadCommandNode(model, at);
        switch (node.kind) {
        case model::kNodeGroupType:
            result = EmitGroupType(context, job, node, sink);
            break;
        case model::kNodeStringType:
            if (node.bytes != 0 && node.length > 1) {
                const std::string_view bytes = model::ReadBlockText(model, node.bytes);
                sink->Put(bytes.substr(0, static_cast<std::size_t>(node.length - 1)));
            }
            result = 0;
            break;
        case model::kNodeCommand:
            result = RunCommandBlock(context, job, node.block, sink);
            break;
        case model::kNodeFontType:
            EmitDeviceFontLine(context, sink);
            result = 0;
            break;
        default:
            result = kGroupFailed;
            break;
        }
        if (result == kGroupFailed || sink->overflow) return kGroupFailed;
        at = node.next;
    }
    return result;
}

int RunCommandGroup(DriverContext* context, JobCommandState* job, BlockOffset block, char* buffer,
                    std::int32_t capacity, std::int32_t* count)
{
    CommandSink sink;
    sink.buffer = buffer;
    sink.capacity = buffer ? std::max(capacity, 0) : 0;
    JobCommandState fallback{};
    if (job == nullptr) {
        InitJobCommandState(&fallback);
        job = &fallback;
    }
    int result = context && context->compiledModel ? RunCommandBlock(context, job, block, &sink) : kGroupFailed;
    if (sink.overflow) result = kGroupFailed;
    if (count) *count = result == kGroupFailed ? 0 : sink.count;
    if (result == kGroupFailed || buffer != nullptr) return result;
    return sink.count > 0 ? 1 : 0;
}

namespace {
int RunGroup(DriverContext* context, JobCommandState* job, model::CommandGroup group, char* buffer,
             std::int32_t capacity, std::int32_t* count)
{
    if (context == nullptr || context->compiledModel == nullptr) {
        if (count) *count = 0;
        return kGroupFailed;
    }
    return RunCommandGroup(context, job, model::GetCommandGroup(context->compiledModel, group), buffer, capacity,
                           count);
}
}  // namespace

int RunJobStartGroup(DriverContext* context, JobCommandState* job, char* buffer, std::int32_t capacity,
                     std::int32_t* count)
{
    return RunGroup(context, job, model::kJobStart, buffer, capacity, count);
}

int RunPageStartGroup(DriverContext* context, JobCommandState* job, char* buffer, std::int32_t capacity,
                      std::int32_t* count)
{
    return RunGroup(context, job, model::kPageStart, buffer, capacity, count);
}

int RunPageEndGroup(DriverContext* context, JobCommandState* job, char* buffer, std::int32_t capacity,
                    std::int32_t* count)
{
    return RunGroup(context, job, model::kPageEnd, buffer, capacity, count);
}

long EmitCommandGroupText(void* emission, BYTE* buffer)
{
    auto* call = static_cast<GroupEmission*>(emission);
    if (call == nullptr) return kGroupFailed;
    std::int32_t count = 0;
    if (buffer == nullptr) {
        call->measured = 0;
        if (RunGroup(call->context, call->job, call->group, nullptr, 0, &count) == kGroupFailed) return kGroupFailed;
        call->measured = count;
        return count;
    }
    if (RunGroup(call->context, call->job, call->group, reinterpret_cast<char*>(buffer), call->measured, &count) ==
        kGroupFailed) {
        return kGroupFailed;
    }
    return count;
}

BOOL BuildCommandGroupText(DriverContext* context, JobCommandState* job, model::CommandGroup group,
                           std::vector<char>* out)
{
    if (out == nullptr) return FALSE;
    out->clear();
    std::int32_t measured = 0;
    if (RunGroup(context, job, group, nullptr, 0, &measured) == kGroupFailed) return FALSE;
    if (measured == 0) return TRUE;
    std::vector<char> buffer(static_cast<std::size_t>(measured));
    std::int32_t written = 0;
    if (RunGroup(context, job, group, buffer.data(), measured, &written) == kGroupFailed) return FALSE;
    buffer.resize(static_cast<std::size_t>(written));
    *out = std::move(buffer);
    return TRUE;
}

}  // namespace vexl::graphics
