#include "api/option_tests.h"

#include "common/core/items.h"
#include "common/core/modeldb.h"
#include "common/core/textconv.h"
#include "common/model/constraints.h"
#include "common/model/ui_lookup.h"
#include "common/storage/directories.h"
#include "common/storage/ini.h"
#include "common/storage/ini_lists.h"
#include "platform/gdi.h"
#include "platform/inifile.h"
#include "platform/text.h"
#include "platform/windows.h"

#include <cstring>

namespace vexl::api {

namespace {

// The stamp slot that holds the settings interface's own watermark.
constexpr int kInterfaceStampSlot = 256;

// Face names are compared within the LOGFONTW face field.
constexpr int kFaceChars = LF_FACESIZE;

struct FontSearch {
    WCHAR face[kFaceChars];
    bool found;
};

int CheckFontFamily(const LOGFONTW* logFont, const TEXTMETRICW* /*metric*/, DWORD fontType, LPARAM lParam)
{
    auto* search = reinterpret_cast<FontSearch*>(lParam);
    if (logFont == nullptr || (fontType & TRUETYPE_FONTTYPE) == 0) return 1;
    const WCHAR* face = logFont->lfFaceName;
    if (face[0] == u'@') return 1;  // vertical-writing family
    for (int i = 0; i < kFaceChars; ++i) {
        if (face[i] != search->face[i]) return 1;
        if (face[i] == 0) break;
    }
    search->found = true;
    return 0;
}

// The entry of the item when a control of the page (any page for NULL)
// carries its symbol key and option 0 is not unavailable.
BOOL IsItemOfferedIn(DriverContext* instance, std::uint16_t itemId, PageDesc* page, bool anyPage)
{
    if (instance == nullptr) return FALSE;
    const BlockOffset entry = LookupUiEntry(itemId, instance);
    if (entry == 0) return FALSE;
    if (!anyPage && page == nullptr) return FALSE;
    const model::UiEntryRecord record = ReadContextUiEntry(instance, entry);
    if (FindPageItemByKey(instance, page, static_cast<std::int16_t>(record.symbolKey)) == nullptr) return FALSE;
    return IsUiOptionUnavailable(entry, 0, instance) == 0 ? TRUE : FALSE;
}

}  // namespace

BOOL IsCurrentStampStored(DriverContext* instance)
{
    if (instance == nullptr) return FALSE;
    const WCHAR* iniPath = GetSettingsIniPath(instance);
    const WCHAR* key = GetItemName(instance, rdmWmKind);
    if (iniPath == nullptr || iniPath[0] == 0 || key == nullptr || key[0] == 0) return FALSE;
    WCHAR section[kIniSectionChars] = {};
    FormatStampSection(section, kInterfaceStampSlot, instance);
    WCHAR value[16] = {};
    return ReadIniString(section, key, u"", value, 16, iniPath) > 0 ? TRUE : FALSE;
}

BOOL IsControlOptionAllowed(DriverContext* instance, std::int16_t pageId, std::int16_t controlId, std::uint32_t flags)
{
    if (instance == nullptr) return FALSE;
    PageDesc* page = FindPage(instance, pageId);
    if (page == nullptr) return FALSE;
    const PageItem* control = FindPageControl(instance, page, controlId);
    if (control == nullptr || control->symbolKey == 0) return FALSE;
    // -1 (no constraint record for the key) counts as not allowed.
    if ((flags & 1) != 0 && IsKeyOptionUnavailable(control->symbolKey, 0, instance) != 0) return FALSE;
    if ((flags & 2) != 0 && IsKeyOptionRestricted(control->symbolKey, 0, instance) != 0) return FALSE;
    return TRUE;
}

std::uint32_t ReadApiOptionBits(DriverContext* instance)
{
    const WCHAR* modelIni = instance != nullptr ? GetModelFilePath(instance) : nullptr;
    if (modelIni == nullptr || modelIni[0] == 0) return 0;
    return static_cast<std::uint32_t>(GetPrivateProfileIntW(u"VEXLAPI", u"VEXLAPIFunc1", 0, modelIni));
}

BOOL HasApiOption(DriverContext* instance, std::uint32_t mask)
{
    return (ReadApiOptionBits(instance) & mask) != 0 ? TRUE : FALSE;
}

BOOL HasApiOptionWatermark128(DriverContext* instance)
{
    return HasApiOption(instance, kApiOptionWatermarkKind128);
}

BOOL HasApiOptionColorMode255(DriverContext* instance)
{
    return HasApiOption(instance, kApiOptionColorMode255);
}

BOOL HasApiOptionCapability57(DriverContext* instance)
{
    return HasApiOption(instance, kApiOptionCapability57);
}

BOOL IsMainItemOffered(DriverContext* instance, std::uint16_t itemId)
{
    return IsItemOfferedIn(instance, itemId, nullptr, true);
}

BOOL IsItemOfferedOnPage(DriverContext* instance, std::uint16_t itemId, std::int16_t pageId)
{
    if (instance == nullptr) return FALSE;
    return IsItemOfferedIn(instance, itemId, FindPage(instance, pageId), false);
}

BOOL IsFontInstalled(DriverContext* /*instance*/, const char* faceName)
{
    if (faceName == nullptr) return FALSE;
    // A name longer than a face field holds matches no family.
    WCHAR wide[2 * kFaceChars] = {};
    AnsiToWide(wide, faceName, 2 * kFaceChars);
    if (lstrlenW(wide) >= kFaceChars) return FALSE;
    FontSearch search{};
    lstrcpynW(search.face, wide, kFaceChars);
    HWND desktop = GetDesktopWindow();
    HDC dc = GetDC(desktop);
    if (dc == nullptr) return FALSE;
    EnumFontFamiliesW(dc, nullptr, CheckFontFamily, reinterpret_cast<LPARAM>(&search));
    ReleaseDC(desktop, dc);
    return search.found ? TRUE : FALSE;
}

}  // namespace vexl::api
