#include "common/storage/resources.h"

#include "common/core/context.h"
#include "common/core/items.h"
#include "common/core/languages.h"
#include "common/core/le.h"
#include "common/core/module_events.h"
#include "common/core/settings_modules.h"
#include "common/core/textconv.h"
#include "common/core/units.h"
#include "common/storage/directories.h"
#include "common/storage/module_custom_paper.h"

#include <array>
#include <cstring>
#include <string>
#include <string_view>

namespace vexl {
namespace {

constexpr int kCustomMediaNameChars = 257;

constexpr std::uint32_t kMetricUnitString = 153;
constexpr std::uint32_t kInchUnitString = 154;
constexpr int kUnitTextChars = 16;
constexpr int kSlotNameBytes = 64;
constexpr std::uint32_t kBitmapInfoHeaderSize = 40;
constexpr std::uint32_t kBitmapHeaderSizeOffset = 14;

constexpr std::size_t kCompletionRows = 79;

constexpr std::array<StringCompletionEntry, kCompletionRows + 1> BuildCompletionTable()
{
    std::array<StringCompletionEntry, kCompletionRows + 1> table{};
    std::size_t row = 0;
    auto add = [&](std::uint32_t id, std::uint16_t parameter, std::uint32_t kind) {
        table[row++] = {id, parameter, 0, kind};
    };
    for (std::uint16_t n = 0; n < 9; ++n)
        add(29 + n, static_cast<std::uint16_t>(wdmPrintPostTray1Name + n), kCompleteBinName);
    for (std::uint16_t n = 0; n < 9; ++n)
        add(813 + n, static_cast<std::uint16_t>(wdmPrintPostTray1Name + n), kCompleteBinName);
    for (std::uint16_t n = 0; n < 9; ++n)
        add(50017 + n, static_cast<std::uint16_t>(wdmPrintPostTray1Name + n), kCompleteBinName);
    for (std::uint16_t n = 0; n < 10; ++n) add(109 + n, static_cast<std::uint16_t>(n + 1), kCompleteCustomSize);
    add(752, 11, kCompleteCustomSize);
    add(13379, 11, kCompleteCustomSize);
    add(753, 12, kCompleteCustomSize);
    add(13383, 12, kCompleteCustomSize);
    add(153, 0, kCompleteUnitText);
    add(154, 0, kCompleteUnitText);
    for (std::uint32_t n = 0; n < 16; ++n) add(565 + n, 0, kCompleteModuleText);
    for (std::uint32_t n = 0; n < 4; ++n) add(13273 + n, 0, kCompleteSizeRange);
    for (std::uint16_t n = 0; n < 16; ++n)
        add(13708 + n, static_cast<std::uint16_t>(wdmCustomMedia1Name + n), kCompleteCustomMedia);
    return table;
}

constexpr auto kCompletionTable = BuildCompletionTable();
static_assert(kCompletionTable[kCompletionRows - 1].stringId != 0 && kCompletionTable[kCompletionRows].stringId == 0);

const StringCompletionEntry* FindCompletion(std::uint32_t stringId)
{
    for (const StringCompletionEntry& row : kCompletionTable) {
        if (row.stringId == 0) break;
        if (row.stringId == stringId) return &row;
    }
    return nullptr;
}

// Appends text to the terminated text in buffer (size characters), cut to fit.
// Appends within size characters and always terminates; a buffer handed in
// without a terminator is cut at its last character.
void AppendText(WCHAR* buffer, int size, std::u16string_view text)
{
    if (buffer == nullptr || size <= 0) return;
    int length = 0;
    while (length + 1 < size && buffer[length] != 0) ++length;
    for (char16_t c : text) {
        if (length + 1 >= size) break;
        buffer[length++] = c;
    }
    buffer[length] = 0;
}

void ReplaceText(WCHAR* buffer, int size, std::u16string_view text)
{
    buffer[0] = 0;
    AppendText(buffer, size, text);
}

std::u16string Widen(std::string_view ascii)
{
    return std::u16string(ascii.begin(), ascii.end());
}

// "%ld.%0Nu" of value / 10^decimals.
std::u16string FixedText(std::int64_t value, int decimals)
{
    std::int64_t scale = 1;
    for (int i = 0; i < decimals; ++i) scale *= 10;
    const bool negative = value < 0;
    const std::uint64_t magnitude = negative ? static_cast<std::uint64_t>(-value) : static_cast<std::uint64_t>(value);
    std::string text = (negative ? "-" : "") + std::to_string(magnitude / static_cast<std::uint64_t>(scale));
    if (decimals > 0) {
        std::string fraction = std::to_string(magnitude % static_cast<std::uint64_t>(scale));
        text += '.' + std::string(static_cast<std::size_t>(decimals) - fraction.size(), '0') + fraction;
    }
    return Widen(text);
}

bool IsMetric(DriverContext* context)
{
    return IsMetricUnit(context) != FALSE;
}

std::uint32_t DisplayKind(DriverContext* context)
{
    return IsMetric(context) ? kUnitTenthMm : kUnitHundredthInch;
}

// "(w x l" of two dot counts in display units.
std::u16string SizeText(DriverContext* context, std::uint32_t widthDots, std::uint32_t lengthDots)
{
    const int decimals = IsMetric(context) ? 1 : 2;
    const std::uint32_t kind = DisplayKind(context);
    return u"(" + FixedText(DotsToUnits(kind, widthDots, kGeometryDpi), decimals) + u" x " +
           FixedText(DotsToUnits(kind, lengthDots, kGeometryDpi), decimals);
}

std::u16string UnitText(DriverContext* context)
{
    WCHAR unit[kUnitTextChars] = {};
    LoadUiString(context, IsMetric(context) ? kMetricUnitString : kInchUnitString, unit, kUnitTextChars, FALSE);
    return unit;
}

std::uint32_t Clamp(std::uint32_t value, std::int32_t minimum, std::int32_t maximum)
{
    if (maximum >= 0 && value > static_cast<std::uint32_t>(maximum)) return static_cast<std::uint32_t>(maximum);
    if (minimum >= 0 && value < static_cast<std::uint32_t>(minimum)) return static_cast<std::uint32_t>(minimum);
    return value;
}

void CompleteCustomSlot(DriverContext* context, std::uint16_t slot, WCHAR* text, int size)
{
    const PaperSizeRow& row = context->workArea->paperTable[slot];
    std::uint32_t width = row.width;
    std::uint32_t length = row.length;
    std::int32_t minimum = 0;
    std::int32_t maximum = 0;
    if (GetTrayPaperLimitsFor(context, row.tray, row.orientation, &minimum, &maximum, FALSE))
        width = Clamp(width, minimum, maximum);
    if (GetTrayPaperLimitsFor(context, row.tray, row.orientation, &minimum, &maximum, TRUE))
        length = Clamp(length, minimum, maximum);
    char name[kSlotNameBytes + 1] = {};
    // The slot's user name, never the display name this caption is used to fill.
    std::memcpy(name, row.userName, kSlotNameBytes);
    WCHAR wide[kSlotNameBytes + 1] = {};
    AnsiToWide(wide, name, kSlotNameBytes + 1);
    ReplaceText(text, size, wide);
    AppendText(text, size, SizeText(context, width, length));
}

// The limits of the current custom size's tray in display units, as text.
void CompleteSizeRange(DriverContext* context, std::uint32_t stringId, WCHAR* text, int size)
{
    const bool metric = IsMetric(context);
    std::u16string minimumText = metric ? u"0" : u"0.00";
    std::u16string maximumText = minimumText;
    std::uint32_t tray = 0;
    std::uint32_t orientation = 0;
    const bool onSizePage = GetFreeSizePageTray(context, &tray, &orientation) != FALSE;
    std::int32_t minimum = 0;
    std::int32_t maximum = 0;
    const BOOL length = stringId == 13273 || stringId == 13274;
    if (onSizePage && GetTrayPaperLimitsFor(context, tray, orientation, &minimum, &maximum, length)) {
        auto format = [&](std::int32_t dots) {
            WCHAR value[kFixedPointChars] = {};
            const std::uint32_t units =
                DotsToUnits(DisplayKind(context), static_cast<std::uint32_t>(dots), kGeometryDpi);
            FormatFixedPoint(value, metric ? 10 : 100, static_cast<std::int32_t>(units), context);
            std::u16string out = value;
            if (metric && !out.empty() && out.back() == u'0' && out.size() >= 2) out.resize(out.size() - 2);
            return out;
        };
        minimumText = format(minimum);
        maximumText = format(maximum);
    }
    // The loaded text is a format with two "%s" placeholders.
    const std::u16string format = text;
    std::u16string result;
    const std::u16string* arguments[] = {&minimumText, &maximumText};
    std::size_t next = 0;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == u'%' && i + 1 < format.size() && format[i + 1] == u's') {
            if (next < 2) result += *arguments[next++];
            ++i;
        } else if (format[i] == u'%' && i + 1 < format.size() && format[i + 1] == u'%') {
            result += u'%';
            ++i;
        } else {
            result += format[i];
        }
    }
    ReplaceText(text, size, result);
}

}  // namespace

