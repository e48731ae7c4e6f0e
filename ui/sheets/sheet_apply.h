// The final step of a property sheet: storing what the user accepted,
// telling the spooler and the common property sheet library, and writing
// the DEVMODE back to the caller with the collate rule.
//
// A sheet describes itself to these functions with a SheetSession attached
// to its context for the life of the sheet.
#pragma once

#include "common/core/context.h"
#include "platform/devmode.h"
#include "platform/win32.h"

#include <cstdint>

namespace vexl::ui {

// The common property sheet library's callback and its result function.
using ComPropSheetCallback = LONG_PTR (*)(HANDLE sheet, UINT function, LPARAM lParam1, LPARAM lParam2);
inline constexpr UINT CPSFUNC_SET_RESULT = 9;
inline constexpr LPARAM CPSUI_OK = 1;

inline constexpr std::uint32_t kDocumentSheet = 1;
inline constexpr std::uint32_t kDeviceSheet = 2;

struct SheetSession {
    std::uint32_t kind = 0;                   // kDocumentSheet or kDeviceSheet
    ComPropSheetCallback callback = nullptr;  // null while not known
    HANDLE sheet = nullptr;                   // the callback's sheet handle
    DWORD mode = 0;                           // the caller's DM_* mode (document sheet)
    const DEVMODEW* input = nullptr;          // the caller's DEVMODEs (document sheet)
    DEVMODEW* output = nullptr;
};

// Attaches the session to the context (null detaches it).
void AttachSheetSession(DriverContext* context, SheetSession* session);
SheetSession* FindSheetSession(DriverContext* context);

// OK or Apply on a page of either sheet: the settings are stored by the
// sheet's kind, the store's saved copy becomes the applied state, and the
// spooler (device sheet) and the sheet library are told. The result is that
// of storing.
BOOL ApplyDeviceSettings(DriverContext* context);
BOOL SaveSheetSettings(DriverContext* context);
BOOL SaveDeviceSheetItems(DriverContext* context, int syncKind);
BOOL SaveDocumentSheetItems(DriverContext* context, int syncKind);
// The store's DEVMODE to the caller after DM_COPY (or for a document-
// properties call without a sheet), and the collate rule.
BOOL WriteDocumentDevmodeOut(DriverContext* context);

}  // namespace vexl::ui
