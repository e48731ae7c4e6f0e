// Locale defaults and the user-code INI.
#include "ui/install/locale_defaults.h"

#include "common/core/item_ids.h"
#include "common/core/items.h"
#include "common/core/modeldb.h"
#include "common/storage/directories.h"
#include "common/storage/ini.h"
#include "platform/locale.h"
#include "ui/base/job_strings.h"

#include <string>

namespace vexl::ui {
namespace {

constexpr int kAbsent = 0x7FFF;
constexpr std::uint16_t kNoLanguage = 0xFFFF;
constexpr std::uint16_t kPaperLetter = 1;
constexpr std::uint16_t kPaperA4 = 9;
constexpr std::uint16_t kUnitInch = 1;
constexpr std::uint16_t kUnitMillimetre = 0;
constexpr int kCountryChars = 7;
constexpr int kUserCodeChars = 9;

std::u16string UserCodeIni(DriverContext* context)
{
    WCHAR file[MAX_PATH] = {};
    BuildSettingsDirPath(file, MAX_PATH, kUserCodeFileName, context);
    return file;
}

std::u16string Decimal(unsigned value)
{
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

// The language index of the user's default locale; 0xFFFF when the
// language table does not list it.
std::uint16_t UserLanguageIndex()
{
    const LCID locale = GetUserDefaultLCID();
    const std::uint16_t primary = locale & 0x3FF;
    const std::uint16_t sub = (locale >> 10) & 0x3F;
    for (const LanguageEntry* row = GetLanguageTable(); row && row->languageId != kLanguageTableEnd; ++row)
        if (row->primaryLangId == primary && row->subLanguage == sub) return row->languageId;
    return kNoLanguage;
}

bool IsAmericasClass(std::uint32_t localeClass)
{
    return localeClass == 1 || localeClass == 2 || localeClass == 5;
}

void WriteKey(DriverContext* context, const WCHAR* key, unsigned value)
{
    const std::u16string file = UserCodeIni(context);
    WriteIniString(GetPrinterSectionName(context), key, Decimal(value).c_str(), file.c_str());
}

}  // namespace

BOOL ReadLocaleDefaults(DriverContext* context)
{
    if (context == nullptr || context->workArea == nullptr) return FALSE;
    const std::u16string file = UserCodeIni(context);
    const WCHAR* section = GetPrinterSectionName(context);
    if (file.empty() || !FileExists(file.c_str()) || section == nullptr) return FALSE;
    if (ReadIniInt(section, u"VexlInstDone", kAbsent, file.c_str()) != 0) return FALSE;
    const int language = ReadIniInt(section, u"DispLang", kAbsent, file.c_str());
    if (language == kAbsent) return FALSE;
    InstallLocaleState& state = context->workArea->installLocale;
    state.userCodeUse = static_cast<std::uint8_t>(ReadIniInt(section, u"UserCode", 0, file.c_str()));
    state.userCodeFixed = static_cast<std::uint8_t>(ReadIniInt(section, u"UserCodeFIX", 0, file.c_str()));
    ReadIniString(section, u"UserCodeString", u"", state.userCode, kUserCodeChars, file.c_str());
    state.language = static_cast<std::uint16_t>(language);
    state.paper = static_cast<std::uint16_t>(ReadIniInt(section, u"DefPaper", 0, file.c_str()));
    state.unit = static_cast<std::uint16_t>(ReadIniInt(section, u"DefUnit", 0, file.c_str()));
    WriteIniString(section, u"VexlInstDone", u"1", file.c_str());
    return TRUE;
}

BOOL GuessLocaleDefaults(DriverContext* context)
{
    if (context == nullptr || context->workArea == nullptr) return TRUE;
    InstallLocaleState& state = context->workArea->installLocale;
    state.language = UserLanguageIndex();
    if (state.language == kNoLanguage) state.language = GetHelpLanguageIndex(context);
    WCHAR country[kCountryChars] = {};
    GetLocaleInfoW(GetUserDefaultLCID(), LOCALE_ICOUNTRY, country, kCountryChars);
    const WCHAR first = country[0];
    if (first == u'1' || first == u'2' || first == u'5') {
        state.paper = kPaperLetter;
        state.unit = kUnitInch;
        state.localeClass = static_cast<std::uint16_t>(first - u'0');
    } else {
        state.paper = kPaperA4;
        state.unit = kUnitMillimetre;
        state.localeClass = 0;
    }
    return TRUE;
}

void ApplyLocaleDefaults(DriverContext* context)
{
    if (context == nullptr || context->workArea == nullptr) return;
    InstallLocaleState& state = context->workArea->installLocale;
    if (ReadLocaleDefaults(context)) {
        SetItemValue(context, rdmLogCodeUse, state.userCodeUse);
        SetItemString(context, FindItem(context, rdmLogCode), state.userCode);
        SetItemValue(context, rdmUserCodeFIX, state.userCodeFixed);
        state.localeClass = static_cast<std::uint16_t>(GetLocaleCountryClass(context));
    } else {
        GuessLocaleDefaults(context);
        WriteKey(context, u"DispLang", state.language);
        WriteKey(context, u"DefPaper", state.paper);
        WriteKey(context, u"DefUnit", state.unit);
    }
    const std::uint16_t help = GetHelpLanguageIndex(context);
    if (help != state.language) {
        if (help != 0) {
            state.language = help;
            WriteKey(context, u"DispLang", state.language);
        } else {
            state.language = 0;
            state.paper = kPaperA4;
            state.unit = kUnitMillimetre;
            WriteKey(context, u"DispLang", state.language);
            WriteKey(context, u"DefPaper", state.paper);
            WriteKey(context, u"DefUnit", state.unit);
        }
    }
    if (context->modelRecord != nullptr && context->modelRecord->machineSubCode == 0) {
        state.paper = kPaperA4;
        WriteKey(context, u"DefPaper", state.paper);
    }
    SetItemValue(context, rdmLanguageID, state.language);
    SetItemValue(context, rdmDspLanguageID, state.language);
    SetItemValue(context, rdmLocaleID, state.localeClass);
    SetItemValue(context, rdmDspUnit, state.unit);
    SetItemValue(context, dmPaperSize, state.paper);
}

BOOL WriteLocaleDefaults(DriverContext* context)
{
    if (context == nullptr || context->workArea == nullptr) return TRUE;
    WriteKey(context, u"DispLang", GetItemValue(context, rdmLanguageID));
    WriteKey(context, u"DefPaper", IsAmericasClass(GetItemValue(context, rdmLocaleID)) ? kPaperLetter : kPaperA4);
    WriteKey(context, u"DefUnit", GetItemValue(context, rdmDspUnit));
    WriteUserCodeIni(GetPrinterSectionName(context), kUserCodeIniFromSettings, context);
    WriteIniString(GetPrinterSectionName(context), u"VexlInstDone", u"0", UserCodeIni(context).c_str());
    ReadLocaleDefaults(context);
    return TRUE;
}

BOOL WriteUserCodeIni(const WCHAR* printerSection, int mode, DriverContext* context)
{
    if (context == nullptr || printerSection == nullptr) return FALSE;
    const std::u16string file = UserCodeIni(context);
    WriteIniString(printerSection, u"UserCode", u"0", file.c_str());
    WriteIniString(printerSection, u"UserCodeFIX", u"0", file.c_str());
    if (mode == kUserCodeIniCleared) return TRUE;
    WriteIniString(printerSection, u"UserCodeString", u"", file.c_str());
    WCHAR code[kUserCodeChars] = {};
    GetItemString(context, FindItem(context, rdmLogCode), code, kUserCodeChars);
    if (GetItemValue(context, rdmLogCodeUse) == 0 || code[0] == 0) return FALSE;
    WriteIniString(printerSection, u"UserCode", u"1", file.c_str());
    WriteIniString(printerSection, u"UserCodeFIX", u"1", file.c_str());
    WriteIniString(printerSection, u"UserCodeString", code, file.c_str());
    return TRUE;
}

}  // namespace vexl::ui
