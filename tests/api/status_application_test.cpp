// An application changes every writable status of a printer through the
// exports of TZ16E140.DLL and the public header: each status is read, one
// setting of it changed, written, and read back; a status the printer's model
// cannot take is refused with its code and changes nothing; a combination the
// property pages forbid is refused and leaves the DEVMODE, the printer data
// and the settings INI byte for byte as they were; and what the library
// stores is what another process finds.
#include "api_fixture.h"
#include "interface_printer.h"
#include "support/child_process.h"
#include "support/test_machine.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vexl::test {
namespace {

using Structure = std::vector<std::uint8_t>;

// One field of a status structure: a number of 1, 2 or 4 bytes, or a text.
struct Field {
    std::uint16_t offset = 0;
    std::uint8_t width = 4;  // 0: the text
    std::uint32_t value = 0;
    const char* text = nullptr;
};

// What the printer answers to the write.
struct Outcome {
    int result = 0;  // 0 written, -1 refused
    int code = 0;    // the last error of a refusal
};

inline constexpr Outcome kWritten{0, 0};
constexpr Outcome Refused(int code)
{
    return {-1, code};
}

// One change of the program: the fields written into the structure as the
// status reads it; the fields the read-back must show (empty: the written
// ones); the outcome on the package printer and on the interface's test
// printer, with the reason of a refusal; and the fields another process
// reads as written, for a status whose result the library stores.
struct StatusChange {
    std::uint32_t status;
    std::vector<Field> written;
    std::vector<Field> readBack;
    Outcome onPackage;
    Outcome onInterface;
    const char* reason = "";
    std::vector<Field> stored = {};
};

std::uint32_t ReadNumber(const Structure& bytes, const Field& field)
{
    std::uint32_t value = 0;
    for (std::uint8_t i = 0; i < field.width; ++i)
        value |= static_cast<std::uint32_t>(bytes[field.offset + i]) << (8 * i);
    return value;
}

void WriteField(Structure& bytes, const Field& field)
{
    if (field.width == 0) {
        const std::string_view text = field.text ? field.text : "";
        std::memcpy(bytes.data() + field.offset, text.data(), text.size());
        bytes[field.offset + text.size()] = 0;
        return;
    }
    for (std::uint8_t i = 0; i < field.width; ++i)
        bytes[field.offset + i] = static_cast<std::uint8_t>(field.value >> (8 * i));
}

// The structure version a read fills is its own; every other field is compared.
bool FieldHolds(const Structure& bytes, const Field& field)
{
    if (field.offset == 0) return true;
    if (field.width == 0)
        return std::string_view(reinterpret_cast<const char*>(bytes.data() + field.offset)) ==
               std::string_view(field.text ? field.text : "");
    return ReadNumber(bytes, field) == field.value;
}

Field U32(std::uint16_t offset, std::uint32_t value)
{
    return {offset, 4, value, nullptr};
}
Field U16(std::uint16_t offset, std::uint32_t value)
{
    return {offset, 2, value, nullptr};
}
Field Text(std::uint16_t offset, const char* text)
{
    return {offset, 0, 0, text};
}

// Every writable status, once, in an order in which each change finds what
// it needs: the index media before the index rotation, the custom quality
// (user macro 160) before the quality statuses it opens.
const std::vector<StatusChange>& StatusChanges()
{
    static const std::vector<StatusChange> changes = {
        {1,
         {Text(4, "C:\\_vexl\\proof.rst")},
         {},
         Refused(VEXLDRV_ERROR_BAD_FILE),
         Refused(VEXLDRV_ERROR_PRESET_LOAD),
         "the package printer has no such file; the test printer's file keeps its settings under another section "
         "than the printer's"},
        {2, {U32(4, 3)}, {}, kWritten, kWritten},
        {3, {U32(4, 272)}, {}, kWritten, kWritten},
        {4, {U32(4, 1)}, {}, kWritten, kWritten},
        {5, {U32(4, 2)}, {}, Refused(2), Refused(2), "no page of the model offers the colour choice"},
        {6, {U32(4, 2)}, {}, kWritten, kWritten},
        {7, {U32(0, 1), U32(4, 1)}, {}, kWritten, kWritten},
        {8, {U32(0, 1), U32(4, 1)}, {}, kWritten, kWritten},
        {9, {U32(4, 3)}, {}, kWritten, kWritten},
        {10,
         {U32(4, 2), U32(8, 1), Text(12, "app7")},
         {U32(4, 2), Text(12, "app7")},
         kWritten,
         kWritten,
         "",
         {U32(4, 2)}},
        {11, {U32(0, 1), U32(4, 1), U32(8, 150), U32(28, 1)}, {}, kWritten, kWritten},
        {12, {U32(4, 1), U32(8, 1), U32(28, 1)}, {}, kWritten, kWritten},
        {13, {U32(4, 1), U32(8, 1), U32(28, 1)}, {}, kWritten, kWritten},
        {14, {U32(0, 1), U32(4, 4), U32(28, 1)}, {}, kWritten, kWritten},
        {15,
         {U32(4, 0), U32(28, 1)},
         {},
         Refused(7),
         Refused(7),
         "the printer has no duplex unit: the trial merge turns duplex off"},
        {16,
         {U32(4, 1), Text(44, "DRAFT")},
         {},
         Refused(7),
         Refused(7),
         "the watermark settings carry no UI symbol in the model, so their values are refused"},
        {17,
         {U32(4, 1), U32(28, 1)},
         {},
         Refused(7),
         Refused(7),
         "the stamp list of capability 32 does not hold stamp 1"},
        {18, {U32(4, 2), U32(8, 20), U32(12, 30)}, {U32(4, 2)}, kWritten, kWritten},
        {19, {U32(4, 1), U32(28, 1)}, {}, kWritten, kWritten},
        {20, {U32(4, 2), U32(28, 1)}, {}, kWritten, kWritten},
        {21,
         {U32(4, 1), U32(28, 1)},
         {},
         Refused(7),
         Refused(7),
         "punching follows the model's own rules: no punch entry"},
        {22, {U32(4, 1)}, {}, kWritten, kWritten},
        {23, {U32(4, 1)}, {}, kWritten, kWritten},
        {24, {U32(4, 1)}, {}, Refused(7), Refused(7), "no white-paper setting in the model"},
        {25, {U32(4, 1)}, {}, kWritten, kWritten},
        {26, {Text(12, "user9")}, {}, kWritten, kWritten},
        {27, {U32(4, 1)}, {}, kWritten, kWritten},
        {28, {U32(4, 1)}, {}, Refused(7), Refused(7), "no paper-rotation setting in the model"},
        {29, {U32(4, 1)}, {}, Refused(7), Refused(7), "the job actions have no setting in the model"},
        {30, {U32(4, 1)}, {}, Refused(7), Refused(7), "the job actions have no setting in the model"},
        {31, {U32(4, 1)}, {}, Refused(7), Refused(7), "the job actions have no setting in the model"},
        {32, {U32(4, 1)}, {}, Refused(7), Refused(7), "the job actions have no setting in the model"},
        {33, {U32(4, 1)}, {}, Refused(7), Refused(7), "the job actions have no setting in the model"},
        {262, {U32(12, 160), U32(28, 1)}, {}, kWritten, kWritten},
        {34, {U32(4, 4)}, {}, kWritten, kWritten},
        {35, {U32(4, 1)}, {}, Refused(2), Refused(2), "no page of the model offers the colour planes"},
        {38, {U32(4, 1)}, {}, Refused(7), Refused(7), "no colour-adjustment mode in the model"},
        {39, {U16(8, 3)}, {}, Refused(2), Refused(2), "no page of the model offers the colour mode"},
        {40, {U16(8, 10)}, {}, kWritten, kWritten},
        {41, {U16(8, 10)}, {}, kWritten, kWritten},
        {42, {U16(8, 10)}, {}, Refused(2), Refused(2), "no page of the model offers the saturation"},
        {43,
         {U16(8, 5), U16(10, 6), U16(12, 7)},
         {},
         Refused(2),
         Refused(2),
         "no page of the model offers the colour balance"},
        {45, {U32(4, 1)}, {}, Refused(7), Refused(7), "no A4-fit setting in the model"},
        {46, {U16(8, 1)}, {}, Refused(2), Refused(2), "no page of the model offers the colour revision"},
        {47, {U32(4, 1)}, {}, Refused(7), Refused(7), "no header and footer settings in the model"},
        {48, {U32(4, 1)}, {}, Refused(2), Refused(2), "no page of the model offers the spooling choice"},
        {49, {U32(4, 1)}, {}, kWritten, kWritten},
        {50,
         {U32(4, 246), Text(40, "1234")},
         {},
         Refused(7),
         Refused(7),
         "the user code is entered on the model's initial page only"},
        {51, {U32(4, 1), U32(28, 1)}, {}, Refused(2), Refused(2), "no page of the model offers folding"},
        {52, {U32(4, 1)}, {}, Refused(7), Refused(7), "the printer sends no job notices (capability 80)"},
        {53, {U32(4, 1)}, {}, Refused(7), Refused(7), "the printer sends no error notices (capability 81)"},
        {55, {U32(4, 1)}, {}, Refused(7), Refused(7), "no copy-protection settings in the model"},
        {56, {U32(816, 2)}, {Text(264, "Booklet")}, Refused(7), kWritten, "the package printer stores no presets"},
        {57, {U32(4, 1)}, {}, Refused(7), Refused(7), "no preview function is installed (capability 87)"},
        {58, {U32(4, 1), U32(8, 2)}, {}, Refused(7), Refused(7), "no manual-tray orientation setting in the model"},
        {59,
         {U32(4, 1), Text(8, "alice"), Text(265, "pw")},
         {},
         Refused(7),
         Refused(7),
         "no user authentication in the model"},
        {60, {U32(4, 1), Text(8, "key")}, {}, Refused(7), Refused(7), "no network key in the model"},
        {61, {U32(4, 1)}, {}, kWritten, kWritten},
        {62, {U32(4, 1)}, {}, kWritten, kWritten},
        {64, {U32(4, 2), U32(8, 1)}, {}, Refused(7), Refused(7), "no back-cover tray setting in the model"},
        {65, {U32(4, 1), U32(8, 1)}, {}, Refused(7), Refused(7), "no reverse-cover tray setting in the model"},
        {66, {U32(4, 2)}, {}, Refused(7), Refused(7), "no cover media setting in the model"},
        {67, {U32(4, 1), U32(8, 0)}, {U32(4, 0)}, kWritten, kWritten, "without chapters the switch stays off"},
        {68, {U32(4, 1), U32(28, 1)}, {}, Refused(7), Refused(7), "no corner setting in the model"},
        {69, {U32(4, 1)}, {}, Refused(7), Refused(7), "no margin-overlap setting in the model"},
        {70, {U32(4, 1)}, {}, Refused(7), Refused(7), "no crop-mark setting in the model"},
        {71, {U32(4, 10), U32(8, 10)}, {}, kWritten, kWritten},
        {72, {U32(4, 1)}, {}, Refused(7), Refused(7), "no paper-face setting in the model"},
        {73, {U32(4, 1)}, {}, Refused(7), kWritten, "the package's model INI sets no page-separation option"},
        {74, {U32(4, 1)}, {}, Refused(7), Refused(7), "no near-standard paper setting in the model"},
        {76, {U32(4, 1)}, {}, Refused(7), Refused(7), "the job actions have no setting in the model"},
        {77, {U32(4, 1)}, {}, Refused(7), Refused(7), "the job actions have no setting in the model"},
        {78, {U32(4, 1)}, {}, Refused(7), Refused(7), "the job actions have no setting in the model"},
        {79, {U32(4, 1)}, {}, Refused(2), Refused(2), "no page of the model offers folding"},
        {257, {U32(4, 1)}, {}, Refused(7), Refused(7), "no colour-adjustment object in the model"},
        {263, {U32(4, 1)}, {}, Refused(2), Refused(2), "the eco-colour status is not enabled in this build"},
        {264, {U32(4, 1), U32(28, 1)}, {}, Refused(7), Refused(7), "no toner-save level setting in the model"},
        {265, {U32(4, 1)}, {}, Refused(7), Refused(7), "the model offers no colour matching (capability 276)"},
        {266, {U32(4, 1)}, {}, Refused(7), Refused(7), "colour matching is off"},
        {267, {U16(8, 1)}, {}, Refused(7), Refused(7), "colour matching is off"},
        {268, {U32(4, 1)}, {}, Refused(7), Refused(7), "the model offers no printer-side colour (capability 280)"},
        {269, {U16(8, 1)}, {}, kWritten, kWritten},
    };
    return changes;
}

// The bytes of every file of the machine but its libraries: the printers'
// records with their printer data and DEVMODE, the settings INI, the stored
// presets and stamps.
std::map<std::filesystem::path, std::string> MachineFiles(const std::filesystem::path& root)
{
    std::map<std::filesystem::path, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file()) continue;
        std::string extension = entry.path().extension().string();
        std::transform(extension.begin(), extension.end(), extension.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        if (extension == ".DLL") continue;
        const std::vector<std::uint8_t> bytes = ReadHostFileBytes(entry.path());
        files[entry.path()] = std::string(bytes.begin(), bytes.end());
    }
    return files;
}

