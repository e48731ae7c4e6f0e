#include "platform/win32.h"
#include "platform/windows.h"
#include "support/test_machine.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vexl::test {
namespace {

constexpr char16_t kTestResources[] = u"C:\\WINDOWS\\system32\\TESTRES.DLL";

// Little-endian bytes written in the order of a layout.
class Bytes {
public:
    Bytes& u16(std::uint32_t value)
    {
        bytes_.push_back(static_cast<std::uint8_t>(value));
        bytes_.push_back(static_cast<std::uint8_t>(value >> 8));
        return *this;
    }
    Bytes& u32(std::uint32_t value) { return u16(value & 0xFFFF).u16(value >> 16); }
    Bytes& text(std::u16string_view text)
    {
        for (char16_t c : text) u16(c);
        return u16(0);
    }
    Bytes& align4()
    {
        while (bytes_.size() % 4) bytes_.push_back(0);
        return *this;
    }
    const std::vector<std::uint8_t>& get() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

class ResourceLibraryTest : public MachineTest {
protected:
    void SetUp() override
    {
        machine::InstallFile(VEXL_TESTRES_FILE, kTestResources);
        module_ = LoadLibraryExW(kTestResources, nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(module_, nullptr);
    }
    void TearDown() override { FreeLibrary(module_); }

    std::vector<std::uint8_t> Resource(LPCWSTR name, WORD type) const
    {
        HRSRC found = FindResourceW(module_, name, type);
        if (!found) return {};
        const auto* data = static_cast<const std::uint8_t*>(LockResource(LoadResource(module_, found)));
        return std::vector<std::uint8_t>(data, data + SizeofResource(module_, found));
    }

    HMODULE module_ = nullptr;
};

TEST_F(ResourceLibraryTest, DialogsAndMenusKeepTheWindowsTemplateLayout)
{
    Bytes dialog;
    dialog.u32(0x80C00040).u32(0x400).u16(4).u16(10).u16(20).u16(200).u16(120);  // DS_SETFONT | WS_POPUP | WS_CAPTION
    dialog.u16(0).u16(0).text(u"Hi").u16(8).text(u"Sans");                       // no menu, no class, caption, font
    dialog.align4().u32(0x50020000).u32(0).u16(7).u16(8).u16(30).u16(9).u16(0xFFFF);  // LTEXT, IDC_STATIC
    dialog.u16(0xFFFF).u16(0x82).text(u"A").u16(0);
    dialog.align4().u32(0x50010080).u32(0).u16(40).u16(7).u16(60).u16(12).u16(1001);  // EDITTEXT without its border
    dialog.u16(0xFFFF).u16(0x81).text(u"").u16(0);
    dialog.align4().u32(0x50010001).u32(0x20000).u16(7).u16(30).u16(100).u16(15).u16(1002);  // a class by name
    dialog.text(u"msctls_trackbar32").text(u"").u16(0);
    dialog.align4().u32(0x5000000E).u32(0).u16(7).u16(50).u16(8).u16(8).u16(1003);  // SS_BITMAP naming bitmap 300
    dialog.u16(0xFFFF).u16(0x82).u16(0xFFFF).u16(300).u16(0);
    EXPECT_EQ(Resource(MAKEINTRESOURCEW(100), RT_DIALOG), dialog.get());

    Bytes menu;
    menu.u16(0).u16(0);                    // header: version 0, offset 0
    menu.u16(0x90).text(u"");              // MF_POPUP | MF_END
    menu.u16(0).u16(201).text(u"&Edit");   // an item
    menu.u16(0).u16(0).text(u"");          // the separator
    menu.u16(0x81).u16(202).text(u"Del");  // MF_GRAYED | MF_END
    EXPECT_EQ(Resource(MAKEINTRESOURCEW(200), RT_MENU), menu.get());
}

TEST_F(ResourceLibraryTest, PicturesAreKeptAsWindowsKeepsThem)
{
    // A bitmap is its file without the 14-byte file header.
    const std::vector<std::uint8_t> bitmap = Resource(MAKEINTRESOURCEW(300), RT_BITMAP);
    ASSERT_EQ(bitmap.size(), 112u);
    EXPECT_EQ(bitmap[0], 40);

    // The icon file's two images become RT_ICON 1 and 2 under a group directory.
    Bytes iconGroup;
    iconGroup.u16(0).u16(1).u16(2);
    for (unsigned id : {1, 2}) iconGroup.u16(0x0202).u16(0x0002).u16(1).u16(1).u32(64).u16(id);
    EXPECT_EQ(Resource(MAKEINTRESOURCEW(301), RT_GROUP_ICON), iconGroup.get());
    EXPECT_EQ(Resource(MAKEINTRESOURCEW(2), RT_ICON).size(), 64u);

    // A cursor image starts with its hot spot; the directory counts it and
    // gives the height of image and mask.
    const std::vector<std::uint8_t> cursor = Resource(MAKEINTRESOURCEW(1), RT_CURSOR);
    ASSERT_EQ(cursor.size(), 68u);
    EXPECT_EQ(std::vector<std::uint8_t>(cursor.begin(), cursor.begin() + 5),
              (std::vector<std::uint8_t>{1, 0, 0, 0, 40}));
    Bytes cursorGroup;
    cursorGroup.u16(0).u16(2).u16(1).u16(2).u16(4).u16(1).u16(1).u32(68).u16(1);
    EXPECT_EQ(Resource(MAKEINTRESOURCEW(302), RT_GROUP_CURSOR), cursorGroup.get());
}

TEST_F(ResourceLibraryTest, MissingResourcesAnswerAsWindowsDoes)
{
    EXPECT_EQ(Resource(u"#300", RT_BITMAP).size(), 112u);  // a number written as text

    struct Case {
        HMODULE module;
        LPCWSTR name;
        WORD type;
        DWORD error;
    } cases[] = {
        {module_, MAKEINTRESOURCEW(999), RT_DIALOG, ERROR_RESOURCE_NAME_NOT_FOUND},
        {module_, u"PAGE", RT_DIALOG, ERROR_RESOURCE_NAME_NOT_FOUND},
        {module_, MAKEINTRESOURCEW(100), 23, ERROR_RESOURCE_TYPE_NOT_FOUND},
        {nullptr, MAKEINTRESOURCEW(100), RT_DIALOG, ERROR_RESOURCE_DATA_NOT_FOUND},
    };
    for (const Case& c : cases) {
        SetLastError(0);
        EXPECT_EQ(FindResourceW(c.module, c.name, c.type), nullptr);
        EXPECT_EQ(GetLastError(), c.error);
    }
    SetLastError(0);
    EXPECT_EQ(FindResourceW(module_, MAKEINTRESOURCEW(100), u"DIALOGS"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_RESOURCE_TYPE_NOT_FOUND);

    // A library that is not there cannot be loaded, so its resources are not found.
    SetLastError(0);
    EXPECT_EQ(LoadLibraryW(u"C:\\WINDOWS\\system32\\TZ16E1XX.DLL"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
}

}  // namespace
}  // namespace vexl::test
