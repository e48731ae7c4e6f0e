// The computed condition items: finisher groups, paper lists, trays of a
// paper source, the finishing orientation, the position judges, the edge
// code, and a judge of a description that reads one of them.
#include "common/model/finishing_judges.h"

#include "common/core/items.h"
#include "common/model/constraints.h"
#include "common/model/finishing_primitives.h"
#include "common/wiring.h"

#include "compiled_fixture.h"
#include "support/model_context.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

namespace vexl {
namespace {

constexpr std::uint16_t kLetter = 1, kLegal = 5, kStatement = 6, kA3 = 8, kA4 = 9, kA5 = 11, kB4 = 12, kB5 = 13;
constexpr std::uint32_t kPortrait = 1, kLandscape = 2;

// The judges the tests read, named after what they answer: whether the output paper fits a
// finisher fed unturned or turned, is in a finisher's paper list (with or without its extension, or
// outside its exclusion list), where it can be punched or stapled, whether it is in a source, and
// whether an inserted sheet comes from a source with the same paper.
constexpr std::uint16_t kLargeFinisherFitsUnturned = 723;
constexpr std::uint16_t kLargeFinisherFitsTurned = 724;
constexpr std::uint16_t kLargeFinisherListed = 725;
constexpr std::uint16_t kLargeFinisherPunchPosition = 726;
constexpr std::uint16_t kLargeFinisherStaplePosition = 727;
constexpr std::uint16_t kLargeFinisherListedExtended = 728;
constexpr std::uint16_t kLargeFinisherExclusionListed = 729;
constexpr std::uint16_t kFin4StaplePosition = 734;
constexpr std::uint16_t kFin4ListedExtended = 735;
constexpr std::uint16_t kType14FitsUnturned = 739;
constexpr std::uint16_t kType14Listed = 741;
constexpr std::uint16_t kType14StaplePosition = 742;
constexpr std::uint16_t kFreeSizeWideForFinisherStrict = 743;
constexpr std::uint16_t kFreeSizeWideForFinisher = 744;
constexpr std::uint16_t kFreeSizeWideForPunchStrict = 745;
constexpr std::uint16_t kFreeSizeWideForPunch = 746;
constexpr std::uint16_t kFin1000Listed = 757;
constexpr std::uint16_t kFin1000StaplePosition = 758;
constexpr std::uint16_t kFin50StaplePosition = 763;
constexpr std::uint16_t kType15Listed = 773;
constexpr std::uint16_t kType15StaplePosition = 774;
constexpr std::uint16_t kDomPunchPosition = 778;
constexpr std::uint16_t kDomStaplePosition = 779;
constexpr std::uint16_t kDomListedExtended = 780;
constexpr std::uint16_t kDomExclusionListed = 781;
constexpr std::uint16_t kFinBFFitsLong = 787;
constexpr std::uint16_t kFinBFFitsTurned = 788;
constexpr std::uint16_t kFinBFFitsUnturned = 789;
constexpr std::uint16_t kFinBFFitsAt68 = 790;
constexpr std::uint16_t kFinBFListed = 791;
constexpr std::uint16_t kFinBFStaplePosition = 792;
constexpr std::uint16_t kFin2FitsUnturned = 811;
constexpr std::uint16_t kFin2PunchPosition = 814;
constexpr std::uint16_t kFin2StaplePosition = 815;
constexpr std::uint16_t kFin2ListedExtended = 816;
constexpr std::uint16_t kPrintPaperOrient = 819;
constexpr std::uint16_t kPaperInSource7 = 820;
constexpr std::uint16_t kPaperInSource1 = 821;
constexpr std::uint16_t kPaperInSource3 = 822;
constexpr std::uint16_t kPaperInSource256 = 824;
constexpr std::uint16_t kPaperInSource11 = 825;
constexpr std::uint16_t kPaperInSource4 = 826;
constexpr std::uint16_t kFinishingEdgeCode1 = 827;
constexpr std::uint16_t kFinishingEdgeCode2 = 828;
constexpr std::uint16_t kPaperInSource256Again = 829;
constexpr std::uint16_t kPaperInSource261 = 830;
constexpr std::uint16_t kPaperInSource262 = 832;
constexpr std::uint16_t kPaperInSource263 = 833;
constexpr std::uint16_t kSamePaperForCover = 836;
constexpr std::uint16_t kSamePaperForMP = 837;
constexpr std::uint16_t kSamePaperForBackCover = 838;
constexpr std::uint16_t kSamePaperForChapter = 839;
constexpr std::uint16_t kSamePaperForReverseCover = 840;

// A punch or staple position judge with one finisher, a fed paper and a position type.
struct PositionCase {
    std::uint16_t judge;
    std::uint16_t finisher;
    std::uint16_t paper;
    std::uint32_t turned;
    std::uint32_t orientation;
    std::uint32_t type;
    std::uint32_t value;
};

// A context whose job prints paper P from tray 1, portrait, no finisher.
class FinishingJudges : public test::ModelContextTest {
protected:
    void SetUp() override
    {
        test::ModelContextTest::SetUp();
        Set(dmOrientation, kPortrait);
        Set(dmDefaultSource, 1);
        UsePaper(kA4);
    }

