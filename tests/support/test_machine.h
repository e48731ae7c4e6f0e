// A machine of its own for each test: a temporary root, created with a
// profile and used by this process until the fixture ends.
#pragma once

#include "platform/machine.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace vexl::test {

class TestMachine {
public:
    explicit TestMachine(const machine::Profile& profile = {});
    ~TestMachine();
    TestMachine(const TestMachine&) = delete;
    TestMachine& operator=(const TestMachine&) = delete;

    const std::filesystem::path& root() const { return root_; }
    // The host path of a Windows path on this machine.
    std::filesystem::path host(std::u16string_view windowsPath) const { return machine::HostPath(windowsPath); }

private:
    std::filesystem::path root_;
};

// A folder of the test's own under the temporary folder, with a unique
// name, removed with everything in it when the object goes.
class TemporaryFolder {
public:
    explicit TemporaryFolder(const std::string& prefix = "vexl-test");
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// A test fixture with a fresh machine.
class MachineTest : public ::testing::Test {
protected:
    TestMachine machine_;
};

// The bytes of a file of the host (a job file can be tens of megabytes);
// empty when it cannot be read.
std::vector<std::uint8_t> ReadHostFileBytes(const std::filesystem::path& path);

// Where the build put each deliverable.
std::filesystem::path DeliverableFile(std::u16string_view name);

}  // namespace vexl::test
