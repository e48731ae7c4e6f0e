// Acquiring a printer's compiled model: the process-wide list, the BCS cache
// file beside the description, and compiling when the cache is stale.
#include "common/core/le.h"
#include "common/model/bcs_cache.h"
#include "common/model/model_list.h"

#include "compiled_fixture.h"
#include "platform/printers.h"
#include "platform/spooler.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>

namespace vexl::model {
namespace {

namespace fs = std::filesystem;

constexpr char16_t kDescription[] = u"C:\\drivers\\TZ16E1MD.VXD";
constexpr char16_t kCache[] = u"C:\\drivers\\TZ16E1MD.BCS";

std::string PackageText()
{
    std::ifstream file(test::kPackageFolder / "TZ16E1MD.VXD", std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

std::string Replaced(std::string text, std::string_view from, std::string_view to)
{
    text.replace(text.find(from), from.size(), to);
    return text;
}

std::string Bytes(const CompiledModel* model)
{
    return model ? std::string(reinterpret_cast<const char*>(model->block), model->totalSize) : std::string();
}

class ModelAcquisition : public test::CompiledContextTest {
protected:
    void SetUp() override
    {
        CompiledContextTest::SetUp();
        SetCompileNames(&names_);
        AddDescriptionPrinter(u"Office", kDescription, PackageText());
        context()->secondPrinter = Open(u"Office");
    }
    void TearDown() override
    {
        FreeCompiledModelList();
        SetCompileNames(nullptr);
        for (HANDLE printer : printers_) ClosePrinter(printer);
        CompiledContextTest::TearDown();
    }

    void AddDescriptionPrinter(std::u16string name, std::u16string path, const std::string& text)
    {
        machine::WriteFile(path, text);
        machine::PrinterSetup setup;
        setup.name = name;
        setup.driverName = u"VEXL Printer";
        setup.dataFile = path;
        machine::AddPrinter(setup);
    }
    HANDLE Open(std::u16string name)
    {
        HANDLE printer = nullptr;
        EXPECT_TRUE(OpenPrinterW(name.data(), &printer, nullptr));
        printers_.push_back(printer);
        return printer;
    }

    fs::path Host(std::u16string_view path) { return machine_.host(path); }
    std::string ReadHost(std::u16string_view path)
    {
        std::ifstream file(Host(path), std::ios::binary);
        std::stringstream bytes;
        bytes << file.rdbuf();
        return bytes.str();
    }
    // Writes the cache with a last-write time relative to the description's.
    void WriteCache(const std::string& bytes, std::chrono::seconds afterDescription)
    {
        machine::WriteFile(kCache, bytes);
        fs::last_write_time(Host(kCache), fs::last_write_time(Host(kDescription)) + afterDescription);
    }
    // The model of a fresh process.
    CompiledModel* AcquireAfresh()
    {
        FreeCompiledModelList();
        return AcquireCompiledModel(context());
    }
    // The package compiled from other text: a block that differs from the
    // package's own in one value.
    std::string OtherBlock()
    {
        std::unique_ptr<CompileState> state =
            ParseDescriptionText(Replaced(PackageText(), "\"1 1 1 999 0 0 1 1\"", "\"1 1 1 998 0 0 1 1\""), names_);
        CompiledModel* model = LayoutCompiledModel(*state);
        std::string bytes = Bytes(model);
        FreeCompiledModel(model);
        return bytes;
    }

    test::FixtureNames names_ = test::PackageDescriptionNames();
    std::vector<HANDLE> printers_;
};

TEST_F(ModelAcquisition, CompilesOnceWritesTheCacheAndSharesTheModel)
{
    ASSERT_TRUE(PackageText().find("\"1 1 1 999 0 0 1 1\"") != std::string::npos);
    CompiledModel* model = AcquireCompiledModel(context());
    ASSERT_TRUE(model);
    EXPECT_TRUE(ValidateCompiledModel(model));
    EXPECT_EQ(ReadHost(kCache), Bytes(model));
    EXPECT_EQ(AcquireCompiledModel(context()), model);

    // A second printer on the same description shares the model.
    machine::PrinterSetup setup;
    setup.name = u"Office 2";
    setup.driverName = u"VEXL Printer";
    setup.dataFile = u"c:\\DRIVERS\\tz16e1md.vxd";
    machine::AddPrinter(setup);
    context()->secondPrinter = Open(u"Office 2");
    EXPECT_EQ(AcquireCompiledModel(context()), model);
}

TEST_F(ModelAcquisition, ANewProcessTakesTheCacheInsteadOfCompiling)
{
    const std::string compiled = Bytes(AcquireCompiledModel(context()));
    const auto cacheTime = fs::last_write_time(Host(kCache));
    // The description changes, but stays older than the cache.
    machine::WriteFile(kDescription, Replaced(PackageText(), "\"1 1 1 999 0 0 1 1\"", "\"1 1 1 998 0 0 1 1\""));
    fs::last_write_time(Host(kDescription), cacheTime - std::chrono::seconds(10));
    EXPECT_EQ(Bytes(AcquireAfresh()), compiled);
    EXPECT_EQ(ReadHost(kCache), compiled);
    EXPECT_EQ(fs::last_write_time(Host(kCache)), cacheTime);

    // Once the description is newer, it is compiled again and cached.
    fs::last_write_time(Host(kDescription), cacheTime + std::chrono::seconds(10));
    const std::string recompiled = Bytes(AcquireAfresh());
    EXPECT_NE(recompiled, compiled);
    EXPECT_EQ(ReadHost(kCache), recompiled);
}

TEST_F(ModelAcquisition, AStaleCacheIsCompiledAgain)
{
    const std::string fresh = Bytes(AcquireCompiledModel(context()));
    const std::string other = OtherBlock();
    ASSERT_NE(other, fresh);
    auto patched = [&](std::uint32_t offset, std::uint32_t value) {
        std::string bytes = other;
        WriteLe32(reinterpret_cast<std::uint8_t*>(bytes.data()) + offset, value);
        return bytes;
    };
    std::string otherVersion = other;
    otherVersion[6] = '1';  // "7.61"
    struct Case {
        const char* what;
        std::string cache;
        int secondsAfter;
        bool used;
    };
    const Case cases[] = {
        {"same time", other, 0, true},
        {"newer", other, 10, true},
        {"older", other, -10, false},
        {"another FileVersion", otherVersion, 10, false},
        {"truncated", other.substr(0, other.size() - 1), 10, false},
        {"header only", other.substr(0, kHeaderSize), 10, false},
        {"total size wrong", patched(kHeaderTotalSize, static_cast<std::uint32_t>(other.size() - 4)), 10, false},
        {"entry outside", patched(kHeaderFirstUiEntry, static_cast<std::uint32_t>(other.size())), 10, false},
        {"slot into the header", patched(SlotOffset(8), 40), 10, false},
    };
    for (const Case& c : cases) {
        WriteCache(c.cache, std::chrono::seconds(c.secondsAfter));
        EXPECT_EQ(Bytes(AcquireAfresh()), c.used ? c.cache : fresh) << c.what;
        // A cache that is not used is replaced by the fresh compilation.
        EXPECT_EQ(ReadHost(kCache), c.used ? c.cache : fresh) << c.what;
    }
}

TEST_F(ModelAcquisition, ADescriptionOfAnotherVersionIsNeverCached)
{
    AddDescriptionPrinter(u"Old", u"C:\\old\\TZ16E1MD.VXD",
                          Replaced(PackageText(), "*FileVersion: 7.60", "*FileVersion: 7.50"));
    context()->secondPrinter = Open(u"Old");
    const std::u16string cache = u"C:\\old\\TZ16E1MD.BCS";

    CompiledModel* model = AcquireCompiledModel(context());
    ASSERT_TRUE(model);
    EXPECT_EQ(GetModelFileVersion(model), u"7.50");
    EXPECT_FALSE(fs::exists(Host(cache)));
    const std::string bytes = Bytes(model);

    // A cache beside it that is not older is deleted; an older one is left.
    machine::WriteFile(cache, bytes);
    const auto descriptionTime = fs::last_write_time(Host(u"C:\\old\\TZ16E1MD.VXD"));
    fs::last_write_time(Host(cache), descriptionTime + std::chrono::seconds(5));
    EXPECT_TRUE(AcquireAfresh());
    EXPECT_FALSE(fs::exists(Host(cache)));
    machine::WriteFile(cache, bytes);
    fs::last_write_time(Host(cache), descriptionTime - std::chrono::seconds(5));
    EXPECT_TRUE(AcquireAfresh());
    EXPECT_TRUE(fs::exists(Host(cache)));
}

TEST_F(ModelAcquisition, DescriptionsOfOneNameInTwoFoldersKeepTheirOwnModels)
{
    AddDescriptionPrinter(u"Other", u"C:\\other\\TZ16E1MD.VXD",
                          Replaced(PackageText(), "\"1 1 1 999 0 0 1 1\"", "\"1 1 1 998 0 0 1 1\""));
    CompiledModel* first = AcquireCompiledModel(context());
    context()->secondPrinter = Open(u"Other");
    CompiledModel* second = AcquireCompiledModel(context());
    ASSERT_TRUE(first && second);
    EXPECT_NE(first, second);
    EXPECT_NE(Bytes(first), Bytes(second));
    EXPECT_TRUE(fs::exists(Host(u"C:\\other\\TZ16E1MD.BCS")));
}

TEST_F(ModelAcquisition, APrinterWithoutDescriptionHasNoModel)
{
    machine::PrinterSetup setup;
    setup.name = u"Bare";
    setup.driverName = u"VEXL Printer";
    machine::AddPrinter(setup);
    context()->secondPrinter = Open(u"Bare");
    EXPECT_EQ(AcquireCompiledModel(context()), nullptr);
    context()->secondPrinter = nullptr;
    EXPECT_EQ(AcquireCompiledModel(context()), nullptr);
}

TEST_F(ModelAcquisition, NoDamagedCacheCrashesTheAcquisition)
{
    const std::string fresh = Bytes(AcquireCompiledModel(context()));
    const std::size_t step = fresh.size() / 150;
    for (std::size_t at = 0; at < fresh.size(); at += step) {
        std::string damaged = fresh;
        damaged[at] = static_cast<char>(damaged[at] ^ 0x5A);
        WriteCache(damaged, std::chrono::seconds(10));
        CompiledModel* model = AcquireAfresh();
        ASSERT_TRUE(model) << at;
        // Used only when it passed validation whole; else compiled afresh.
        if (Bytes(model) != fresh) {
            EXPECT_TRUE(ValidateCompiledModel(model)) << at;
        }
    }
    for (std::size_t size : {std::size_t{0}, std::size_t{100}, std::size_t{kHeaderSize + 1}, fresh.size() / 2}) {
        WriteCache(fresh.substr(0, size), std::chrono::seconds(10));
        EXPECT_EQ(Bytes(AcquireAfresh()), fresh) << size;
    }
}

TEST(CacheFilePath, ReplacesTheExtensionOfTheFileNameOnly)
{
    struct Case {
        std::u16string description;
        std::u16string cache;
    };
    const Case cases[] = {
        {u"C:\\drivers\\TZ16E1MD.VXD", u"C:\\drivers\\TZ16E1MD.BCS"},
        {u"C:\\drivers\\TZ16E1MD", u"C:\\drivers\\TZ16E1MD.BCS"},
        {u"C:\\dir.v2\\model", u"C:\\dir.v2\\model.BCS"},
        {u"C:\\dir.v2\\model.a.b", u"C:\\dir.v2\\model.a.BCS"},
        {u"model.", u"model.BCS"},
    };
    for (const Case& c : cases) {
        std::u16string path;
        EXPECT_TRUE(GetCacheFilePath(path, c.description));
        EXPECT_EQ(path, c.cache);
    }
    // The longest path that fits MAX_PATH with its terminator, and one more.
    std::u16string path;
    const std::u16string fits = u"C:\\" + std::u16string(kMaxCachePath - 1 - 3 - 4, u'a') + u".VXD";
    EXPECT_TRUE(GetCacheFilePath(path, fits));
    EXPECT_EQ(path.size(), kMaxCachePath - 1);
    EXPECT_FALSE(GetCacheFilePath(path, u"C:\\" + std::u16string(kMaxCachePath, u'a')));
    EXPECT_TRUE(path.empty());
}

}  // namespace
}  // namespace vexl::model