    void Set(std::uint16_t item, std::uint32_t value) { SetItemValue(context(), item, value); }
    void SetAll(std::initializer_list<std::uint16_t> items, std::uint32_t value)
    {
        for (std::uint16_t item : items) Set(item, value);
    }
    // The output paper, loaded in tray 1 unturned.
    void UsePaper(std::uint16_t paper, std::uint32_t turned = 0)
    {
        Set(rdmOutPaperSize, paper);
        LoadTray(rdmTray1Paper, rdmTrayOrient0, paper, turned);
    }
    void LoadTray(std::uint16_t paperItem, std::uint16_t orientItem, std::uint16_t paper, std::uint32_t turned)
    {
        Set(paperItem, paper);
        Set(orientItem, turned);
    }
    std::uint32_t Judge(std::uint16_t id) { return ComputeFinishingJudge(context(), id); }

    // Each case with only its finisher on and the position type in typeItem.
    void ExpectPositions(std::initializer_list<PositionCase> cases, std::uint16_t typeItem)
    {
        for (const PositionCase& c : cases) {
            Set(c.finisher, 1);
            Set(dmOrientation, c.orientation);
            UsePaper(c.paper, c.turned);
            Set(typeItem, c.type);
            EXPECT_EQ(Judge(c.judge), c.value) << c.judge << " " << c.finisher << " paper " << c.paper << " turned "
                                               << c.turned << " orientation " << c.orientation << " type " << c.type;
            Set(c.finisher, 0);
        }
    }
};

TEST_F(FinishingJudges, IdentifiersWithoutAComputationAnswerZero)
{
    // Everything that could make a judge true is set.
    SetAll({rdmOutputOptionTypeFin2000, rdmOutputOptionTypeFinBF, rdmOutputOptionType14, rdmOutputOptionType15,
            rdmOutputOption2TypeFIN4NA2, rdmOutputOption2TypeFin2Dom, rdmFuncSelectPunch, rdmFuncSelectStaple},
           1);
    Set(rdmPunchType, 1);
    Set(rdmStapleType, 49);
    ASSERT_EQ(Judge(kLargeFinisherListed), 1u);  // a judge with a computation is true here
    for (std::uint16_t id : {0,   722, 737, 738, 747, 754, 766, 770, 782, 786, 793, 794,
                             802, 810, 818, 831, 834, 842, 846, 847, 863, 914, 915, 0xFFFF}) {
        EXPECT_EQ(Judge(id), 0u) << id;
    }
    EXPECT_EQ(ComputeFinishingJudge(nullptr, kLargeFinisherListed), 0u);
}

TEST_F(FinishingJudges, FinishingIsLandscapeWhereNupOrDuplexTurnsThePage)
{
    struct Case {
        std::uint32_t nup, nupType, duplex, duplexType, orientation;
        BOOL landscape;
    };
    const Case cases[] = {
        {0, 0, 0, 0, kPortrait, FALSE},      {0, 0, 0, 0, kLandscape, TRUE},   {1, 5, 0, 0, kPortrait, TRUE},
        {1, 18, 0, 0, kLandscape, FALSE},    {0, 5, 0, 0, kPortrait, FALSE},    // N-up off: its kind does not count
        {1, 0, 1, 17, kPortrait, TRUE},                                         // kind 0 leaves it to the duplex rule
        {1, 19, 1, 17, kLandscape, FALSE},                                      // so does kind 19
        {1, 19, 1, 16, kPortrait, FALSE},                                       // duplex kind 16: the plain orientation
        {1, 19, 1, 16, kLandscape, TRUE},    {0, 0, 0, 200, kPortrait, FALSE},  // duplex off
        {1, 0x8001, 0, 0, kLandscape, TRUE},                                    // poster kinds do not turn the page
    };
    for (const Case& c : cases) {
        Set(rdmFuncSelectNup, c.nup);
        Set(rdmNUPType, c.nupType);
        Set(rdmFuncSelectDuplex, c.duplex);
        Set(rdmDuplexType, c.duplexType);
        Set(dmOrientation, c.orientation);
        EXPECT_EQ(IsFinishingLandscape(context()), c.landscape)
            << c.nup << " " << c.nupType << " " << c.duplex << " " << c.duplexType << " " << c.orientation;
        EXPECT_EQ(Judge(kPrintPaperOrient), static_cast<std::uint32_t>(c.landscape));
    }
    // Item access reads punch and staple values through the same rule.
    EXPECT_EQ(GetDefaultItemServices().isFinishingLandscape, &IsFinishingLandscape);
}

TEST_F(FinishingJudges, SourcesStandForTheirTrays)
{
    LoadTray(rdmTray1Paper, rdmTrayOrient0, kLetter, 0);
    LoadTray(rdmTray2Paper, rdmTrayOrient1, kA3, 1);
    LoadTray(rdmTray26PaperLCT1, rdmTrayOrient25, kB4, 0);
    LoadTray(rdmTray28PaperManual, rdmTrayOrient27, kA5, 0);
    LoadTray(rdmTray29PaperMulti, rdmTrayOrient28, kB5, 1);
    LoadTray(rdmTray30PaperExt1, rdmTrayOrient29, kLegal, 1);
    EXPECT_TRUE(IsPaperInSource(context(), 1, kLetter));
    EXPECT_TRUE(IsPaperInSource(context(), 3, kA3));
    EXPECT_FALSE(IsPaperInSource(context(), 3, kLetter));
    EXPECT_TRUE(IsPaperInSource(context(), 261, kB4));  // both values name the large-capacity tray
    EXPECT_TRUE(IsPaperInSource(context(), 11, kB4));
    EXPECT_FALSE(IsPaperInSource(context(), 286, kLegal));  // the external tray only for GetSourceTrayPaper
    EXPECT_FALSE(IsPaperInSource(context(), 99, kLetter));

    // Source 4: the manual feed wins over the bypass tray; without either option nothing.
    EXPECT_FALSE(IsPaperInSource(context(), 4, kA5));
    EXPECT_FALSE(IsPaperInSource(context(), 4, kB5));
    Set(rdmSourceOptionTypeMulti, 1);
    EXPECT_TRUE(IsPaperInSource(context(), 4, kB5));
    Set(rdmSourceOptionTypeManual, 1);
    EXPECT_TRUE(IsPaperInSource(context(), 4, kA5));
    EXPECT_FALSE(IsPaperInSource(context(), 4, kB5));

    // The orientation bit must match too.
    EXPECT_TRUE(IsPaperLoadedInSource(context(), 3, kA3, kFeedTurned));
    EXPECT_FALSE(IsPaperLoadedInSource(context(), 3, kA3, kFeedUnturned));
    EXPECT_FALSE(IsPaperLoadedInSource(context(), 3, kA3, 0xFFFFFFFF));

    // The paper-in-tray judges test the output paper.
    Set(rdmOutPaperSize, kB4);
    EXPECT_EQ(Judge(kPaperInSource11), 1u);
    EXPECT_EQ(Judge(kPaperInSource261), 1u);
    EXPECT_EQ(Judge(kPaperInSource262), 0u);
    Set(rdmOutPaperSize, kA5);
    EXPECT_EQ(Judge(kPaperInSource4), 1u);
    Set(rdmTray6Paper, kA5);
    EXPECT_EQ(Judge(kPaperInSource262), 1u);
    EXPECT_EQ(Judge(kPaperInSource263), 0u);

    std::int16_t paper = -1;
    std::int32_t orientation = -1;
    EXPECT_TRUE(GetSourceTrayPaper(context(), 286, &paper, &orientation));
    EXPECT_EQ(paper, kLegal);
    EXPECT_EQ(orientation, 1);
    paper = -1;
    orientation = -1;
    EXPECT_FALSE(GetSourceTrayPaper(context(), 7, &paper, &orientation));
    EXPECT_EQ(paper, -1);
    EXPECT_EQ(orientation, -1);
}

TEST_F(FinishingJudges, TheAutomaticSourceSkipsLockedTraysAndMissingOptions)
{
    Set(dmDefaultSource, 7);
    LoadTray(rdmTray1Paper, rdmTrayOrient0, kLetter, 0);
    LoadTray(rdmTray3Paper, rdmTrayOrient2, kA4, 0);
    LoadTray(rdmTray7Paper, rdmTrayOrient6, kA4, 1);
    LoadTray(rdmTray29PaperMulti, rdmTrayOrient28, kB5, 0);
    EXPECT_EQ(GetPaperFeedOrientations(context(), kA4), kFeedMaskUnturned | kFeedMaskTurned);
    Set(rdmTrayLock2, 1);
    EXPECT_EQ(GetPaperFeedOrientations(context(), kA4), kFeedMaskTurned);
    EXPECT_TRUE(IsPaperInSource(context(), 2, kA4));  // selected directly, the lock does not count
    Set(rdmTrayLock6, 1);
    EXPECT_FALSE(IsPaperInSource(context(), 7, kA4));

    EXPECT_FALSE(IsPaperInSource(context(), 7, kB5));  // bypass option not installed
    Set(rdmSourceOptionTypeMulti, 1);
    EXPECT_TRUE(IsPaperInSource(context(), 7, kB5));
    Set(rdmTrayLock28, 1);
    EXPECT_FALSE(IsPaperInSource(context(), 7, kB5));

    // The paper-in-tray judges.
    Set(rdmOutPaperSize, kLetter);
    EXPECT_EQ(Judge(kPaperInSource7), 1u);
    EXPECT_EQ(Judge(kPaperInSource1), 1u);
    EXPECT_EQ(Judge(kPaperInSource3), 0u);
    Set(rdmTray4Paper, kLetter);
    EXPECT_EQ(Judge(kPaperInSource256), 1u);
    EXPECT_EQ(Judge(kPaperInSource256Again), 1u);
}

TEST_F(FinishingJudges, ExtendedListsTakeA5AndStatementPerFinisher)
{
    struct Case {
        std::uint16_t finisher;  // 0: none
        std::uint16_t judge;
        std::uint16_t paper;
        std::uint32_t value;
    };
    const Case cases[] = {
        {0, kLargeFinisherListedExtended, kStatement, 0},  // Statement needs a Fin2000-group bit
        {rdmOutputOptionTypeFin2000NA, kLargeFinisherListedExtended, kStatement, 1},
        {rdmOutputOptionTypeFin3000, kLargeFinisherListedExtended, kStatement, 0},  // the Fin3000 group does not do
        {rdmOutputOptionTypeFin3000, kLargeFinisherListedExtended, kA5, 1},         // A5 needs no finisher
        {rdmOutputOptionTypeFin3000, kLargeFinisherListed, kA5, 0},                 // not without extension
        {rdmOutputOption2TypeFIN2NE, kFin2ListedExtended, kStatement, 1},
        {rdmOutputOption2TypeFIN2NE, kFin2FitsUnturned, kStatement, 1},  // fits unturned from tray 1
        {rdmOutputOption2TypeFin2Dom, kDomListedExtended, kStatement, 1},
        {rdmOutputOption2TypeFin2Dom, kDomListedExtended, kA5, 0},  // the Dom list never takes A5
        {0, kFin4ListedExtended, kStatement, 1},                    // the FIN4 list takes both always
        {0, kFin4ListedExtended, kA5, 1},
        {0, kLargeFinisherExclusionListed, kA3, 1},  // exclusion tests: not in the list
        {0, kLargeFinisherExclusionListed, kA4, 0},
        {0, kDomExclusionListed, kB4, 0},
        {0, kFin1000Listed, 517, 1},
        {0, kType14Listed, 514, 0},
        {0, kType15Listed, 512, 1},
    };
    for (const Case& c : cases) {
        if (c.finisher) Set(c.finisher, 1);
        UsePaper(c.paper);
        EXPECT_EQ(Judge(c.judge), c.value) << c.finisher << " " << c.judge << " " << c.paper;
        if (c.finisher) Set(c.finisher, 0);
    }
}

TEST_F(FinishingJudges, FitsJudgesFollowTheFeedDirection)
{
    Set(rdmOutputOptionTypeFin2000, 1);
    UsePaper(kA4);
    EXPECT_EQ(Judge(kLargeFinisherFitsUnturned), 1u);
    EXPECT_EQ(Judge(kLargeFinisherFitsTurned), 0u);
    UsePaper(kA4, 1);
    EXPECT_EQ(Judge(kLargeFinisherFitsUnturned), 0u);
    EXPECT_EQ(Judge(kLargeFinisherFitsTurned), 1u);
    UsePaper(kA3, 1);  // long papers are never finished turned
    EXPECT_EQ(Judge(kLargeFinisherFitsTurned), 0u);
    Set(rdmOutputOptionTypeFin2000, 0);
    UsePaper(kA4, 1);
    EXPECT_EQ(Judge(kLargeFinisherFitsTurned), 0u);

    Set(rdmOutputOptionType14, 1);
    UsePaper(kB5);
    EXPECT_EQ(Judge(kType14FitsUnturned), 0u);  // B5 is not taken unturned
    UsePaper(kA4);
    EXPECT_EQ(Judge(kType14FitsUnturned), 1u);
}

TEST_F(FinishingJudges, PunchPositions)
{
    Set(rdmFuncSelectPunch, 1);
    ExpectPositions(
        {
            {kLargeFinisherPunchPosition, rdmOutputOptionTypeFin2000, kA4, 0, kPortrait, 1, 1},
            {kLargeFinisherPunchPosition, rdmOutputOptionTypeFin2000, kA4, 0, kPortrait, 2, 0},  // second edge
            {kLargeFinisherPunchPosition, rdmOutputOptionTypeFin2000, kA4, 0, kLandscape, 2, 1},
            {kLargeFinisherPunchPosition, rdmOutputOptionTypeFin2000, kA4, 0, kPortrait, 17, 0},  // only 1 to 3 offered
            {kLargeFinisherPunchPosition, rdmOutputOptionTypeFin2000NA, kA4, 0, kPortrait, 17,
             0},  // A4 is in the exclusion list
            {kLargeFinisherPunchPosition, rdmOutputOptionTypeFin2000NA, kA3, 0, kPortrait, 17, 1},
            {kLargeFinisherPunchPosition, rdmOutputOptionTypeFin2000NA, kA4, 1, kLandscape, 17, 1},
            {kLargeFinisherPunchPosition, rdmOutputOptionTypeFin2000NE, kA4, 0, kPortrait, 49, 1},
            {kLargeFinisherPunchPosition, rdmOutputOptionTypeFin2000NE, kA4, 0, kPortrait, 1, 0},
            {kLargeFinisherPunchPosition, rdmOutputOptionTypeFin2000NoPunch, kA4, 0, kPortrait, 1, 0},
            {kLargeFinisherPunchPosition, rdmOutputOptionTypeFin2000, 0, 0, kPortrait, 1, 0},  // paper not in the list
            {kLargeFinisherPunchPosition, rdmOutputOptionTypeFin2000, kA4, 0, kPortrait, 4, 0},  // no such position
            {kFin2PunchPosition, rdmOutputOption2TypeFIN2NA, kA4, 0, kPortrait, 1, 1},
            {kFin2PunchPosition, rdmOutputOption2TypeFIN2EU, kA3, 0, kPortrait, 17, 1},
            {kFin2PunchPosition, rdmOutputOption2TypeFIN2EU, kA4, 0, kPortrait, 1, 0},
            {kFin2PunchPosition, rdmOutputOption2TypeFIN2NoPunch, kA3, 0, kPortrait, 33, 1},
            {kFin2PunchPosition, rdmOutputOption2TypeFIN2NE, kA4, 0, kPortrait, 49, 0},
            {kFin2PunchPosition, rdmOutputOption2TypeFIN2NA, kA4, 0, kPortrait, 49, 0},
            {kDomPunchPosition, rdmOutputOption2TypeFin1Dom, kB4, 0, kPortrait, 1, 1},
            {kDomPunchPosition, rdmOutputOption2TypeFIN4NA2, kB4, 0, kPortrait, 1, 0},   // not B4 with the NA2 unit
            {kDomPunchPosition, rdmOutputOption2TypeFIN4NA2, kA3, 1, kLandscape, 1, 0},  // turned: Letter or A4 only
            {kDomPunchPosition, rdmOutputOption2TypeFIN4NA2, kA4, 1, kLandscape, 1, 1},
            {kDomPunchPosition, rdmOutputOption2TypeFIN4NA2, kLetter, 1, kPortrait, 18, 1},
            {kDomPunchPosition, rdmOutputOption2TypeFIN4NA2, kB4, 1, kPortrait, 18, 0},
            {kDomPunchPosition, rdmOutputOption2TypeFin2Dom, kA3, 0, kPortrait, 33, 1},
            {kDomPunchPosition, rdmOutputOption2TypeFin2Dom, kB4, 0, kPortrait, 33, 0},
            {kDomPunchPosition, rdmOutputOption2TypeFin2Dom, kA4, 1, kLandscape, 33, 1},
            {kDomPunchPosition, rdmOutputOption2TypeFIN4EU, kA4, 0, kPortrait, 33, 0},  // EU unit offers 1 to 3 here
            {kDomPunchPosition, rdmOutputOption2TypeFIN4NE, kA4, 0, kLandscape, 50, 1},
        },
        rdmPunchType);
}

TEST_F(FinishingJudges, PositionJudgesNeedThePaperInTheSource)
{
    Set(rdmOutputOptionTypeFin2000, 1);
    Set(rdmPunchType, 1);
    Set(rdmStapleType, 49);
    Set(rdmOutPaperSize, kA4);
    Set(rdmTray1Paper, kLetter);
    EXPECT_EQ(Judge(kLargeFinisherPunchPosition), 0u);
    EXPECT_EQ(Judge(kLargeFinisherStaplePosition), 0u);
    Set(rdmTray1Paper, kA4);
    EXPECT_EQ(Judge(kLargeFinisherPunchPosition), 1u);
    EXPECT_EQ(Judge(kLargeFinisherStaplePosition), 1u);
}

TEST_F(FinishingJudges, StaplePositions)
{
    ExpectPositions(
        {
            {kLargeFinisherStaplePosition, rdmOutputOptionTypeFin3000, kA4, 0, kPortrait, 17, 1},
            {kLargeFinisherStaplePosition, rdmOutputOptionTypeFin3000, kA4, 0, kPortrait, 1, 0},
            {kLargeFinisherStaplePosition, rdmOutputOptionTypeFin3000, kA4, 1, kPortrait, 1, 1},
            {kLargeFinisherStaplePosition, rdmOutputOptionTypeFin3000, kA4, 0, kPortrait, 50, 1},
            {kLargeFinisherStaplePosition, rdmOutputOptionTypeFin3000, kA4, 0, kPortrait, 68, 0},
            {kLargeFinisherStaplePosition, rdmOutputOptionTypeFin3000, kA5, 0, kPortrait, 50,
             0},  // the list without extension
            {kFin4StaplePosition, rdmOutputOption2TypeFIN4NE, kA4, 0, kPortrait, 68, 1},
            {kFin4StaplePosition, rdmOutputOption2TypeFIN4NE, kLegal, 0, kPortrait, 68, 0},
            {kFin4StaplePosition, rdmOutputOption2TypeFIN4NE, kA4, 1, kPortrait, 68, 0},
            {kFin2StaplePosition, rdmOutputOption2TypeFIN2NA, kA4, 0, kPortrait, 68,
             0},  // 68 needs the booklet unit too
            {kFin50StaplePosition, rdmOutputOption2TypeFin50, kA4, 0, kPortrait, 68, 0},
            {kFin50StaplePosition, rdmOutputOption2TypeFin50, kA4, 0, kLandscape, 34, 1},
            {kDomStaplePosition, rdmOutputOption2TypeFin2Dom, kB5, 0, kPortrait, 49, 0},  // B5 fed unturned
            {kDomStaplePosition, rdmOutputOption2TypeFin2Dom, kB5, 1, kPortrait, 49, 1},
            {kDomStaplePosition, rdmOutputOption2TypeFin2Dom, kA4, 0, kPortrait, 49, 1},
            {kDomStaplePosition, rdmOutputOption2TypeFin2Dom, kB5, 0, kPortrait, 33, 0},
            {kDomStaplePosition, rdmOutputOption2TypeFin2Dom, kA4, 0, kPortrait, 33, 1},
            {kDomStaplePosition, rdmOutputOption2TypeFin2Dom, kB5, 1, kLandscape, 65, 1},
            {kDomStaplePosition, rdmOutputOption2TypeFin2Dom, kA4, 0, kPortrait, 66, 0},
            {kDomStaplePosition, rdmOutputOption2TypeFin2Dom, kB4, 0, kPortrait, 68, 1},
            {kFin1000StaplePosition, rdmOutputOptionTypeFin1000, kA4, 0, kPortrait, 33, 1},
            {kFin1000StaplePosition, rdmOutputOptionTypeFin1000, kA4, 0, kPortrait, 65, 0},
            {kType14StaplePosition, rdmOutputOptionType14, kB5, 0, kPortrait, 49, 0},  // B5 counts only turned
            {kType14StaplePosition, rdmOutputOptionType14, kB5, 1, kLandscape, 49, 1},
            {kType14StaplePosition, rdmOutputOptionType14, kA4, 0, kPortrait, 49, 1},
            {kType15StaplePosition, rdmOutputOptionType15, kA4, 0, kLandscape, 66, 1},
            {kType15StaplePosition, rdmOutputOptionType15, kA4, 0, kLandscape, 49, 1},
        },
        rdmStapleType);
    SetAll({rdmOutputOption2TypeFIN2NA, rdmOutputOptionTypeFinBF}, 1);
    UsePaper(kA4);
    Set(rdmStapleType, 68);
    EXPECT_EQ(Judge(kFin2StaplePosition), 1u);
}

TEST_F(FinishingJudges, BookletFinisherJudges)
{
    Set(rdmOutputOptionTypeFinBF, 1);
    struct Case {
        std::uint16_t paper;
        std::uint32_t turned;
        std::uint32_t fitsLong, fitsTurned, fitsUnturned, fitsAt68, listed;
    };
    const Case cases[] = {
        {kA3, 0, 1, 0, 0, 1, 1}, {kLegal, 0, 1, 0, 0, 0, 1}, {kA4, 0, 0, 0, 1, 1, 1},
        {kB5, 1, 0, 1, 0, 0, 1}, {kB5, 0, 0, 0, 0, 0, 0},    {kA4, 1, 0, 1, 0, 0, 1},
    };
    for (const Case& c : cases) {
        UsePaper(c.paper, c.turned);
        EXPECT_EQ(Judge(kFinBFFitsLong), c.fitsLong) << c.paper << " " << c.turned;
        EXPECT_EQ(Judge(kFinBFFitsTurned), c.fitsTurned) << c.paper << " " << c.turned;
        EXPECT_EQ(Judge(kFinBFFitsUnturned), c.fitsUnturned) << c.paper << " " << c.turned;
        EXPECT_EQ(Judge(kFinBFFitsAt68), c.fitsAt68) << c.paper << " " << c.turned;
        EXPECT_EQ(Judge(kFinBFListed), c.listed) << c.paper << " " << c.turned;
    }
    UsePaper(kA3);
    Set(rdmStapleType, 65);
    EXPECT_EQ(Judge(kFinBFStaplePosition), 1u);
    Set(rdmStapleType, 66);
    EXPECT_EQ(Judge(kFinBFStaplePosition), 0u);
    Set(dmOrientation, kLandscape);
    EXPECT_EQ(Judge(kFinBFStaplePosition), 1u);
    Set(rdmOutputOptionTypeFinBF, 0);
    EXPECT_EQ(Judge(kFinBFStaplePosition), 0u);
}

TEST_F(FinishingJudges, EdgeCodeOfTheFirstFinisherInstalled)
{
    struct Case {
        std::uint16_t finisher;
        std::uint16_t paper;
        std::uint32_t orientation;
        std::uint32_t punch, punchType, staple, stapleType;
        std::uint16_t edge;
    };
    const Case cases[] = {
        {0, kA4, kPortrait, 1, 1, 1, 33, kEdgeNotFinished},
        {rdmOutputOptionTypeFin2000, kA4, kPortrait, 1, 1, 0, 0, kEdgeFirst},
        {rdmOutputOptionTypeFin2000, kA4, kLandscape, 1, 1, 0, 0, kEdgeSecond},
        {rdmOutputOptionTypeFin2000, kA4, kPortrait, 1, 34, 0, 0, kEdgeSecond},
        {rdmOutputOptionTypeFin2000, kA4, kPortrait, 0, 1, 0, 0, kEdgeNone},    // nothing on
        {rdmOutputOptionTypeFin2000, kA4, kPortrait, 1, 9, 1, 65, kEdgeFirst},  // staple decides
        {rdmOutputOptionTypeFin2000, kA4, kPortrait, 0, 0, 1, 50, kEdgeNone},
        {rdmOutputOptionTypeFin2000, kA4, kPortrait, 0, 0, 1, 68, kEdgeNotFinished},
        {rdmOutputOptionTypeFin2000, kStatement, kPortrait, 1, 1, 0, 0, kEdgeFirst},
        {rdmOutputOptionTypeFin2000NoPunch, kA4, kPortrait, 1, 1, 1, 66, kEdgeSecond},
        {rdmOutputOptionTypeFin1000, kA5, kPortrait, 0, 0, 1, 33, kEdgeNotFinished},  // Fin1000 list is plain
        {rdmOutputOptionTypeFinBF, kA4, kLandscape, 1, 1, 1, 68, kEdgeFirst},
        {rdmOutputOptionTypeFinBF, kA4, kLandscape, 1, 1, 1, 33, kEdgeNone},
        {rdmOutputOptionType14, kA4, kLandscape, 0, 0, 1, 49, kEdgeSecond},
        {rdmOutputOption2TypeFIN2NE, kA4, kPortrait, 1, 49, 1, 34, kEdgeSecond},  // FIN2 punches no 49
        {rdmOutputOption2TypeFin100, kA4, kLandscape, 1, 66, 0, 0, kEdgeFirst},
        {rdmOutputOption2TypeFin2Dom, kB5, kPortrait, 1, 51, 0, 0, kEdgeSecond},
        {rdmOutputOption2TypeFin2Dom, kLetter, kPortrait, 1, 1, 0, 0, kEdgeFirst},
    };
    for (const Case& c : cases) {
        if (c.finisher) Set(c.finisher, 1);
        Set(dmOrientation, c.orientation);
        UsePaper(c.paper);
        Set(rdmFuncSelectPunch, c.punch);
        Set(rdmPunchType, c.punchType);
        Set(rdmFuncSelectStaple, c.staple);
        Set(rdmStapleType, c.stapleType);
        EXPECT_EQ(GetFinishingEdgeCode(context()), c.edge)
            << c.finisher << " paper " << c.paper << " punch " << c.punch << "/" << c.punchType << " staple "
            << c.staple << "/" << c.stapleType;
        EXPECT_EQ(Judge(kFinishingEdgeCode1), static_cast<std::uint32_t>(c.edge == kEdgeFirst));
        EXPECT_EQ(Judge(kFinishingEdgeCode2), static_cast<std::uint32_t>(c.edge == kEdgeSecond));
        if (c.finisher) Set(c.finisher, 0);
    }
    // The large finisher comes before the others.
    SetAll({rdmOutputOptionTypeFin3000, rdmOutputOptionType14}, 1);
    Set(rdmFuncSelectPunch, 0);
    Set(rdmFuncSelectStaple, 1);
    Set(rdmStapleType, 49);
    EXPECT_EQ(GetFinishingEdgeCode(context()), kEdgeNone);
}

TEST_F(FinishingJudges, InsertedSheetsFromATrayWithTheSamePaper)
{
    LoadTray(rdmTray1Paper, rdmTrayOrient0, kA4, 0);
    LoadTray(rdmTray2Paper, rdmTrayOrient1, kA4, 0);
    LoadTray(rdmTray3Paper, rdmTrayOrient2, kA4, 1);
    struct Case {
        std::uint16_t judge;
        std::uint16_t insertItem;
        std::uint32_t insertSource;
        std::uint32_t jobSource;
        std::uint32_t value;
    };
    const Case cases[] = {
        {kSamePaperForCover, rdmCoverInputTray, 3, 1, 1},
        {kSamePaperForCover, rdmCoverInputTray, 2, 1, 0},  // turned the other way
        {kSamePaperForCover, rdmCoverInputTray, 7, 1, 0},  // the automatic source names no tray
        {kSamePaperForCover, rdmCoverInputTray, 3, 7, 1},  // the job's automatic source counts as tray 1
        {kSamePaperForMP, rdmMPInputTray, 1, 3, 1},
        {kSamePaperForBackCover, rdmBackCoverInputTray, 2, 2, 1},
        {kSamePaperForChapter, wdmChapterTray, 3, 2, 0},
        {kSamePaperForReverseCover, rdmReverseCoverInputTray, 4, 1, 0},  // no manual or bypass option
    };
    for (const Case& c : cases) {
        Set(c.insertItem, c.insertSource);
        Set(dmDefaultSource, c.jobSource);
        EXPECT_EQ(Judge(c.judge), c.value) << c.judge << " " << c.insertSource << " " << c.jobSource;
    }
}

TEST_F(FinishingJudges, FreeSizeWidths)
{
    struct Case {
        std::uint16_t paper;
        std::uint16_t widthItem;  // 0: no free size
        std::uint32_t width;
        std::uint16_t finisher;
        std::uint32_t punchType;
        std::uint32_t strict, wideForFinisher, wideForPunch;
    };
    const Case cases[] = {
        {kA4, 0, 0, 0, 0, 1, 1, 1},
        {256, rdmPaperFreeSizeWidth, 8501, 0, 0, 0, 1, 1},
        {256, rdmPaperFreeSizeWidth, 8502, 0, 0, 1, 1, 1},
        {384, wdmFreeSize1Width, 10865, rdmOutputOption2TypeFIN3NA, 17, 1, 0, 0},
        {393, wdmFreeSize10Width, 10866, rdmOutputOption2TypeFIN3NA, 17, 1, 1, 1},
        {448, rdmPrintFreeSizeWidth, 10000, rdmOutputOption2TypeFIN3NA, 1, 1, 0, 1},  // punch 1 needs no width
        {256, rdmPaperFreeSizeWidth, 12045, rdmOutputOption2TypeFIN4EU, 33, 1, 0, 0},
        {256, rdmPaperFreeSizeWidth, 12046, rdmOutputOption2TypeFIN4EU, 33, 1, 1, 1},
        {256, rdmPaperFreeSizeWidth, 12000, rdmOutputOption2TypeFIN2EU, 33, 1, 1, 0},
        // A width past 16 bits is wide, not negative.
        {256, rdmPaperFreeSizeWidth, 0x10000 + 100, rdmOutputOption2TypeFIN3NA, 17, 1, 1, 1},
    };
    for (const Case& c : cases) {
        if (c.widthItem) Set(c.widthItem, c.width);
        if (c.finisher) Set(c.finisher, 1);
        Set(rdmPunchType, c.punchType);
        UsePaper(c.paper);
        EXPECT_EQ(Judge(kFreeSizeWideForFinisherStrict), c.strict) << c.paper << " " << c.width;
        EXPECT_EQ(Judge(kFreeSizeWideForFinisher), c.wideForFinisher) << c.paper << " " << c.width;
        EXPECT_EQ(Judge(kFreeSizeWideForPunchStrict), c.strict) << c.paper << " " << c.width;
        EXPECT_EQ(Judge(kFreeSizeWideForPunch), c.wideForPunch) << c.paper << " " << c.width;
        if (c.finisher) Set(c.finisher, 0);
    }
}

TEST_F(FinishingJudges, ReadersKeepTheirDescriptorsAndValuesFollowEveryChange)
{
    ContextWorkArea* work = ctx_.work();
    const auto filled = [work] {
        int count = 0;
        for (SettingItemDescriptor* slot : work->judgeDescriptorCache) count += slot != nullptr;
        return count;
    };
    ASSERT_EQ(filled(), 0);
    Set(rdmOutputOptionTypeFin2000, 1);
    Set(rdmStapleType, 49);
    EXPECT_EQ(Judge(kLargeFinisherStaplePosition), 1u);
    const int afterFirst = filled();
    EXPECT_GT(afterFirst, 0);
    for (SettingItemDescriptor* slot : work->judgeDescriptorCache) {
        if (slot) {
            EXPECT_EQ(slot, FindItem(context(), slot->id));  // the context's own item table
        }
    }
    Set(rdmTray1Paper, kLetter);  // no cached value: the judge sees the change at once
    EXPECT_EQ(Judge(kLargeFinisherStaplePosition), 0u);
    EXPECT_EQ(filled(), afterFirst);
}

// A judge of a description that reads a computed item.
class FinishingJudgeInDescription : public model::test::CompiledContextTest {};

TEST_F(FinishingJudgeInDescription, EvaluateJudgeAsksTheFinishingJudges)
{
    model::test::FixtureNames names(&model::ModelDatabaseNames());
    names.symbols["KSD_X"] = {58, 600};
    UseDescription("*FileVersion: 7.60\n"
                   "*OpenUI *KSD_X: Boolean\n*KSD_X True: \"on\"\n*KSD_X False: \"off\"\n*DefaultKSD_X: False\n"
                   "*CloseUI: *KSD_X\n"
                   "*Judge 1=Turned: KSD_PrintPaperOrient == 1\n"
                   "*Judge 2=SameCover: KSD_SamePaperCoverSrcTray\n"
                   "*Exclusive: { {KSD_X Turned SameCover NULL NULL NULL NULL NULL} }\n",
                   names);
    SetItemValue(context(), dmOrientation, kPortrait);
    EXPECT_EQ(IsKeyOptionUnavailable(600, 0, context()), 0);
    SetItemValue(context(), dmOrientation, kLandscape);
    EXPECT_EQ(IsKeyOptionUnavailable(600, 0, context()), 1);

    SetItemValue(context(), dmDefaultSource, 1);
    SetItemValue(context(), rdmCoverInputTray, 3);
    SetItemValue(context(), rdmTray1Paper, kA4);
    SetItemValue(context(), rdmTray2Paper, kA3);
    EXPECT_EQ(IsKeyOptionRestricted(600, 0, context()), 0);
    SetItemValue(context(), rdmTray2Paper, kA4);
    EXPECT_EQ(IsKeyOptionRestricted(600, 0, context()), 1);
}

}  // namespace
}  // namespace vexl