// A combination the property pages forbid, asked after the settings that
// forbid it: refused with its code, and nothing of the printer changes.
struct ForbiddenCombination {
    const char* what;
    std::vector<std::pair<std::uint32_t, std::vector<Field>>> before;
    std::uint32_t status;
    std::vector<Field> written;
    int code;
};

// Combinations every printer of the model forbids.
const ForbiddenCombination kBothSidedBackCover = {"the back cover on both sides of a one-sided job",
                                                  {},
                                                  64,
                                                  {U32(4, 3), U32(8, 1)},
                                                  VEXLDRV_ERROR_COMBINATION_REFUSED};
const ForbiddenCombination kIndexRotationOnPlainMedia = {
    "the index rotation on media other than index sheets", {}, 62, {U32(4, 1)}, VEXLDRV_ERROR_COMBINATION_REFUSED};

class StatusApplicationTest : public MachineTest {
protected:
    void TearDown() override
    {
        if (instance_) library_.disable(instance_);
        library_.Unload();
    }

    void Open(const char* printerName)
    {
        printerName_ = printerName;
        library_.Load();
        instance_ = library_.enable(printerName);
        ASSERT_NE(instance_, nullptr);
        const VEXLDRVINITRECORD record{0, api::kApiVersionLatest};
        ASSERT_EQ(library_.init(1, &record), 1);
        getDevmode_ = reinterpret_cast<PFN_VEXLDrvGetDevmode>(
            reinterpret_cast<void*>(GetProcAddress(library_.module, "VEXLDrvGetDevmode")));
        ASSERT_NE(getDevmode_, nullptr);
    }

