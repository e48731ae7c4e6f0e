// The host face of modules.h: the host file behind a module. For tests, host/ and the tools; the
// libraries never see it.
#pragma once

#include "platform/modules.h"

#include <filesystem>

VEXL_HOST_FACE_BEGIN
namespace vexl::modules {

// The host file behind a loaded module (empty when the handle names none), for
// the services that read a module's resources.
std::filesystem::path HostFile(HMODULE module);

}  // namespace vexl::modules
VEXL_HOST_FACE_END
