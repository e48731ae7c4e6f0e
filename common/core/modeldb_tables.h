// The generated tables of the model database (modeldb_tables.cpp in the
// build tree). Only modeldb.cpp reads them directly; everyone else goes
// through the getters and lookups of modeldb.h.
#pragma once

#include "common/core/modeldb.h"

namespace vexl::modeldata {

extern ItemSideBlock itemSides[];
extern SettingItemDescriptor items[];
extern const std::int16_t itemCount;
extern const SymbolEntry symbols[];
extern const std::int16_t symbolCount;
extern const ConstantEntry constantsA[];
extern const std::int16_t constantsACount;
extern const ConstantEntry constantsB[];
extern const std::int16_t constantsBCount;
// Indexes for lookups by binary search: positions in symbols by key and by
// name, and the constants of both tables by item and option and by name.
extern const std::int16_t symbolsByKey[];
extern const std::int16_t symbolsByName[];
extern const std::int16_t symbolsByNameCount;
extern const ConstantEntry* const constantsByOption[];
extern const ConstantEntry* const constantsByName[];
extern const std::int16_t constantsByNameCount;
extern const MessageEntry messages[];
extern const std::int16_t messageCount;
extern PageDesc pages[];
extern const std::int16_t pageCount;
extern const LanguageEntry languages[];
extern const ResolutionEntry resolutions[];
extern const ValueList itemValueLists[];
extern const ValueList numberedValueLists[];
extern const std::int16_t numberedValueListCount;
extern const ItemQueryEntry itemQueries[];
extern const PjlVariable pjlVariables[];
extern const std::int16_t pjlVariableCount;
extern const WatermarkField watermarkFields[];
extern const int watermarkFieldCount;

}  // namespace vexl::modeldata