    // The status as the instance reads it; a status without a read gets a
    // zeroed structure of the latest version.
    Structure Read(VEXLDRVHANDLE instance, std::uint32_t status)
    {
        const int size = library_.getStatus(instance, status, nullptr, 0);
        Structure bytes(size > 0 ? static_cast<std::size_t>(size) : 824, 0);
        if (size <= 0 || library_.getStatus(instance, status, bytes.data(), 0) != size) {
            std::fill(bytes.begin(), bytes.end(), 0);
            bytes[0] = 1;
        }
        return bytes;
    }

    // The DEVMODE the instance hands an application to print with.
    std::vector<std::uint8_t> Devmode(VEXLDRVHANDLE instance)
    {
        const int size = getDevmode_(instance, VEXLDRV_DEVMODE_REDERIVE, nullptr);
        std::vector<std::uint8_t> bytes(size > 0 ? static_cast<std::size_t>(size) : 0);
        if (size > 0) getDevmode_(instance, VEXLDRV_DEVMODE_REDERIVE, bytes.data());
        return bytes;
    }

    // Runs every change of the table on the printer; outcome picks the
    // printer's column.
    void ChangeEveryStatus(Outcome StatusChange::*outcome)
    {
        for (const StatusChange& change : StatusChanges()) {
            const Outcome expected = change.*outcome;
            SCOPED_TRACE(testing::Message() << "status " << change.status << " " << change.reason);
            Structure bytes = Read(instance_, change.status);
            for (const Field& field : change.written) WriteField(bytes, field);
            const auto devmodeBefore = Devmode(instance_);
            // The machine's files are compared only around a refusal.
            const auto filesBefore =
                expected.result != 0 ? MachineFiles(machine_.root()) : std::map<std::filesystem::path, std::string>();
            std::uint8_t changed[VEXLDRV_BITMAP_BYTES] = {};
            const Structure handed = bytes;
            const int result = library_.setStatus(instance_, change.status, bytes.data(), changed, 0);
            const int code = library_.getLastError(instance_);
            EXPECT_EQ(result, expected.result) << "code " << code;
            EXPECT_TRUE(bytes == handed) << "the write changed the caller's structure";
            if (result != 0) {
                EXPECT_EQ(code, expected.code);
                EXPECT_TRUE(MachineFiles(machine_.root()) == filesBefore);
                EXPECT_TRUE(Devmode(instance_) == devmodeBefore);
                continue;
            }
            const std::vector<Field>& shown = change.readBack.empty() ? change.written : change.readBack;
            const Structure after = Read(instance_, change.status);
            for (const Field& field : shown) EXPECT_TRUE(FieldHolds(after, field)) << "at +" << field.offset;
            if (change.stored.empty()) continue;
            const int seen = RunInChildProcess([&] {
                VEXLDRVHANDLE other = library_.enable(printerName_);
                if (other == nullptr) return 2;
                const Structure there = Read(other, change.status);
                library_.disable(other);
                return std::all_of(change.stored.begin(), change.stored.end(),
                                   [&](const Field& f) { return FieldHolds(there, f); })
                           ? 0
                           : 1;
            });
            EXPECT_EQ(seen, 0) << "another process does not read what was stored";
        }
    }

