// The device contexts of GDI as a host of the graphics engine makes them: a DC stands for a driver
// that takes its escapes. The driver never includes this header; it sees only ExtEscape
// (platform/printui.h).
#pragma once

#include "platform/printui.h"
#include "platform/types.h"

VEXL_HOST_FACE_BEGIN
namespace vexl::gdi {

// The driver's answer to an escape of ExtEscape on the DC.
using EscapeHandler = int (*)(void* data, int escape, int inputSize, const void* input, int outputSize, void* output);

// A new DC whose escapes go to handler with data; DeleteDeviceContext ends
// it (its escapes then answer 0).
HDC CreateDeviceContext(EscapeHandler handler, void* data);
void DeleteDeviceContext(HDC hdc);

}  // namespace vexl::gdi
VEXL_HOST_FACE_END
