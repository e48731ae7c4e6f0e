// The platform layer's Windows subset, as one include.
#pragma once

#include "platform/types.h"
#include "platform/kernel.h"
#include "platform/text.h"
#include "platform/files.h"
#include "platform/environment.h"
#include "platform/inifile.h"
#include "platform/registry.h"
#include "platform/devmode.h"
#include "platform/spooler.h"
#include "platform/sync.h"
#include "platform/modules.h"
#include "platform/system.h"
#include "platform/shell.h"
#include "platform/locale.h"
#include "platform/resources.h"
