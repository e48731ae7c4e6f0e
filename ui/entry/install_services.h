// Services of the library that the install work calls: the settings folder
// and its security, model registration and the Expand File programs, the
// stored per-printer values, the list rebuilds, the message boxes and the
// printer name. Until a service is in the library it answers as if there
// were nothing to do (these forms give way to the library's own).
#pragma once

#include "common/core/context.h"
#include "platform/printui.h"
#include "platform/win32.h"

#include <cstdint>

namespace vexl::ui {

// Answers of the message boxes.
inline constexpr int kAnswerOk = 1;
inline constexpr int kAnswerCancel = 2;

// Settings folder and files.
BOOL CreateDataFolder(HANDLE printer);
BOOL RemoveDataFolder();
BOOL SecureDataFolder(DriverContext* context);
BOOL ClearReadOnlyAttribute(const WCHAR* path);
BOOL CopyDriverFileToSystemDirFor(const WCHAR* name, const WCHAR* sourceName, std::uint16_t mode, HANDLE printer);

// Model registration and companion programs.
BOOL RegisterModelResources(DriverContext* context);
BOOL CheckModelRegistration(DriverContext* context);
void RunExpandPrograms(DriverContext* context);

// Stored per-printer values.
BOOL WriteHelpFileNameValue(HANDLE printer, DriverContext* context);
BOOL WritePrinterNameValue(HANDLE printer, DriverContext* context);
BOOL WriteDriverNameValue(HANDLE printer, DriverContext* context);
BOOL WriteDriverFileNames(HANDLE printer, DriverContext* context);
BOOL WriteLogFileName(BOOL withLogName, DriverContext* context);
BOOL WriteDriverRegistryValue(const WCHAR* valueName, const WCHAR* text, DWORD bytes);
BOOL StoreFontListsIfChanged(HANDLE printer, DriverContext* context);
BOOL StoreFontListsFromModel(HANDLE printer, DriverContext* context);
BOOL StoreDefaultFontSubstTable(HANDLE printer, DriverContext* context);

// List rebuilds after an upgrade and the preset list.
void RebuildPresetFiles(DriverContext* context);
void RebuildQualityLists(DriverContext* context);
void RebuildStamps(DriverContext* context);
void RebuildFreeSizes(DriverContext* context);
void ClearPresetList(DriverContext* context);
void AppendPresetEntry(DriverContext* context, const WCHAR* path, const WCHAR* name, const WCHAR* comment);

// Messages.
int ShowWarningOkCancel(DriverContext* context, HWND owner, int stringId);
int ShowMessageWithStyle(DriverContext* context, HWND owner, int stringId, UINT icon, UINT buttons);

}  // namespace vexl::ui
