// A UIControl plug-in. It hands out its interface table and answers from the
// scenario file C:\standin\uicontrol.ini, in the section named by the file
// name it was loaded under (so copies under two names act as two plug-ins):
//
//   [UICTRLA.DLL]
//   GetInterface=1     0: UICTRLGetInterface fails
//   Interface=1        0: UICTRLGetInterface succeeds without an interface
//   Open=1             0: opening the printer (slot 2) fails
//   Query<feature>=1   the result of slot 4 for feature 1 or 2
//   Value<feature>=0   the value slot 4 gives back (non-zero: taken over)
//
// A second build, "UICTRLND.DLL" beside this one, lacks UICTRLDisposeInterface.
//
// Every call, the load and the unload append a line to C:\standin\uicontrol.log,
// starting with that file name.
#include "common/storage/uicontrol_library.h"
#include "platform/inifile.h"
#include "platform/machine.h"
#include "platform/modules.h"

#include <filesystem>
#include <fstream>
#include <string>

namespace {

using vexl::UiControlInterface;

constexpr char16_t kScenarioFile[] = u"C:\\standin\\uicontrol.ini";
constexpr char16_t kLogFile[] = u"C:\\standin\\uicontrol.log";

// The file name this copy was loaded under; set at load.
std::u16string g_name;
HANDLE const kPluginHandle = reinterpret_cast<HANDLE>(0x71);

std::string Narrow(const std::u16string& text)
{
    return std::string(text.begin(), text.end());
}

void Log(const std::string& line)
{
    const std::filesystem::path log = vexl::machine::HostPath(kLogFile);
    if (log.empty()) return;
    std::error_code ignored;
    std::filesystem::create_directories(log.parent_path(), ignored);
    std::ofstream(log, std::ios::app) << Narrow(g_name) << " " << line << "\n";
}

int Scenario(const std::u16string& key, int fallback)
{
    return static_cast<int>(GetPrivateProfileIntW(g_name.c_str(), key.c_str(), fallback, kScenarioFile));
}

std::u16string FeatureKey(const char16_t* prefix, DWORD feature)
{
    return prefix + std::u16string(1, static_cast<char16_t>(u'0' + feature % 10));
}

void VEXL_CALL Reserved0()
{
    Log("slot0");
}
void VEXL_CALL Reserved1()
{
    Log("slot1");
}

BOOL VEXL_CALL OpenPrinter(HANDLE printer, HANDLE* handle)
{
    const bool opened = Scenario(u"Open", 1) != 0;
    if (handle) *handle = opened ? kPluginHandle : nullptr;
    Log(std::string("open printer=") + (printer ? "set" : "null") + " -> " + (opened ? "1" : "0"));
    return opened ? TRUE : FALSE;
}

void VEXL_CALL ClosePrinter(HANDLE handle)
{
    Log(std::string("close ") + (handle == kPluginHandle ? "ok" : "other"));
}

BOOL VEXL_CALL QueryFeature(HANDLE handle, DWORD feature, DWORD* value)
{
    const int result = handle == kPluginHandle ? Scenario(FeatureKey(u"Query", feature), 1) : 0;
    const auto answer = static_cast<DWORD>(Scenario(FeatureKey(u"Value", feature), 0));
    if (value) *value = answer;
    Log("query feature=" + std::to_string(feature) + " -> " + std::to_string(result) +
        " value=" + std::to_string(answer));
    return result != 0 ? TRUE : FALSE;
}

UiControlInterface g_table = {Reserved0, Reserved1, OpenPrinter, ClosePrinter, QueryFeature};

}  // namespace

extern "C" __attribute__((visibility("default"))) BOOL VEXL_CALL UICTRLGetInterface(DWORD version,
                                                                                    UiControlInterface** table)
{
    const bool succeeds = Scenario(u"GetInterface", 1) != 0;
    const bool gives = succeeds && Scenario(u"Interface", 1) != 0;
    if (table) *table = gives ? &g_table : nullptr;
    Log("getInterface version=" + std::to_string(version) + " -> " + (succeeds ? "1" : "0"));
    return succeeds ? TRUE : FALSE;
}

// The build without this entry point is a plug-in the driver must not use.
#ifndef UICTRL_WITHOUT_DISPOSE
extern "C" __attribute__((visibility("default"))) void VEXL_CALL UICTRLDisposeInterface(UiControlInterface* table)
{
    Log(std::string("dispose ") + (table == &g_table ? "ok" : "other"));
}
#endif

extern "C" __attribute__((visibility("default"))) BOOL DllMain(HINSTANCE module, DWORD reason, LPVOID reserved)
{
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) {
        WCHAR path[MAX_PATH] = {};
        GetModuleFileNameW(reinterpret_cast<HMODULE>(module), path, MAX_PATH);
        const std::u16string full(path);
        g_name = full.substr(full.find_last_of(u'\\') + 1);
        Log("attach");
    } else if (reason == DLL_PROCESS_DETACH) {
        Log("detach");
    }
    return TRUE;
}
