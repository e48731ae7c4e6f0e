// The job command groups of a Pdev written as frames of the job stream.
#pragma once

#include "graphics/pdev.h"

namespace vexl {

// Each runs its group for the Pdev's context and writes the text as its
// frame (the PageStart frame with the display-list marker after it). FALSE
// when the group fails or a write fails.
BOOL WriteJobStartGroupFrame(Pdev* pdev);
BOOL WritePageStartGroupFrame(Pdev* pdev);
BOOL WritePageEndGroupFrame(Pdev* pdev);

}  // namespace vexl
