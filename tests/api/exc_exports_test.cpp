// An application's use of the Exc exports: the settings library loaded
// through the platform layer, its exports found by name and called with the
// public header's types, on the package's printer.
#include "vexlapi/vexl_exc.h"

#include "support/integration_fixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace vexl::test {
namespace {

constexpr const char* kPrinter = "Office [2nd floor]";
constexpr const char* kBase = "@PJL SET APLPAGESIZE = A4 \r\n"
                              "@PJL SET APLPAGELAYOUT = PORTRAIT \r\n"
                              "@PJL SET PAPER = A4 \r\n"
                              "@PJL SET TRAY = TRAY1 \r\n";
constexpr char kCanary = '\xCC';

struct ExcExports {
    PFN_ExcGetExclusive getExclusive;
    PFN_ExcFreeExclusive freeExclusive;
    PFN_ExcSetCommandBase setCommandBase;
    PFN_ExcUpdateCommand updateCommand;
    PFN_ExcGetCommandBase getCommandBase;
    PFN_ExcGetCommandChange getCommandChange;
    PFN_ExcGetCommandValue getCommandValue;
    PFN_ExcGetPrinterOption getPrinterOption;
    PFN_ExcGetPrinterValue getPrinterValue;
    PFN_ExcGetWaterMarkList getWaterMarkList;
    PFN_ExcGetIniFileName getIniFileName;
};

template <typename Function> void Find(HMODULE library, const char* name, Function* out)
{
    *out = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
    ASSERT_NE(*out, nullptr) << name;
}

class ExcExportsTest : public MachineTest {
protected:
    void SetUp() override
    {
        InstallDriverPrinter();
        const std::u16string file = std::u16string(kDriverFolder) + u"\\TZ16E140.DLL";
        machine::InstallFile(VEXL_TZ16E140_FILE, file);
        library_ = LoadLibraryW(file.c_str());
        ASSERT_NE(library_, nullptr);
        Find(library_, "ExcGetExclusive", &exc_.getExclusive);
        Find(library_, "ExcFreeExclusive", &exc_.freeExclusive);
        Find(library_, "ExcSetCommandBase", &exc_.setCommandBase);
        Find(library_, "ExcUpdateCommand", &exc_.updateCommand);
        Find(library_, "ExcGetCommandBase", &exc_.getCommandBase);
        Find(library_, "ExcGetCommandChange", &exc_.getCommandChange);
        Find(library_, "ExcGetCommandValue", &exc_.getCommandValue);
        Find(library_, "ExcGetPrinterOption", &exc_.getPrinterOption);
        Find(library_, "ExcGetPrinterValue", &exc_.getPrinterValue);
        Find(library_, "ExcGetWaterMarkList", &exc_.getWaterMarkList);
        Find(library_, "ExcGetIniFileName", &exc_.getIniFileName);
        handle_ = exc_.getExclusive(kPrinter);
        ASSERT_NE(handle_, nullptr);
    }
    void TearDown() override
    {
        if (handle_) exc_.freeExclusive(handle_);
        if (library_) FreeLibrary(library_);
    }

    // A text output in two calls: the size, then the bytes.
    template <typename Call> std::string Fetch(Call call)
    {
        std::int32_t needed = -5;
        const int first = call(0, nullptr, &needed);
        EXPECT_EQ(first, needed > 0 ? EXC_MORE : EXC_DONE);
        if (needed <= 0) return {};
        std::vector<char> buffer(static_cast<std::size_t>(needed) + 8, kCanary);
        std::int32_t again = -5;
        EXPECT_EQ(call(needed, buffer.data(), &again), EXC_DONE);
        EXPECT_EQ(again, needed);
        EXPECT_EQ(buffer[static_cast<std::size_t>(needed)], kCanary);
        return std::string(buffer.data(), static_cast<std::size_t>(needed));
    }
    std::string Base()
    {
        return Fetch([&](std::int32_t size, char* buffer, std::int32_t* needed) {
            return exc_.getCommandBase(handle_, size, buffer, needed);
        });
    }
    std::string Change()
    {
        return Fetch([&](std::int32_t size, char* buffer, std::int32_t* needed) {
            return exc_.getCommandChange(handle_, size, buffer, needed);
        });
    }

