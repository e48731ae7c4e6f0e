#include "platform/modules_host.h"
#include "platform/win32.h"
#include "support/test_machine.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace vexl::test {
namespace {

constexpr char16_t kDriverFolder[] = u"C:\\WINDOWS\\system32\\spool\\drivers\\w32x86\\3\\";

std::u16string InDriverFolder(std::u16string_view name)
{
    return kDriverFolder + std::u16string(name);
}

// An export as the function type it has (through void (*)(), which converts to any).
template <typename Function> Function ProcAs(FARPROC proc)
{
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(proc));
}

std::u16string ModuleFileName(HMODULE module)
{
    WCHAR path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(module, path, MAX_PATH);
    return std::u16string(path, length);
}

class ModuleTest : public MachineTest {
protected:
    ModuleTest() { std::filesystem::create_directories(machine_.host(u"C:\\standin")); }

    // What the stand-in library's entry point logged.
    std::string EntryLog() const
    {
        std::ifstream in(machine_.host(u"C:\\standin\\entrylog.log"));
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    static std::string Event(const char* event, HMODULE module)
    {
        std::ostringstream line;
        line << event << " " << static_cast<const void*>(module) << "\n";
        return line.str();
    }
};

TEST_F(ModuleTest, LoadsEachDeliverableOnceAndFreesItWithItsLastReference)
{
    struct Case {
        std::u16string name;
        const char* entryPoint;
    } cases[] = {
        {u"TZ16E100.DLL", "DllEntryPoint"},
        {u"TZ16E130.DLL", "DllInitialize"},
        {u"TZ16E140.DLL", "DllMain"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name.begin(), c.name.end()));
        const std::u16string path = InDriverFolder(c.name);
        machine::InstallFile(DeliverableFile(c.name), path);

        HMODULE module = LoadLibraryW(path.c_str());
        ASSERT_NE(module, nullptr);
        std::u16string otherCase = u"c:\\windows\\SYSTEM32\\Spool\\DRIVERS\\W32X86\\3\\" + c.name;
        otherCase.back() = u'l';
        EXPECT_EQ(LoadLibraryW(otherCase.c_str()), module);
        EXPECT_EQ(GetModuleHandleW(c.name.c_str()), module);
        EXPECT_EQ(ModuleFileName(module), path);

        EXPECT_NE(GetProcAddress(module, c.entryPoint), nullptr);
        // Neither a missing name nor an export of a library it depends on.
        for (const char* missing : {"NoSuchExport", "GetLastError"}) {
            SetLastError(ERROR_SUCCESS);
            EXPECT_EQ(GetProcAddress(module, missing), nullptr) << missing;
            EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
        }

        EXPECT_TRUE(FreeLibrary(module));
        EXPECT_EQ(GetModuleHandleW(c.name.c_str()), module);
        EXPECT_TRUE(FreeLibrary(module));
        EXPECT_EQ(GetModuleHandleW(c.name.c_str()), nullptr);
        EXPECT_FALSE(FreeLibrary(module));
        EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
    }
}

TEST_F(ModuleTest, RunsTheEntryPointAtTheFirstLoadAndTheLastFree)
{
    machine::InstallFile(VEXL_ENTRY_LOG_FILE, u"C:\\WINDOWS\\system32\\ENTRYLOG.DLL");

    // A bare name without extension is a ".dll" of the system directory.
    HMODULE module = LoadLibraryW(u"entrylog");
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(EntryLog(), Event("attach", module));
    EXPECT_EQ(LoadLibraryW(u"C:\\WINDOWS\\system32\\entrylog.dll"), module);
    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_EQ(EntryLog(), Event("attach", module));
    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_EQ(EntryLog(), Event("attach", module) + Event("detach", module));
}

