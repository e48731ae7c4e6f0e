#include "common/core/languages.h"

#include "common/core/item_ids.h"
#include "common/core/items.h"
#include "common/core/modeldb.h"
#include "common/core/file_names.h"

namespace vexl {
namespace {

constexpr const WCHAR* kHelpFileValue = u"HelpFileName";
constexpr std::uint16_t kFirstDecimalCommaLanguage = 2;
constexpr std::uint16_t kLastDecimalCommaLanguage = 15;

const LanguageEntry* FindLanguageById(std::uint16_t id)
{
    for (const LanguageEntry* row = GetLanguageTable(); row->languageId != kLanguageTableEnd; ++row) {
        if (row->languageId == id) return row;
    }
    return nullptr;
}

const LanguageEntry* FindLanguageByCode(const WCHAR* code)
{
    if (!code) return nullptr;
    for (const LanguageEntry* row = GetLanguageTable(); row->languageId != kLanguageTableEnd; ++row) {
        if (row->code && lstrcmpiW(row->code, code) == 0) return row;
    }
    return nullptr;
}

// The two characters before the dot of the file name's extension, into
// code[3]. False when the file-name part has no dot or fewer than two
// characters before it.
bool ReadLanguageLetters(const WCHAR* fileName, WCHAR (&code)[3])
{
    const WCHAR* namePart = FindFileNamePart(fileName);
    const WCHAR* extension = FindExtension(fileName, nullptr);
    if (!namePart || !extension || extension == namePart || extension[-1] != u'.') return false;
    const WCHAR* dot = extension - 1;
    if (dot - namePart < 2) return false;
    code[0] = dot[-2];
    code[1] = dot[-1];
    code[2] = 0;
    return true;
}

// The printer's help-file name, read into the work area's scratch text.
const WCHAR* ReadHelpFileName(DriverContext* context)
{
    if (!context || !context->workArea) return nullptr;
    WCHAR* text = context->workArea->scratchText;
    constexpr DWORD kChars = sizeof(ContextWorkArea::scratchText) / sizeof(WCHAR);
    DWORD type = 0;
    DWORD needed = 0;
    text[0] = 0;
    const DWORD result = GetPrinterDataW(context->printer, const_cast<LPWSTR>(kHelpFileValue), &type,
                                         reinterpret_cast<LPBYTE>(text), kChars * sizeof(WCHAR), &needed);
    if (result != ERROR_SUCCESS) {
        text[0] = 0;
        return nullptr;
    }
    // Printer data is input: the text ends within the buffer whatever it holds.
    const DWORD chars = needed / sizeof(WCHAR);
    text[chars < kChars ? chars : kChars - 1] = 0;
    text[kChars - 1] = 0;
    return text;
}

}  // namespace

std::uint16_t LanguageIdFromCode(const WCHAR* code)
{
    const LanguageEntry* row = FindLanguageByCode(code);
    return row ? row->languageId : kDefaultLanguageId;
}

const WCHAR* LanguageCodeFromId(std::uint16_t id)
{
    const LanguageEntry* row = FindLanguageById(id);
    return row && row->code ? row->code : kDefaultLanguageCode;
}

const WCHAR* NormalizeLanguageCode(const WCHAR* code)
{
    const LanguageEntry* row = FindLanguageByCode(code);
    return row ? row->code : kDefaultLanguageCode;
}

std::uint16_t LanguageIdFromFileName(const WCHAR* fileName, DriverContext*)
{
    WCHAR code[3];
    return ReadLanguageLetters(fileName, code) ? LanguageIdFromCode(code) : kDefaultLanguageId;
}

const WCHAR* LanguageCodeFromFileName(const WCHAR* fileName, DriverContext*)
{
    WCHAR code[3];
    return ReadLanguageLetters(fileName, code) ? NormalizeLanguageCode(code) : kDefaultLanguageCode;
}

std::uint16_t GetInstalledLanguageId(DriverContext* context)
{
    return LanguageIdFromFileName(ReadHelpFileName(context), context);
}

const WCHAR* GetInstalledLanguageCode(DriverContext* context)
{
    return LanguageCodeFromFileName(ReadHelpFileName(context), context);
}

const WCHAR* GetLanguageCode(DriverContext* context)
{
    return LanguageCodeFromId(static_cast<std::uint16_t>(GetItemValue(context, rdmLanguageID)));
}

std::uint8_t GetLanguageLangId(std::uint8_t id, std::uint16_t* outSublanguage)
{
    if (outSublanguage) *outSublanguage = 0;
    const LanguageEntry* row = FindLanguageById(id);
    if (!row) return 0;
    if (outSublanguage && row->subLanguage != 0) *outSublanguage = row->subLanguage;
    return static_cast<std::uint8_t>(row->primaryLangId & 0xFF);
}

BOOL IsKnownLanguageId(std::uint16_t id)
{
    return FindLanguageById(id) ? 1 : 0;
}

BOOL UsesDecimalComma(DriverContext* context)
{
    const std::uint32_t id = GetItemValue(context, rdmLanguageID);
    return id >= kFirstDecimalCommaLanguage && id <= kLastDecimalCommaLanguage ? 1 : 0;
}

}  // namespace vexl
