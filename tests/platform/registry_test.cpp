#include "platform/registry.h"

#include "support/child_process.h"
#include "support/test_machine.h"

#include <cstring>
#include <functional>
#include <string>
#include <unistd.h>

namespace vexl::test {
namespace {

using RegistryTest = MachineTest;

HKEY CreateKey(HKEY root, const char16_t* path, DWORD* disposition = nullptr)
{
    HKEY key = nullptr;
    EXPECT_EQ(
        RegCreateKeyExW(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, disposition),
        ERROR_SUCCESS);
    return key;
}

LSTATUS SetBytes(HKEY key, const char16_t* name, DWORD type, std::string_view bytes)
{
    return RegSetValueExW(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                          static_cast<DWORD>(bytes.size()));
}

std::string TextBytes(std::u16string_view text, bool withTerminator = true)
{
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2) +
           (withTerminator ? std::string(2, '\0') : std::string());
}

// The value's type and bytes, read with the two calls callers make.
std::pair<DWORD, std::string> QueryValue(HKEY key, const char16_t* name)
{
    DWORD type = 0;
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExW(key, name, nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    std::string bytes(size, '\0');
    EXPECT_EQ(RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(bytes.data()), &size), ERROR_SUCCESS);
    return {type, bytes};
}

TEST_F(RegistryTest, CreatesOpensAndQueriesWithoutRegardToCase)
{
    DWORD disposition = 0;
    HKEY key = CreateKey(HKEY_LOCAL_MACHINE, u"SOFTWARE\\VORNA\\VexlDrv", &disposition);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    ASSERT_EQ(SetBytes(key, u"_VEXLDirectory", REG_SZ, TextBytes(u"D:\\data")), ERROR_SUCCESS);
    RegCloseKey(key);
    RegCloseKey(CreateKey(HKEY_LOCAL_MACHINE, u"software\\vorna\\VEXLDRV", &disposition));
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);

