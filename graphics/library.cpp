// The graphics library put together: the common library's process work and
// the graphics library's own steps, in their order.
#include "graphics/library.h"

#include "common/wiring.h"
#include "graphics/graphics_context.h"
#include "graphics/pdev.h"

namespace vexl::graphics {

BOOL HandleProcessNotification(HINSTANCE module, DWORD reason)
{
    if (reason == DLL_PROCESS_ATTACH) SetLibraryModule(module);
    const BOOL result = HandleProcessEntry(reason);
    if (reason == DLL_PROCESS_ATTACH) UseGraphicsContextSteps();
    return result;
}

}  // namespace vexl::graphics
