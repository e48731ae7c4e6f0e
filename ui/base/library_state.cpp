// The printer interface library's own process state.
#include "ui/base/library_state.h"

namespace vexl::ui {
namespace {

HINSTANCE g_module = nullptr;
// A plain process global: written by the install roads on their own thread.
std::uint32_t g_sharedIdentity = 0;

}  // namespace

HINSTANCE GetLibraryModule()
{
    return g_module;
}

void KeepLibraryModule(HINSTANCE module)
{
    g_module = module;
}

std::uint32_t GetSharedIdentityFlag()
{
    return g_sharedIdentity;
}

void SetSharedIdentityFlag(std::uint32_t value)
{
    g_sharedIdentity = value;
}

}  // namespace vexl::ui
