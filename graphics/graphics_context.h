// The graphics library's forms of the common operations. The graphics
// library never shows pages, never writes stored settings back while a job
// prints and shares the model's static page table; these functions take the
// place of their common twins inside the graphics library.
#pragma once

#include "common/core/context.h"
#include "common/model/compiled_model.h"
#include "platform/win32.h"

#include <cstdint>

namespace vexl::graphics {

// Makes every context built from now on a graphics context: the model's
// static page table shared (never copied, never freed) and the stored
// settings reloaded by ReloadStoredSettings after creation; and puts this
// library's forms in place of the common passes they stand for (the model
// defaults, the quality lists, the user's quality macro, the chapter default
// trays). The graphics library does this at process attach; it is the only
// switch of the forms.
void UseGraphicsContextSteps();
// The common steps again (tests).
void UseCommonContextSteps();

// CreateDriverContextEx and ReleaseDriverContext under the graphics steps. A
// context that loaded the UI resource library (for an option text) frees it
// when it is destroyed, as every context does.
DriverContext* CreateGraphicsDriverContext(HANDLE printer, HANDLE secondPrinter, std::uint16_t flags,
                                           std::uint32_t callerKind, std::int32_t selector,
                                           const PRINTER_INFO_2W* info);
void ReleaseGraphicsDriverContext(DriverContext* context, std::uint16_t releaseType);

// Loads every stored item (printer data, settings INI, font lists); then,
// unless the printer is a print server's connection, the printer's section
// of "TZ00C171.ini" when its BidiFlag is set. Writes and deletes nothing;
// returns 1.
BOOL ReloadStoredSettings(DriverContext* context);

// rdmBiDirect without asking the printer: from the BidiFlag of
// "TZ00C171.ini" when the printer is not a server connection and the file
// has one for it, else from bit 0 of the printer-data value BidiFlag.
void UpdateDeviceInfoFlag(DriverContext* context);

// Every item back to its model default, administrator locks or not.
void ApplyModelDefaultsToItems(DriverContext* context);

// The quality items of the settings file named by key in the printer's
// section of the settings INI; the set name is left alone.
void LoadQualityFileByKey(DriverContext* context, const WCHAR* key);
// The user's quality macro list (rdmUseUserMacro 1, macro 32 to 39 or 160),
// without its set name.
void LoadUserQualityMacro(DriverContext* context);

// name with every '[' and ']' made ',' into out (size characters, always
// terminated).
WCHAR* ReplaceSectionBrackets(WCHAR* out, const WCHAR* name, int size);

// The printer-data value "LogFileName" into out (size characters); FALSE for
// a null buffer, a zero size or a failed read.
BOOL ReadLogFileName(WCHAR* out, int size, DriverContext* context);

// The custom paper module's events as the graphics library answers them:
// every event of the common module except 47 (a changed UI entry on a
// page), which it leaves unanswered. The graphics library's module table
// carries it in the custom paper row.
int GraphicsCustomPaperModuleEvent(DriverContext* context, std::uint32_t event, void* param, void* privateBuffer);

// The chapter default trays keep their values in the graphics library.
void SetDefaultChapterTraysStub(DriverContext* context);

// The low byte of the UI entry's type word; 0 without an entry.
std::uint16_t GetUiTypeCode(DriverContext* context, model::BlockOffset entry);

// The first entry of the compiled model's UI list with the symbol key whose
// variant is variant or whose type has the Identity bit; 0 at the end.
model::BlockOffset FindUiEntryBySymbol(DriverContext* context, std::uint16_t symbolKey, std::uint16_t variant);

}  // namespace vexl::graphics
