// The registry. Each predefined root has a hive file under <root>/registry/
// (HKLM.hive, HKCU.hive, ...) in the record format of record_file.h:
//
//   key    <path of the key, its names as created, joined by '\'>
//   value  <name>  <type>  <bytes in hex>
//
// A value line belongs to the key line before it; every key has a line, so
// empty keys survive. Changes are read-modify-write under registry.lock and
// replace the hive file at once; readers need no lock because a hive file is
// only ever replaced whole. A key handle names its root and path, so keys
// created or deleted by other processes are seen at the next call.
#include "platform/registry.h"

#include "platform/machine.h"

#include "handles.h"
#include "record_file.h"
#include "registry_values.h"
#include "storage.h"
#include "unicode.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <vector>

namespace vexl::platform {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kMaxKeyNameChars = 255;

struct RegistryValue {
    std::u16string name;
    DWORD type = REG_NONE;
    std::string data;
};

struct RegistryNode {
    std::u16string name;
    std::vector<RegistryValue> values;
    std::vector<RegistryNode> subkeys;  // in name order, without case
};

struct HiveFile {
    ULONG_PTR root;
    const char* file;
};

const HiveFile kHives[] = {
    {0x80000000, "HKCR.hive"},
    {0x80000001, "HKCU.hive"},
    {0x80000002, "HKLM.hive"},
    {0x80000003, "HKU.hive"},
};

using KeyPath = std::vector<std::u16string>;

// An open key: its hive and its path from the hive's root.
struct RegistryKeyObject : KernelObject {
    std::size_t hive = 0;
    KeyPath path;
};

struct KeyLocation {
    std::size_t hive = 0;
    KeyPath path;
};

fs::path RegistryFolder()
{
    const fs::path root = machine::Root();
    return root.empty() ? fs::path() : root / "registry";
}

// ---- Hive files ----------------------------------------------------------

RegistryNode* FindChild(RegistryNode& node, std::u16string_view name)
{
    for (RegistryNode& child : node.subkeys) {
        if (EqualNoCase(child.name, name)) return &child;
    }
    return nullptr;
}

RegistryNode& AddChild(RegistryNode& node, std::u16string_view name)
{
    auto place = std::find_if(node.subkeys.begin(), node.subkeys.end(),
                              [&](const RegistryNode& child) { return CompareNoCase(child.name, name) > 0; });
    RegistryNode child;
    child.name = name;
    return *node.subkeys.insert(place, std::move(child));
}

RegistryNode* FindNode(RegistryNode& root, const KeyPath& path)
{
    RegistryNode* node = &root;
    for (const std::u16string& name : path) {
        node = FindChild(*node, name);
        if (!node) return nullptr;
    }
    return node;
}

// The node at path, created with its missing ancestors; `created` tells
// whether the last one is new.
RegistryNode& EnsureNode(RegistryNode& root, const KeyPath& path, bool& created)
{
    RegistryNode* node = &root;
    created = false;
    for (const std::u16string& name : path) {
        RegistryNode* child = FindChild(*node, name);
        created = child == nullptr;
        node = child ? child : &AddChild(*node, name);
    }
    return *node;
}

KeyPath SplitPath(std::u16string_view text)
{
    KeyPath path;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(u'\\', start);
        if (end == std::u16string_view::npos) end = text.size();
        if (end > start) path.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return path;
}

std::u16string JoinPath(const KeyPath& path)
{
    std::u16string text;
    for (const std::u16string& name : path) {
        if (!text.empty()) text += u'\\';
        text += name;
    }
    return text;
}

RegistryNode LoadHive(std::size_t hive)
{
    RegistryNode root;
    const fs::path folder = RegistryFolder();
    if (folder.empty()) return root;
    const std::optional<std::string> text = ReadWholeFile(folder / kHives[hive].file);
    if (!text) return root;

    // A node reference stays good until the next key line adds a node.
    RegistryNode* current = &root;
    for (const RecordFields& record : ParseRecords(*text)) {
        if (record[0] == "key" && record.size() == 2) {
            bool created = false;
            current = &EnsureNode(root, SplitPath(FromUtf8(record[1])), created);
        } else if (record[0] == "value" && record.size() == 4) {
            const std::optional<DWORD> type = ParseNumber(record[2]);
            std::optional<std::string> data = FromHex(record[3]);
            if (type && data) current->values.push_back({FromUtf8(record[1]), *type, std::move(*data)});
        }
    }
    return root;
}

void FormatNode(const RegistryNode& node, KeyPath& path, std::string& text)
{
    text += FormatRecord({"key", ToUtf8(JoinPath(path))});
    for (const RegistryValue& value : node.values)
        text += FormatRecord({"value", ToUtf8(value.name), std::to_string(value.type), ToHex(value.data)});
    for (const RegistryNode& child : node.subkeys) {
        path.push_back(child.name);
        FormatNode(child, path, text);
        path.pop_back();
    }
}

LSTATUS SaveHive(std::size_t hive, const RegistryNode& root)
{
    std::string text = "# VEXL registry hive 1\n";
    KeyPath path;
    FormatNode(root, path, text);
    const int error = ReplaceFileAtomically(RegistryFolder() / kHives[hive].file, text);
    return error == 0 ? ERROR_SUCCESS : ErrorOfStoreFailure(error);
}

// Runs a change of one hive under the registry lock; the hive is written
// back when the change succeeds and says it changed something.
template <typename Change> LSTATUS ChangeHive(std::size_t hive, Change change)
{
    const fs::path folder = RegistryFolder();
    if (folder.empty()) return ERROR_ACCESS_DENIED;
    FileLock lock(folder / "registry.lock");
    RegistryNode root = LoadHive(hive);
    bool changed = false;
    const LSTATUS status = change(root, changed);
    if (status != ERROR_SUCCESS || !changed) return status;
    return SaveHive(hive, root);
}

// ---- Handles -------------------------------------------------------------

std::optional<std::size_t> PredefinedHive(HKEY key)
{
    const auto value = reinterpret_cast<ULONG_PTR>(key);
    for (std::size_t i = 0; i < std::size(kHives); ++i) {
        if (kHives[i].root == value) return i;
    }
    return std::nullopt;
}

std::optional<KeyLocation> LocateKey(HKEY key)
{
    if (const std::optional<std::size_t> hive = PredefinedHive(key)) return KeyLocation{*hive, {}};
    if (const auto object = FindHandle<RegistryKeyObject>(key)) return KeyLocation{object->hive, object->path};
    return std::nullopt;
}

// The location of key + subKey; ERROR_INVALID_HANDLE or ERROR_INVALID_PARAMETER
// when it cannot be named.
LSTATUS LocateSubKey(HKEY key, LPCWSTR subKey, KeyLocation& location)
{
    std::optional<KeyLocation> base = LocateKey(key);
    if (!base) return ERROR_INVALID_HANDLE;
    for (std::u16string& name : SplitPath(View(subKey))) {
        if (name.size() > kMaxKeyNameChars) return ERROR_INVALID_PARAMETER;
        base->path.push_back(std::move(name));
    }
    location = std::move(*base);
    return ERROR_SUCCESS;
}

// The node of an open key in a loaded hive; ERROR_KEY_DELETED when the key
// has been deleted since the handle was opened.
LSTATUS FindOpenKey(RegistryNode& root, const KeyLocation& location, RegistryNode*& node)
{
    node = FindNode(root, location.path);
    return node ? ERROR_SUCCESS : ERROR_KEY_DELETED;
}

HKEY AddKeyHandle(const KeyLocation& location)
{
    auto object = std::make_shared<RegistryKeyObject>();
    object->hive = location.hive;
    object->path = location.path;
    return static_cast<HKEY>(AddHandle(std::move(object)));
}

RegistryValue* FindValue(RegistryNode& node, std::u16string_view name)
{
    for (RegistryValue& value : node.values) {
        if (EqualNoCase(value.name, name)) return &value;
    }
    return nullptr;
}

}  // namespace

