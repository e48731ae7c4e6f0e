// The command groups written at job and page boundaries, as emitters for
// WriteCommandGroupFrame: called with no buffer they answer the text
// length, with a buffer they write the text. Negative: failure. The
// context argument is the DriverContext.
#pragma once

#include "platform/types.h"

namespace vexl {

long EmitJobStartGroup(void* context, BYTE* buffer);
long EmitPageStartGroup(void* context, BYTE* buffer);
long EmitPageEndGroup(void* context, BYTE* buffer);

}  // namespace vexl
