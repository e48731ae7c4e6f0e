// The path encoder's reader over the engine's own PATHOBJ services.
#include "graphics/path_encoder.h"
#include "platform/engine.h"

namespace vexl {

const PathEnumerator kEnginePathEnumerator = {PATHOBJ_vEnumStart, PATHOBJ_bEnum, PATHOBJ_vGetBounds};

}  // namespace vexl
