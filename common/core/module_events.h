// The settings-module events: every event a sender hands to the modules
// (NotifySettingsModules) with the record its parameter points to. A hook
// casts the parameter to the record named beside the event; "no record"
// events carry a null parameter. The numbers are the system's own: stored
// plug-ins and the modules of every library answer them.
#pragma once

#include "common/core/modeldb.h"
#include "platform/win32.h"

#include <cstdint>

namespace vexl {

struct SettingItemDescriptor;

// ---- the numbers ------------------------------------------------------------------------

inline constexpr std::uint32_t kModuleEventSetUp = 1;               // no record: a context was set up
inline constexpr std::uint32_t kModuleEventRelease = 2;             // no record: a context goes
inline constexpr std::uint32_t kModuleEventMayShowControl = 3;      // DisabledStateEvent
inline constexpr std::uint32_t kModuleEventStoreClaim = 4;          // ItemClaimRecord: keep an item out of a store pass
inline constexpr std::uint32_t kModuleEventLoadClaim = 5;           // ItemClaimRecord: keep an item out of a load pass
inline constexpr std::uint32_t kModuleEventSkipFileItem = 6;        // FileItemEvent
inline constexpr std::uint32_t kModuleEventTrayServesChapter = 8;   // TrayChapterRecord
inline constexpr std::uint32_t kModuleEventChapterDefaultTray = 9;  // ChapterDefaultTrayRecord
inline constexpr std::uint32_t kModuleEventTrayReportRead = 10;     // no record
inline constexpr std::uint32_t kModuleEventRevalidateChapters = 11; // no record: the chapter trays are checked again
inline constexpr std::uint32_t kModuleEventPrepareModuleData = 12;  // ModuleDataRecord: load the module data once
inline constexpr std::uint32_t kModuleEventEnsureModuleData = 13;   // no record: the module data are loaded when wanted
inline constexpr std::uint32_t kModuleEventCopyProfileCounters = 15;  // ListCopyEvent
inline constexpr std::uint32_t kModuleEventStringText = 16;         // ModuleStringRequest
inline constexpr std::uint32_t kModuleEventRefreshDevice = 17;      // RefreshDeviceRecord: query the printer now
inline constexpr std::uint32_t kModuleEventLoadDone = 18;           // PassDoneRecord
inline constexpr std::uint32_t kModuleEventTrayDetailsWanted = 21;  // TrayDetailsRecord
inline constexpr std::uint32_t kModuleEventDeviceAnswerRead = 22;   // no record
inline constexpr std::uint32_t kModuleEventStoreDone = 23;          // PassDoneRecord
inline constexpr std::uint32_t kModuleEventFileTransferred = 24;    // FileTransferEvent
inline constexpr std::uint32_t kModuleEventSnapshotPushed = 26;     // no record
inline constexpr std::uint32_t kModuleEventSnapshotRestored = 27;   // no record
inline constexpr std::uint32_t kModuleEventResolutionList = 30;     // ResolutionListEvent
inline constexpr std::uint32_t kModuleEventItemDefault = 32;        // ItemDefaultEventBlock
inline constexpr std::uint32_t kModuleEventTrayList = 33;           // TrayListEvent
inline constexpr std::uint32_t kModuleEventSubDialogOk = 34;        // PageEventRecord: a sub-dialog closed with OK
inline constexpr std::uint32_t kModuleEventSubDialogCancelled = 35; // PageEventRecord
inline constexpr std::uint32_t kModuleEventProfilesChanged = 36;    // no record: the colour profiles changed
inline constexpr std::uint32_t kModuleEventPaperFitAdjusted = 37;   // no record
inline constexpr std::uint32_t kModuleEventPaperGetLength = 38;     // ControlValueEvent
inline constexpr std::uint32_t kModuleEventPaperSetValue = 39;      // ControlValueEvent
inline constexpr std::uint32_t kModuleEventPaperGetWidth = 40;      // ControlValueEvent
inline constexpr std::uint32_t kModuleEventPaperSetDots = 41;       // ControlValueEvent
inline constexpr std::uint32_t kModuleEventPaperClamp = 42;         // ControlValueEvent
inline constexpr std::uint32_t kModuleEventPaperSetSecondValue = 43;  // ControlValueEvent
inline constexpr std::uint32_t kModuleEventPaperFromDevmode = 44;   // DEVMODEW*: the user size of this DEVMODE
inline constexpr std::uint32_t kModuleEventPaperToDevmode = 45;     // FreeSizePaperEventBlock
inline constexpr std::uint32_t kModuleEventPaperLimits = 46;        // ControlLimitsEvent
inline constexpr std::uint32_t kModuleEventPaperEntryChanged = 47;  // EntryChangedEvent
inline constexpr std::uint32_t kModuleEventListsChecked = 48;       // no record
inline constexpr std::uint32_t kModuleEventRegisterResources = 49;  // std::uint32_t answer
inline constexpr std::uint32_t kModuleEventPaperSizeControl = 51;   // ControlFlagEvent
inline constexpr std::uint32_t kModuleEventMergeDone = 52;          // std::uint32_t merge flags
inline constexpr std::uint32_t kModuleEventItemsSynced = 53;        // no record: items synced after a load
inline constexpr std::uint32_t kModuleEventSmallStandardPaper = 54;  // std::uint32_t answer
inline constexpr std::uint32_t kModuleEventPaperSetDotsAgain = 55;  // ControlValueEvent
inline constexpr std::uint32_t kModuleEventPictureIndex = 56;       // ControlPictureEvent
inline constexpr std::uint32_t kModuleEventDriverVersionText = 57;  // DriverVersionTextRecord
inline constexpr std::uint32_t kModuleEventReversedSlider = 58;     // SliderDirectionEvent
inline constexpr std::uint32_t kModuleEventLockPresets = 59;        // no record: locked values into the presets
inline constexpr std::uint32_t kModuleEventLockQualityLists = 60;   // no record: locked values into quality lists
inline constexpr std::uint32_t kModuleEventPageControls = 66;       // PageControlRecord
inline constexpr std::uint32_t kModuleEventControlCreated = 67;     // ControlEventRecord

// ---- the records ------------------------------------------------------------------------

// Event 3: may this control be shown, and in which state. A module that
// decides sets decided; result carries the control's disabled state (bits
// 2-3 of its state) in and out. Hooks that only decide read the first three
// fields.
struct DisabledStateEvent {
    PageItem* item;
    PageDesc* page;
    std::uint32_t decided;
    std::uint16_t controlId;
    std::uint32_t entry;  // the control's UI entry in the compiled model; 0 for none
    std::uint32_t result;
};

// Events 4 and 5: a module sets claimed to keep the item out of the pass.
struct ItemClaimRecord {
    std::uint32_t mode;
    SettingItemDescriptor* item;
    std::uint32_t claimed;
};

// Events 18 and 23: the area and mode of the pass that finished.
struct PassDoneRecord {
    std::uint32_t area;
    std::uint32_t mode;
};

// Event 6: a module sets skip to leave the item out of the transfer.
struct FileItemEvent {
    SettingItemDescriptor* item;
    std::uint32_t skip;
};

// Event 24: the transfer's flags and its settings file.
struct FileTransferEvent {
    std::uint32_t flags;
    const WCHAR* file;
};

// Event 8: does the tray serve a chapter of kind (0: of any kind).
struct TrayChapterRecord {
    std::uint32_t trayFlags;
    std::uint32_t kind;
    std::uint32_t serves;
};

// Event 9: a module adds the chapter bits it set to usedMask.
struct ChapterDefaultTrayRecord {
    std::uint32_t trayFlags;
    std::uint32_t sourceValue;
    std::uint8_t* usedMask;
};

// Event 17.
struct RefreshDeviceRecord {
    PageDesc* page;
    std::int32_t result;
};

// Event 21.
struct TrayDetailsRecord {
    std::uint32_t wanted;
};

// Event 12: the answer word, preset to 1.
struct ModuleDataRecord {
    std::uint32_t result;
};

// Event 15: the modules copy their own sections from the model INI into the
// settings INI; unchanged is 1 when the settings INI was already in step.
struct ListCopyEvent {
    const WCHAR* modelIni;
    const WCHAR* settingsIni;
    std::uint32_t unchanged;
};

// Event 16: the text of a module-defined string into text (size characters).
struct ModuleStringRequest {
    std::uint32_t stringId;
    WCHAR* text;
    std::int32_t size;
};

// Event 30: null pointer for only the available resolutions.
struct ResolutionListEvent {
    void* pointer;
};

// Event 33: value 0 for only the available trays.
struct TrayListEvent {
    std::uint32_t value;
};

// Event 32: the modules leave the item's default in value.
struct ItemDefaultEventBlock {
    DEVMODEW* devmode;
    SettingItemDescriptor* descriptor;
    std::uint32_t value;
};

// Events 34 and 35: the page of the sub-dialog.
struct PageEventRecord {
    PageDesc* page;
};

// Event 66: the controls of a page for a plug-in feature.
struct PageControlRecord {
    PageDesc* page;
    PageItem* control;
};

// Event 67: a control was created.
struct ControlEventRecord {
    PageItem* control;
};

// Events 38 to 43 and 55: a control and a value (in or out).
struct ControlValueEvent {
    PageItem* control;
    std::int32_t value;
};

// Event 45: a module that wrote the DEVMODE's size sets handled.
struct FreeSizePaperEventBlock {
    DEVMODEW* devmode;
    std::uint32_t handled;
};

// Event 46: the limits of a size control.
struct ControlLimitsEvent {
    PageItem* control;
    std::int32_t minimum;
    std::int32_t maximum;
    std::uint32_t found;
};

// Event 47: the page and the UI entry that changed.
struct EntryChangedEvent {
    PageDesc* page;
    std::uint32_t entry;
};

// Event 51.
struct ControlFlagEvent {
    PageItem* control;
    std::uint32_t flag;
};

// Event 56: the picture of a toner-save density choice.
struct ControlPictureEvent {
    PageItem* control;
    std::uint16_t value;
    std::uint32_t pictureIndex;
};

// Event 57: the driver's version text into buffer (chars characters).
struct DriverVersionTextRecord {
    WCHAR* buffer;
    std::uint32_t chars;
};

// Event 58: whether a slider runs from right to left.
struct SliderDirectionEvent {
    PageItem* control;
    std::uint32_t reversed;
};

}  // namespace vexl
