// The spooler's calls into a printer driver's configuration library.
#include "platform/spooler_driver.h"

#include "platform/kernel.h"
#include "platform/machine.h"
#include "platform/modules.h"
#include "platform/printers.h"
#include "platform/registry.h"
#include "platform/spooler_driver_host.h"
#include "platform/text.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>

namespace vexl::platform {
namespace {

constexpr const char16_t* kDriversKey =
    u"SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows NT x86\\Drivers\\Version-3\\";
constexpr const char16_t* kDriverDirectory = u"C:\\WINDOWS\\system32\\spool\\drivers\\w32x86\\3";

struct DriverFiles {
    std::u16string driver;
    std::u16string data;
    std::u16string config;
    std::u16string help;
    std::vector<std::u16string> dependent;
};

// The file part of a path.
std::u16string FileName(const WCHAR* path)
{
    if (path == nullptr) return {};
    std::u16string text = path;
    const std::size_t slash = text.rfind(u'\\');
    return slash == std::u16string::npos ? text : text.substr(slash + 1);
}

void SetText(HKEY key, const char16_t* name, const std::u16string& value)
{
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(char16_t)));
}

std::u16string GetText(HKEY key, const char16_t* name)
{
    WCHAR text[MAX_PATH] = {};
    DWORD type = 0;
    DWORD size = sizeof text - sizeof(WCHAR);
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text), &size) != ERROR_SUCCESS) return {};
    return text;
}

// A list of file names as the registry keeps it: each terminated, the
// list ended by one more terminator.
void SetTextList(HKEY key, const char16_t* name, const WCHAR* list)
{
    std::u16string value;
    for (const WCHAR* file = list; file != nullptr && *file != 0; file += std::u16string_view(file).size() + 1)
        value += FileName(file) + u'\0';
    value += u'\0';
    RegSetValueExW(key, name, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(value.data()),
                   static_cast<DWORD>(value.size() * sizeof(char16_t)));
}

std::vector<std::u16string> GetTextList(HKEY key, const char16_t* name)
{
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_MULTI_SZ) return {};
    std::u16string value(size / sizeof(char16_t) + 1, u'\0');
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &size) != ERROR_SUCCESS)
        return {};
    std::vector<std::u16string> files;
    for (std::size_t at = 0; at < value.size() && value[at] != 0;) {
        const std::size_t end = value.find(u'\0', at);
        files.push_back(value.substr(at, end - at));
        at = end + 1;
    }
    return files;
}

bool ReadDriver(const std::u16string& name, DriverFiles* files)
{
    HKEY key = nullptr;
    const std::u16string path = std::u16string(kDriversKey) + name;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
    files->driver = GetText(key, u"Driver");
    files->data = GetText(key, u"Data File");
    files->config = GetText(key, u"Configuration File");
    files->help = GetText(key, u"Help File");
    files->dependent = GetTextList(key, u"Dependent Files");
    RegCloseKey(key);
    return !files->config.empty();
}

std::u16string Text(const WCHAR* text)
{
    return text ? std::u16string(text) : std::u16string();
}

// The configuration library of a printer, loaded for one call.
class ConfigLibrary {
public:
    explicit ConfigLibrary(HANDLE printer)
    {
        DWORD needed = 0;
        GetPrinterDriverW(printer, nullptr, 3, nullptr, 0, &needed);
        if (needed == 0) return;
        std::vector<BYTE> block(needed);
        if (!GetPrinterDriverW(printer, nullptr, 3, block.data(), needed, &needed)) return;
        const auto* info = reinterpret_cast<const DRIVER_INFO_3W*>(block.data());
        if (info->pConfigFile != nullptr && info->pConfigFile[0] != 0) module_ = LoadLibraryW(info->pConfigFile);
    }
    ~ConfigLibrary()
    {
        if (module_ != nullptr) FreeLibrary(module_);
    }
    ConfigLibrary(const ConfigLibrary&) = delete;
    ConfigLibrary& operator=(const ConfigLibrary&) = delete;

    template <typename Function> Function Find(const char* name) const
    {
        return module_ ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module_, name))) : nullptr;
    }

