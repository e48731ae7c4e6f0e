#include "common/model/finishing_judges.h"

#include "common/core/items.h"
#include "common/core/modeldb.h"
#include "common/core/units.h"
#include "common/model/finishing_primitives.h"
#include "common/model/resolution.h"

#include <algorithm>
#include <span>

namespace vexl {

namespace {

using ValueList = std::span<const std::uint16_t>;

bool Contains(ValueList values, std::uint32_t value)
{
    return std::find(values.begin(), values.end(), value) != values.end();
}

bool AnyItemSet(DriverContext* context, ValueList items)
{
    return std::any_of(items.begin(), items.end(),
                       [context](std::uint16_t item) { return ReadFinishingItem(context, item) != 0; });
}

constexpr std::uint16_t kPaperLegal = 5;
constexpr std::uint16_t kPaperA3Value = 8;
constexpr std::uint16_t kPaperB4 = 12;
constexpr std::uint16_t kPaperB5 = 13;
constexpr std::uint16_t kPaperLetterValue = 1;
constexpr std::uint16_t kPaperA4Value = 9;

// What every position judge reads: the output paper P, the orientations in
// which the paper source holds it (M0 unturned, M1 turned) and whether
// finishing positions are read in landscape terms (L).
struct FinishingTerms {
    std::uint16_t paper;
    bool unturned;
    bool turned;
    bool landscape;

