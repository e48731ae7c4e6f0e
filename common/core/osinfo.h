// What the driver asks of the operating system: its version, whether it
// serves terminal-services users, and whether the user is an administrator.
#pragma once

#include "platform/types.h"

namespace vexl {

struct DriverContext;

// Version tests. A failed version query answers 0 in every test.
BOOL IsNt5OrLater();  // asked once per process
BOOL IsNt52OrLater();
BOOL IsVistaOrLater();
BOOL IsWin9x();  // asked once per process
BOOL IsWin98OrMe();

// On 5.2 and later with a printer: the driver's terminal-server probe
// library answers; otherwise the system's terminal suite.
BOOL IsTerminalServer(HANDLE printer);
// The same, asked once per process.
BOOL IsTerminalServerCached(HANDLE printer);

// Drops the answers kept for the process (process attach).
void ForgetOsAnswers();

// Whether the calling user is a member of the local Administrators group.
BOOL IsUserAdministrator();
// IsUserAdministrator, or 1 for a context made to skip the check.
BOOL IsAdministratorOrUnchecked(DriverContext* context);

}  // namespace vexl