std::string ValueBytesForReading(DWORD type, std::string_view stored)
{
    std::string bytes(stored);
    if (type != REG_SZ && type != REG_EXPAND_SZ && type != REG_MULTI_SZ) return bytes;
    if (bytes.size() % 2 != 0) bytes += '\0';
    const auto endsWithNul = [&](std::size_t fromEnd) {
        return bytes.size() >= fromEnd && bytes[bytes.size() - fromEnd] == '\0' &&
               bytes[bytes.size() - fromEnd + 1] == '\0';
    };
    if (!endsWithNul(2)) bytes.append(2, '\0');
    // A list ends with an empty string; an empty list is one terminator.
    if (type == REG_MULTI_SZ && bytes.size() > 2 && !endsWithNul(4)) bytes.append(2, '\0');
    return bytes;
}

}  // namespace vexl::platform

using namespace vexl::platform;

LSTATUS RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD, REGSAM, PHKEY result)
{
    if (!result) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    KeyLocation location;
    if (const LSTATUS status = LocateSubKey(key, subKey, location); status != ERROR_SUCCESS) return status;
    RegistryNode root = LoadHive(location.hive);
    if (!FindNode(root, location.path)) return ERROR_FILE_NOT_FOUND;
    *result = AddKeyHandle(location);
    return ERROR_SUCCESS;
}