private:
    HMODULE module_ = nullptr;
};

// A printer opened by name for one call.
class OpenedPrinter {
public:
    explicit OpenedPrinter(const std::u16string& name)
    {
        std::u16string copy = name;
        if (!OpenPrinterW(copy.data(), &handle_, nullptr)) handle_ = nullptr;
    }
    ~OpenedPrinter()
    {
        if (handle_ != nullptr) ClosePrinter(handle_);
    }
    OpenedPrinter(const OpenedPrinter&) = delete;
    OpenedPrinter& operator=(const OpenedPrinter&) = delete;
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_ = nullptr;
};

using PrinterEventFunction = BOOL (*)(LPWSTR, int, DWORD, LPARAM);
using ConvertDevModeFunction = BOOL (*)(LPWSTR, DEVMODEW*, DEVMODEW*, LONG*, DWORD);
using DeviceCapabilitiesFunction = DWORD (*)(HANDLE, LPWSTR, WORD, PVOID, DEVMODEW*);
using DocumentPropertiesFunction = LONG (*)(HWND, HANDLE, LPWSTR, DEVMODEW*, DEVMODEW*, DWORD);
using QueryPrintFunction = BOOL (*)(DEVQUERYPRINT_INFO*);
using UpgradePrinterFunction = BOOL (*)(DWORD, LPBYTE);

BOOL SendPrinterEvent(HANDLE printer, const std::u16string& name, int event)
{
    ConfigLibrary library(printer);
    auto function = library.Find<PrinterEventFunction>("DrvPrinterEvent");
    if (function == nullptr) return FALSE;
    std::u16string copy = name;
    return function(copy.data(), event, 0, 0);
}

// The library's default DEVMODE becomes the printer's.
void TakeDriverDefault(HANDLE printer, const std::u16string& name)
{
    ConfigLibrary library(printer);
    auto convert = library.Find<ConvertDevModeFunction>("DrvConvertDevMode");
    if (convert == nullptr) return;
    std::u16string copy = name;
    LONG size = 0;
    convert(copy.data(), nullptr, nullptr, &size, CDM_DRIVER_DEFAULT);
    if (size <= 0 || size > 0x10000) return;
    std::vector<std::uint8_t> devmode(static_cast<std::size_t>(size));
    if (!convert(copy.data(), nullptr, reinterpret_cast<DEVMODEW*>(devmode.data()), &size, CDM_DRIVER_DEFAULT)) return;
    PRINTER_INFO_2W info{};
    info.pDevMode = reinterpret_cast<DEVMODEW*>(devmode.data());
    SetPrinterW(printer, 2, reinterpret_cast<LPBYTE>(&info), 0);
}

// The printer of this machine that a connection "\\server\printer" names.
bool FindSharedPrinter(const std::u16string& connection, std::u16string* server, std::u16string* local)
{
    if (!connection.starts_with(u"\\\\")) return false;
    const std::size_t slash = connection.find(u'\\', 2);
    if (slash == std::u16string::npos || slash + 1 >= connection.size()) return false;
    *server = connection.substr(0, slash);
    *local = connection.substr(slash + 1);
    return true;
}

// The printer's driver and printer blocks as a connection takes them, with
// the driver's files when they come from another machine.
struct SharedPrinter {
    std::vector<BYTE> driverBlock;
    std::vector<BYTE> printerBlock;
    std::vector<std::pair<std::u16string, std::filesystem::path>> driverFiles;  // file name, host file of the server
};

