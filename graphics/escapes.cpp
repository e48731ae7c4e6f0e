// The escapes of the graphics library.
#include "graphics/escapes.h"

#include "common/core/item_ids.h"
#include "common/core/items.h"
#include "common/core/le.h"
#include "graphics/device_code.h"
#include "graphics/hooks.h"
#include "graphics/job_info.h"

#include <bit>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace vexl {
namespace {

// One call of DrvEscape: the buffers as the application stated them.
struct EscapeCall {
    Pdev* pdev;
    ULONG escape;
    ULONG inSize;
    const BYTE* in;
    ULONG outSize;
    BYTE* out;

    bool HasInput(ULONG bytes) const { return in != nullptr && inSize >= bytes; }
    bool OutputGiven() const { return out != nullptr && outSize > 0; }
    bool HasOutput(ULONG bytes) const { return out != nullptr && outSize >= bytes; }
};

ULONG RefuseInput(ULONG result)
{
    SetLastError(ERROR_INVALID_PARAMETER);
    return result;
}

ULONG RefuseOutput()
{
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
}

// A fixed text and its terminator.
ULONG AnswerText(const EscapeCall& call, const char* text, std::size_t length)
{
    if (!call.HasOutput(static_cast<ULONG>(length + 1))) return RefuseOutput();
    std::memcpy(call.out, text, length);
    call.out[length] = 0;
    return 1;
}

// The low 16 bits of a setting; without an output the escape still answers 1.
ULONG AnswerItemWord(const EscapeCall& call, std::uint16_t item)
{
    if (!call.OutputGiven()) return 1;
    if (!call.HasOutput(2)) return RefuseOutput();
    WriteLe16(call.out, static_cast<std::uint16_t>(GetItemValue(call.pdev->context, item)));
    return 1;
}

// ---- the escapes ---------------------------------------------------------------------------------------

ULONG QuerySupport(const EscapeCall& call)
{
    if (!call.HasInput(2)) return RefuseInput(0);
    const ULONG code = ReadLe16(call.in);
    if (code == kEscapeSetCopyCount) return kMaxCopyCount;
    return IsEscapeSupported(call.pdev, code) ? 1 : 0;
}

ULONG SetCopyCount(const EscapeCall& call)
{
    if (!call.HasInput(4)) return RefuseInput(kEscapeError);
    if (call.OutputGiven() && !call.HasOutput(4)) return RefuseOutput();
    const std::uint32_t asked = ReadLe32(call.in);
    const std::uint32_t copies = asked >= kMaxCopyCount ? kMaxCopyCount : asked == 0 ? 1 : asked;
    call.pdev->copies = static_cast<SHORT>(copies);
    SetItemValue(call.pdev->context, dmCopies, copies);
    if (call.OutputGiven()) WriteLe32(call.out, copies);
    return 1;
}

ULONG PassThrough(const EscapeCall& call)
{
    if (!call.HasInput(2)) return RefuseInput(kEscapeError);
    const std::uint16_t count = ReadLe16(call.in);
    if (call.inSize - 2 < count) return RefuseInput(kEscapeError);
    return FlushAndPassThrough(call.pdev, call.in + 2, count);
}

ULONG GetTechnology(const EscapeCall& call)
{
    return AnswerText(call, kTechnologyText, sizeof kTechnologyText - 1);
}

ULONG GetDeviceUnits(const EscapeCall& call)
{
    if (!call.HasOutput(16)) return RefuseOutput();
    const Pdev* pdev = call.pdev;
    const bool pageOpen = (pdev->flags & kPdevPageOpen) != 0;
    const float units[4] = {
        static_cast<float>(pdev->paper.printableWidthDots),
        static_cast<float>(pdev->paper.printableLengthDots),
        pageOpen ? static_cast<float>(pdev->paper.xOffset) : 0.0f,
        pageOpen ? static_cast<float>(pdev->paper.yOffset) : 0.0f,
    };
    for (int i = 0; i < 4; ++i) WriteLe32(call.out + 4 * i, std::bit_cast<std::uint32_t>(units[i]));
    return 1;
}

// The 8-bit text escapes and their settings.
struct TextEscape {
    ULONG escape;
    std::uint16_t item;
};
constexpr TextEscape kTextEscapes[] = {
    {111, rdmUserCode},
    {112, rdmOwnerName},
    {113, rdmJOBPassword},
    {114, rdmUserID},
    {115, rdmDocumentName},
    {116, rdmTelNo},
    {118, rdmStoredPassword},
    {123, wdmAuthenticationUserName},
    {124, wdmAuthenticationNetworkKey},
    {125, wdmAuthenticationPassword},
};

std::uint16_t TextEscapeItem(ULONG escape)
{
    for (const TextEscape& row : kTextEscapes)
        if (row.escape == escape) return row.item;
    return 0;
}

// At most the item's length less its terminator, up to the text's own end,
// and terminated.
ULONG SetSettingText(const EscapeCall& call)
{
    if (!call.HasInput(1)) return RefuseInput(0);
    SettingItemDescriptor* item = FindItem(call.pdev->context, TextEscapeItem(call.escape));
    if (item == nullptr || ItemLength(*item) == 0) return RefuseInput(0);
    const std::size_t most = std::min<std::size_t>(call.inSize, ItemLength(*item) - 1);
    std::vector<char> text(most + 1, '\0');
    const auto* end = static_cast<const BYTE*>(std::memchr(call.in, 0, most));
    std::memcpy(text.data(), call.in, end ? static_cast<std::size_t>(end - call.in) : most);
    WriteItemBytes(call.pdev->context, item, text.data(), text.size());
    return 1;
}

// The number the decimal text starts with, as atoi reads it; a number beyond
// the range of an int is held at its end.
ULONG SetTelLine(const EscapeCall& call)
{
    if (!call.HasInput(1)) return RefuseInput(0);
    char text[64] = {};
    std::memcpy(text, call.in, std::min<std::size_t>(call.inSize, sizeof text - 1));
    errno = 0;
    long number = std::strtol(text, nullptr, 10);
    number = std::max<long>(INT_MIN, std::min<long>(INT_MAX, number));
    SetItemValue(call.pdev->context, rdmTelLine, static_cast<std::uint32_t>(static_cast<int>(number)));
    return 1;
}

ULONG GetDefaultSource(const EscapeCall& call)
{
    return AnswerItemWord(call, dmDefaultSource);
}
ULONG GetPrintMethod(const EscapeCall& call)
{
    return AnswerItemWord(call, rdmPrnMethod);
}
ULONG GetApiUseFlag(const EscapeCall& call)
{
    return AnswerItemWord(call, rdmAPIUseFlag);
}

// A UTF-16 path up to its terminator or the end of the input; a path that
// would not leave room for its terminator in the settings INI path is refused.
ULONG SetSettingsIniPath(const EscapeCall& call)
{
    if (!call.HasInput(2)) return RefuseInput(0);
    WCHAR* target = call.pdev->context->workArea->settingsIniPath;
    constexpr std::size_t kCapacity = std::size(decltype(ContextWorkArea::settingsIniPath){});
    const std::size_t units = call.inSize / 2;
    std::size_t length = 0;
    while (length < units && ReadLe16(call.in + 2 * length) != 0) ++length;
    if (length >= kCapacity) return RefuseInput(0);
    for (std::size_t i = 0; i < length; ++i) target[i] = ReadLe16(call.in + 2 * i);
    std::fill(target + length, target + kCapacity, WCHAR{0});
    return 1;
}

ULONG SetOptionTexts(const EscapeCall& call)
{
    if (call.in != nullptr) StoreOptionTexts(&call.pdev->jobCommands, call.in, call.inSize);
    return 1;
}

ULONG GetLibraryVersion(const EscapeCall& call)
{
    return AnswerText(call, kLibraryVersionText, sizeof kLibraryVersionText - 1);
}

ULONG GetSpoolLibraryName(const EscapeCall& call)
{
    const WCHAR* name = call.pdev->spoolLibraryName;
    char text[kSpoolLibraryNameBytes] = {};
    std::size_t length = 0;
    if (name != nullptr) {
        std::size_t units = 0;
        while (units < MAX_PATH && name[units] != 0) ++units;
        length = ToDeviceCode(text, sizeof text, name, units * sizeof(WCHAR), kDeviceCodeMode);
    }
    return AnswerText(call, text, length);
}

struct EscapeRow {
    ULONG first;
    ULONG last;
    ULONG (*handler)(const EscapeCall& call);
};

constexpr EscapeRow kEscapeRows[] = {
    {kEscapeQuerySupport, kEscapeQuerySupport, QuerySupport},
    {kEscapeSetCopyCount, kEscapeSetCopyCount, SetCopyCount},
    {kEscapePassThrough, kEscapePassThrough, PassThrough},
    {kEscapeGetTechnology, kEscapeGetTechnology, GetTechnology},
    {kEscapeGetDeviceUnits, kEscapeGetDeviceUnits, GetDeviceUnits},
    {111, 116, SetSettingText},
    {kEscapeTelLine, kEscapeTelLine, SetTelLine},
    {118, 118, SetSettingText},
    {kEscapeDefaultSource, kEscapeDefaultSource, GetDefaultSource},
    {kEscapePrintMethod, kEscapePrintMethod, GetPrintMethod},
    {kEscapeSettingsIniPath, kEscapeSettingsIniPath, SetSettingsIniPath},
    {kEscapeOptionTexts, kEscapeOptionTexts, SetOptionTexts},
    {123, 125, SetSettingText},
    {kEscapeApiUseFlag, kEscapeApiUseFlag, GetApiUseFlag},
    {kEscapeLibraryVersion, kEscapeLibraryVersion, GetLibraryVersion},
    {kEscapeSpoolLibraryName, kEscapeSpoolLibraryName, GetSpoolLibraryName},
};

const EscapeRow* FindEscape(ULONG escape)
{
    for (const EscapeRow& row : kEscapeRows)
        if (escape >= row.first && escape <= row.last) return &row;
    return nullptr;
}

}  // namespace