    HKEY opened = nullptr;
    ASSERT_EQ(RegOpenKeyW(HKEY_LOCAL_MACHINE, u"Software\\Vorna\\vexldrv", &opened), ERROR_SUCCESS);
    DWORD type = 0;
    DWORD size = 0;
    ASSERT_EQ(RegQueryValueExW(opened, u"_vexldirectory", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 16u);  // seven characters and the terminator

    // A short buffer gets ERROR_MORE_DATA, the size needed and no bytes.
    char16_t text[8];
    std::fill(std::begin(text), std::end(text), u'#');
    DWORD shortSize = 14;
    EXPECT_EQ(RegQueryValueExW(opened, u"_VEXLDirectory", nullptr, &type, reinterpret_cast<BYTE*>(text), &shortSize),
              ERROR_MORE_DATA);
    EXPECT_EQ(shortSize, 16u);
    EXPECT_EQ(text[0], u'#');
    EXPECT_EQ(RegQueryValueExW(opened, u"_VEXLDirectory", nullptr, &type, reinterpret_cast<BYTE*>(text), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(text), u"D:\\data");
    RegCloseKey(opened);

    // The hives are separate.
    EXPECT_EQ(RegOpenKeyW(HKEY_CURRENT_USER, u"SOFTWARE\\VORNA\\VexlDrv", &opened), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, TellsAMissingKeyFromAMissingValueAndADeletedKey)
{
    HKEY key = CreateKey(HKEY_CURRENT_USER, u"SOFTWARE\\VORNA\\DRIVER\\SETTINGS");
    HKEY missing = reinterpret_cast<HKEY>(1);
    EXPECT_EQ(RegOpenKeyW(HKEY_CURRENT_USER, u"SOFTWARE\\VORNA\\DRIVER\\OTHER", &missing), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(missing, nullptr);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExW(key, u"Enabled", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteValueW(key, u"Enabled"), ERROR_FILE_NOT_FOUND);

    ASSERT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, u"SOFTWARE\\VORNA\\DRIVER\\SETTINGS"), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExW(key, u"Enabled", nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED);
    EXPECT_EQ(SetBytes(key, u"Enabled", REG_DWORD, std::string(4, '\1')), ERROR_KEY_DELETED);
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
}

TEST_F(RegistryTest, KeepsTypedBytesExactlyAndTerminatesTextsForReaders)
{
    HKEY key = CreateKey(HKEY_LOCAL_MACHINE, u"Software\\VORNA\\FunctionMix\\JobBinder");
    const std::string binary("\0\t\n%\r\xff", 6);
    const DWORD count = 0x01020304;
    const struct {
        const char16_t* name;
        DWORD type;
        std::string stored;
        std::string read;
    } cases[] = {
        {u"INSTALL_COUNT", REG_DWORD, std::string(reinterpret_cast<const char*>(&count), 4),
         std::string(reinterpret_cast<const char*>(&count), 4)},
        {u"Blob\twith%tab", REG_BINARY, binary, binary},
        {u"", REG_SZ, TextBytes(u"default"), TextBytes(u"default")},
        {u"Unterminated", REG_SZ, TextBytes(u"abc", false), TextBytes(u"abc")},
        {u"List", REG_MULTI_SZ, TextBytes(u"a"), TextBytes(u"a") + std::string(2, '\0')},
        {u"Empty", REG_BINARY, std::string(), std::string()},
    };
    for (const auto& c : cases) ASSERT_EQ(SetBytes(key, c.name, c.type, c.stored), ERROR_SUCCESS);
    RegCloseKey(key);

    // Another process sees the values.
    EXPECT_EQ(RunInChildProcess([&] {
                  HKEY child = nullptr;
                  if (RegOpenKeyW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\VORNA\\FUNCTIONMIX\\JOBBINDER", &child)) return 1;
                  DWORD size = 0;
                  if (RegQueryValueExW(child, u"Blob\twith%tab", nullptr, nullptr, nullptr, &size)) return 2;
                  return size == 6 ? 0 : 3;
              }),
              0);
    HKEY reopened = nullptr;
    ASSERT_EQ(RegOpenKeyW(HKEY_LOCAL_MACHINE, u"Software\\VORNA\\FunctionMix\\JobBinder", &reopened), ERROR_SUCCESS);
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name, c.name + std::char_traits<char16_t>::length(c.name)));
        const auto [type, bytes] = QueryValue(reopened, c.name);
        EXPECT_EQ(type, c.type);
        EXPECT_EQ(bytes, c.read);
    }
    RegCloseKey(reopened);
}

TEST_F(RegistryTest, EnumeratesKeysByNameAndValuesInOrder)
{
    HKEY parent = CreateKey(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Enum");
    for (const char16_t* name : {u"beta", u"Alpha", u"gamma"}) RegCloseKey(CreateKey(parent, name));
    ASSERT_EQ(SetBytes(parent, u"z", REG_BINARY, "12"), ERROR_SUCCESS);
    ASSERT_EQ(SetBytes(parent, u"a", REG_BINARY, "3"), ERROR_SUCCESS);

    std::vector<std::u16string> keys;
    char16_t name[16];
    DWORD chars = 16;
    for (DWORD i = 0; RegEnumKeyExW(parent, i, name, &chars, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
         ++i) {
        EXPECT_EQ(chars, std::char_traits<char16_t>::length(name));
        keys.emplace_back(name);
        chars = 16;
    }
    EXPECT_EQ(keys, (std::vector<std::u16string>{u"Alpha", u"beta", u"gamma"}));
    chars = 5;  // "Alpha" needs six with its terminator
    EXPECT_EQ(RegEnumKeyExW(parent, 0, name, &chars, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);

    DWORD type = 0;
    BYTE data[4];
    DWORD dataSize = sizeof data;
    chars = 16;
    ASSERT_EQ(RegEnumValueW(parent, 0, name, &chars, nullptr, &type, data, &dataSize), ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(name), u"z");
    EXPECT_EQ(dataSize, 2u);
    chars = 16;
    dataSize = 0;
    EXPECT_EQ(RegEnumValueW(parent, 1, name, &chars, nullptr, &type, data, &dataSize), ERROR_MORE_DATA);
    EXPECT_EQ(dataSize, 1u);
    chars = 16;
    EXPECT_EQ(RegEnumValueW(parent, 2, name, &chars, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
    RegCloseKey(parent);
}

TEST_F(RegistryTest, DeletesOnlyKeysWithoutSubkeys)
{
    RegCloseKey(CreateKey(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Parent\\Child"));
    EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Parent"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, u"software\\parent\\CHILD"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Parent\\Child"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Parent"), ERROR_SUCCESS);
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Parent", &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegOpenKeyW(HKEY_LOCAL_MACHINE, u"SOFTWARE", &key), ERROR_SUCCESS);
    RegCloseKey(key);
}

}  // namespace
}  // namespace vexl::test