LSTATUS RegOpenKeyW(HKEY key, LPCWSTR subKey, PHKEY result)
{
    return RegOpenKeyExW(key, subKey, 0, KEY_ALL_ACCESS, result);
}

LSTATUS RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD, LPWSTR, DWORD, REGSAM, LPSECURITY_ATTRIBUTES, PHKEY result,
                        LPDWORD disposition)
{
    if (!result) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    KeyLocation location;
    if (const LSTATUS status = LocateSubKey(key, subKey, location); status != ERROR_SUCCESS) return status;
    bool created = false;
    const LSTATUS status = ChangeHive(location.hive, [&](RegistryNode& root, bool& changed) -> LSTATUS {
        EnsureNode(root, location.path, created);
        changed = created;
        return ERROR_SUCCESS;
    });
    if (status != ERROR_SUCCESS) return status;
    if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    *result = AddKeyHandle(location);
    return ERROR_SUCCESS;
}

LSTATUS RegCreateKeyW(HKEY key, LPCWSTR subKey, PHKEY result)
{
    return RegCreateKeyExW(key, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, result, nullptr);
}

LSTATUS RegCloseKey(HKEY key)
{
    if (PredefinedHive(key)) return ERROR_SUCCESS;
    if (!FindHandle<RegistryKeyObject>(key)) return ERROR_INVALID_HANDLE;
    RemoveHandle(key);
    return ERROR_SUCCESS;
}

LSTATUS RegQueryValueExW(HKEY key, LPCWSTR valueName, LPDWORD, LPDWORD type, LPBYTE data, LPDWORD dataSize)
{
    if (data && !dataSize) return ERROR_INVALID_PARAMETER;
    const std::optional<KeyLocation> location = LocateKey(key);
    if (!location) return ERROR_INVALID_HANDLE;
    RegistryNode root = LoadHive(location->hive);
    RegistryNode* node = nullptr;
    if (const LSTATUS status = FindOpenKey(root, *location, node); status != ERROR_SUCCESS) return status;
    const RegistryValue* value = FindValue(*node, View(valueName));
    if (!value) return ERROR_FILE_NOT_FOUND;

    const std::string bytes = ValueBytesForReading(value->type, value->data);
    const auto size = static_cast<DWORD>(bytes.size());
    if (type) *type = value->type;
    if (!dataSize) return ERROR_SUCCESS;
    if (!data) {
        *dataSize = size;
        return ERROR_SUCCESS;
    }
    const DWORD room = *dataSize;
    *dataSize = size;
    if (room < size) return ERROR_MORE_DATA;
    if (size > 0) std::memcpy(data, bytes.data(), size);
    return ERROR_SUCCESS;
}

LSTATUS RegSetValueExW(HKEY key, LPCWSTR valueName, DWORD, DWORD type, const BYTE* data, DWORD dataSize)
{
    if (!data && dataSize > 0) return ERROR_INVALID_PARAMETER;
    const std::optional<KeyLocation> location = LocateKey(key);
    if (!location) return ERROR_INVALID_HANDLE;
    const std::u16string name(View(valueName));
    const std::string bytes = data ? std::string(reinterpret_cast<const char*>(data), dataSize) : std::string();
    return ChangeHive(location->hive, [&](RegistryNode& root, bool& changed) -> LSTATUS {
        RegistryNode* node = nullptr;
        if (const LSTATUS status = FindOpenKey(root, *location, node); status != ERROR_SUCCESS) return status;
        if (RegistryValue* value = FindValue(*node, name)) {
            value->type = type;
            value->data = bytes;
        } else {
            node->values.push_back({name, type, bytes});
        }
        changed = true;
        return ERROR_SUCCESS;
    });
}

LSTATUS RegDeleteValueW(HKEY key, LPCWSTR valueName)
{
    const std::optional<KeyLocation> location = LocateKey(key);
    if (!location) return ERROR_INVALID_HANDLE;
    const std::u16string_view name = View(valueName);
    return ChangeHive(location->hive, [&](RegistryNode& root, bool& changed) -> LSTATUS {
        RegistryNode* node = nullptr;
        if (const LSTATUS status = FindOpenKey(root, *location, node); status != ERROR_SUCCESS) return status;
        const auto found = std::find_if(node->values.begin(), node->values.end(),
                                        [&](const RegistryValue& value) { return EqualNoCase(value.name, name); });
        if (found == node->values.end()) return ERROR_FILE_NOT_FOUND;
        node->values.erase(found);
        changed = true;
        return ERROR_SUCCESS;
    });
}

