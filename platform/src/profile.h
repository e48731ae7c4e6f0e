// The machine profile as the layer reads it on every query: parsed once and
// shared until it changes.
#pragma once

#include "platform/machine.h"

#include <memory>

namespace vexl::machine {

// The profile of the machine in use (the defaults when it has none).
std::shared_ptr<const Profile> CurrentProfile();

}  // namespace vexl::machine
