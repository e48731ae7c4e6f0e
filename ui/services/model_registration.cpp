// Model registration in "qyrdb.ini" and the Expand File programs.
#include "ui/services/model_registration.h"

#include "common/core/modeldb.h"
#include "common/storage/directories.h"
#include "ui/base/text_buffers.h"

#include <string>

namespace vexl::ui {
namespace {

constexpr const WCHAR* kRegistrationFile = u"qyrdb.ini";
constexpr int kModelKeyChars = 33;
constexpr int kValueChars = MAX_PATH;
constexpr WORD kShowHidden = 0;  // SW_HIDE

// The three values of a model's section.
struct Registration {
    std::u16string loadDll;
    std::u16string resDll;
    std::u16string version;
};

std::u16string ReadIni(const WCHAR* file, std::u16string_view section, const WCHAR* key, int size = kValueChars)
{
    std::u16string value(static_cast<std::size_t>(size), u'\0');
    const std::u16string sectionName(section);
    const DWORD length =
        GetPrivateProfileStringW(sectionName.c_str(), key, u"", value.data(), static_cast<DWORD>(size), file);
    value.resize(length);
    return value;
}

const WCHAR* CompanionDataLibrary(DriverContext* context)
{
    const ModelRecord* record = context != nullptr ? context->modelRecord : nullptr;
    if (record == nullptr || record->companionDataLibrary == nullptr || record->companionDataLibrary[0] == 0)
        return nullptr;
    return record->companionDataLibrary;
}

// The registration file's path; empty when it cannot be named.
std::u16string RegistrationFile()
{
    WCHAR path[MAX_PATH] = {};
    BuildWindowsDirPath(path, MAX_PATH, kRegistrationFile);
    return path;
}

Registration ReadRegistered(std::u16string_view modelKey)
{
    const std::u16string file = RegistrationFile();
    return {ReadIni(file.c_str(), modelKey, u"LoadDll"), ReadIni(file.c_str(), modelKey, u"ResDll"),
            ReadIni(file.c_str(), modelKey, u"Version")};
}

// What a model key of the install INI gives, with the resource library.
Registration Wanted(DriverContext* context, std::u16string_view modelKey, std::u16string resDll)
{
    WCHAR install[MAX_PATH] = {};
    GetInstallIniPath(context, install, MAX_PATH);
    return {ReadIni(install, modelKey, u"LoadDll32"), std::move(resDll), ReadIni(install, modelKey, u"Version32")};
}

void WriteRegistration(std::u16string_view modelKey, const Registration& values)
{
    const std::u16string file = RegistrationFile();
    const std::u16string section(modelKey);
    if (file.empty() || section.empty()) return;
    const std::pair<const WCHAR*, const std::u16string*> keys[] = {
        {u"LoadDll", &values.loadDll}, {u"ResDll", &values.resDll}, {u"Version", &values.version}};
    for (const auto& [key, value] : keys) {
        if (!value->empty()) WritePrivateProfileStringW(section.c_str(), key, value->c_str(), file.c_str());
    }
}

// A value that would be written differs from the registered one.
bool Differs(const Registration& wanted, const Registration& registered)
{
    const auto differs = [](const std::u16string& value, const std::u16string& stored) {
        return !value.empty() && !EqualNoCase(value.c_str(), stored.c_str());
    };
    return differs(wanted.loadDll, registered.loadDll) || differs(wanted.resDll, registered.resDll) ||
           differs(wanted.version, registered.version);
}

// The model key of "Models<n>" for the printer's driver; empty when none.
std::u16string ListedModelKey(DriverContext* context, int n)
{
    const WCHAR* driver = GetDriverName(context);
    const WCHAR* modelIni = GetModelFilePath(context);
    if (driver == nullptr || modelIni == nullptr) return {};
    const std::u16string section = u"Models" + DecimalText(static_cast<unsigned>(n));
    const std::u16string value = ReadIni(modelIni, section, driver, kModelKeyChars);
    return std::u16string(TextView(SkipLeadingSpaces(value.c_str())));
}

// The listed models' wanted values, one call per model; false when
// "Models1" names none.
template <typename Visit> bool ForEachListedModel(DriverContext* context, Visit visit)
{
    const WCHAR* modelIni = GetModelFilePath(context);
    for (int n = 1;; ++n) {
        const std::u16string modelKey = ListedModelKey(context, n);
        if (modelKey.empty()) return n > 1;
        if (CompanionDataLibrary(context) == nullptr) continue;
        const Registration wanted = Wanted(context, modelKey, ReadIni(modelIni, modelKey, u"ResDll"));
        if (!visit(modelKey, wanted)) return true;
    }
}

std::u16string SingleModelKey(DriverContext* context)
{
    return std::u16string(TextView(SkipLeadingSpaces(ReadModelsEntry(context))));
}

void RunProgram(const std::u16string& program, const WCHAR* currentDirectory)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = kShowHidden;
    PROCESS_INFORMATION process{};
    WCHAR commandLine[1] = {0};
    if (!CreateProcessW(program.c_str(), commandLine, nullptr, nullptr, FALSE, 0, nullptr, currentDirectory, &startup,
                        &process))
        return;
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

void RunProgramList(DriverContext* context, const WCHAR* countKey, const WCHAR* nameKey, const WCHAR* currentDirectory)
{
    const WCHAR* modelIni = GetModelFilePath(context);
    const std::u16string driverFolder(TextView(GetDriverDirectory(context)));
    const UINT count = GetPrivateProfileIntW(u"Expand File", countKey, 0, modelIni);
    for (UINT i = 1; i <= count; ++i) {
        const std::u16string key = std::u16string(TextView(nameKey)) + DecimalText(i);
        const std::u16string name = ReadIni(modelIni, u"Expand File", key.c_str());
        if (name.empty() || driverFolder.empty()) continue;
        RunProgram(driverFolder + name, currentDirectory);
    }
}

}  // namespace

const WCHAR* SkipLeadingSpaces(const WCHAR* text)
{
    if (text == nullptr) return nullptr;
    while (*text == u' ') ++text;
    return text;
}

WCHAR* GetInstallIniPath(DriverContext* context, WCHAR* out, int size)
{
    if (out == nullptr || size <= 0) return out;
    out[0] = 0;
    const ModelRecord* record = context != nullptr ? context->modelRecord : nullptr;
    const WCHAR* folder = GetDriverDirectory(context);
    if (record == nullptr || record->installIniName == nullptr || folder == nullptr || folder[0] == 0) return out;
    CopyIfFits(out, size, std::u16string(TextView(folder)) + record->installIniName);
    return out;
}

BOOL RegisterAllModels(DriverContext* context)
{
    if (context == nullptr) return FALSE;
    return ForEachListedModel(context,
                              [](const std::u16string& modelKey, const Registration& wanted) {
                                  WriteRegistration(modelKey, wanted);
                                  return true;
                              })
               ? TRUE
               : FALSE;
}

BOOL RegisterModelResources(DriverContext* context)
{
    if (context == nullptr) return FALSE;
    if (RegisterAllModels(context)) return TRUE;
    const std::u16string modelKey = SingleModelKey(context);
    if (modelKey.empty()) return FALSE;
    if (const WCHAR* library = CompanionDataLibrary(context))
        WriteRegistration(modelKey, Wanted(context, modelKey, library));
    return TRUE;
}

BOOL CheckAllModelsRegistration(DriverContext* context)
{
    if (context == nullptr) return FALSE;
    bool stale = false;
    const bool listed = ForEachListedModel(context, [&](const std::u16string& modelKey, const Registration& wanted) {
        stale = Differs(wanted, ReadRegistered(modelKey));
        return !stale;
    });
    if (stale) RegisterModelResources(context);
    return listed ? TRUE : FALSE;
}

BOOL CheckModelRegistration(DriverContext* context)
{
    if (context == nullptr) return FALSE;
    if (CheckAllModelsRegistration(context)) return TRUE;
    const std::u16string modelKey = SingleModelKey(context);
    const WCHAR* library = CompanionDataLibrary(context);
    if (modelKey.empty() || library == nullptr) return TRUE;
    if (Differs(Wanted(context, modelKey, library), ReadRegistered(modelKey))) RegisterModelResources(context);
    return TRUE;
}

void RunExpandPrograms(DriverContext* context)
{
    if (context == nullptr) return;
    const WCHAR* modelIni = GetModelFilePath(context);
    if (modelIni == nullptr) return;
    if (GetPrivateProfileIntW(u"Expand File", u"SystemDirfiles", 0, modelIni) == 0 &&
        GetPrivateProfileIntW(u"Expand File", u"DriverDirfiles", 0, modelIni) == 0)
        return;
    WCHAR systemFolder[MAX_PATH] = {};
    if (GetSystemDirectoryW(systemFolder, MAX_PATH) >= MAX_PATH) systemFolder[0] = 0;
    RunProgramList(context, u"SystemDirfiles", u"SystemDir", systemFolder);
    const std::u16string driverFolder(TextView(GetDriverDirectory(context)));
    RunProgramList(context, u"DriverDirfiles", u"DriverDir", driverFolder.c_str());
}

}  // namespace vexl::ui