TEST_F(ModuleTest, AnAttachThatFailsUnloadsWithoutDetach)
{
    machine::InstallFile(VEXL_ENTRY_LOG_FILE, u"C:\\WINDOWS\\ENTRYLOG.DLL");
    machine::WriteFile(u"C:\\standin\\entrylog.refuse", "");

    EXPECT_EQ(LoadLibraryW(u"ENTRYLOG.DLL"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_DLL_INIT_FAILED);
    EXPECT_EQ(EntryLog().substr(0, 7), "attach ");
    EXPECT_EQ(EntryLog().find("detach"), std::string::npos);
    EXPECT_EQ(GetModuleHandleW(u"ENTRYLOG.DLL"), nullptr);
}

TEST_F(ModuleTest, ADataFileIsFoundButNotRun)
{
    const std::u16string path = InDriverFolder(u"ENTRYLOG.DLL");
    machine::InstallFile(VEXL_ENTRY_LOG_FILE, path);

    HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(modules::HostFile(module), machine_.host(path));
    EXPECT_EQ(GetProcAddress(module, "DllMain"), nullptr);
    EXPECT_EQ(GetModuleHandleW(u"ENTRYLOG.DLL"), nullptr);
    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_EQ(EntryLog(), "");
}

TEST_F(ModuleTest, AMissingOrForeignFileIsNotFound)
{
    machine::WriteFile(u"C:\\WINDOWS\\system32\\NOTALIB.DLL", "this is text, not a library");
    for (const char16_t* name : {u"C:\\nowhere\\TZ16E100.DLL", u"NOSUCH.DLL", u"NOTALIB.DLL", u""}) {
        SetLastError(ERROR_SUCCESS);
        EXPECT_EQ(LoadLibraryW(name), nullptr);
        EXPECT_NE(GetLastError(), ERROR_SUCCESS);
    }
    EXPECT_EQ(LoadLibraryW(u"NOSUCH.DLL"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
    EXPECT_EQ(LoadLibraryW(u"NOTALIB.DLL"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
}

TEST_F(ModuleTest, ModuleFileNameIsCutToTheBufferAndTerminated)
{
    const std::u16string program = u"C:\\WINDOWS\\system32\\platform_tests.exe";
    EXPECT_EQ(ModuleFileName(nullptr), program);
    EXPECT_EQ(ModuleFileName(GetModuleHandleW(nullptr)), program);

    // The expected buffer starts with the text and its terminator; a buffer
    // of size 0 is left alone.
    const auto size = static_cast<DWORD>(program.size());
    const std::u16string terminator(1, u'\0');
    struct Case {
        DWORD bufferSize;
        DWORD answer;
        std::u16string buffer;
        DWORD error;
    } cases[] = {
        {size + 1, size, program + terminator, ERROR_SUCCESS},
        {size, size, program.substr(0, size - 1) + terminator, ERROR_INSUFFICIENT_BUFFER},
        {1, 1, terminator, ERROR_INSUFFICIENT_BUFFER},
        {0, 0, u"?", ERROR_INSUFFICIENT_BUFFER},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bufferSize);
        std::u16string buffer(MAX_PATH, u'?');
        SetLastError(ERROR_SUCCESS);
        EXPECT_EQ(GetModuleFileNameW(nullptr, buffer.data(), c.bufferSize), c.answer);
        EXPECT_EQ(buffer.substr(0, c.buffer.size()), c.buffer);
        EXPECT_EQ(GetLastError(), c.error);
    }
}

// ---- The terminal-server probe ----------------------------------------------------

TEST_F(ModuleTest, TerminalServerProbeAnswersItsScenario)
{
    const std::u16string path = InDriverFolder(u"TZ00C150.dll");
    machine::InstallFile(VEXL_TZ00C150_FILE, path);
    using Probe = int (*)();
    struct Case {
        const char* scenario;  // null: no scenario file
        int answer;
    } cases[] = {
        {nullptr, 0},
        {"[Probe]\nAnswer=1\n", 1},
        {"[probe]\r\n answer = 0 \r\n", 0},
        {"[Other]\nAnswer=1\n[Probe]\n", 0},
        {"[Probe]\nAnswer=2\n", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scenario ? c.scenario : "no scenario");
        if (c.scenario) machine::WriteFile(u"C:\\standin\\TZ00C150.ini", c.scenario);
        HMODULE probe = LoadLibraryW(path.c_str());
        ASSERT_NE(probe, nullptr);
        auto isTerminalServer = ProcAs<Probe>(GetProcAddress(probe, "_IsTSE_WMICOM_VEXL_Printer_Driver"));
        ASSERT_NE(isTerminalServer, nullptr);
        EXPECT_EQ(isTerminalServer(), c.answer);
        EXPECT_TRUE(FreeLibrary(probe));
    }
    std::ifstream log(machine_.host(u"C:\\standin\\TZ00C150.log"));
    std::string line;
    int calls = 0;
    while (std::getline(log, line)) ++calls;
    EXPECT_EQ(calls, 5);
}

}  // namespace
}  // namespace vexl::test
