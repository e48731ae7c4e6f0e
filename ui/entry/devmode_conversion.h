// DEVMODE conversion for the spooler (DrvConvertDevMode) and the job check at
// submission (DevQueryPrintEx).
#pragma once

#include "platform/printui.h"
#include "platform/spooler.h"
#include "platform/win32.h"
#include "ui/base/devmode_copy.h"

#include <cstdint>

namespace vexl::ui {

// The results of ConvertDevmodeCore.
inline constexpr int kConvertFailed = 0;
inline constexpr int kConvertDone = 1;
inline constexpr int kConvertContinue = 2;

inline constexpr std::uint16_t kPublicSize351 = 188;
inline constexpr std::uint16_t kSpecVersion351 = 0x320;
inline constexpr std::uint16_t kDriverVersion351 = 0x350;

// The sizes and copies of the conversion modes: 0 failure (last error set),
// 1 done, 2 the caller goes on (CDM_DRIVER_DEFAULT with room) or the mode is
// unknown.
int ConvertDevmodeCore(LPWSTR printerName, const DEVMODEW* in, DEVMODEW* out, LONG* size, DWORD mode);
// DrvConvertDevMode: the core, then the install work of the driver default
// and of the conversion of an older DEVMODE. TRUE when everything was done.
BOOL ConvertDriverDevmode(LPWSTR printerName, const DEVMODEW* in, DEVMODEW* out, LONG* size, DWORD mode);

BOOL IsConnectionByName(const WCHAR* printerName);

// DevQueryPrintEx: the job's DEVMODE merged into a context of the printer;
// never refuses a job for its form and never writes an error text. FALSE
// only without info, without a context or when the merge fails.
BOOL CheckJobDevmode(DEVQUERYPRINT_INFO* info);

// A form as MatchDevmodeForm hands it out, its name held in the record.
struct MatchedForm {
    DWORD flags = 0;
    SIZEL size{};
    RECTL imageableArea{};
    WCHAR name[64]{};
};
inline constexpr int kFormMatched = 0;
inline constexpr int kFormCustom = 1;
inline constexpr int kFormNone = 2;
// The spooler's form of the job's paper (by size within 1 mm, by its
// dmPaperSize index, or by its form name); a matched form is written back
// into the job DEVMODE as far as its dmSize reaches, the name cut to 31
// characters.
int MatchDevmodeForm(HANDLE printer, DEVMODEW* job, MatchedForm* out);
// EnumFormsW level 1 into a new block (FreeIfNotNull); NULL on failure.
FORM_INFO_1W* EnumPrinterForms(HANDLE printer, std::uint32_t* count);

}  // namespace vexl::ui