    // Each combination on an instance of its own: the settings before it
    // written, then the combination refused with its code, and the DEVMODE,
    // the machine's files and the status read as they were.
    void RefuseEach(std::span<const ForbiddenCombination> combinations)
    {
        for (const ForbiddenCombination& c : combinations) {
            SCOPED_TRACE(c.what);
            VEXLDRVHANDLE instance = library_.enable(printerName_);
            ASSERT_NE(instance, nullptr);
            bool prepared = true;
            for (const auto& [status, fields] : c.before) {
                Structure bytes = Read(instance, status);
                for (const Field& field : fields) WriteField(bytes, field);
                prepared = library_.setStatus(instance, status, bytes.data(), nullptr, 0) == 0 && prepared;
            }
            EXPECT_TRUE(prepared) << "the settings before the combination are refused";
            const Structure statusBefore = Read(instance, c.status);
            Structure bytes = statusBefore;
            for (const Field& field : c.written) WriteField(bytes, field);
            const auto devmodeBefore = Devmode(instance);
            const auto filesBefore = MachineFiles(machine_.root());
            std::uint8_t changed[VEXLDRV_BITMAP_BYTES];
            std::memset(changed, 0xCC, sizeof changed);
            EXPECT_EQ(library_.setStatus(instance, c.status, bytes.data(), changed, 0), -1);
            EXPECT_EQ(library_.getLastError(instance), c.code);
            EXPECT_TRUE(std::all_of(std::begin(changed), std::end(changed), [](std::uint8_t b) { return b == 0; }));
            EXPECT_TRUE(MachineFiles(machine_.root()) == filesBefore);
            EXPECT_TRUE(Devmode(instance) == devmodeBefore);
            EXPECT_TRUE(Read(instance, c.status) == statusBefore);
            library_.disable(instance);
        }
    }

