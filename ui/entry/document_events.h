// The document events GDI sends around a print job's device context.
#pragma once

#include "platform/printui.h"
#include "platform/win32.h"

namespace vexl::ui {

// STARTDOC: the upgrade check, then the job strings to the graphics library
// (ExtEscape 122); STARTPAGE: the upgrade check. Both answer success whatever
// the check or the escape did; CREATEDCPRE, CREATEDCPOST and STARTDOCPOST
// answer success without work; every other escape answers unsupported. Only
// the low 16 bits of the escape count; the buffers are not read.
int HandleDocumentEvent(HANDLE printer, HDC hdc, int escape, ULONG inSize, PVOID in, ULONG outSize, PVOID out);

}  // namespace vexl::ui
