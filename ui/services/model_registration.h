// The registration of the printer's models in "qyrdb.ini" of the Windows
// folder, read by the companion programs of the driver package, and the
// programs of the model INI's section "Expand File" that installation runs.
//
// One section per model key holds LoadDll and Version (LoadDll32 and
// Version32 of the install INI) and ResDll (the companion data library for a
// single model; the model INI's ResDll of the key when the driver lists its
// models in "Models1", "Models2", ...). A value is written only when it is
// not empty; values are compared without case.
#pragma once

#include "common/core/context.h"
#include "platform/win32.h"

namespace vexl::ui {

// Registers every model of "Models%d", else the single model of "Models".
// FALSE only without a model key.
BOOL RegisterModelResources(DriverContext* context);
// TRUE when "Models1" names a model (and the list was registered).
BOOL RegisterAllModels(DriverContext* context);
// Registers again when a registered value differs from what would be written.
BOOL CheckModelRegistration(DriverContext* context);
// TRUE when "Models1" names a model.
BOOL CheckAllModelsRegistration(DriverContext* context);
// Runs "SystemDir1".."SystemDir<n>" (in the system folder) and then
// "DriverDir1".."DriverDir<n>" (in the driver folder) of the driver folder,
// hidden, one at a time, each waited for; a program that cannot start is
// skipped.
void RunExpandPrograms(DriverContext* context);
const WCHAR* SkipLeadingSpaces(const WCHAR* text);

// The install INI: the driver folder followed by the model's install INI
// name, into out (size characters); empty when it does not fit.
WCHAR* GetInstallIniPath(DriverContext* context, WCHAR* out, int size);

}  // namespace vexl::ui
