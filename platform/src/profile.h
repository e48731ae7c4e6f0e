// The machine profile as the layer reads it on every query: parsed once and
// shared until it changes.
#pragma once

#include "platform/machine.h"

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <sys/stat.h>

namespace vexl::machine {

// The profile of the machine in use (the defaults when it has none).
std::shared_ptr<const Profile> CurrentProfile();

// The root of the machine in use as text (Root() without building a path).
std::string RootText();

// What stat answered for a host path.
struct HostStatus {
    bool exists = false;
    int error = 0;  // the errno when it does not exist
    struct stat status {};
};

// HostPath, and what stat answers for the path found, from the look that
// found it: a caller that needs both makes one call less.
std::filesystem::path HostPathWithStatus(std::u16string_view windowsPath, HostStatus* status);

// The host path of a Windows path as written under the machine root given
// as RootText() answered it, without a look at the disk: the path HostPath
// answers whenever an entry exists there. Empty when the path is invalid or
// the root is empty (there is no machine).
std::string ExactHostPath(const std::string& root, std::u16string_view windowsPath);

}  // namespace vexl::machine