const StringCompletionEntry* GetStringCompletionTable()
{
    return kCompletionTable.data();
}

BOOL GetTrayPaperLimitsFor(DriverContext* context, std::uint32_t tray, std::uint32_t orientation, std::int32_t* outMin,
                           std::int32_t* outMax, BOOL length)
{
    return GetTrayPaperLimits(context, tray, orientation, outMin, outMax, length);
}

HMODULE LoadUiResourceLibrary(DriverContext* context)
{
    if (context == nullptr) return nullptr;
    if (context->uiResourceLibrary == nullptr) {
        ContextWorkArea* work = context->workArea;
        const std::uint32_t language = GetItemValue(context, rdmLanguageID) + 1;
        if (work && work->uiLibraryFailedLanguage == language) return nullptr;
        const WCHAR* path = GetUiResourceLibraryPath(context);
        if (path && path[0]) context->uiResourceLibrary = LoadLibraryW(path);
        if (work) work->uiLibraryFailedLanguage = context->uiResourceLibrary ? 0 : language;
    }
    return context->uiResourceLibrary;
}

DriverContext* FreeUiResourceLibraries(DriverContext* context)
{
    if (context == nullptr) return context;
    if (context->uiResourceLibrary) FreeLibrary(context->uiResourceLibrary);
    if (context->secondResourceLibrary) FreeLibrary(context->secondResourceLibrary);
    context->uiResourceLibrary = nullptr;
    context->secondResourceLibrary = nullptr;
    return context;
}

