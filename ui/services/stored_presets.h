// The preset, quality, stamp, custom-size and font lists of the interface
// library, on top of the settings INI lists of the common storage code.
//
// Stored presets are named by their list key ("PresetList<n>"). A preset
// file is a user preset ("user%04d.rst" in the preset folder), a user copy
// of an installed preset (".rsr") or an install copy (".rsd"); a file whose
// printer section has Readonly=1 is never overwritten, and a user copy of an
// installed preset is never written over: storing into such a slot first
// gives it a new user preset file. A new user preset file is never one that
// another preset uses; when no name is free the preset is not stored.
#pragma once

#include "common/core/context.h"
#include "common/core/font_records.h"
#include "platform/win32.h"

#include <cstdint>

namespace vexl::ui {

// ---- stored presets ----------------------------------------------------------------------

inline constexpr int kPresetFileNameLimit = 10000;
inline constexpr std::uint16_t kUnusablePresetMessage = 10023;

// Loads the preset of the key (an empty key's path is that of slot 0). A file
// that does not load is dropped from its slot, preset 0 is loaded instead
// and the user is told (message 10023).
void LoadStoredPreset(DriverContext* context, const WCHAR* key);
// Slots 0-15 load their preset; another index empties the preset name and comment.
void SelectPreset(DriverContext* context, int index);
// The install copy (".rsd" in the settings directory) of the slot's preset.
void LoadInstalledPresetCopy(DriverContext* context, int index);
BOOL SavePresetByKey(DriverContext* context, const WCHAR* key);
BOOL SaveStoredPreset(DriverContext* context, int index);
BOOL SavePresetFileByKey(DriverContext* context, const WCHAR* key);
BOOL SavePresetFileForSlot(DriverContext* context, int index);
BOOL IsPresetWritable(DriverContext* context, const WCHAR* file);
BOOL IsStoredPresetWritable(DriverContext* context, int index);
// Gives the slot a user preset file when it has none or a user copy of an
// installed preset; FALSE when no free name is left.
BOOL PreparePresetFileName(DriverContext* context, int index);
// The first "user%04d.rst" of the preset folder that no preset uses (its
// printer section has no RstMachine); FALSE (out emptied) when every name
// below the limit is in use. out holds MAX_PATH characters.
BOOL MakeNewPresetFileName(DriverContext* context, WCHAR* out);
BOOL MakeNewPresetFileNameWithin(DriverContext* context, WCHAR* out, int limit);
std::uint8_t* GetPresetNameBuffer(DriverContext* context);
std::uint8_t* GetPresetCommentBuffer(DriverContext* context);

// ---- quality lists --------------------------------------------------------------------------

void SaveQualityList(DriverContext* context, const WCHAR* key);
// wdmUserSetName := "qualityname" of the list's install copy.
void LoadQualityListName(DriverContext* context, int index);
void LoadQualityFileForSlot(DriverContext* context, int index);

// ---- stamps -----------------------------------------------------------------------------------

// Moves the stamps after index down by one; the count drops by one. FALSE
// for an index that is not a stamp.
BOOL DeleteStamp(DriverContext* context, int index);
int GetModelStampCount(DriverContext* context);
void LoadModelStamp(DriverContext* context, int slot);
int ReadStampCount(const WCHAR* file, const WCHAR* section);
void LoadStampFromFile(DriverContext* context, const WCHAR* file, const WCHAR* section, int slot);

// ---- custom paper sizes -----------------------------------------------------------------

// The ten rows from the model INI's "FreeSize%d%s" sections, A4 portrait by
// default (9921 x 14031 in 1/1200 inch, tray 4, orientation 1), named by UI
// strings 109 to 118.
void LoadDefaultFreeSizes(DriverContext* context);
BOOL StoreFreeSizes(DriverContext* context);
int GetModelFreeSizeCount(DriverContext* context);
BOOL WriteFreeSizeCount(DriverContext* context, int count);
void LoadModelFreeSize(DriverContext* context, int slot);
BOOL IsUserPaperSelected(DriverContext* context);

// ---- fonts ---------------------------------------------------------------------------------------

int GetDeviceFontCount(DriverContext* context);
// The index-th device font across both lists; "" beyond the end.
const WCHAR* GetDeviceFontName(DriverContext* context, int index);
// A new current table (taking rows, allocated with AllocZeroed), or with
// null rows the printer's default table again. The table in force before
// the first change is kept so that a cancel of the snapshot restores it.
void SetFontSubstTable(DriverContext* context, int count, FontSubstPair* rows);
// The device font of the first row for the face (case-sensitive); the first
// device font when there is none.
const WCHAR* FindSubstituteFont(DriverContext* context, const WCHAR* trueTypeFace);

// ---- rebuilds after an upgrade (the settings are unchanged afterwards) ------------------

void RebuildPresetFiles(DriverContext* context);
void RebuildQualityLists(DriverContext* context);
void RebuildStamps(DriverContext* context);
void RebuildFreeSizes(DriverContext* context);

}  // namespace vexl::ui
