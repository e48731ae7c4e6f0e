// The platform layer's Windows subset, as one include.
#pragma once

#include "platform/types.h"
#include "platform/kernel.h"
#include "platform/text.h"