int LoadUiString(DriverContext* context, std::uint32_t stringId, WCHAR* out, int size, BOOL complete)
{
    if (out == nullptr || size <= 0) return 0;
    out[0] = 0;
    HMODULE library = LoadUiResourceLibrary(context);
    if (library == nullptr) return 0;
    const int length = LoadStringW(library, stringId, out, size);
    if (!complete) return length;
    CompleteResourceString(context, stringId, out, size);
    return 0;
}

void CompleteResourceString(DriverContext* context, std::uint32_t stringId, WCHAR* text, int size)
{
    if (context == nullptr || context->workArea == nullptr || text == nullptr || size <= 0) return;
    const StringCompletionEntry* row = FindCompletion(stringId);
    if (row == nullptr) return;
    switch (row->kind) {
    case kCompleteBinName: {
        WCHAR name[64] = {};
        GetItemString(context, FindItem(context, row->parameter), name, 64);
        AppendText(text, size, u":");
        AppendText(text, size, name);
        return;
    }
    case kCompleteCustomSize: {
        if (row->parameter >= 1 && row->parameter <= 10) {
            CompleteCustomSlot(context, static_cast<std::uint16_t>(row->parameter - 1), text, size);
        } else {
            const bool paper = row->parameter == 11;
            const auto width = GetItemDisplaySize(context, paper ? rdmPaperFreeSizeWidth : rdmPrintFreeSizeWidth, 0);
            const auto length = GetItemDisplaySize(context, paper ? rdmPaperFreeSizeLength : rdmPrintFreeSizeLength, 0);
            const int decimals = IsMetric(context) ? 1 : 2;
            AppendText(text, size, u"(" + FixedText(width, decimals) + u" x " + FixedText(length, decimals));
        }
        AppendText(text, size, UnitText(context));
        AppendText(text, size, u")");
        if (UsesDecimalComma(context)) UseDecimalComma(text);
        return;
    }
    case kCompleteUnitText:
        ReplaceText(text, size, UnitText(context));
        return;
    case kCompleteModuleText: {
        ModuleStringRequest request{stringId, text, size};
        NotifySettingsModules(context, kModuleEventStringText, &request);
        text[size - 1] = 0;
        return;
    }
    case kCompleteSizeRange:
        CompleteSizeRange(context, stringId, text, size);
        return;
    case kCompleteCustomMedia: {
        // A custom medium shows the name its user gave it, cut to the
        // buffer; without a name the loaded text stays.
        WCHAR name[kCustomMediaNameChars] = {};
        GetItemString(context, FindItem(context, row->parameter), name, kCustomMediaNameChars);
        if (name[0] != 0) ReplaceText(text, size, name);
        return;
    }
    default:
        return;
    }
}

void FormatFixedPoint(WCHAR* out, std::int32_t divisor, std::int32_t value, DriverContext* context)
{
    if (out == nullptr) return;
    int decimals = 0;
    for (std::int32_t d = divisor; d > 1; d /= 10) ++decimals;
    const std::u16string text = decimals >= 1 && decimals <= 4 ? FixedText(value, decimals) : FixedText(value, 0);
    ReplaceText(out, kFixedPointChars, text);
    if (UsesDecimalComma(context)) UseDecimalComma(out);
}

void UseDecimalComma(WCHAR* text)
{
    if (text == nullptr) return;
    for (int i = lstrlenW(text) - 1; i >= 0 && text[i] != u'('; --i) {
        if (text[i] == u'.') text[i] = u',';
    }
}

BOOL OpenBitmapFile(const WCHAR* path, HANDLE* out)
{
    if (path == nullptr || out == nullptr) return FALSE;
    *out = INVALID_HANDLE_VALUE;
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return FALSE;
    std::uint8_t field[4] = {};
    DWORD read = 0;
    const bool accepted =
        SetFilePointer(file, kBitmapHeaderSizeOffset, nullptr, FILE_BEGIN) == kBitmapHeaderSizeOffset &&
        ReadFile(file, field, sizeof(field), &read, nullptr) && read == sizeof(field) &&
        ReadLe32(field) == kBitmapInfoHeaderSize;
    if (!accepted) {
        CloseHandle(file);
        return FALSE;
    }
    SetFilePointer(file, 0, nullptr, FILE_BEGIN);
    *out = file;
    return TRUE;
}

}  // namespace vexl