std::optional<SharedPrinter> ReadSharedPrinter(const std::u16string& local, bool withDriverFiles)
{
    OpenedPrinter shared(local);
    if (shared.get() == nullptr) return std::nullopt;
    SharedPrinter result;
    DWORD needed = 0;
    GetPrinterDriverW(shared.get(), nullptr, 3, nullptr, 0, &needed);
    result.driverBlock.resize(needed ? needed : 1);
    if (!GetPrinterDriverW(shared.get(), nullptr, 3, result.driverBlock.data(), needed, &needed)) return std::nullopt;
    GetPrinterW(shared.get(), 2, nullptr, 0, &needed);
    result.printerBlock.resize(needed ? needed : 1);
    if (!GetPrinterW(shared.get(), 2, result.printerBlock.data(), needed, &needed)) return std::nullopt;
    if (withDriverFiles) {
        const auto* driver = reinterpret_cast<const DRIVER_INFO_3W*>(result.driverBlock.data());
        std::vector<const WCHAR*> paths = {driver->pDriverPath, driver->pDataFile, driver->pConfigFile};
        for (const WCHAR* file = driver->pDependentFiles; file != nullptr && *file != 0;
             file += std::u16string_view(file).size() + 1)
            paths.push_back(file);
        for (const WCHAR* path : paths) {
            if (path == nullptr || *path == 0) continue;
            std::u16string full = path;
            if (full.find(u'\\') == std::u16string::npos) full = std::u16string(kDriverDirectory) + u"\\" + full;
            std::filesystem::path host = vexl::machine::HostPath(full);
            std::error_code error;
            if (!std::filesystem::is_regular_file(host, error)) continue;
            result.driverFiles.emplace_back(FileName(full.c_str()), std::move(host));
        }
    }
    return result;
}

// Point and print: the driver's files of another machine copied into this
// machine's driver folder.
void InstallDriverFiles(const SharedPrinter& shared)
{
    for (const auto& [file, host] : shared.driverFiles) {
        const std::filesystem::path target =
            vexl::machine::HostPath(std::u16string(kDriverDirectory) + u"\\" + file);
        std::error_code error;
        std::filesystem::create_directories(target.parent_path(), error);
        std::filesystem::copy_file(host, target, std::filesystem::copy_options::overwrite_existing, error);
    }
}

// The root of the machine that a server name "\\NAME" of the network stands
// for: the path written in <root>/network/NAME. None for this machine's own
// name or a name the network does not know.
std::optional<std::filesystem::path> FindNetworkMachine(const std::u16string& server)
{
    const std::u16string name = server.substr(2);
    if (lstrcmpiW(name.c_str(), vexl::machine::LoadProfile().computerName.c_str()) == 0) return std::nullopt;
    const std::filesystem::path entry = vexl::machine::Root() / "network" / std::string(name.begin(), name.end());
    std::ifstream in(entry);
    std::string root;
    if (!in || !std::getline(in, root) || root.empty()) return std::nullopt;
    return std::filesystem::path(root);
}

}  // namespace
}  // namespace vexl::platform

using namespace vexl::platform;

