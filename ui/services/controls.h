// The option-node and control-value helpers that the property pages, the
// feature pages and the entry points share: the value of a UI option, the
// hidden, disabled and administrator-locked state of a bound control, the
// refresh tests, pages and controls by window, the value of the setting
// behind a control, the display text of a setting, and the names and paths
// the library keeps per printer.
//
// A control's UI entry is the one of its symbol key.
#pragma once

#include "common/core/context.h"
#include "common/core/modeldb.h"
#include "common/model/compiled_model.h"
#include "platform/printui.h"
#include "platform/win32.h"

#include <cstdint>

namespace vexl::ui {

using model::BlockOffset;

// State bits of a PageItem: 0-1 the hidden state, 2-3 the disabled state.
inline constexpr std::uint16_t kItemHiddenMask = 0x3;
inline constexpr std::uint16_t kItemDisabledShift = 2;

// The UI entry of the control's symbol key; 0 without one.
BlockOffset GetControlUiEntry(DriverContext* context, const PageItem* item);
// A pick option's id, or a String value record's first word; 0 for other
// kinds. rule, when given, receives the option's first rule when the value
// is not 0 and the entry's record has rules, else 0.
std::uint16_t GetOptionEntryValue(DriverContext* context, BlockOffset entry, BlockOffset option, BlockOffset* rule);
std::uint32_t GetOptionHiddenState(DriverContext* context, BlockOffset entry, std::uint16_t value);
std::uint32_t UpdateControlDisabledState(DriverContext* context, PageDesc* page, PageItem* item);
BOOL JudgeRefersToChangedSetting(DriverContext* context, BlockOffset judge);
BOOL NeedsDisabledRefresh(DriverContext* context, PageDesc* page, PageItem* item);
BOOL NeedsHiddenRefresh(DriverContext* context, PageItem* item);

PageDesc* FindPageByWindow(DriverContext* context, HWND window);
// Within the page, or with a null page within every page in table order.
PageItem* FindControlByWindow(DriverContext* context, PageDesc* page, HWND window);

std::uint32_t GetItemValueByUiId(DriverContext* context, std::uint16_t symbolKey, SettingItemDescriptor** out);
std::uint32_t GetControlItemValue(DriverContext* context, const PageItem* item);
std::uint32_t SetControlItemValue(DriverContext* context, const PageItem* item, std::uint32_t value);

// Whether an administrator lock marks the control (feature class 2 and an
// admin-lock message id on the item; then the option's lock judge, the
// record's lock judge, or the item's lock setting decides).
BOOL IsControlAdminLocked(DriverContext* context, const PageItem* item);

// The display text of the setting of the symbol key, into buffer (size
// characters, always terminated).
void FormatItemValueText(DriverContext* context, std::uint16_t symbolKey, WCHAR* buffer, int size);
// The string id a pick option shows: the option id mapped through the
// display-string table, in order.
std::uint32_t MapOptionToStringId(std::uint32_t optionId);

// ---- names and paths ---------------------------------------------------------------------

// Whether this process is the shell of the Windows folder ("explorer.exe").
BOOL IsHostExplorer();
// Copied when shorter than capacity; the buffer is unchanged otherwise.
WCHAR* GetPrinterNameUi(HANDLE printer, WCHAR* buffer, int capacity);
WCHAR* CopyPrinterName(const PRINTER_INFO_2W* info, WCHAR* buffer, int capacity);
// The printer's driver name, else the model's fallback name.
WCHAR* GetDriverNameUi(DriverContext* context, HANDLE printer, WCHAR* buffer, int capacity);
const WCHAR* InitLanguageFromHelpFileUi(DriverContext* context);
// The per-user settings folder (perUser 1) or the printer's data folder,
// followed by the model's settings INI name. FALSE (out unchanged) when it
// does not fit MAX_PATH.
BOOL GetSettingsIniPathUi(DriverContext* context, WCHAR* out, std::uint16_t perUser, HANDLE printer);
// The model INI: its name when absolute, else in the driver folder.
BOOL GetModelIniPathUi(DriverContext* context, WCHAR* out, HANDLE printer);
// The driver folder and "HelpFileName", else the resource library's path
// with the extension "hlp".
BOOL GetHelpFilePath(DriverContext* context, WCHAR* out, int size);
// The driver folder and the UI resource library's name with the 8th, 6th
// and 5th characters from its end made 'C', 'X' and 'X'. FALSE for a name
// shorter than eight characters.
BOOL GetPictureLibraryPath(DriverContext* context, WCHAR* out, int size);

}  // namespace vexl::ui
