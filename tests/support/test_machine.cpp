#include "support/test_machine.h"

#include <cstdlib>
#include <fstream>
#include <string>

namespace vexl::test {

TestMachine::TestMachine(const machine::Profile& profile)
{
    std::string pattern = (std::filesystem::temp_directory_path() / "vexl-machine-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary machine");
    root_ = pattern;
    machine::Create(root_, profile);
}

TestMachine::~TestMachine()
{
    std::error_code ignored;
    std::filesystem::permissions(root_, std::filesystem::perms::owner_all, ignored);
    std::filesystem::remove_all(root_, ignored);
}

TemporaryFolder::TemporaryFolder(const std::string& prefix)
{
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
    path_ = pattern;
}

TemporaryFolder::~TemporaryFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::vector<std::uint8_t> ReadHostFileBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) return {};
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(in.tellg()));
    in.seekg(0);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!in) return {};
    return bytes;
}

std::filesystem::path DeliverableFile(std::u16string_view name)
{
    if (name == u"TZ16E100.DLL") return VEXL_TZ16E100_FILE;
    if (name == u"TZ16E130.DLL") return VEXL_TZ16E130_FILE;
    return VEXL_TZ16E140_FILE;
}

}  // namespace vexl::test
