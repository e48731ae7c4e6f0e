// The chapter module (row 4 of the module table): the context's list of
// chapters (pages that start on a new sheet, come from another tray or mark
// a page range), its load and save under the printer's section of the
// settings INI or of a settings file, the merge of new chapter pages under
// the tray and print rules, the chapter default trays of a device's tray
// report, and the module's part in the item passes.
#pragma once

#include "platform/win32.h"

#include <cstdint>

namespace vexl {

struct DriverContext;
struct PageDesc;
struct SettingItemDescriptor;

// One chapter. The field order is also the order of comparison and copy.
inline constexpr int kChapterRangeChars = 16;
struct ChapterRecord {
    std::int16_t page;  // 0: empty record, ends the list
    std::int16_t tray;  // as wdmChapterTray holds it
    std::uint8_t kind;  // 0-3; 3 is a page range
    std::uint8_t print;
    WCHAR pageRange[kChapterRangeChars];  // kind 3: "first-last"
};
static_assert(sizeof(ChapterRecord) == 38);

// Chapter kinds.
inline constexpr std::uint8_t kChapterKindTray = 0;
inline constexpr std::uint8_t kChapterKindRange = 3;

// Fields of FormatChapterKey and the typed reads and writes.
enum ChapterField : int {
    kChapterFieldPage = 1,
    kChapterFieldTray = 2,
    kChapterFieldKind = 3,
    kChapterFieldPrint = 4,
    kChapterFieldRange = 5,
};

// Bits of a device tray report's flag word that name the chapter kinds a
// tray serves (1, 2 and 3).
inline constexpr std::uint32_t kTrayFlagChapter1 = 0x20;
inline constexpr std::uint32_t kTrayFlagChapter2 = 0x40;
inline constexpr std::uint32_t kTrayFlagChapter3 = 0x80;

// The record of a reachable chapter (0 <= index < wdmChapterNum), or NULL.
// The first successful call creates the list.
ChapterRecord* GetChapterRecord(DriverContext* context, int index);

// The list, created or grown to wdmChapterMax + 1 records; NULL without a
// work area or memory. Merging, deleting and clearing work through it.
ChapterRecord* EnsureChapterList(DriverContext* context);
// How many records a walk over the list may touch: wdmChapterMax, never
// more than the list holds.
int GetChapterLimit(DriverContext* context);

// Load and save with a settings INI (NULL: the printer's settings INI).
int LoadChapterList(DriverContext* context, const WCHAR* iniPath);
int SaveChapterList(DriverContext* context, const WCHAR* iniPath);

// "wdmChapterPage%d" and its siblings for a 0-based index; any field that
// is not named reads as the print flag.
void FormatChapterKey(WCHAR* out, int size, int field, int index);
int ReadChapterInt(DriverContext* context, const WCHAR* iniPath, int field, int index);
void ReadChapterText(DriverContext* context, const WCHAR* iniPath, int field, int index, WCHAR* out, int size);
void WriteChapterInt(DriverContext* context, const WCHAR* iniPath, int field, int index, int value);
void WriteChapterText(DriverContext* context, const WCHAR* iniPath, int field, int index, const WCHAR* text);

// Merges a zero-ended ascending list of new pages with the kind, tray and
// print flag of wdmChapterKind, wdmChapterTray and wdmChapterPrint; ranges,
// when given, hold one range text per new page. 0 merged, 1 refused (the
// list and the tray-class items are then as before).
int MergeChapterPages(DriverContext* context, PageDesc* chapterPage, const std::int32_t* pages,
                      const WCHAR (*ranges)[kChapterRangeChars]);
// Removes the chapter that the settings-interface record names: 0 done, 1 refused.
int DeleteChapter(DriverContext* context);
int ClearChapters(DriverContext* context);
// 1 when the first wdmChapterNum records differ in page, tray, kind or
// print flag, or a list is missing; the range text is not compared.
int CompareChapterLists(DriverContext* context, const ChapterRecord* a, const ChapterRecord* b);

// Tray classes: the option id of the tray's value through the static class
// table; an unknown tray is class 0.
std::uint32_t MapTrayClass(std::uint32_t optionId);
std::uint32_t GetChapterTrayClass(DriverContext* context, std::int32_t trayValue);

BOOL TrayAllowsChapterKind(std::uint32_t trayFlags, std::uint32_t kind);
void SetChapterDefaultTray(std::uint32_t trayFlags, std::uint32_t trayValue, std::uint8_t* usedMask,
                           DriverContext* context);
void ResetChapterDefaultTrays(DriverContext* context);
void ValidateChapterTrays(DriverContext* context);
BOOL LoadChapterDataOnce(DriverContext* context);
void EnsureChapterData(DriverContext* context);
void CopyCoverMediaType(DriverContext* context, std::uint16_t sourceItem);
// Whether the mode-2 item passes store the item under its item name.
BOOL IsChapterItem(DriverContext* context, const SettingItemDescriptor* item);
BOOL IsChapterTrayItem(DriverContext* context, const SettingItemDescriptor* item);

int ChapterModuleCommand(DriverContext* context, std::uint16_t command, void* privateBuffer);
int ChapterModuleEvent(DriverContext* context, std::uint32_t event, void* param, void* privateBuffer);

}  // namespace vexl
