// The bridge to the job-control plug-in "QYRJC32.DLL": binding the library
// to a context, its printer and connection calls, and the values that
// travel between the plug-in and the setting items (user code, owner and
// document names, passwords, the authentication data, and the driver's
// family, version and language that the plug-in is told).
#pragma once

#include "common/core/context.h"
#include "common/storage/job_control_library.h"
#include "platform/win32.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace vexl {

// Requests of JobControlRequest.
inline constexpr std::uint32_t kJobControlReadValues = 256;
inline constexpr std::uint32_t kJobControlWriteValues = 512;
inline constexpr std::uint32_t kJobControlClearValues = 1024;
inline constexpr std::uint32_t kJobControlOpenKept = 0x10004;
inline constexpr std::uint32_t kJobControlOpenKeptAndRead = 0x10010;
inline constexpr std::uint32_t kJobControlCloseKept = 0x20008;
inline constexpr std::uint32_t kJobControlCloseKept2 = 0x20020;
inline constexpr std::uint32_t kJobControlOpenPrinter = 0x30001;
inline constexpr std::uint32_t kJobControlClosePrinter = 0x30002;
inline constexpr std::uint32_t kJobControlGetValues = 0x30040;
inline constexpr std::uint32_t kJobControlSetValues = 0x30080;

// Value ids and their bits in a request mask.
inline constexpr std::uint32_t kJobValueUserCode = 1;
inline constexpr std::uint32_t kJobValueOwnerName = 2;
inline constexpr std::uint32_t kJobValueJobPassword = 3;
inline constexpr std::uint32_t kJobValueUserId = 4;
inline constexpr std::uint32_t kJobValueDocumentName = 5;
inline constexpr std::uint32_t kJobValueTelNo = 6;
inline constexpr std::uint32_t kJobValueTelLine = 7;
inline constexpr std::uint32_t kJobValueStoredPassword = 8;
inline constexpr std::uint32_t kJobValueAuthUserName = 9;
inline constexpr std::uint32_t kJobValueAuthPassword = 10;
inline constexpr std::uint32_t kJobValueAuthNetworkKey = 11;
inline constexpr std::uint32_t kJobValueDriverFamily = 256;
inline constexpr std::uint32_t kJobValueDriverVersion = 257;
inline constexpr std::uint32_t kJobValueLanguage = 258;
inline constexpr std::uint32_t kJobControlAllValues = 0x3FFF;

// The family word the plug-in is told.
inline constexpr const WCHAR* kJobControlDriverFamily = u"VEXL";

// ---- requests --------------------------------------------------------------------------------
// 0 success, else the plug-in's or the system's error code.
int JobControlRequest(DriverContext* context, std::uint32_t request, std::uint32_t mask);
int GetJobControlValues(DriverContext* context, std::uint32_t mask);
int SetJobControlValues(DriverContext* context, std::uint32_t mask);
int GetJobControlValuesIfOn(DriverContext* context, std::uint32_t mask);
int SetJobControlValuesIfOn(DriverContext* context, std::uint32_t mask);

// ---- binding -----------------------------------------------------------------------------------
// Loads the library and takes the newest interface version it grants; a
// failure leaves the binding unbound. Answers 0 or the error.
int BindJobControlPlugin(JobControlBinding* binding, DriverContext* context);
// Gives the interface back and frees the library; the connection is left
// to CloseJobControlSession. Always 0.
int UnbindJobControlPlugin(JobControlBinding* binding, DriverContext* context);

// The plug-in's path in the system directory; empty when it does not fit.
std::u16string GetJobControlLibraryPath();
// The plug-in loaded from the system directory with its two entry points.
struct JobControlLibrary {
    HMODULE module = nullptr;
    JobControlGetInterfaceFunction getInterface = nullptr;
    JobControlDisposeInterfaceFunction dispose = nullptr;
};
// False when the library or one of its entry points is missing; a module
// that did load is left in library->module for the caller to free.
bool LoadJobControlLibrary(JobControlLibrary* library);
// Asks getInterface for the versions 261 down to 257; the first granted one
// with a table wins (0), else the last refusal.
int TakeJobControlInterface(JobControlGetInterfaceFunction getInterface, JobControlInterface** table,
                            std::uint16_t* granted);

// A needed size beyond this is not believed: no value of the plug-in is that long.
inline constexpr DWORD kJobControlMaxValueBytes = 0x10000;

// The second step of the size protocol: reads a value of needed bytes with
// read(buffer, size) into out (outBytes), through a temporary buffer when
// out is too small. The text in out is always terminated in its last
// character, as the plug-in may fill a buffer without one.
template <typename Read> int ReadJobControlValueOfSize(Read read, DWORD needed, std::uint8_t* out, DWORD outBytes)
{
    if (needed > kJobControlMaxValueBytes) return ERROR_NOT_ENOUGH_MEMORY;
    int result = 0;
    if (needed <= outBytes) {
        result = read(out, needed);
    } else {
        std::vector<std::uint8_t> temporary(needed);
        result = read(temporary.data(), needed);
        std::memcpy(out, temporary.data(), outBytes);
    }
    if (outBytes >= sizeof(WCHAR)) std::memset(out + (outBytes / sizeof(WCHAR) - 1) * sizeof(WCHAR), 0, sizeof(WCHAR));
    return result;
}

// ---- printer and connection of a bound context -----------------------------------------------------
int OpenJobControlPrinter(DriverContext* context);
int CloseJobControlPrinter(DriverContext* context);
int OpenJobControlSession(DriverContext* context);
int CloseJobControlSession(DriverContext* context);

// ---- values over the open connection ----------------------------------------------------------------
// One value from the plug-in into its setting, when the plug-in marks it readable.
int ReadJobControlValue(DriverContext* context, std::uint32_t valueId);
// One setting into the plug-in; request kJobControlClearValues clears the setting first.
int WriteJobControlValues(DriverContext* context, std::uint32_t valueId, std::uint32_t request);

// One value of the printer without a context, into out (its size by value
// id: 34 bytes for ids 2 and 5, 130 for id 6, 18 for ids 1, 3, 4, 7 and 8,
// 2 for others); always terminated. FALSE on any failure.
BOOL ReadJobControlValueForPrinter(HANDLE printer, std::uint32_t valueId, std::uint32_t kind, WCHAR* out);

// Empties the setting of a job-information id (1 to 8; 9 to 11, the
// authentication texts, only while feature class 0 is on): texts become
// empty, rdmTelLine 0. Other ids change nothing.
void ClearJobControlValue(DriverContext* context, std::uint32_t valueId);

}  // namespace vexl
