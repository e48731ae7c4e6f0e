// Lookups in the language table: language ids (the values of rdmLanguageID),
// two-letter codes, Windows language ids and the decimal comma. "us" (id 1)
// answers wherever a language cannot be found.
#pragma once

#include "common/core/context.h"
#include "platform/win32.h"

#include <cstdint>

namespace vexl {

inline constexpr std::uint16_t kDefaultLanguageId = 1;
inline constexpr const WCHAR* kDefaultLanguageCode = u"us";
// The face name of the UI font, which follows the UI resource's language,
// takes this many characters.
inline constexpr int kFaceNameChars = 32;

// The id of the code (matched without case); 1 for NULL or no match.
std::uint16_t LanguageIdFromCode(const WCHAR* code);
// The table's own code text of the id; "us" for an unknown id.
const WCHAR* LanguageCodeFromId(std::uint16_t id);
// The table's own spelling of a code matched without case; "us" for NULL or no match.
const WCHAR* NormalizeLanguageCode(const WCHAR* code);

// The language named by the two characters just before the dot of a file
// name's extension ("TZ16E1GM.HLP" is "gm"). A name with fewer than two
// characters there, or without an extension, gives 1 or "us".
std::uint16_t LanguageIdFromFileName(const WCHAR* fileName, DriverContext* context);
const WCHAR* LanguageCodeFromFileName(const WCHAR* fileName, DriverContext* context);

// The language of the printer's help file (printer data "HelpFileName");
// 1 or "us" when the value cannot be read.
std::uint16_t GetInstalledLanguageId(DriverContext* context);
const WCHAR* GetInstalledLanguageCode(DriverContext* context);

// The code of rdmLanguageID: the suffix of the language sections of the settings INI.
const WCHAR* GetLanguageCode(DriverContext* context);

// The low byte of the language's primary LANGID, 0 for an unknown id;
// *outSublanguage is 0, or the row's sublanguage when it has one.
std::uint8_t GetLanguageLangId(std::uint8_t id, std::uint16_t* outSublanguage);

BOOL IsKnownLanguageId(std::uint16_t id);

// Whether numbers are shown with a decimal comma: rdmLanguageID 2 to 15.
BOOL UsesDecimalComma(DriverContext* context);

}  // namespace vexl
