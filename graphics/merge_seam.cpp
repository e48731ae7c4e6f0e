// The graphics library's DEVMODE merge over the common library's merge.
#include "graphics/merge.h"

#include "common/core/devmode_merge.h"

namespace vexl {

BOOL MergeDevmodeSettings(DriverContext* context, const DEVMODEW* devmode, std::uint32_t flags)
{
    return MergeDevmode(context, devmode, flags) != 0;
}

}  // namespace vexl
