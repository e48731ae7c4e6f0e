// Plug-in discovery: the registry and INI lists of a category, the
// authentication page plug-in of a printer and the UIControl plug-ins.
#include "common/storage/plugins.h"

#include "common/core/context.h"
#include "common/core/item_ids.h"
#include "common/core/items.h"
#include "common/core/textconv.h"
#include "common/storage/directories.h"
#include "common/storage/ini.h"
#include "common/storage/uicontrol_library.h"

#include <cstring>
#include <memory>
#include <new>
#include <string_view>

namespace vexl {

namespace {

// INI counts above this are not believed: no driver package registers so
// many plug-ins, and each one costs a lookup in the file.
constexpr int kMaxIniPluginCount = 256;

std::u16string ToWide(const char* text)
{
    if (text == nullptr || text[0] == 0) return {};
    const int chars = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (chars <= 0) return {};
    std::u16string wide(static_cast<std::size_t>(chars), u'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), chars);
    wide.resize(static_cast<std::size_t>(chars) - 1);
    return wide;
}

std::string ToAnsi(std::u16string_view text)
{
    if (text.empty()) return {};
    const int sourceChars = static_cast<int>(text.size());
    const int bytes = WideCharToMultiByte(CP_ACP, 0, text.data(), sourceChars, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return {};
    std::string ansi(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), sourceChars, ansi.data(), bytes, nullptr, nullptr);
    return ansi;
}

bool EqualNoCase(std::u16string_view a, std::u16string_view b)
{
    return lstrcmpiW(std::u16string(a).c_str(), std::u16string(b).c_str()) == 0;
}

// ---- registry ---------------------------------------------------------------------------------------

std::u16string RegistryKeyPath(const std::u16string& category)
{
    return std::u16string(kPluginRegistryKey) + u"\\" + category;
}

HKEY OpenPluginKey(const std::u16string& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return nullptr;
    return key;
}

// The subkey names of the category, in enumeration order; longer names are skipped.
std::vector<std::u16string> EnumerateRegistryIds(const std::u16string& category)
{
    std::vector<std::u16string> ids;
    HKEY key = OpenPluginKey(RegistryKeyPath(category));
    if (key == nullptr) return ids;
    for (DWORD index = 0;; ++index) {
        WCHAR name[kPluginTextChars + 1] = {};
        DWORD chars = kPluginTextChars + 1;
        const LSTATUS status = RegEnumKeyExW(key, index, name, &chars, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_MORE_DATA) continue;
        if (status != ERROR_SUCCESS) break;
        if (chars > 0 && chars <= kPluginTextChars) ids.emplace_back(name, chars);
    }
    RegCloseKey(key);
    return ids;
}

// A REG_SZ text, terminated within its data and shorter than
// kPluginRegistryTextBytes as ANSI text; an empty text counts as missing.
std::optional<std::string> ReadRegistryText(HKEY key, const WCHAR* valueName)
{
    WCHAR text[kPluginRegistryTextBytes] = {};
    DWORD type = REG_NONE;
    DWORD size = sizeof(text);
    if (RegQueryValueExW(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(text), &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return std::nullopt;
    const std::u16string_view data(text, size / sizeof(WCHAR));
    const std::size_t length = data.find(u'\0');
    if (length == std::u16string_view::npos || length == 0) return std::nullopt;
    std::string ansi = ToAnsi(data.substr(0, length));
    if (ansi.empty() || ansi.size() >= static_cast<std::size_t>(kPluginRegistryTextBytes)) return std::nullopt;
    return ansi;
}

// A REG_DWORD of four bytes; 0 otherwise.
std::uint32_t ReadRegistryNumber(HKEY key, const WCHAR* valueName)
{
    std::uint32_t value = 0;
    DWORD type = REG_NONE;
    DWORD size = sizeof(value);
    if (RegQueryValueExW(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof(value))
        return 0;
    return value;
}

std::optional<PluginEntry> ReadRegistryEntry(const std::u16string& category, const std::u16string& id)
{
    HKEY key = OpenPluginKey(RegistryKeyPath(category) + u"\\" + id);
    if (key == nullptr) return std::nullopt;
    PluginEntry entry;
    entry.id = ToAnsi(id);
    entry.name = ReadRegistryText(key, u"Name");
    entry.installPath = ReadRegistryText(key, u"InstallPath");
    entry.forceRaw = ReadRegistryNumber(key, u"ForceRAW");
    entry.perPrinter = ReadRegistryNumber(key, u"PerPrinter");
    RegCloseKey(key);
    return entry;
}

// ---- plug-in INI ----------------------------------------------------------------------------------

// A text of the INI: empty, missing or longer than kPluginTextChars counts as missing.
std::optional<std::u16string> ReadIniText(const std::u16string& section, const std::u16string& key,
                                          const std::u16string& file)
{
    WCHAR text[kPluginTextChars + 2] = {};
    const int length = ReadIniString(section.c_str(), key.c_str(), u"", text, kPluginTextChars + 2, file.c_str());
    if (length <= 0 || length > kPluginTextChars) return std::nullopt;
    return std::u16string(text, static_cast<std::size_t>(length));
}

bool ContainsNoCase(const std::vector<std::u16string>& ids, const std::u16string& id)
{
    for (const std::u16string& other : ids)
        if (EqualNoCase(other, id)) return true;
    return false;
}

// The INI's ids of the category that the registry does not name.
std::vector<std::u16string> ReadIniIds(const std::u16string& category, const std::u16string& file,
                                       const std::vector<std::u16string>& registryIds)
{
    std::vector<std::u16string> ids;
    const int count = ReadIniInt(category.c_str(), u"Count", 0, file.c_str());
    for (int index = 0; index < count && index < kMaxIniPluginCount; ++index) {
        const std::optional<std::u16string> id =
            ReadIniText(category, u"PluginID" + ToWide(std::to_string(index).c_str()), file);
        if (id && !ContainsNoCase(registryIds, *id)) ids.push_back(*id);
    }
    return ids;
}

// directory + "\" + path, when it fits a path.
std::optional<std::string> JoinDriverPath(const std::u16string& directory, const std::optional<std::u16string>& path)
{
    if (!path) return std::nullopt;
    std::string joined = ToAnsi(directory + u"\\" + *path);
    if (joined.size() >= MAX_PATH) return std::nullopt;
    return joined;
}

std::optional<std::string> AnsiOf(const std::optional<std::u16string>& text)
{
    if (!text) return std::nullopt;
    return ToAnsi(*text);
}

PluginEntry ReadIniEntry(const std::u16string& id, const std::u16string& directory, const std::u16string& file)
{
    PluginEntry entry;
    entry.id = ToAnsi(id);
    entry.name = AnsiOf(ReadIniText(id, u"Name", file));
    entry.installPath = JoinDriverPath(directory, ReadIniText(id, u"InstallPath", file));
    entry.forceRaw = static_cast<std::uint32_t>(ReadIniInt(id.c_str(), u"ForceRAW", 0, file.c_str()));
    entry.perPrinter = static_cast<std::uint32_t>(ReadIniInt(id.c_str(), u"PerPrinter", 0, file.c_str()));
    return entry;
}

std::unique_ptr<PluginList> BuildPluginList(const std::u16string& category, const std::u16string& directory)
{
    const std::vector<std::u16string> registryIds = EnumerateRegistryIds(category);
    std::vector<std::u16string> iniIds;
    const std::u16string file = directory + u"\\" + kPluginIniFileName;
    if (!directory.empty()) iniIds = ReadIniIds(category, file, registryIds);

    auto list = std::make_unique<PluginList>();
    for (const std::u16string& id : registryIds)
        if (std::optional<PluginEntry> entry = ReadRegistryEntry(category, id)) list->entries.push_back(*entry);
    for (const std::u16string& id : iniIds) list->entries.push_back(ReadIniEntry(id, directory, file));
    if (list->entries.empty()) return nullptr;
    return list;
}

// The driver directory as ANSI text without its trailing backslash.
std::string DriverDirectoryAnsi(DriverContext* context)
{
    const WCHAR* directory = GetDriverDirectory(context);
    if (directory == nullptr) return {};
    char text[MAX_PATH] = {};
    WideToAnsi(text, directory, MAX_PATH);
    std::string ansi(text);
    if (!ansi.empty() && ansi.back() == '\\') ansi.pop_back();
    return ansi;
}

// ---- UIControl plug-ins -------------------------------------------------------------------------

// The features a UIControl plug-in may take over: the item that records
// the take-over and the driver's own item that is switched off then.
struct UiControlFeature {
    DWORD feature;
    std::uint16_t takenItem;
    std::uint16_t driverItem;
};
constexpr UiControlFeature kUiControlFeatures[] = {
    {kUiControlCopyGuard, rdmFunc2SelectUICtrlCopyGuard, rdmFuncSelectCopyProtect},
    {kUiControlWatermark, rdmFunc2SelectUICtrlWaterMark, rdmFuncSelectWaterMark},
};
constexpr std::size_t kUiControlFeatureCount = std::size(kUiControlFeatures);

using FeaturesTaken = bool[kUiControlFeatureCount];

// Opens the printer through the interface and asks about each feature no
// earlier plug-in took over. A printer that does not open is not asked about.
void AskAboutFeatures(UiControlInterface* table, HANDLE printer, FeaturesTaken& taken)
{
    if (table->openPrinter == nullptr) return;
    HANDLE handle = nullptr;
    if (!table->openPrinter(printer, &handle) || handle == nullptr) return;
    for (std::size_t i = 0; i < kUiControlFeatureCount; ++i) {
        if (taken[i] || table->queryFeature == nullptr) continue;
        DWORD value = 0;
        if (table->queryFeature(handle, kUiControlFeatures[i].feature, &value) && value != 0) taken[i] = true;
    }
    if (table->closePrinter) table->closePrinter(handle);
}

template <typename Function> Function FindEntry(HMODULE library, const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
}

void AskUiControlPlugin(const std::string& installPath, HANDLE printer, FeaturesTaken& taken)
{
    WCHAR path[MAX_PATH] = {};
    AnsiToWide(path, installPath.c_str(), MAX_PATH);
    HMODULE library = LoadLibraryW(path);
    if (library == nullptr) return;
    const auto getInterface = FindEntry<UiControlGetInterfaceFunction>(library, kUiControlGetInterfaceName);
    const auto disposeInterface = FindEntry<UiControlDisposeInterfaceFunction>(library, kUiControlDisposeInterfaceName);
    if (getInterface && disposeInterface) {
        UiControlInterface* table = nullptr;
        if (getInterface(kUiControlInterfaceVersion, &table) && table != nullptr) {
            AskAboutFeatures(table, printer, taken);
            disposeInterface(table);
        }
    }
    FreeLibrary(library);
}

}  // namespace

// ---- the list ---------------------------------------------------------------------------------------------

PluginList* ReadPluginList(const char* category, const char* directory)
{
    if (category == nullptr || category[0] == 0) return nullptr;
    try {
        return BuildPluginList(ToWide(category), ToWide(directory)).release();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void FreePluginList(PluginList* list)
{
    delete list;
}

// ---- printer data ---------------------------------------------------------------------------------------

BOOL ReadPluginIdCount(HANDLE printer, std::uint32_t* out, DriverContext* context)
{
    (void)context;
    if (out == nullptr) return FALSE;
    std::u16string name = u"PluginIDCount";
    std::uint32_t count = 0;
    DWORD type = REG_NONE;
    DWORD needed = 0;
    if (GetPrinterDataW(printer, name.data(), &type, reinterpret_cast<BYTE*>(&count), sizeof(count), &needed) !=
            ERROR_SUCCESS ||
        needed != sizeof(count) || (type != REG_DWORD && type != REG_BINARY))
        return FALSE;
    *out = count;
    return TRUE;
}

BOOL ReadPluginId(HANDLE printer, WCHAR* out, DriverContext* context, int index)
{
    (void)context;
    if (out == nullptr || index < 0) return FALSE;
    std::u16string name = u"PluginID" + ToWide(std::to_string(index).c_str());
    WCHAR text[kPluginIdChars] = {};
    DWORD type = REG_NONE;
    DWORD needed = 0;
    if (GetPrinterDataW(printer, name.data(), &type, reinterpret_cast<BYTE*>(text), sizeof(text), &needed) !=
            ERROR_SUCCESS ||
        type != REG_SZ || needed > sizeof(text))
        return FALSE;
    const std::u16string_view data(text, needed / sizeof(WCHAR));
    const std::size_t length = data.find(u'\0');
    if (length == std::u16string_view::npos) return FALSE;
    std::memcpy(out, text, (length + 1) * sizeof(WCHAR));
    return TRUE;
}

// ---- the authentication page plug-in ------------------------------------------------------------------

BOOL HasAuthenticationPlugin(DriverContext* context)
{
    if (context == nullptr) return FALSE;
    std::uint32_t count = 0;
    if (!ReadPluginIdCount(context->printer, &count, context)) return FALSE;
    for (std::uint32_t index = 0; index < count; ++index) {
        WCHAR id[kPluginIdChars] = {};
        if (!ReadPluginId(context->printer, id, context, static_cast<int>(index))) break;
        if (std::u16string_view(id) == kAuthenticationPluginId) return TRUE;
    }
    return FALSE;
}

BOOL FindAuthenticationPluginPath(DriverContext* context, char* outPath)
{
    if (context == nullptr) return FALSE;
    PluginList* list = ReadPluginList(kAuthenticationCategory, DriverDirectoryAnsi(context).c_str());
    if (list == nullptr) return FALSE;
    BOOL found = FALSE;
    for (const PluginEntry& entry : list->entries) {
        if (!EqualNoCase(ToWide(entry.id.c_str()), kAuthenticationPluginId)) continue;
        if (entry.installPath) {
            found = TRUE;
            if (outPath) std::memcpy(outPath, entry.installPath->c_str(), entry.installPath->size() + 1);
        }
        break;
    }
    FreePluginList(list);
    return found;
}

void DetectAuthenticationPlugin(DriverContext* context)
{
    if (context == nullptr || context->workArea == nullptr) return;
    context->workArea->authPluginPresent = HasAuthenticationPlugin(context) ? 1 : 0;
    context->workArea->authPluginPathFound = FindAuthenticationPluginPath(context, nullptr) ? 1 : 0;
}

// ---- UIControl plug-ins -------------------------------------------------------------------------------

void DetectUiControlPlugins(DriverContext* context)
{
    if (context == nullptr) return;
    FeaturesTaken taken = {};
    PluginList* list = ReadPluginList(kUiControlCategory, DriverDirectoryAnsi(context).c_str());
    if (list != nullptr) {
        for (const PluginEntry& entry : list->entries)
            if (entry.installPath) AskUiControlPlugin(*entry.installPath, context->printer, taken);
    }
    FreePluginList(list);
    for (std::size_t i = 0; i < kUiControlFeatureCount; ++i) {
        SetItemValue(context, kUiControlFeatures[i].takenItem, taken[i] ? 1 : 0);
        if (taken[i]) SetItemValue(context, kUiControlFeatures[i].driverItem, 0);
    }
}

}  // namespace vexl