VEXL_API BOOL AddPrinterDriverW(LPWSTR, DWORD level, LPBYTE info)
{
    const auto* driver = reinterpret_cast<const DRIVER_INFO_3W*>(info);
    if (level != 3 || driver == nullptr || driver->pName == nullptr || driver->pName[0] == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    HKEY key = nullptr;
    const std::u16string path = std::u16string(kDriversKey) + driver->pName;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return FALSE;
    SetText(key, u"Driver", FileName(driver->pDriverPath));
    SetText(key, u"Data File", FileName(driver->pDataFile));
    SetText(key, u"Configuration File", FileName(driver->pConfigFile));
    SetText(key, u"Help File", FileName(driver->pHelpFile));
    SetTextList(key, u"Dependent Files", driver->pDependentFiles);
    RegCloseKey(key);
    return TRUE;
}

VEXL_API HANDLE AddPrinterW(LPWSTR, DWORD level, LPBYTE info)
{
    const auto* printer = reinterpret_cast<const PRINTER_INFO_2W*>(info);
    if (level != 2 || printer == nullptr || printer->pPrinterName == nullptr || printer->pDriverName == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const std::u16string name = printer->pPrinterName;
    {
        OpenedPrinter existing(name);
        if (existing.get() != nullptr) {
            SetLastError(ERROR_PRINTER_ALREADY_EXISTS);
            return nullptr;
        }
    }
    DriverFiles files;
    if (!ReadDriver(printer->pDriverName, &files)) {
        SetLastError(ERROR_UNKNOWN_PRINTER_DRIVER);
        return nullptr;
    }
    vexl::machine::PrinterSetup setup;
    setup.name = name;
    setup.driverName = printer->pDriverName;
    setup.shareName = Text(printer->pShareName);
    if (printer->pPortName != nullptr) setup.portName = printer->pPortName;
    setup.comment = Text(printer->pComment);
    setup.location = Text(printer->pLocation);
    setup.attributes = printer->Attributes | PRINTER_ATTRIBUTE_LOCAL;
    setup.driverDirectory = kDriverDirectory;
    setup.driverFile = files.driver;
    setup.dataFile = files.data;
    setup.configFile = files.config;
    setup.helpFile = files.help;
    setup.dependentFiles = files.dependent;
    if (const DEVMODEW* devmode = printer->pDevMode) {
        const std::size_t bytes = std::size_t(devmode->dmSize) + devmode->dmDriverExtra;
        setup.devmode.assign(reinterpret_cast<const char*>(devmode), bytes);
    }
    try {
        vexl::machine::AddPrinter(setup);
    } catch (const std::exception&) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    HANDLE handle = nullptr;
    std::u16string copy = name;
    if (!OpenPrinterW(copy.data(), &handle, nullptr)) return nullptr;
    // The library initialises its printer, then hands out its default
    // DEVMODE; the printer stays whatever it answers.
    SendPrinterEvent(handle, name, PRINTER_EVENT_INITIALIZE);
    TakeDriverDefault(handle, name);
    SetLastError(ERROR_SUCCESS);
    return handle;
}

VEXL_API BOOL DeletePrinter(HANDLE printer)
{
    DWORD needed = 0;
    GetPrinterW(printer, 2, nullptr, 0, &needed);
    if (needed == 0) return FALSE;
    std::vector<BYTE> block(needed);
    if (!GetPrinterW(printer, 2, block.data(), needed, &needed)) return FALSE;
    const std::u16string name = reinterpret_cast<const PRINTER_INFO_2W*>(block.data())->pPrinterName;
    SendPrinterEvent(printer, name, PRINTER_EVENT_DELETE);
    return vexl::machine::RemovePrinter(name) ? TRUE : FALSE;
}

VEXL_API BOOL AddPrinterConnectionW(LPWSTR name)
{
    std::u16string server;
    std::u16string local;
    if (name == nullptr || !FindSharedPrinter(name, &server, &local)) {
        SetLastError(ERROR_INVALID_PRINTER_NAME);
        return FALSE;
    }
    std::optional<SharedPrinter> shared;
    if (const std::optional<std::filesystem::path> remote = FindNetworkMachine(server)) {
        const std::filesystem::path home = vexl::machine::Root();
        vexl::machine::Use(*remote);
        shared = ReadSharedPrinter(local, true);
        vexl::machine::Use(home);
        if (shared) InstallDriverFiles(*shared);
    } else {
        shared = ReadSharedPrinter(local, false);
    }
    if (!shared) return FALSE;
    const auto* driver = reinterpret_cast<const DRIVER_INFO_3W*>(shared->driverBlock.data());
    const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(shared->printerBlock.data());
    vexl::machine::PrinterSetup setup;
    setup.name = name;
    setup.serverName = server;
    setup.driverName = Text(info->pDriverName);
    setup.attributes = PRINTER_ATTRIBUTE_NETWORK;
    setup.driverDirectory = kDriverDirectory;
    setup.driverFile = FileName(driver->pDriverPath);
    setup.dataFile = FileName(driver->pDataFile);
    setup.configFile = FileName(driver->pConfigFile);
    setup.helpFile = FileName(driver->pHelpFile);
    for (const WCHAR* file = driver->pDependentFiles; file != nullptr && *file != 0;
         file += std::u16string_view(file).size() + 1)
        setup.dependentFiles.push_back(FileName(file));
    if (const DEVMODEW* devmode = info->pDevMode) {
        setup.devmode.assign(reinterpret_cast<const char*>(devmode),
                             std::size_t(devmode->dmSize) + devmode->dmDriverExtra);
    }
    try {
        vexl::machine::AddPrinter(setup);
    } catch (const std::exception&) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    OpenedPrinter connection(name);
    if (connection.get() != nullptr) SendPrinterEvent(connection.get(), name, PRINTER_EVENT_ADD_CONNECTION);
    return TRUE;
}

VEXL_API BOOL DeletePrinterConnectionW(LPWSTR name)
{
    if (name == nullptr) return FALSE;
    {
        OpenedPrinter connection(name);
        if (connection.get() == nullptr) return FALSE;
        SendPrinterEvent(connection.get(), name, PRINTER_EVENT_DELETE_CONNECTION);
    }
    return vexl::machine::RemovePrinter(name) ? TRUE : FALSE;
}

VEXL_API int DeviceCapabilitiesW(LPCWSTR device, LPCWSTR, WORD capability, LPWSTR output, const DEVMODEW* devmode)
{
    if (device == nullptr) return -1;
    OpenedPrinter printer(device);
    if (printer.get() == nullptr) return -1;
    ConfigLibrary library(printer.get());
    auto function = library.Find<DeviceCapabilitiesFunction>("DrvDeviceCapabilities");
    if (function == nullptr) return -1;
    std::u16string name = device;
    return static_cast<int>(function(printer.get(), name.data(), capability, output, const_cast<DEVMODEW*>(devmode)));
}

VEXL_API LONG DocumentPropertiesW(HWND window, HANDLE printer, LPWSTR deviceName, DEVMODEW* output, DEVMODEW* input,
                                  DWORD mode)
{
    ConfigLibrary library(printer);
    auto function = library.Find<DocumentPropertiesFunction>("DrvDocumentProperties");
    if (function == nullptr) return -1;
    return function(window, printer, deviceName, output, input, mode);
}

namespace vexl::spooler {

std::vector<std::uint8_t> ConvertDevmode(const std::u16string& printerName, const DEVMODEW* in,
                                         const DEVMODEW& targetHeader)
{
    OpenedPrinter printer(printerName);
    if (printer.get() == nullptr || in == nullptr) return {};
    ConfigLibrary library(printer.get());
    auto convert = library.Find<ConvertDevModeFunction>("DrvConvertDevMode");
    if (convert == nullptr) return {};
    const std::size_t bytes = std::size_t(targetHeader.dmSize) + targetHeader.dmDriverExtra;
    std::vector<std::uint8_t> out(std::max(bytes, sizeof(DEVMODEW)));
    std::memcpy(out.data(), &targetHeader, sizeof(DEVMODEW));
    LONG size = static_cast<LONG>(bytes);
    std::u16string name = printerName;
    if (!convert(name.data(), const_cast<DEVMODEW*>(in), reinterpret_cast<DEVMODEW*>(out.data()), &size, CDM_CONVERT))
        return {};
    out.resize(bytes);
    return out;
}

BOOL CheckJob(HANDLE printer, DEVMODEW* job, std::u16string* error)
{
    ConfigLibrary library(printer);
    auto check = library.Find<QueryPrintFunction>("DevQueryPrintEx");
    if (check == nullptr) return TRUE;  // a driver without the check accepts every job
    WCHAR text[256] = {};
    DEVQUERYPRINT_INFO info{};
    info.cbSize = sizeof info;
    info.Level = 1;
    info.hPrinter = printer;
    info.pDevMode = job;
    info.pszErrorStr = text;
    info.cchErrorStr = 256;
    const BOOL accepted = check(&info);
    text[255] = 0;
    if (error != nullptr) *error = text;
    return accepted;
}

BOOL UpgradePrinterDriver(const std::u16string& printerName, const std::u16string& oldDriverDirectory)
{
    OpenedPrinter printer(printerName);
    if (printer.get() == nullptr) return FALSE;
    ConfigLibrary library(printer.get());
    auto upgrade = library.Find<UpgradePrinterFunction>("DrvUpgradePrinter");
    if (upgrade == nullptr) return FALSE;
    std::u16string name = printerName;
    std::u16string directory = oldDriverDirectory;
    DRIVER_UPGRADE_INFO_1W info{name.data(), directory.data()};
    return upgrade(1, reinterpret_cast<LPBYTE>(&info));
}

}  // namespace vexl::spooler
