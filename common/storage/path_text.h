// The path text helpers live in the settings core.
#pragma once

#include "common/core/path_text.h"
