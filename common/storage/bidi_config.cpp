#include "common/storage/bidi_config.h"

#include "common/core/context.h"
#include "common/storage/persistence.h"

namespace vexl {

BOOL ApplyStoredBidiConfig(DriverContext* context)
{
    if (context == nullptr) return 1;
    LoadStoredItems(context->printer, kAllAreas, context);
    return 1;
}

}  // namespace vexl
