// The numbered lists of the printer's settings INI: presets, quality lists,
// watermark stamps, the ten custom paper sizes with the cached paper rows of
// the work area, and the administrator's default section; with the small
// settings queries that the lists and pages share.
#pragma once

#include "common/core/settings_modules.h"
#include "common/model/compiled_model.h"
#include "platform/win32.h"

#include <cstdint>
#include <string>

namespace vexl {

struct DriverContext;

inline constexpr int kPresetSlotCount = 16;
inline constexpr int kFreeSizeSlotCount = 10;
inline constexpr std::uint16_t kFirstFreeSizePaperId = 384;
inline constexpr std::uint16_t kPaperFreeSizePaperId = 256;
inline constexpr std::uint16_t kPrintFreeSizePaperId = 448;
// The working stamp of the application interfaces; it never counts.
inline constexpr int kWorkingStampSlot = 256;
// UiFlags bit: the custom sizes of the context have been read.
inline constexpr std::uint32_t kUiFlagFreeSizesLoaded = 0x4000000;

// Key and section texts (the terminator included).
inline constexpr int kListKeyChars = 64;

// ---- presets ----------------------------------------------------------------------
enum PresetKeyKind : int { kPresetKeyPath = 0, kPresetKeyName = 1, kPresetKeyComment = 2 };
int GetPresetCount(DriverContext* context);
void FormatPresetKey(WCHAR* out, int slot, int kind);
void LoadPresetByKey(DriverContext* context, const WCHAR* key);
void LoadPresetSlot(DriverContext* context, int slot);
BOOL ManagePresetSnapshots(DriverContext* context, const WCHAR* key, int mode);

// ---- quality lists ----------------------------------------------------------------------
int GetQualityListCount(DriverContext* context);
void FormatQualityKey(WCHAR* out, int slot);
void LoadQualityListByKey(DriverContext* context, const WCHAR* key);
void LoadQualityListSlot(DriverContext* context, int slot);
void LoadQualitySetName(DriverContext* context, const WCHAR* key);
void SaveQualityListByKey(DriverContext* context, const WCHAR* key);
void SaveQualityListSlot(DriverContext* context, int slot);
void LoadQualityRsqByKey(DriverContext* context, const WCHAR* key);
void LoadQualityFileSlot(DriverContext* context, int slot);
// The quality list that rdmUserPrintMacro names (32 to 39, or 160 for slot
// 128) loaded with its StoreArea 3 items, with its set name when asked.
void LoadUserQualityMacro(DriverContext* context, BOOL withSetName);

// ---- stamps ----------------------------------------------------------------------
int GetStampCount(DriverContext* context);
BOOL SetStampCount(DriverContext* context, int count);
void FormatStampSection(WCHAR* out, int slot, DriverContext* context);
void LoadStampSection(DriverContext* context, const WCHAR* section);
void SaveStampSection(DriverContext* context, const WCHAR* section);
void LoadStampSlot(DriverContext* context, int slot);
void SaveStampSlot(DriverContext* context, int slot);
void ReloadSelectedStamp(DriverContext* context);

// ---- custom paper sizes ------------------------------------------------------------------
// Four slot items per slot (width, length, tray, orientation), then a zero row.
struct FreeSizeItemIds {
    std::uint16_t ids[kFreeSizeSlotCount + 1][4];
};
const FreeSizeItemIds& GetFreeSizeItemIds();
int GetFreeSizeSlotCount(DriverContext* context);
int GetFreeSizeSlotCountAlias(DriverContext* context);
int GetPaperSlotTableSize(DriverContext* context);
std::uint16_t GetPaperIdForSlot(int slot, int count, DriverContext* context);
int GetSlotForPaperId(std::uint32_t paperId, DriverContext* context);
BOOL IsFreeSizePaperId(std::uint32_t paperId);
void FormatFreeSizeSection(WCHAR* out, int slot, DriverContext* context);
// The stamp and custom-size sections of a slot, as the Format calls write them.
std::u16string StampSection(int slot, DriverContext* context);
std::u16string FreeSizeSection(int slot, DriverContext* context);
void LoadFreeSizeSection(DriverContext* context, const WCHAR* section);
void LoadSrcFreeSizeSection(DriverContext* context, const WCHAR* section);
void SaveFreeSizeSection(DriverContext* context, const WCHAR* section);
void LoadFreeSizeSlot(DriverContext* context, int slot);
void LoadSrcFreeSizeSlot(DriverContext* context, int slot);
void SaveFreeSizeSlot(DriverContext* context, int slot);
int CopyFreeSizeToSlotItems(DriverContext* context, const WCHAR* section);
// Rows outside the paper table are ignored.
void CacheFreeSizeSlot(DriverContext* context, int row);
void CacheSrcFreeSizeSlot(DriverContext* context, int row);
void SelectFreeSizeSlot(DriverContext* context, int row);
void SelectSrcFreeSizeSlot(DriverContext* context, int row);
void CopyCachedRowToSlotItems(DriverContext* context, int row);
void CachePrintFreeSize(DriverContext* context, std::uint32_t paperId, int row);
void LoadAllFreeSizeSlotsOnce(DriverContext* context);

// ---- the administrator's default section -------------------------------------------------
BOOL LoadDefaultSection(DriverContext* context);
BOOL SaveDefaultSection(DriverContext* context);
BOOL RefreshDefaultSection(DriverContext* context);
void ValidateItemRange(DriverContext* context, std::uint16_t first, std::uint16_t last);

// ---- small queries --------------------------------------------------------------------------
void ReadChapterLimits(DriverContext* context);
// Flags bit 0: only the support items.
inline constexpr std::uint32_t kNotificationSupportOnly = 1;
inline constexpr const WCHAR* kPrintNotificationLibrary = u"QXPNInf.dll";
void ReadPrintNotificationSupport(DriverContext* context, std::uint32_t flags);
std::uint32_t HundredthsInchToTenthsMm(std::uint32_t value);
std::uint32_t TenthsMmToHundredthsInch(std::uint32_t value);
BOOL IsCustomPaperInAltUnit(DriverContext* context);
BOOL IsCollateSelectable(DriverContext* context);
std::uint32_t GetCustomFunctionValue(DriverContext* context, std::uint16_t itemId);
BOOL IsTrayLimitOverrideOn();
model::BlockOffset FindUiEntryForSymbol(DriverContext* context, std::uint16_t symbolKey);
model::BlockOffset NextPickOption(DriverContext* context, model::BlockOffset entry, model::BlockOffset option);
BOOL IsUiJudgeTrue(DriverContext* context, std::uint16_t symbolKey);
BOOL PrepareModuleData(DriverContext* context);
void SetTrayOrientItem(std::uint16_t trayCode, std::uint16_t itemId, std::uint32_t value, DriverContext* context);

}  // namespace vexl