LSTATUS RegDeleteKeyW(HKEY key, LPCWSTR subKey)
{
    if (!subKey) return ERROR_INVALID_PARAMETER;
    KeyLocation location;
    if (const LSTATUS status = LocateSubKey(key, subKey, location); status != ERROR_SUCCESS) return status;
    if (location.path.empty()) return ERROR_ACCESS_DENIED;  // a hive's root stays
    return ChangeHive(location.hive, [&](RegistryNode& root, bool& changed) -> LSTATUS {
        KeyPath parentPath = location.path;
        const std::u16string name = parentPath.back();
        parentPath.pop_back();
        RegistryNode* parent = FindNode(root, parentPath);
        RegistryNode* node = parent ? FindChild(*parent, name) : nullptr;
        if (!node) return ERROR_FILE_NOT_FOUND;
        if (!node->subkeys.empty()) return ERROR_ACCESS_DENIED;
        parent->subkeys.erase(parent->subkeys.begin() + (node - parent->subkeys.data()));
        changed = true;
        return ERROR_SUCCESS;
    });
}

namespace {

// Copies a name into a caller's buffer of `chars` characters (terminator
// included); ERROR_MORE_DATA when it does not fit.
LSTATUS CopyName(std::u16string_view name, LPWSTR buffer, LPDWORD chars)
{
    if (name.size() + 1 > *chars) return ERROR_MORE_DATA;
    std::copy(name.begin(), name.end(), buffer);
    buffer[name.size()] = u'\0';
    *chars = static_cast<DWORD>(name.size());
    return ERROR_SUCCESS;
}

}  // namespace

LSTATUS RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameChars, LPDWORD, LPWSTR className,
                      LPDWORD classChars, LPFILETIME lastWriteTime)
{
    if (!name || !nameChars) return ERROR_INVALID_PARAMETER;
    const std::optional<KeyLocation> location = LocateKey(key);
    if (!location) return ERROR_INVALID_HANDLE;
    RegistryNode root = LoadHive(location->hive);
    RegistryNode* node = nullptr;
    if (const LSTATUS status = FindOpenKey(root, *location, node); status != ERROR_SUCCESS) return status;
    if (index >= node->subkeys.size()) return ERROR_NO_MORE_ITEMS;
    if (const LSTATUS status = CopyName(node->subkeys[index].name, name, nameChars); status != ERROR_SUCCESS)
        return status;
    if (className && classChars && *classChars > 0) className[0] = u'\0';
    if (classChars) *classChars = 0;
    if (lastWriteTime) *lastWriteTime = FILETIME{};
    return ERROR_SUCCESS;
}

LSTATUS RegEnumValueW(HKEY key, DWORD index, LPWSTR valueName, LPDWORD valueNameChars, LPDWORD, LPDWORD type,
                      LPBYTE data, LPDWORD dataSize)
{
    if (!valueName || !valueNameChars) return ERROR_INVALID_PARAMETER;
    if (data && !dataSize) return ERROR_INVALID_PARAMETER;
    const std::optional<KeyLocation> location = LocateKey(key);
    if (!location) return ERROR_INVALID_HANDLE;
    RegistryNode root = LoadHive(location->hive);
    RegistryNode* node = nullptr;
    if (const LSTATUS status = FindOpenKey(root, *location, node); status != ERROR_SUCCESS) return status;
    if (index >= node->values.size()) return ERROR_NO_MORE_ITEMS;

    const RegistryValue& value = node->values[index];
    if (const LSTATUS status = CopyName(value.name, valueName, valueNameChars); status != ERROR_SUCCESS) return status;
    if (type) *type = value.type;
    if (!dataSize) return ERROR_SUCCESS;
    const std::string bytes = ValueBytesForReading(value.type, value.data);
    const auto size = static_cast<DWORD>(bytes.size());
    const DWORD room = *dataSize;
    *dataSize = size;
    if (!data) return ERROR_SUCCESS;
    if (room < size) return ERROR_MORE_DATA;
    if (size > 0) std::memcpy(data, bytes.data(), size);
    return ERROR_SUCCESS;
}
