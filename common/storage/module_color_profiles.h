// The colour-profile module: stored profiles of colour matching in the
// settings INI ("CmmCount", "CmmDefault" and "CmmMax" in the language
// section, one "ColorMatching<i><language>" section per profile), moved
// between that file, the profile pages' controls and the settings.
#pragma once

#include "platform/win32.h"

#include <cstdint>

namespace vexl {

struct DriverContext;
struct PageItem;
struct SettingItemDescriptor;

inline constexpr int kProfileTextChars = 261;
// A colour-matching item refers to stored profile i by 200 + i.
inline constexpr std::uint32_t kProfileValueBase = 200;

// Colour-module commands and events.
inline constexpr std::uint16_t kColorCommandAdd = 111;
inline constexpr std::uint16_t kColorCommandDelete = 112;
inline constexpr std::uint16_t kColorCommandSaveSelected = 113;
inline constexpr std::uint16_t kColorCommandLoadItemFirst = 114;  // to 117
inline constexpr std::uint16_t kColorCommandSaveItemFirst = 118;  // to 121
inline constexpr std::uint16_t kColorCommandSendSave = 122;
inline constexpr std::uint16_t kColorCommandSendAdd = 123;
inline constexpr std::uint16_t kColorCommandLoadInUse = 124;

int GetProfileCount(DriverContext* context);
void SetProfileCount(DriverContext* context, int count);
int GetProfileDefaultCount(DriverContext* context);
int GetProfileMax(DriverContext* context);
// "ColorMatching<index><language>" into out (kProfileTextChars characters).
void FormatProfileSection(DriverContext* context, int index, WCHAR* out);

PageItem* GetProfileModeControl(DriverContext* context);
PageItem* GetProfilePathControl(DriverContext* context);
PageItem* GetProfileListControl(DriverContext* context);
// The item that holds the profile's mode text in the settings (found by the
// mode control's symbol), or NULL.
SettingItemDescriptor* GetProfileModeItem(DriverContext* context);

void LoadProfileIntoPage(DriverContext* context, int index);
void LoadProfileIntoSettings(DriverContext* context, int index);
void SaveProfileFromPage(DriverContext* context, int index);
// Moves every following profile one section down, key by key, and only then
// lowers "CmmCount"; the old last section stays in the file.
void DeleteProfileShiftDown(DriverContext* context, int index);

// The profile index of a colour-matching value, or -1.
int ProfileIndexFromValue(DriverContext* context, std::uint32_t value);
int GetItemProfileIndex(DriverContext* context, std::uint16_t itemId);
int GetSelectedProfileIndex(DriverContext* context);
void MarkActiveProfileItem(DriverContext* context);
void FixProfileItemsAfterReset(DriverContext* context);

// Judges 1291 (the selection is a built-in profile or none), 1292 (the
// list is full) and 1293 (the path control exists); 0 for other ids.
std::uint32_t EvaluateColorProfileJudge(DriverContext* context, std::uint16_t judgeItemId);

// The hooks of the colour-profile module's row.
int ColorModuleCommand(DriverContext* context, std::uint16_t command, void* privateBuffer);
int ColorModuleEvent(DriverContext* context, std::uint32_t event, void* param, void* privateBuffer);

}  // namespace vexl
