// The interface library's driver context: its constructor, the open and
// release wrappers, the environment queries of the entry points, the
// accessors of the private run-time flags that only this library needs, and
// its form of the run-time flags of a default DEVMODE.
#pragma once

#include "common/core/context.h"
#include "platform/spooler.h"
#include "platform/win32.h"

#include <cstdint>

namespace vexl::ui {

// The caller bit that makes a context use the shared settings directory.
inline constexpr std::uint32_t kCallerSharedIdentity = 0x40000;
// The job-information mask handed to the job-control plug-in when the
// install answer file marks the printer (the owner, job and stored-job
// passwords, user id, document name and authentication texts).
inline constexpr std::uint32_t kInstallJobInfoMask = 0x389E;

// The constructor of every context of this library: the common one with the
// 0x40000 rule of the shared-identity flag, the help file's language for
// creation mode 1, and at the first full context of a printer that the
// install answer file marks ("DrvInstSet"), the hand-over of its job
// information to the job-control plug-in. reserved is not read.
DriverContext* CreateDriverContextUi(HANDLE printer, HANDLE secondPrinter, void* reserved, std::uint16_t flags,
                                     std::uint32_t callerKind, std::int32_t selector, const PRINTER_INFO_2W* info);
DriverContext* CreateDriverContext(HANDLE printer, HANDLE secondPrinter, void* reserved, std::uint32_t callerKind);
DriverContext* CreateDriverContextWithFlags(HANDLE printer, HANDLE secondPrinter, void* reserved, std::uint16_t flags,
                                            std::uint32_t callerKind);
DriverContext* CreateDriverContextForMode(HANDLE printer, HANDLE secondPrinter, void* reserved,
                                          std::uint32_t callerKind, std::int32_t selector);
DriverContext* CreateDriverContextWithInfo(HANDLE printer, HANDLE secondPrinter, void* reserved,
                                           std::uint32_t callerKind, const PRINTER_INFO_2W* info);
// ReleaseDriverContextDefault is the common library's (release type 0).
void ReleaseDriverContextAs(DriverContext* context, std::uint16_t releaseType);

// Releases a context when the scope ends, with the type given.
class ContextHolder {
public:
    ContextHolder(DriverContext* context, std::uint16_t releaseType) : context_(context), type_(releaseType) {}
    ~ContextHolder()
    {
        if (context_ != nullptr) ReleaseDriverContextAs(context_, type_);
    }
    ContextHolder(const ContextHolder&) = delete;
    ContextHolder& operator=(const ContextHolder&) = delete;
    DriverContext* get() const { return context_; }
    explicit operator bool() const { return context_ != nullptr; }

private:
    DriverContext* context_;
    std::uint16_t type_;
};

// ---- the environment ------------------------------------------------------------------

BOOL IsLocalPrinter(HANDLE printer);
BOOL IsPrinterInfoConnection(const PRINTER_INFO_2W* info);
// Windows 2000 before its fourth service pack, and with exactly it; both
// FALSE everywhere else and when the version cannot be read.
BOOL IsWindows2000BeforeSp4();
BOOL IsWindows2000Sp4();
// Printer data "AdminChange" (REG_DWORD) into value; TRUE when it was read
// and is not 0.
BOOL ReadAdminChangeMark(HANDLE printer, std::uint32_t* value);

// ---- the private run-time flags of this library ---------------------------------------

std::uint32_t GetInstallUserCodeFlag(DriverContext* context);
std::uint32_t GetDeviceInfoFlag(DriverContext* context);
std::uint32_t GetNoPermissionFlag(DriverContext* context);
std::uint32_t GetUiModeChangeFlag(DriverContext* context);
std::uint32_t GetDllUserCodeFlag(DriverContext* context);
void SetDefaultsModeFlagOff(DriverContext* context);
void SetPackageImportFlagOff(DriverContext* context);
void SetInstallUserCodeFlagOn(DriverContext* context);
void SetNoPermissionFlagOn(DriverContext* context);
void SetDllUserCodeFlagOn(DriverContext* context);
void MarkDeviceSheetSession(DriverContext* context);
void SetDllUserCodeFlag2On(DriverContext* context);

// The run-time flags of the store as this library sets them: the common
// form, with the companion applications' flags from their registry counts.
void InitPrivateRuntimeFlagsUi(DriverContext* context);

// The tray of a custom paper's slot: mode 0 answers it, mode 1 sets
// dmDefaultSource to it and answers 1; other modes and other papers 0.
std::uint16_t SelectFreeSizeTray(DriverContext* context, std::uint16_t paperId, std::uint8_t mode);

}  // namespace vexl::ui