    HMODULE library_ = nullptr;
    ExcExports exc_{};
    EXCHANDLE handle_ = nullptr;
};

TEST_F(ExcExportsTest, AnApplicationEditsAJobTextThroughAHandle)
{
    std::int32_t needed = -5;
    const std::string base = std::string(kBase) + "@PJL SET PAPER = A3 \r\n";
    ASSERT_EQ(exc_.setCommandBase(handle_, base.c_str(), &needed), EXC_MORE);
    const std::string change = Change();
    EXPECT_EQ(static_cast<std::int32_t>(change.size()), needed);
    EXPECT_NE(change.find("@PJL SET PAPER = A3 \r\n"), std::string::npos) << change;
    EXPECT_EQ(change.back(), '\0');
    // The change text is delivered once.
    EXPECT_EQ(exc_.getCommandChange(handle_, 0, nullptr, &needed), EXC_DONE);
    EXPECT_EQ(needed, 0);

    const std::string rebuilt = Base();
    EXPECT_EQ(rebuilt.find("@PJL SET PAPER = A4"), std::string::npos) << rebuilt;
    EXPECT_EQ(exc_.updateCommand(handle_, "@PJL SET APLPAGELAYOUT = LANDSCAPE \r\n", &needed), EXC_DONE);
    EXPECT_EQ(needed, 0);
    EXPECT_NE(Base().find("@PJL SET APLPAGELAYOUT = LANDSCAPE \r\n"), std::string::npos);
    // A variable the base did not name is not settable.
    EXPECT_EQ(exc_.updateCommand(handle_, "@PJL SET NUP = 2IN1P1 \r\n", &needed), EXC_DONE);
    EXPECT_EQ(exc_.updateCommand(handle_, "@PJL SET NUP=2IN1P1\r\n", &needed), EXC_FAILED);

    const std::string layouts = Fetch([&](std::int32_t size, char* buffer, std::int32_t* n) {
        return exc_.getCommandValue(handle_, "APLPAGELAYOUT", 0, size, buffer, n);
    });
    EXPECT_EQ(layouts, std::string("PORTRAIT\0LANDSCAPE\0\0", 20));
    EXPECT_EQ(Fetch([&](std::int32_t size, char* buffer, std::int32_t* n) {
                  return exc_.getCommandValue(handle_, "NUP", 1, size, buffer, n);
              }),
              "");  // checked: NUP is not settable without a base line
}

TEST_F(ExcExportsTest, ABaseWithoutItsRequiredVariablesIsRefused)
{
    std::int32_t needed = -5;
    EXPECT_EQ(exc_.setCommandBase(handle_,
                                  "@PJL SET APLPAGESIZE = A4 \r\n@PJL SET APLPAGELAYOUT = PORTRAIT \r\n"
                                  "@PJL SET PAPER = A4 \r\n",
                                  &needed),
              EXC_NO_BASE);
    EXPECT_EQ(needed, 0);
    EXPECT_EQ(exc_.getCommandBase(handle_, 0, nullptr, &needed), EXC_DONE);
    EXPECT_EQ(needed, 0);
    EXPECT_EQ(exc_.setCommandBase(handle_, "", &needed), EXC_NO_BASE);
    EXPECT_EQ(exc_.setCommandBase(handle_, nullptr, &needed), EXC_NO_BASE);
    EXPECT_EQ(exc_.setCommandBase(handle_, "@PJL SET COPIES = 2\n", &needed), EXC_FAILED);
}

TEST_F(ExcExportsTest, OutputsFollowTheBufferRule)
{
    // The model takes this base as it is: no change text to deliver.
    std::int32_t needed = -5;
    ASSERT_EQ(exc_.setCommandBase(handle_, kBase, &needed), EXC_DONE);
    EXPECT_EQ(needed, 0);
    char change[8] = {kCanary, kCanary};
    EXPECT_EQ(exc_.getCommandChange(handle_, sizeof change, change, &needed), EXC_DONE);
    EXPECT_EQ(needed, 0);
    EXPECT_EQ(change[0], kCanary);

    ASSERT_EQ(exc_.getCommandBase(handle_, 0, nullptr, &needed), EXC_MORE);
    ASSERT_GT(needed, 1);
    // Too small by one, or no buffer at all: nothing is written.
    std::vector<char> buffer(static_cast<std::size_t>(needed), kCanary);
    std::int32_t again = -5;
    EXPECT_EQ(exc_.getCommandBase(handle_, needed - 1, buffer.data(), &again), EXC_MORE);
    EXPECT_EQ(again, needed);
    EXPECT_EQ(buffer, std::vector<char>(buffer.size(), kCanary));
    EXPECT_EQ(exc_.getCommandBase(handle_, needed, nullptr, &again), EXC_MORE);
    EXPECT_EQ(exc_.getCommandBase(handle_, -1, buffer.data(), nullptr), EXC_MORE);
    EXPECT_EQ(buffer, std::vector<char>(buffer.size(), kCanary));

    // A printer value with a text answers its size to a size query.
    EXPECT_EQ(exc_.getPrinterValue(handle_, "TRAYPAPERORIENT1", 0, nullptr, &needed), EXC_MORE);
    EXPECT_EQ(needed, static_cast<std::int32_t>(sizeof "PORTRAIT"));
    EXPECT_EQ(exc_.getPrinterValue(handle_, "NOSUCHNAME", 0, nullptr, &needed), EXC_DONE);
    EXPECT_EQ(needed, 0);
    // No stamps in the printer's settings: an empty list.
    EXPECT_EQ(exc_.getWaterMarkList(handle_, EXC_WATERMARK_TEXT, 0, nullptr, &needed), EXC_DONE);
    EXPECT_EQ(needed, 0);
}

TEST_F(ExcExportsTest, FreedAndForeignHandlesAreRefused)
{
    EXCHANDLE stale = handle_;
    exc_.freeExclusive(handle_);
    handle_ = nullptr;
    std::int32_t needed = 7;
    EXPECT_EQ(exc_.setCommandBase(stale, kBase, &needed), EXC_FAILED);
    EXPECT_EQ(needed, 7);
    EXPECT_EQ(exc_.getCommandBase(stale, 0, nullptr, &needed), EXC_FAILED);
    // Not even an address: any value that was never issued.
    int local = 0;
    const auto foreign = reinterpret_cast<EXCHANDLE>(&local);
    EXPECT_EQ(exc_.updateCommand(foreign, "@PJL SET TRAY = TRAY1 \r\n", &needed), EXC_FAILED);
    EXPECT_EQ(exc_.getWaterMarkList(foreign, 0, 0, nullptr, &needed), EXC_FAILED);
    exc_.freeExclusive(foreign);
    exc_.freeExclusive(stale);  // a second free is ignored
    EXPECT_EQ(exc_.getCommandChange(nullptr, 0, nullptr, &needed), EXC_FAILED);
    EXPECT_EQ(exc_.getExclusive("No such printer"), nullptr);
    EXPECT_EQ(exc_.getExclusive(nullptr), nullptr);
    EXPECT_EQ(exc_.getExclusive(std::string(400, 'P').c_str()), nullptr);
}

TEST_F(ExcExportsTest, TheSettingsIniPathOfThePrinter)
{
    const std::string path = Fetch([&](std::int32_t size, char* buffer, std::int32_t* needed) {
        return exc_.getIniFileName(kPrinter, size, buffer, needed);
    });
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path.back(), '\0');
    EXPECT_NE(path.find(".ini"), std::string::npos) << path;
    std::int32_t needed = -5;
    EXPECT_EQ(exc_.getIniFileName("No such printer", 0, nullptr, &needed), EXC_FAILED);
    EXPECT_EQ(exc_.getIniFileName(nullptr, 0, nullptr, &needed), EXC_FAILED);
}

}  // namespace
}  // namespace vexl::test