    ApiLibrary library_;
    VEXLDRVHANDLE instance_ = nullptr;
    const char* printerName_ = nullptr;
    PFN_VEXLDrvGetDevmode getDevmode_ = nullptr;
};

class PackageStatusApplicationTest : public StatusApplicationTest {
protected:
    void SetUp() override
    {
        InstallApiPrinter(api::kApiVersionLatest);
        Open(kPrinterNameAnsi);
    }
};

class InterfaceStatusApplicationTest : public StatusApplicationTest {
protected:
    void SetUp() override
    {
        InstallInterfacePrinter({api::kApiVersionLatest, 0x200});
        Open(kInterfacePrinterNameAnsi);
    }
};

TEST_F(InterfaceStatusApplicationTest, ForbiddenCombinationsAreRefusedAndChangeNothing)
{
    const ForbiddenCombination combinations[] = {
        kBothSidedBackCover,
        kIndexRotationOnPlainMedia,
        {"a proof print on free-size paper",
         {{7, {U32(0, 1), U32(4, 256), U32(8, 2000), U32(12, 2800)}}},
         10,
         {U32(0, 1), U32(4, 3), U32(8, 0)},
         VEXLDRV_ERROR_REFUSED},
    };
    RefuseEach(combinations);
}

TEST_F(PackageStatusApplicationTest, ForbiddenCombinationsAreRefusedAndChangeNothing)
{
    const ForbiddenCombination combinations[] = {kBothSidedBackCover, kIndexRotationOnPlainMedia};
    RefuseEach(combinations);
}

TEST_F(PackageStatusApplicationTest, EveryWritableStatusIsChangedOnce)
{
    ChangeEveryStatus(&StatusChange::onPackage);
}

TEST_F(InterfaceStatusApplicationTest, EveryWritableStatusIsChangedOnce)
{
    ChangeEveryStatus(&StatusChange::onInterface);
}

}  // namespace
}  // namespace vexl::test
