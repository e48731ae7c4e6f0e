// The little-endian forms of the font records.
#include "common/core/font_records.h"

#include "common/core/le.h"

namespace vexl {

void EncodeDeviceFontRecord(const DeviceFontRecord& record, std::uint8_t* out)
{
    WriteLe32(out, record.id);
    for (int i = 0; i < 32; ++i) WriteLe16(out + 4 + 2 * i, record.name[i]);
}

DeviceFontRecord DecodeDeviceFontRecord(const std::uint8_t* bytes)
{
    DeviceFontRecord record{};
    record.id = ReadLe32(bytes);
    for (int i = 0; i < 32; ++i) record.name[i] = ReadLe16(bytes + 4 + 2 * i);
    record.name[31] = 0;
    return record;
}

void EncodeFontName(const WCHAR* name, std::uint8_t* out)
{
    for (int i = 0; i < 32; ++i) WriteLe16(out + 2 * i, name[i]);
}

void DecodeFontName(const std::uint8_t* bytes, WCHAR* name)
{
    for (int i = 0; i < 32; ++i) name[i] = ReadLe16(bytes + 2 * i);
    name[31] = 0;
}

void SplitFontSubstPairs(const FontSubstPair* pairs, std::uint32_t count, std::uint8_t* trueTypeNames,
                         std::uint8_t* deviceNames)
{
    for (std::uint32_t i = 0; i < count; ++i) {
        EncodeFontName(pairs[i].trueTypeFace, trueTypeNames + i * kFontNameBytes);
        EncodeFontName(pairs[i].deviceFont, deviceNames + i * kFontNameBytes);
    }
}

void JoinFontSubstPairs(const std::uint8_t* trueTypeNames, const std::uint8_t* deviceNames, std::uint32_t count,
                        FontSubstPair* pairs)
{
    for (std::uint32_t i = 0; i < count; ++i) {
        DecodeFontName(trueTypeNames + i * kFontNameBytes, pairs[i].trueTypeFace);
        DecodeFontName(deviceNames + i * kFontNameBytes, pairs[i].deviceFont);
    }
}

}  // namespace vexl
