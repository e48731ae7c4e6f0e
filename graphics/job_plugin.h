// The job values a document takes from the job-control plug-in at its start:
// the user code, names and passwords of the job, and the user's
// authentication data, the password passing through the plug-in's
// transformation.
#pragma once

#include "common/core/context.h"
#include "common/storage/job_control_library.h"
#include "platform/win32.h"

#include <cstdint>

namespace vexl {

// The request mask of document start: values 1 to 5 and 8 to 11.
inline constexpr std::uint32_t kStartDocJobValueMask = 0x389F;

// The stored authentication password: 256 bytes and the terminator; the
// transformation's own buffer holds 512.
inline constexpr DWORD kAuthenticationPasswordBytes = 257;
inline constexpr DWORD kTransformOutputBytes = 512;

// When the job-control switch is on, ReadJobControlPluginValues with the
// mask of document start. Always 1.
int ReadJobControlValuesIfEnabled(DriverContext* context, HANDLE printer, DWORD jobId);

// Reads the masked job values of the printer's plug-in into their settings.
// FALSE when nothing could be read: no printer information, no plug-in or
// no interface, no user name for the reads, or no connection.
BOOL ReadJobControlPluginValues(HANDLE printer, DriverContext* context, DWORD jobId, std::uint32_t mask);

// Transforms the plug-in's authentication password in two stages (mode 2
// with the user's name and network key, or 4; then 1) into out, 257 bytes of
// 8-bit text, always terminated. 0 when done; otherwise the plug-in's error
// or -1, and out is empty: an untransformed or cut password is never given.
int TransformAuthenticationPassword(HANDLE printer, char* out, const TransformInterface* transform,
                                    const JobControlInterface* table, HANDLE connection);

}  // namespace vexl