    bool Fed() const { return unturned || turned; }
    bool FirstEdge() const { return (unturned && !landscape) || (turned && landscape); }
    bool SecondEdge() const { return (unturned && landscape) || (turned && !landscape); }
    // The edges as a finisher reaches them only for papers outside its
    // exclusion list when the paper is fed unturned.
    bool FirstEdgeWith(bool outsideExclusion) const
    {
        return (turned && landscape) || (unturned && !landscape && outsideExclusion);
    }
    bool SecondEdgeWith(bool outsideExclusion) const
    {
        return (turned && !landscape) || (unturned && landscape && outsideExclusion);
    }
};

FinishingTerms ReadFinishingTerms(DriverContext* context)
{
    const std::uint16_t paper = GetEffectiveOutputPaper(context);
    const std::uint16_t feeds = GetPaperFeedOrientations(context, paper);
    return {paper, (feeds & kFeedMaskUnturned) != 0, (feeds & kFeedMaskTurned) != 0,
            IsFinishingLandscape(context) != 0};
}

std::uint16_t OutputPaper(DriverContext* context)
{
    return GetEffectiveOutputPaper(context);
}

bool IsLongPaper(DriverContext* context, std::uint16_t paper)
{
    return FinisherPaperListTest(context, PaperList::Long, paper) != 0;
}

// The paper source holds the paper unturned (feed0) or turned (feed1).
bool IsFedUnturned(DriverContext* context, std::uint16_t paper)
{
    return IsPaperLoadedInCurrentSource(context, paper, kFeedUnturned) != 0;
}
bool IsFedTurned(DriverContext* context, std::uint16_t paper)
{
    return IsPaperLoadedInCurrentSource(context, paper, kFeedTurned) != 0;
}

// ---- fits judges: the finisher takes the paper as the source feeds it ----------------------------

enum class Feed { Unturned, Turned };

constexpr std::uint16_t kType14UnturnedRefused[] = {7, kPaperB5, 93};

struct FitsJudge {
    std::uint16_t judge;
    FinisherGroup group;
    PaperList list;
    bool extended;
    Feed feed;
    ValueList refusedPapers;
};

constexpr FitsJudge kFitsJudges[] = {
    {723, FinisherGroup::LargeFinisher, PaperList::LargeFinisher, true, Feed::Unturned, {}},
    {724, FinisherGroup::LargeFinisher, PaperList::LargeFinisher, true, Feed::Turned, {}},
    {730, FinisherGroup::Fin4, PaperList::Fin4, true, Feed::Unturned, {}},
    {731, FinisherGroup::Fin4, PaperList::Fin4, true, Feed::Turned, {}},
    {759, FinisherGroup::Fin50, PaperList::Fin50, true, Feed::Unturned, {}},
    {760, FinisherGroup::Fin50, PaperList::Fin50, true, Feed::Turned, {}},
    {775, FinisherGroup::Dom, PaperList::Dom, true, Feed::Unturned, {}},
    {776, FinisherGroup::Dom, PaperList::Dom, true, Feed::Turned, {}},
    {795, FinisherGroup::Fin100, PaperList::Fin100, true, Feed::Unturned, {}},
    {796, FinisherGroup::Fin100, PaperList::Fin100, true, Feed::Turned, {}},
    {803, FinisherGroup::Fin1, PaperList::Fin1, true, Feed::Unturned, {}},
    {804, FinisherGroup::Fin1, PaperList::Fin1, true, Feed::Turned, {}},
    {811, FinisherGroup::Fin2, PaperList::Fin2, true, Feed::Unturned, {}},
    {812, FinisherGroup::Fin2, PaperList::Fin2, true, Feed::Turned, {}},
    {755, FinisherGroup::Fin1000, PaperList::Fin1000, false, Feed::Unturned, {}},
    {756, FinisherGroup::Fin1000, PaperList::Fin1000, false, Feed::Turned, {}},
    {739, FinisherGroup::Type14, PaperList::Type14, false, Feed::Unturned, kType14UnturnedRefused},
    {740, FinisherGroup::Type14, PaperList::Type14, false, Feed::Turned, {}},
    {771, FinisherGroup::Type15, PaperList::Type15, false, Feed::Unturned, {}},
    {772, FinisherGroup::Type15, PaperList::Type15, false, Feed::Turned, {}},
};

std::uint32_t ComputeFits(DriverContext* context, const FitsJudge& row)
{
    const std::uint16_t paper = OutputPaper(context);
    if (!FinisherGroupTest(context, row.group) || Contains(row.refusedPapers, paper)) return 0;
    if (!FinisherPaperListTest(context, row.list, paper, row.extended)) return 0;
    if (row.feed == Feed::Unturned) return IsFedUnturned(context, paper);
    return !IsLongPaper(context, paper) && IsFedTurned(context, paper);
}

// ---- listed judges: the paper list alone ----------------------------------------------------------

struct ListedJudge {
    std::uint16_t judge;
    PaperList list;
    bool extended;
};

constexpr ListedJudge kListedJudges[] = {
    {725, PaperList::LargeFinisher, false},
    {728, PaperList::LargeFinisher, true},
    {729, PaperList::LargeFinisherExclusion, false},
    {732, PaperList::Fin4, false},
    {735, PaperList::Fin4, true},
    {736, PaperList::Fin4Exclusion, false},
    {761, PaperList::Fin50, false},
    {764, PaperList::Fin50, true},
    {765, PaperList::Fin50Exclusion, false},
    {777, PaperList::Dom, false},
    {780, PaperList::Dom, true},
    {781, PaperList::DomExclusion, false},
    {797, PaperList::Fin100, false},
    {800, PaperList::Fin100, true},
    {801, PaperList::Fin100Exclusion, false},
    {805, PaperList::Fin1, false},
    {808, PaperList::Fin1, true},
    {809, PaperList::Fin1Exclusion, false},
    {813, PaperList::Fin2, false},
    {816, PaperList::Fin2, true},
    {817, PaperList::Fin2Exclusion, false},
    {757, PaperList::Fin1000, false},
    {741, PaperList::Type14, false},
    {773, PaperList::Type15, false},
};

std::uint32_t ComputeListed(DriverContext* context, const ListedJudge& row)
{
    return FinisherPaperListTest(context, row.list, OutputPaper(context), row.extended);
}

// ---- punch-position judges --------------------------------------------------------------------------

// Punch types are hole set * 16 + position: hole sets 0 basic, 1 and 2 the
// sets that reach an unturned paper only outside the exclusion list, 3 the
// last set; position 1 the first edge, 2 and 3 the second edge.
constexpr std::uint8_t kHolesBasic = 1 << 0;
constexpr std::uint8_t kHolesNA = 1 << 1;
constexpr std::uint8_t kHolesEU = 1 << 2;
constexpr std::uint8_t kHolesNE = 1 << 3;

std::uint32_t HoleSetOf(std::uint32_t punchType)
{
    return punchType >> 4;
}
std::uint32_t PositionOf(std::uint32_t punchType)
{
    return punchType & 0xF;
}

// The punch types a finisher variant offers, by its option bit.
struct PunchVariant {
    std::uint16_t item;
    std::uint8_t holeSets;
};

struct PunchJudge;
using PunchOutcome = std::uint32_t (*)(DriverContext* context, const FinishingTerms& terms, std::uint32_t punchType,
                                       const PunchJudge& row);

struct PunchJudge {
    std::uint16_t judge;
    FinisherGroup group;
    PaperList list;  // taken extended
    PaperList exclusion;
    ValueList noPunchItems;
    std::span<const PunchVariant> variants;  // the first bit set decides
    PunchOutcome outcome;
};

bool IsOutsideExclusion(DriverContext* context, const PunchJudge& row, std::uint16_t paper)
{
    return FinisherPaperListTest(context, row.exclusion, paper) != 0;
}

std::uint32_t PunchEdge(DriverContext* context, const FinishingTerms& terms, std::uint32_t punchType,
                        const PunchJudge& row)
{
    const std::uint32_t holeSet = HoleSetOf(punchType);
    const bool first = PositionOf(punchType) == 1;
    if (holeSet == 0 || holeSet == 3) return first ? terms.FirstEdge() : terms.SecondEdge();
    const bool outside = IsOutsideExclusion(context, row, terms.paper);
    return first ? terms.FirstEdgeWith(outside) : terms.SecondEdgeWith(outside);
}

// The Dom group's finishers reach some hole sets only on certain papers.
std::uint32_t DomPunchEdge(DriverContext* context, const FinishingTerms& terms, std::uint32_t punchType,
                           const PunchJudge& row)
{
    const std::uint16_t paper = terms.paper;
    const bool narrowVariant = ReadFinishingItem(context, rdmOutputOption2TypeFIN4NA2) != 0;
    const bool letterOrA4 = paper == kPaperLetterValue || paper == kPaperA4Value;
    const bool first = PositionOf(punchType) == 1;
    // Turned, the edge is reached when L matches the position; unturned, when it does not.
    const bool turnedReach = terms.turned && (first ? terms.landscape : !terms.landscape);
    const bool unturnedReach = terms.unturned && (first ? !terms.landscape : terms.landscape);
    switch (HoleSetOf(punchType)) {
    case 0:
        if (turnedReach) return !(narrowVariant && !letterOrA4);
        return unturnedReach && !(narrowVariant && paper == kPaperB4);
    case 1:
        if (turnedReach) return letterOrA4;
        return unturnedReach && IsOutsideExclusion(context, row, paper);
    case 2:
        if (turnedReach) return paper == kPaperA4Value;
        return unturnedReach && paper == kPaperA3Value && IsOutsideExclusion(context, row, paper);
    default:
        return first ? terms.FirstEdge() : terms.SecondEdge();
    }
}

constexpr std::uint16_t kLargeFinisherNoPunch[] = {rdmOutputOptionTypeFin2000NoPunch,
                                                   rdmOutputOption2TypeFin3000NoPunch};
constexpr std::uint16_t kFin4NoPunch[] = {rdmOutputOption2TypeFIN4NoPunch};
constexpr std::uint16_t kFin2NoPunch[] = {rdmOutputOption2TypeFIN2NoPunch};
constexpr std::uint16_t kFin3NoPunch[] = {rdmOutputOption2TypeFIN3NoPunch};
constexpr std::uint16_t kFin1NoPunch[] = {rdmOutputOption2TypeFIN1NoPunch};

constexpr PunchVariant kLargeFinisherPunches[] = {
    {rdmOutputOptionTypeFin2000, kHolesBasic},
    {rdmOutputOptionTypeFin3000, kHolesBasic},
    {rdmOutputOption2TypeFin3000NA2, kHolesBasic},
    {rdmOutputOption2TypeFin3000EU2, kHolesBasic},
    {rdmOutputOptionTypeFin2000NA, kHolesBasic | kHolesNA},
    {rdmOutputOptionTypeFin2000EU, kHolesBasic | kHolesEU},
    {rdmOutputOptionTypeFin2000NE, kHolesNE},
    {rdmOutputOption2TypeFin3000NA3, kHolesNA},
};
constexpr PunchVariant kFin4Punches[] = {
    {rdmOutputOption2TypeFin1Dom, kHolesBasic},
    {rdmOutputOption2TypeFIN4NA2, kHolesBasic | kHolesNA},
    {rdmOutputOption2TypeFIN4EU, kHolesBasic | kHolesEU},
    {rdmOutputOption2TypeFIN4NE, kHolesNE},
};
constexpr PunchVariant kFin50Punches[] = {
    {rdmOutputOption2TypeFin50, kHolesBasic},
    {rdmOutputOption2TypeFIN2NA, kHolesBasic | kHolesNA},
    {rdmOutputOption2TypeFIN2EU, kHolesBasic | kHolesEU},
    {rdmOutputOption2TypeFIN2NE, kHolesNE},
};
constexpr PunchVariant kFin100Punches[] = {
    {rdmOutputOption2TypeFin100, kHolesBasic},
    {rdmOutputOption2TypeFIN3NA, kHolesBasic | kHolesNA},
    {rdmOutputOption2TypeFIN3EU, kHolesBasic | kHolesEU},
    {rdmOutputOption2TypeFIN3NE, kHolesNE},
};
constexpr PunchVariant kFin1Punches[] = {
    {rdmOutputOption2TypeFinMF, kHolesBasic},
    {rdmOutputOption2TypeFIN1NA, kHolesBasic | kHolesNA},
    {rdmOutputOption2TypeFIN1EU, kHolesBasic | kHolesEU},
    {rdmOutputOption2TypeFIN1NE, kHolesNE},
};
constexpr PunchVariant kFin2Punches[] = {
    {rdmOutputOption2TypeFIN2NA, kHolesBasic},
    {rdmOutputOption2TypeFIN2NE, kHolesBasic},
    {rdmOutputOption2TypeFIN2EU, kHolesNA},
    {rdmOutputOption2TypeFIN2NoPunch, kHolesEU},
};
constexpr PunchVariant kDomPunches[] = {
    {rdmOutputOption2TypeFin1Dom, kHolesBasic}, {rdmOutputOption2TypeFIN4NA2, kHolesBasic | kHolesNA},
    {rdmOutputOption2TypeFIN4EU, kHolesBasic},  {rdmOutputOption2TypeFIN4NE, kHolesNE},
    {rdmOutputOption2TypeFin2Dom, kHolesEU},
};

constexpr PunchJudge kPunchJudges[] = {
    {726, FinisherGroup::LargeFinisher, PaperList::LargeFinisher, PaperList::LargeFinisherExclusion,
     kLargeFinisherNoPunch, kLargeFinisherPunches, PunchEdge},
    {733, FinisherGroup::Fin4, PaperList::Fin4, PaperList::Fin4Exclusion, kFin4NoPunch, kFin4Punches, PunchEdge},
    {762, FinisherGroup::Fin50, PaperList::Fin50, PaperList::Fin50Exclusion, kFin2NoPunch, kFin50Punches, PunchEdge},
    {798, FinisherGroup::Fin100, PaperList::Fin100, PaperList::Fin100Exclusion, kFin3NoPunch, kFin100Punches,
     PunchEdge},
    {806, FinisherGroup::Fin1, PaperList::Fin1, PaperList::Fin1Exclusion, kFin1NoPunch, kFin1Punches, PunchEdge},
    {814, FinisherGroup::Fin2, PaperList::Fin2, PaperList::Fin2Exclusion, {}, kFin2Punches, PunchEdge},
    {778, FinisherGroup::Dom, PaperList::Dom, PaperList::DomExclusion, kFin4NoPunch, kDomPunches, DomPunchEdge},
};

// The hole sets of the first variant installed; 0 when none is.
std::uint8_t OfferedHoleSets(DriverContext* context, std::span<const PunchVariant> variants)
{
    for (const PunchVariant& variant : variants) {
        if (ReadFinishingItem(context, variant.item)) return variant.holeSets;
    }
    return 0;
}

bool IsPunchTypeOffered(std::uint8_t holeSets, std::uint32_t punchType)
{
    const std::uint32_t position = PositionOf(punchType);
    const std::uint32_t holeSet = HoleSetOf(punchType);
    return position >= 1 && position <= 3 && holeSet <= 3 && (holeSets & (1u << holeSet)) != 0;
}

std::uint32_t ComputePunchPosition(DriverContext* context, const PunchJudge& row)
{
    if (AnyItemSet(context, row.noPunchItems) || !FinisherGroupTest(context, row.group)) return 0;
    const FinishingTerms terms = ReadFinishingTerms(context);
    if (!FinisherPaperListTest(context, row.list, terms.paper, TRUE) || !terms.Fed()) return 0;
    const std::uint32_t punchType = ReadFinishingItem(context, rdmPunchType);
    if (!IsPunchTypeOffered(OfferedHoleSets(context, row.variants), punchType)) return 0;
    return row.outcome(context, terms, punchType, row);
}

// ---- staple-position judges -----------------------------------------------------------------------

// Who may staple at position 68.
enum class StapleAt68 { Never, UnturnedExceptLegalAndB5, FinBFUnturnedExceptLegalAndB5 };

struct StapleJudge;
using StapleOutcome = std::uint32_t (*)(DriverContext* context, const FinishingTerms& terms, std::uint32_t stapleType,
                                        const StapleJudge& row);

struct StapleJudge {
    std::uint16_t judge;
    FinisherGroup group;
    PaperList list;  // taken without extension
    ValueList firstEdge;
    ValueList secondEdge;
    ValueList always;
    StapleAt68 at68;
    bool b5NeverUnturned;
    StapleOutcome outcome;
};

std::uint32_t StapleEdge(DriverContext* context, const FinishingTerms& terms, std::uint32_t stapleType,
                         const StapleJudge& row)
{
    constexpr std::uint32_t kStaple68 = 68;
    if (Contains(row.firstEdge, stapleType)) return terms.FirstEdge();
    if (Contains(row.secondEdge, stapleType)) return terms.SecondEdge();
    if (Contains(row.always, stapleType)) return 1;
    if (stapleType != kStaple68) return 0;
    const bool unturnedFits = terms.unturned && terms.paper != kPaperLegal && terms.paper != kPaperB5;
    switch (row.at68) {
    case StapleAt68::UnturnedExceptLegalAndB5:
        return unturnedFits;
    case StapleAt68::FinBFUnturnedExceptLegalAndB5:
        return ReadFinishingItem(context, rdmOutputOptionTypeFinBF) != 0 && unturnedFits;
    case StapleAt68::Never:
        break;
    }
    return 0;
}

// The Dom group's staples: B5 only where the paper is fed the matching way.
std::uint32_t DomStapleEdge(DriverContext*, const FinishingTerms& terms, std::uint32_t stapleType, const StapleJudge&)
{
    const bool notB5 = terms.paper != kPaperB5;
    switch (stapleType) {
    case 33:
    case 65:
        if (terms.unturned && !terms.landscape) return notB5;
        return terms.turned && terms.landscape;
    case 34:
    case 66:
    case 67:
        if (terms.unturned && terms.landscape) return notB5;
        return terms.turned && !terms.landscape;
    case 49:
    case 50:
        return terms.turned || notB5;
    case 68:
        return terms.unturned && notB5;
    default:
        return 0;
    }
}

constexpr std::uint16_t kLargeStapleFirst[] = {17, 18, 33, 65};
constexpr std::uint16_t kLargeStapleSecond[] = {1, 2, 34, 66, 67};
constexpr std::uint16_t kStapleFirst[] = {33, 65};
constexpr std::uint16_t kStapleSecond[] = {34, 66, 67};
constexpr std::uint16_t kStapleAlways[] = {49, 50};
constexpr std::uint16_t kStaple33[] = {33};
constexpr std::uint16_t kStaple34[] = {34};
constexpr std::uint16_t kStaple49[] = {49};
constexpr std::uint16_t kStaple50[] = {50};
constexpr std::uint16_t kStaple65[] = {65};

constexpr StapleJudge kStapleJudges[] = {
    {727, FinisherGroup::LargeFinisher, PaperList::LargeFinisher, kLargeStapleFirst, kLargeStapleSecond, kStapleAlways,
     StapleAt68::Never, false, StapleEdge},
    {734, FinisherGroup::Fin4, PaperList::Fin4, kStapleFirst, kStapleSecond, kStapleAlways,
     StapleAt68::UnturnedExceptLegalAndB5, false, StapleEdge},
    {807, FinisherGroup::Fin1, PaperList::Fin1, kStapleFirst, kStapleSecond, kStapleAlways,
     StapleAt68::UnturnedExceptLegalAndB5, false, StapleEdge},
    {815, FinisherGroup::Fin2, PaperList::Fin2, kStapleFirst, kStapleSecond, kStapleAlways,
     StapleAt68::FinBFUnturnedExceptLegalAndB5, false, StapleEdge},
    {799, FinisherGroup::Fin100, PaperList::Fin100, kStapleFirst, kStapleSecond, kStapleAlways,
     StapleAt68::FinBFUnturnedExceptLegalAndB5, false, StapleEdge},
    {763, FinisherGroup::Fin50, PaperList::Fin50, kStapleFirst, kStapleSecond, kStapleAlways, StapleAt68::Never, false,
     StapleEdge},
    {779, FinisherGroup::Dom, PaperList::Dom, {}, {}, {}, StapleAt68::Never, false, DomStapleEdge},
    {758, FinisherGroup::Fin1000, PaperList::Fin1000, kStaple33, kStaple34, {}, StapleAt68::Never, false, StapleEdge},
    {742, FinisherGroup::Type14, PaperList::Type14, kStaple49, kStaple50, {}, StapleAt68::Never, true, StapleEdge},
    {774, FinisherGroup::Type15, PaperList::Type15, kStaple65, kStapleSecond, kStapleAlways, StapleAt68::Never, false,
     StapleEdge},
};

std::uint32_t ComputeStaplePosition(DriverContext* context, const StapleJudge& row)
{
    if (!FinisherGroupTest(context, row.group)) return 0;
    FinishingTerms terms = ReadFinishingTerms(context);
    if (!FinisherPaperListTest(context, row.list, terms.paper) || !terms.Fed()) return 0;
    if (row.b5NeverUnturned && terms.paper == kPaperB5) terms.unturned = false;
    return row.outcome(context, terms, ReadFinishingItem(context, rdmStapleType), row);
}

// ---- paper in a tray ----------------------------------------------------------------------------------

struct TrayJudge {
    std::uint16_t judge;
    std::uint16_t source;
};

constexpr TrayJudge kTrayJudges[] = {
    {820, 7},  {821, 1}, {822, 3},   {823, 2},   {824, 256}, {829, 256},
    {825, 11}, {826, 4}, {830, 261}, {832, 262}, {833, 263},
};

std::uint32_t ComputePaperInTray(DriverContext* context, const TrayJudge& row)
{
    return IsPaperInSource(context, row.source, OutputPaper(context));
}

// ---- inserted sheets ------------------------------------------------------------------------------------

struct InsertSourceJudge {
    std::uint16_t judge;
    std::uint16_t insertSourceItem;
};

constexpr InsertSourceJudge kInsertSourceJudges[] = {
    {836, rdmCoverInputTray}, {837, rdmMPInputTray},           {838, rdmBackCoverInputTray},
    {839, wdmChapterTray},    {840, rdmReverseCoverInputTray},
};

std::uint32_t ComputeInsertSource(DriverContext* context, const InsertSourceJudge& row)
{
    return IsInsertSourceSamePaper(context, row.insertSourceItem);
}

// ---- the booklet finisher ---------------------------------------------------------------------------------

bool IsFinBFInstalled(DriverContext* context)
{
    return FinisherGroupTest(context, FinisherGroup::FinBF) != 0;
}
bool IsLetterOrA4(std::uint16_t paper)
{
    return paper == kPaperLetterValue || paper == kPaperA4Value;
}

std::uint32_t FinBFFitsLong(DriverContext* context)
{
    const std::uint16_t paper = OutputPaper(context);
    return IsFinBFInstalled(context) && IsLongPaper(context, paper) && IsFedUnturned(context, paper);
}

std::uint32_t FinBFFitsTurned(DriverContext* context)
{
    const std::uint16_t paper = OutputPaper(context);
    return IsFinBFInstalled(context) && (IsLetterOrA4(paper) || paper == kPaperB5) && IsFedTurned(context, paper);
}

std::uint32_t FinBFFitsUnturned(DriverContext* context)
{
    const std::uint16_t paper = OutputPaper(context);
    return IsFinBFInstalled(context) && IsLetterOrA4(paper) && IsFedUnturned(context, paper);
}

std::uint32_t FinBFFitsAt68(DriverContext* context)
{
    const std::uint16_t paper = OutputPaper(context);
    return IsFinBFInstalled(context) && paper != kPaperLegal && (IsLetterOrA4(paper) || IsLongPaper(context, paper)) &&
           IsFedUnturned(context, paper);
}

std::uint32_t FinBFListed(DriverContext* context)
{
    const std::uint16_t paper = OutputPaper(context);
    return FinisherPaperListTest(context, PaperList::FinBF, paper) ||
           (paper == kPaperB5 && IsFedTurned(context, paper));
}

std::uint32_t FinBFStaplePosition(DriverContext* context)
{
    if (!IsFinBFInstalled(context)) return 0;
    const bool landscape = IsFinishingLandscape(context) != 0;
    switch (ReadFinishingItem(context, rdmStapleType)) {
    case 33:
    case 34:
        return FinBFFitsLong(context) || FinBFFitsTurned(context) || FinBFFitsUnturned(context);
    case 65:
        return (FinBFFitsLong(context) && !landscape) || (FinBFFitsTurned(context) && landscape);
    case 66:
    case 67:
        return (FinBFFitsLong(context) && landscape) || (FinBFFitsTurned(context) && !landscape);
    case 68:
        return FinBFFitsAt68(context);
    default:
        return 0;
    }
}

// ---- judges of their own ----------------------------------------------------------------------------------

std::uint32_t PrintPaperOrient(DriverContext* context)
{
    return IsFinishingLandscape(context);
}
std::uint32_t FinishingEdgeCode1(DriverContext* context)
{
    return IsFinishingEdgeCode1(context);
}
std::uint32_t FinishingEdgeCode2(DriverContext* context)
{
    return IsFinishingEdgeCode2(context);
}
std::uint32_t ResolutionOverCheck(DriverContext* context)
{
    return GetDestinationResolutionCap(context, 1) == 0;
}
std::uint32_t RegionPaperFit(DriverContext* context)
{
    return NeedsRegionPaperFit(context);
}

std::uint32_t FreeSizeWideForFinisherStrict(DriverContext* context)
{
    return IsFreeSizeWideForFinisher(context, TRUE, OutputPaper(context));
}
std::uint32_t FreeSizeWideForFinisher(DriverContext* context)
{
    return IsFreeSizeWideForFinisher(context, FALSE, OutputPaper(context));
}
std::uint32_t FreeSizeWideForPunchStrict(DriverContext* context)
{
    return IsFreeSizeWideForPunch(context, TRUE, OutputPaper(context));
}
std::uint32_t FreeSizeWideForPunch(DriverContext* context)
{
    return IsFreeSizeWideForPunch(context, FALSE, OutputPaper(context));
}

struct SingleJudge {
    std::uint16_t judge;
    std::uint32_t (*compute)(DriverContext* context);
};

// The edge-class judges 842 to 846 have no entry: this machine has no edge
// class table, so they answer 0 as every identifier without a computation.
constexpr SingleJudge kSingleJudges[] = {
    {787, FinBFFitsLong},
    {788, FinBFFitsTurned},
    {789, FinBFFitsUnturned},
    {790, FinBFFitsAt68},
    {791, FinBFListed},
    {792, FinBFStaplePosition},
    {819, PrintPaperOrient},
    {827, FinishingEdgeCode1},
    {828, FinishingEdgeCode2},
    {835, ResolutionOverCheck},
    {743, FreeSizeWideForFinisherStrict},
    {744, FreeSizeWideForFinisher},
    {745, FreeSizeWideForPunchStrict},
    {746, FreeSizeWideForPunch},
    {841, RegionPaperFit},
};

std::uint32_t ComputeSingle(DriverContext* context, const SingleJudge& row)
{
    return row.compute(context);
}

// ---- the edge code ------------------------------------------------------------------------------------------

struct EdgeCodeRow {
    FinisherGroup group;
    PaperList list;
    bool punches;  // has a punch step; its list is then taken extended
    ValueList noPunchItems;
    ValueList punchFirst;
    ValueList punchSecond;
    std::uint16_t punchTypeAtFirstEdge;  // a punch type that gives edge 1 whatever the orientation
    ValueList stapleFirst;
    ValueList stapleSecond;
    ValueList stapleWithoutEdge;
    ValueList stapleAtFirstEdge;
};

constexpr std::uint16_t kPunchFirst[] = {1, 17, 33, 49};
constexpr std::uint16_t kPunchSecond[] = {2, 3, 18, 19, 34, 35, 50, 51};
constexpr std::uint16_t kFin2PunchFirst[] = {1, 17, 33};
constexpr std::uint16_t kFin2PunchSecond[] = {2, 3, 18, 19, 34, 35};
constexpr std::uint16_t kStaple33And34[] = {33, 34};
constexpr std::uint16_t kStaple68[] = {68};

constexpr EdgeCodeRow kEdgeCodeRows[] = {
    {FinisherGroup::LargeFinisher,
     PaperList::LargeFinisher,
     true,
     kLargeFinisherNoPunch,
     kPunchFirst,
     kPunchSecond,
     0,
     kStapleFirst,
     kStapleSecond,
     kStapleAlways,
     {}},
    {FinisherGroup::Fin1000, PaperList::Fin1000, false, {}, {}, {}, 0, kStaple33, kStaple34, {}, {}},
    {FinisherGroup::FinBF, PaperList::FinBF, false, {}, {}, {}, 0, kStaple65, kStapleSecond, kStaple33And34, kStaple68},
    {FinisherGroup::Type14, PaperList::Type14, false, {}, {}, {}, 0, kStaple49, kStaple50, {}, {}},
    {FinisherGroup::Type15, PaperList::Type15, false, {}, {}, {}, 0, kStaple65, kStapleSecond, kStapleAlways, {}},
    {FinisherGroup::Fin1, PaperList::Fin1, true, kFin1NoPunch, kPunchFirst, kPunchSecond, 0, kStapleFirst,
     kStapleSecond, kStapleAlways, kStaple68},
    {FinisherGroup::Fin2, PaperList::Fin2, true, kFin3NoPunch, kFin2PunchFirst, kFin2PunchSecond, 0, kStapleFirst,
     kStapleSecond, kStapleAlways, kStaple68},
    {FinisherGroup::Fin50,
     PaperList::Fin50,
     true,
     kFin2NoPunch,
     kPunchFirst,
     kPunchSecond,
     0,
     kStapleFirst,
     kStapleSecond,
     kStapleAlways,
     {}},
    {FinisherGroup::Fin100, PaperList::Fin100, true, kFin3NoPunch, kPunchFirst, kPunchSecond, 66, kStapleFirst,
     kStapleSecond, kStapleAlways, kStaple68},
    {FinisherGroup::Dom, PaperList::Dom, true, kFin4NoPunch, kPunchFirst, kPunchSecond, 0, kStapleFirst, kStapleSecond,
     kStapleAlways, kStaple68},
};

std::uint16_t EdgeFor(bool firstClass, bool landscape)
{
    if (firstClass) return landscape ? kEdgeSecond : kEdgeFirst;
    return landscape ? kEdgeFirst : kEdgeSecond;
}

// The punch setting's edge; 0 when punching is off or its type has no edge here.
std::uint16_t PunchEdgeCode(DriverContext* context, const EdgeCodeRow& row, bool landscape)
{
    if (!row.punches || AnyItemSet(context, row.noPunchItems) || ReadFinishingItem(context, rdmFuncSelectPunch) != 1)
        return 0;
    const std::uint32_t punchType = ReadFinishingItem(context, rdmPunchType);
    if (row.punchTypeAtFirstEdge != 0 && punchType == row.punchTypeAtFirstEdge) return kEdgeFirst;
    if (Contains(row.punchFirst, punchType)) return EdgeFor(true, landscape);
    if (Contains(row.punchSecond, punchType)) return EdgeFor(false, landscape);
    return 0;
}

std::uint16_t StapleEdgeCode(DriverContext* context, const EdgeCodeRow& row, bool landscape)
{
    if (ReadFinishingItem(context, rdmFuncSelectStaple) == 0) return kEdgeNone;
    const std::uint32_t stapleType = ReadFinishingItem(context, rdmStapleType);
    if (Contains(row.stapleFirst, stapleType)) return EdgeFor(true, landscape);
    if (Contains(row.stapleSecond, stapleType)) return EdgeFor(false, landscape);
    if (Contains(row.stapleWithoutEdge, stapleType)) return kEdgeNone;
    if (Contains(row.stapleAtFirstEdge, stapleType)) return kEdgeFirst;
    return kEdgeNotFinished;
}

// ---- dispatch ------------------------------------------------------------------------------------------------

template <typename Row> const Row* FindJudgeRow(std::span<const Row> rows, std::uint16_t itemId)
{
    const auto found = std::find_if(rows.begin(), rows.end(), [itemId](const Row& row) { return row.judge == itemId; });
    return found == rows.end() ? nullptr : &*found;
}

// Looks the identifier up in one family's table and computes it there.
template <typename Row>
bool TryFamily(std::span<const Row> rows, std::uint32_t (*compute)(DriverContext*, const Row&), DriverContext* context,
               std::uint16_t itemId, std::uint32_t* value)
{
    const Row* row = FindJudgeRow(rows, itemId);
    if (!row) return false;
    *value = compute(context, *row);
    return true;
}

}  // namespace

std::uint32_t ComputeFinishingJudge(DriverContext* context, std::uint16_t itemId)
{
    if (!context || itemId < kFirstFinishingJudge || itemId > kLastFinishingJudge) return 0;
    std::uint32_t value = 0;
    if (TryFamily<FitsJudge>(kFitsJudges, ComputeFits, context, itemId, &value) ||
        TryFamily<ListedJudge>(kListedJudges, ComputeListed, context, itemId, &value) ||
        TryFamily<PunchJudge>(kPunchJudges, ComputePunchPosition, context, itemId, &value) ||
        TryFamily<StapleJudge>(kStapleJudges, ComputeStaplePosition, context, itemId, &value) ||
        TryFamily<TrayJudge>(kTrayJudges, ComputePaperInTray, context, itemId, &value) ||
        TryFamily<InsertSourceJudge>(kInsertSourceJudges, ComputeInsertSource, context, itemId, &value) ||
        TryFamily<SingleJudge>(kSingleJudges, ComputeSingle, context, itemId, &value))
        return value;
    return 0;
}

std::uint16_t GetFinishingEdgeCode(DriverContext* context)
{
    if (!context) return kEdgeNotFinished;
    for (const EdgeCodeRow& row : kEdgeCodeRows) {
        if (!FinisherGroupTest(context, row.group)) continue;
        if (!FinisherPaperListTest(context, row.list, OutputPaper(context), row.punches)) return kEdgeNotFinished;
        const bool landscape = IsFinishingLandscape(context) != 0;
        const std::uint16_t punchEdge = PunchEdgeCode(context, row, landscape);
        return punchEdge != 0 ? punchEdge : StapleEdgeCode(context, row, landscape);
    }
    return kEdgeNotFinished;
}

BOOL IsFinishingEdgeCode1(DriverContext* context)
{
    return GetFinishingEdgeCode(context) == kEdgeFirst;
}
BOOL IsFinishingEdgeCode2(DriverContext* context)
{
    return GetFinishingEdgeCode(context) == kEdgeSecond;
}

BOOL IsInsertSourceSamePaper(DriverContext* context, std::uint16_t insertSourceItem)
{
    if (!context) return FALSE;
    std::int16_t paper = -1;
    std::int32_t orientationBit = -1;
    const auto insertSource = static_cast<std::uint16_t>(ReadFinishingItem(context, insertSourceItem));
    if (!GetSourceTrayPaper(context, insertSource, &paper, &orientationBit)) return FALSE;
    return IsPaperLoadedInInsertSource(context, static_cast<std::uint16_t>(paper),
                                       static_cast<std::uint32_t>(orientationBit));
}

}  // namespace vexl
