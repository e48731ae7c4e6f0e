#include "common/model/finishing_primitives.h"

#include "common/core/items.h"
#include "common/core/modeldb.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <span>

namespace vexl {

namespace {

// ---- item readers ------------------------------------------------------------------------------

// The items whose descriptors the judge-descriptor cache keeps, one slot each.
constexpr std::uint16_t kCachedItems[] = {
    dmOrientation,
    dmDefaultSource,
    rdmFuncSelectNup,
    rdmNUPType,
    rdmFuncSelectDuplex,
    rdmDuplexType,
    rdmFuncSelectPunch,
    rdmPunchType,
    rdmFuncSelectStaple,
    rdmStapleType,
    rdmMPInputTray,
    rdmCoverInputTray,
    // papers, orientation and lock bits of the trays, tray options
    rdmTray1Paper,
    rdmTray2Paper,
    rdmTray3Paper,
    rdmTray4Paper,
    rdmTray6Paper,
    rdmTray7Paper,
    rdmTray26PaperLCT1,
    rdmTray28PaperManual,
    rdmTray29PaperMulti,
    rdmTray30PaperExt1,
    rdmTrayOrient0,
    rdmTrayOrient1,
    rdmTrayOrient2,
    rdmTrayOrient3,
    rdmTrayOrient5,
    rdmTrayOrient6,
    rdmTrayOrient25,
    rdmTrayOrient27,
    rdmTrayOrient28,
    rdmTrayOrient29,
    rdmTrayLock0,
    rdmTrayLock1,
    rdmTrayLock2,
    rdmTrayLock3,
    rdmTrayLock5,
    rdmTrayLock6,
    rdmTrayLock25,
    rdmTrayLock27,
    rdmTrayLock28,
    rdmSourceOptionTypeManual,
    rdmSourceOptionTypeMulti,
    // finisher options
    rdmOutputOptionTypeFin2000,
    rdmOutputOptionTypeFin2000NA,
    rdmOutputOptionTypeFin2000EU,
    rdmOutputOptionTypeFin2000NE,
    rdmOutputOptionTypeFin2000NoPunch,
    rdmOutputOptionTypeFin3000,
    rdmOutputOption2TypeFin3000NA2,
    rdmOutputOption2TypeFin3000EU2,
    rdmOutputOption2TypeFin3000NA3,
    rdmOutputOption2TypeFin3000NoPunch,
    rdmOutputOptionTypeFin1000,
    rdmOutputOptionTypeFinBF,
    rdmOutputOptionType14,
    rdmOutputOptionType15,
    rdmOutputOption2TypeFinMF,
    rdmOutputOption2TypeFIN1NA,
    rdmOutputOption2TypeFIN1EU,
    rdmOutputOption2TypeFIN1NE,
    rdmOutputOption2TypeFIN1NoPunch,
    rdmOutputOption2TypeFIN2NA,
    rdmOutputOption2TypeFIN2EU,
    rdmOutputOption2TypeFIN2NE,
    rdmOutputOption2TypeFIN2NoPunch,
    rdmOutputOption2TypeFin50,
    rdmOutputOption2TypeFin100,
    rdmOutputOption2TypeFIN3NA,
    rdmOutputOption2TypeFIN3EU,
    rdmOutputOption2TypeFIN3NE,
    rdmOutputOption2TypeFIN3NoPunch,
    rdmOutputOption2TypeFin1Dom,
    rdmOutputOption2TypeFIN4NA2,
    rdmOutputOption2TypeFIN4EU,
    rdmOutputOption2TypeFIN4NE,
    rdmOutputOption2TypeFIN4NoPunch,
    rdmOutputOption2TypeFin2Dom,
};
static_assert(std::size(kCachedItems) <= kJudgeDescriptorCacheSize);

// The cache slot of an item; -1 for an item read without one.
int FindCacheSlot(std::uint16_t itemId)
{
    const auto* found = std::find(std::begin(kCachedItems), std::end(kCachedItems), itemId);
    return found == std::end(kCachedItems) ? -1 : static_cast<int>(found - std::begin(kCachedItems));
}

// ---- finisher groups ------------------------------------------------------------------------------

using ItemList = std::span<const std::uint16_t>;

constexpr std::uint16_t kFin2000Items[] = {rdmOutputOptionTypeFin2000, rdmOutputOptionTypeFin2000NA,
                                           rdmOutputOptionTypeFin2000EU, rdmOutputOptionTypeFin2000NE,
                                           rdmOutputOptionTypeFin2000NoPunch};
constexpr std::uint16_t kFin3000Items[] = {rdmOutputOptionTypeFin3000, rdmOutputOption2TypeFin3000NA2,
                                           rdmOutputOption2TypeFin3000EU2, rdmOutputOption2TypeFin3000NA3,
                                           rdmOutputOption2TypeFin3000NoPunch};
constexpr std::uint16_t kFin1000Items[] = {rdmOutputOptionTypeFin1000};
constexpr std::uint16_t kFinBFItems[] = {rdmOutputOptionTypeFinBF};
constexpr std::uint16_t kType14Items[] = {rdmOutputOptionType14};
constexpr std::uint16_t kType15Items[] = {rdmOutputOptionType15};
constexpr std::uint16_t kFin1Items[] = {rdmOutputOption2TypeFinMF, rdmOutputOption2TypeFIN1NA,
                                        rdmOutputOption2TypeFIN1EU, rdmOutputOption2TypeFIN1NE,
                                        rdmOutputOption2TypeFIN1NoPunch};
constexpr std::uint16_t kFin2Items[] = {rdmOutputOption2TypeFIN2NA, rdmOutputOption2TypeFIN2EU,
                                        rdmOutputOption2TypeFIN2NE, rdmOutputOption2TypeFIN2NoPunch};
constexpr std::uint16_t kFin50Items[] = {rdmOutputOption2TypeFin50, rdmOutputOption2TypeFIN2NA,
                                         rdmOutputOption2TypeFIN2EU, rdmOutputOption2TypeFIN2NE,
                                         rdmOutputOption2TypeFIN2NoPunch};
constexpr std::uint16_t kFin100Items[] = {rdmOutputOption2TypeFin100, rdmOutputOption2TypeFIN3NA,
                                          rdmOutputOption2TypeFIN3EU, rdmOutputOption2TypeFIN3NE,
                                          rdmOutputOption2TypeFIN3NoPunch};
constexpr std::uint16_t kFin4Items[] = {rdmOutputOption2TypeFin1Dom, rdmOutputOption2TypeFIN4NA2,
                                        rdmOutputOption2TypeFIN4EU, rdmOutputOption2TypeFIN4NE,
                                        rdmOutputOption2TypeFIN4NoPunch};
constexpr std::uint16_t kDomOnlyItems[] = {rdmOutputOption2TypeFin2Dom};

struct FinisherGroupRow {
    FinisherGroup group;
    ItemList items;
    ItemList moreItems;  // a second set of bits that also counts
};

constexpr FinisherGroupRow kFinisherGroups[] = {
    {FinisherGroup::Fin2000, kFin2000Items, {}},
    {FinisherGroup::Fin3000, kFin3000Items, {}},
    {FinisherGroup::LargeFinisher, kFin2000Items, kFin3000Items},
    {FinisherGroup::Fin1000, kFin1000Items, {}},
    {FinisherGroup::FinBF, kFinBFItems, {}},
    {FinisherGroup::Type14, kType14Items, {}},
    {FinisherGroup::Type15, kType15Items, {}},
    {FinisherGroup::Fin1, kFin1Items, {}},
    {FinisherGroup::Fin2, kFin2Items, {}},
    {FinisherGroup::Fin50, kFin50Items, {}},
    {FinisherGroup::Fin100, kFin100Items, {}},
    {FinisherGroup::Fin4, kFin4Items, {}},
    {FinisherGroup::Dom, kFin4Items, kDomOnlyItems},
};

// Reads the bits in order and stops at the first that is set.
bool AnyItemSet(DriverContext* context, ItemList items)
{
    return std::any_of(items.begin(), items.end(),
                       [context](std::uint16_t item) { return ReadFinishingItem(context, item) != 0; });
}

// ---- paper lists --------------------------------------------------------------------------------------

constexpr std::uint16_t kLargeFinisherPapers[] = {8, 9, 12, 13, 1, 5, 3, 514, 513, 14, 7, 517, 93};
constexpr std::uint16_t kLargeFinisherExcluded[] = {9, 11, 13, 5, 1, 6, 514, 513, 14, 7, 93};
constexpr std::uint16_t kFinBFPapers[] = {8, 9, 12, 1, 5, 3, 14};
constexpr std::uint16_t kType14Papers[] = {8, 9, 12, 13, 1, 5, 3, 14, 517, 93, 7};
constexpr std::uint16_t kType15Papers[] = {8, 9, 12, 13, 1, 5, 3, 514, 513, 14, 517, 93, 7, 512};
constexpr std::uint16_t kDomPapers[] = {8, 9, 12, 13, 1, 5, 3};
constexpr std::uint16_t kDomExcluded[] = {9, 12, 13, 1, 5, 514, 513, 14, 7, 517, 93};
constexpr std::uint16_t kFin4Papers[] = {8, 9, 12, 13, 1, 5, 3, 512, 514, 513, 14, 7};
constexpr std::uint16_t kFin4Excluded[] = {9, 11, 13, 5, 1, 6, 514, 513, 14, 7};
constexpr std::uint16_t kLongPapers[] = {8, 12, 5, 3, 514, 513, 14, 517, 512};

// When an extended list takes Statement.
enum class StatementRule { Never, Always, WhenGroupInstalled };

struct PaperListRow {
    PaperList list;
    ItemList papers;
    bool exclusion;
    bool extendsToA5;
    StatementRule statement;
    FinisherGroup statementGroup;
};

constexpr PaperListRow kPaperLists[] = {
    {PaperList::LargeFinisher, kLargeFinisherPapers, false, true, StatementRule::WhenGroupInstalled,
     FinisherGroup::Fin2000},
    {PaperList::LargeFinisherExclusion, kLargeFinisherExcluded, true, false, StatementRule::Never, {}},
    {PaperList::Fin1000, kLargeFinisherPapers, false, false, StatementRule::Never, {}},
    {PaperList::FinBF, kFinBFPapers, false, false, StatementRule::Never, {}},
    {PaperList::Type14, kType14Papers, false, false, StatementRule::Never, {}},
    {PaperList::Type15, kType15Papers, false, false, StatementRule::Never, {}},
    {PaperList::Fin1, kLargeFinisherPapers, false, true, StatementRule::WhenGroupInstalled, FinisherGroup::Fin1},
    {PaperList::Fin1Exclusion, kLargeFinisherExcluded, true, false, StatementRule::Never, {}},
    {PaperList::Fin2, kLargeFinisherPapers, false, true, StatementRule::WhenGroupInstalled, FinisherGroup::Fin2},
    {PaperList::Fin2Exclusion, kLargeFinisherExcluded, true, false, StatementRule::Never, {}},
    {PaperList::Fin50, kLargeFinisherPapers, false, true, StatementRule::WhenGroupInstalled, FinisherGroup::Fin50},
    {PaperList::Fin50Exclusion, kLargeFinisherExcluded, true, false, StatementRule::Never, {}},
    {PaperList::Fin100, kLargeFinisherPapers, false, true, StatementRule::WhenGroupInstalled, FinisherGroup::Fin100},
    {PaperList::Fin100Exclusion, kLargeFinisherExcluded, true, false, StatementRule::Never, {}},
    {PaperList::Dom, kDomPapers, false, false, StatementRule::WhenGroupInstalled, FinisherGroup::Dom},
    {PaperList::DomExclusion, kDomExcluded, true, false, StatementRule::Never, {}},
    {PaperList::Fin4, kFin4Papers, false, true, StatementRule::Always, {}},
    {PaperList::Fin4Exclusion, kFin4Excluded, true, false, StatementRule::Never, {}},
    {PaperList::Long, kLongPapers, false, false, StatementRule::Never, {}},
};

bool Contains(ItemList values, std::uint16_t value)
{
    return std::find(values.begin(), values.end(), value) != values.end();
}

bool IsInExtension(DriverContext* context, const PaperListRow& row, std::uint16_t paper)
{
    if (paper == kPaperA5) return row.extendsToA5;
    if (paper != kPaperStatement) return false;
    switch (row.statement) {
    case StatementRule::Always:
        return true;
    case StatementRule::WhenGroupInstalled:
        return FinisherGroupTest(context, row.statementGroup);
    case StatementRule::Never:
        break;
    }
    return false;
}

// ---- trays ------------------------------------------------------------------------------------------

struct Tray {
    std::uint16_t paperItem;
    std::uint16_t orientationItem;
    std::uint16_t lockItem;
};

constexpr Tray kTray1 = {rdmTray1Paper, rdmTrayOrient0, rdmTrayLock0};
constexpr Tray kTray2 = {rdmTray2Paper, rdmTrayOrient1, rdmTrayLock1};
constexpr Tray kTray3 = {rdmTray3Paper, rdmTrayOrient2, rdmTrayLock2};
constexpr Tray kTray4 = {rdmTray4Paper, rdmTrayOrient3, rdmTrayLock3};
constexpr Tray kTray6 = {rdmTray6Paper, rdmTrayOrient5, rdmTrayLock5};
constexpr Tray kTray7 = {rdmTray7Paper, rdmTrayOrient6, rdmTrayLock6};
constexpr Tray kLargeCapacityTray = {rdmTray26PaperLCT1, rdmTrayOrient25, rdmTrayLock25};
constexpr Tray kManualFeed = {rdmTray28PaperManual, rdmTrayOrient27, rdmTrayLock27};
constexpr Tray kBypassTray = {rdmTray29PaperMulti, rdmTrayOrient28, rdmTrayLock28};
constexpr Tray kExternalTray = {rdmTray30PaperExt1, rdmTrayOrient29, 0};

struct SourceTray {
    std::uint16_t source;
    const Tray* tray;
};

// The sources that name one tray; source 4 is decided by the installed options.
constexpr SourceTray kSourceTrays[] = {
    {1, &kTray1},
    {3, &kTray2},
    {2, &kTray3},
    {256, &kTray4},
    {261, &kLargeCapacityTray},
    {262, &kTray6},
    {263, &kTray7},
    {11, &kLargeCapacityTray},
};

// The automatic source's scan: a tray counts while its lock bit is clear and
// its option, where it has one, is installed.
struct ScanTray {
    const Tray* tray;
    std::uint16_t optionItem;
};

constexpr ScanTray kAutomaticScan[] = {
    {&kTray1, 0},
    {&kTray2, 0},
    {&kTray3, 0},
    {&kTray4, 0},
    {&kLargeCapacityTray, 0},
    {&kTray6, 0},
    {&kTray7, 0},
    {&kBypassTray, rdmSourceOptionTypeMulti},
    {&kManualFeed, rdmSourceOptionTypeManual},
};

// The one tray of a source value, or null (the automatic source, the
// external tray and values that name none).
const Tray* FindSourceTray(DriverContext* context, std::uint16_t source)
{
    if (source == kSourceBypass) {
        if (ReadFinishingItem(context, rdmSourceOptionTypeManual)) return &kManualFeed;
        if (ReadFinishingItem(context, rdmSourceOptionTypeMulti)) return &kBypassTray;
        return nullptr;
    }
    for (const SourceTray& row : kSourceTrays) {
        if (row.source == source) return row.tray;
    }
    return nullptr;
}

// kFeedMaskUnturned or kFeedMaskTurned when the tray holds the paper, else 0.
std::uint16_t TrayFeedMask(DriverContext* context, const Tray& tray, std::uint16_t paper)
{
    if (static_cast<std::uint16_t>(ReadFinishingItem(context, tray.paperItem)) != paper) return 0;
    return ReadFinishingItem(context, tray.orientationItem) ? kFeedMaskTurned : kFeedMaskUnturned;
}

bool IsScanTrayUsable(DriverContext* context, const ScanTray& entry)
{
    if (entry.optionItem != 0 && ReadFinishingItem(context, entry.optionItem) == 0) return false;
    return ReadFinishingItem(context, entry.tray->lockItem) == 0;
}

// The orientations in which the trays of a source hold the paper.
std::uint16_t SourceFeedMask(DriverContext* context, std::uint16_t source, std::uint16_t paper)
{
    if (source != kSourceAutomatic) {
        const Tray* tray = FindSourceTray(context, source);
        return tray ? TrayFeedMask(context, *tray, paper) : 0;
    }
    std::uint16_t mask = 0;
    for (const ScanTray& entry : kAutomaticScan) {
        if (IsScanTrayUsable(context, entry)) mask |= TrayFeedMask(context, *entry.tray, paper);
    }
    return mask;
}

std::uint16_t CurrentSource(DriverContext* context)
{
    return static_cast<std::uint16_t>(ReadFinishingItem(context, dmDefaultSource));
}

// ---- free sizes ----------------------------------------------------------------------------------------

constexpr std::int32_t kStrictFreeSizeWidth = 8501;
constexpr std::int32_t kNarrowFinisherWidth = 10865;
constexpr std::int32_t kWideFinisherWidth = 12045;

constexpr std::uint16_t kNarrowFinisherItems[] = {rdmOutputOption2TypeFIN3NA, rdmOutputOption2TypeFIN2NA,
                                                  rdmOutputOption2TypeFIN4NA2, rdmOutputOption2TypeFIN2EU};
constexpr std::uint16_t kWideFinisherItems[] = {rdmOutputOption2TypeFIN3EU, rdmOutputOption2TypeFIN4EU,
                                                rdmOutputOption2TypeFIN2NoPunch};
constexpr std::uint16_t kWidePunchItems[] = {rdmOutputOption2TypeFIN3EU, rdmOutputOption2TypeFIN2EU,
                                             rdmOutputOption2TypeFIN4EU, rdmOutputOption2TypeFIN2NoPunch};

// The width item of a free-size paper; 0 for any other paper.
std::uint16_t FreeSizeWidthItem(std::uint16_t paper)
{
    constexpr std::uint16_t kSlotStride = wdmFreeSize2Width - wdmFreeSize1Width;
    if (paper == kPaperFreeSize) return rdmPaperFreeSizeWidth;
    if (paper == kPaperPrinterFreeSize) return rdmPrintFreeSizeWidth;
    if (paper >= 384 && paper <= 393)
        return static_cast<std::uint16_t>(wdmFreeSize1Width + (paper - 384) * kSlotStride);
    return 0;
}

// The width in 1/1200 inch. The widths are 32-bit items: the whole value is
// compared, so that a width past 32767 dots never reads as a narrow one.
std::int32_t FreeSizeWidth(DriverContext* context, std::uint16_t widthItem)
{
    return static_cast<std::int32_t>(GetItemOption(context, widthItem));
}

bool IsPunchTypeIn(DriverContext* context, std::uint32_t first, std::uint32_t last)
{
    const std::uint32_t punchType = ReadFinishingItem(context, rdmPunchType);
    return punchType >= first && punchType <= last;
}

}  // namespace

std::uint32_t ReadFinishingItem(DriverContext* context, std::uint16_t itemId)
{
    if (!context) return 0;
    const int slot = FindCacheSlot(itemId);
    if (slot < 0 || !context->workArea) return GetItemValue(context, itemId);
    SettingItemDescriptor*& cached = context->workArea->judgeDescriptorCache[slot];
    if (!cached) cached = FindItem(context, itemId);
    return ReadItemValue(context, cached);
}

BOOL FinisherGroupTest(DriverContext* context, FinisherGroup group)
{
    for (const FinisherGroupRow& row : kFinisherGroups) {
        if (row.group == group) return AnyItemSet(context, row.items) || AnyItemSet(context, row.moreItems);
    }
    return FALSE;
}

BOOL FinisherPaperListTest(DriverContext* context, PaperList list, std::uint16_t paper, BOOL extend)
{
    for (const PaperListRow& row : kPaperLists) {
        if (row.list != list) continue;
        if (row.exclusion) return !Contains(row.papers, paper);
        return Contains(row.papers, paper) || (extend && IsInExtension(context, row, paper));
    }
    return FALSE;
}

BOOL IsPaperLoadedInSource(DriverContext* context, std::uint16_t source, std::uint16_t paper,
                           std::uint32_t orientationBit)
{
    if (orientationBit != kFeedUnturned && orientationBit != kFeedTurned) return FALSE;
    return (SourceFeedMask(context, source, paper) & (1u << orientationBit)) != 0;
}

BOOL IsPaperLoadedInCurrentSource(DriverContext* context, std::uint16_t paper, std::uint32_t orientationBit)
{
    return IsPaperLoadedInSource(context, CurrentSource(context), paper, orientationBit);
}

BOOL IsPaperLoadedInInsertSource(DriverContext* context, std::uint16_t paper, std::uint32_t orientationBit)
{
    std::uint16_t source = CurrentSource(context);
    if (source == kSourceAutomatic) source = kSourceTray1;
    return IsPaperLoadedInSource(context, source, paper, orientationBit);
}

std::uint16_t GetPaperFeedOrientations(DriverContext* context, std::uint16_t paper)
{
    return SourceFeedMask(context, CurrentSource(context), paper);
}

BOOL IsPaperInSource(DriverContext* context, std::uint16_t source, std::uint16_t paper)
{
    return SourceFeedMask(context, source, paper) != 0;
}

BOOL GetSourceTrayPaper(DriverContext* context, std::uint16_t source, std::int16_t* paper, std::int32_t* orientationBit)
{
    const Tray* tray = source == kSourceExternal ? &kExternalTray : FindSourceTray(context, source);
    if (!tray) return FALSE;
    *paper = static_cast<std::int16_t>(ReadFinishingItem(context, tray->paperItem));
    *orientationBit = static_cast<std::int32_t>(ReadFinishingItem(context, tray->orientationItem));
    return TRUE;
}

BOOL IsFinishingLandscape(DriverContext* context)
{
    constexpr std::uint32_t kPortrait = 1;
    constexpr std::uint32_t kLastTurningNupType = 18;
    constexpr std::uint32_t kFirstTurningDuplexType = 17;
    const bool portrait = ReadFinishingItem(context, dmOrientation) == kPortrait;
    const std::uint32_t nupType = ReadFinishingItem(context, rdmNUPType) & 0xFFFF;
    if (ReadFinishingItem(context, rdmFuncSelectNup) == 1 && nupType >= 1 && nupType <= kLastTurningNupType)
        return portrait;
    if (ReadFinishingItem(context, rdmFuncSelectDuplex) == 1 &&
        ReadFinishingItem(context, rdmDuplexType) >= kFirstTurningDuplexType)
        return portrait;
    return !portrait;
}

BOOL IsFreeSizeWideForFinisher(DriverContext* context, BOOL strict, std::uint16_t paper)
{
    const std::uint16_t widthItem = FreeSizeWidthItem(paper);
    if (widthItem == 0) return TRUE;
    const std::int32_t width = FreeSizeWidth(context, widthItem);
    if (strict) return width > kStrictFreeSizeWidth;
    if (AnyItemSet(context, kNarrowFinisherItems)) return width > kNarrowFinisherWidth;
    if (AnyItemSet(context, kWideFinisherItems)) return width > kWideFinisherWidth;
    return TRUE;
}

BOOL IsFreeSizeWideForPunch(DriverContext* context, BOOL strict, std::uint16_t paper)
{
    const std::uint16_t widthItem = FreeSizeWidthItem(paper);
    if (widthItem == 0) return TRUE;
    const std::int32_t width = FreeSizeWidth(context, widthItem);
    if (strict) return width > kStrictFreeSizeWidth;
    if (AnyItemSet(context, kNarrowFinisherItems) && IsPunchTypeIn(context, 17, 19))
        return width > kNarrowFinisherWidth;
    if (AnyItemSet(context, kWidePunchItems) && IsPunchTypeIn(context, 33, 35)) return width > kWideFinisherWidth;
    return TRUE;
}

}  // namespace vexl
