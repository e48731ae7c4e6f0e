/* The application interface of the settings library TZ16E140.DLL: the
   VEXLDrv family (settings instances, capabilities, statuses, DEVMODEs,
   quality data) and the Exc family (PJL job text through exclusive
   handles). Every structure that crosses the boundary is packed and
   little-endian; texts are 8-bit ANSI. */
#pragma once

#include "vexlapi/vexldrv.h"
#include "vexlapi/vexl_status.h"
#include "vexlapi/vexl_allcaps.h"
#include "vexlapi/vexl_exc.h"