BOOL IsEscapeSupported(const Pdev* pdev, ULONG escape)
{
    if (escape == kEscapePassThrough) return pdev != nullptr && pdev->jobBinder != 0;
    return FindEscape(escape) != nullptr;
}

ULONG FlushAndPassThrough(Pdev* pdev, const BYTE* bytes, std::uint16_t count)
{
    OutputStream& stream = pdev->stream;
    // Without an open document the bytes would go nowhere.
    if ((pdev->flags & kPdevOutputFailed) || !(pdev->flags & kPdevDocumentOpen) || stream.spool.module == nullptr ||
        stream.spool.writePrinter == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return kEscapeError;
    }
    if (!FlushOutputStream(stream)) return kEscapeError;
    if (!WriteToSpool(stream, bytes, count)) return kEscapeError;
    return count;
}

ULONG DrvEscape(SURFOBJ* surface, ULONG escape, ULONG inSize, PVOID in, ULONG outSize, PVOID out)
{
    Pdev* pdev = ValidPdevOfSurface(surface);
    if (!pdev) return 0;
    if (!IsEscapeSupported(pdev, escape)) return 0;
    const EscapeCall call{pdev, escape, inSize, static_cast<const BYTE*>(in), outSize, static_cast<BYTE*>(out)};
    return FindEscape(escape)->handler(call);
}

}  // namespace vexl
