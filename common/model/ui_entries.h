// UI entries of the description: OpenUI and CloseUI, the option and Default
// lines of the open entry, the value keywords and the library names.
#pragma once

#include "common/model/compile_state.h"

#include <string_view>

namespace vexl::model {

LineAnswer HandleOpenUi(CompileState& state, DescriptionLine& line);
LineAnswer HandleCloseUi(CompileState& state, DescriptionLine& line);
LineAnswer HandleOptionLine(CompileState& state, DescriptionLine& line);
LineAnswer HandleDefaultLine(CompileState& state, DescriptionLine& line);
LineAnswer HandleStringValue(CompileState& state, DescriptionLine& line);
LineAnswer HandleNumericValue(CompileState& state, DescriptionLine& line);
LineAnswer HandlePageValue(CompileState& state, DescriptionLine& line);
LineAnswer HandlePageMMValue(CompileState& state, DescriptionLine& line);
LineAnswer HandleSlotPaper(CompileState& state, DescriptionLine& line);
LineAnswer HandleOptionCommand(CompileState& state, DescriptionLine& line);
LineAnswer HandleUiResDllName(CompileState& state, DescriptionLine& line);
LineAnswer HandleExcDepDllName(CompileState& state, DescriptionLine& line);

// The first entry of the UI list with the symbol key (and variant).
UiEntry* FindOpenUiEntry(std::uint16_t symbolKey, const CompileState& state);
UiEntry* FindOpenUiEntryVariant(std::uint16_t symbolKey, std::uint16_t variant, const CompileState& state);
UiOption* FindOptionById(std::uint16_t optionId, UiOptionList* list);
// The option of the open entry named by the line's translation, when the
// entry is of the given kind and the line has a value.
UiOption* FindTranslatedOption(CompileState& state, DescriptionLine& line, std::uint16_t kind);
// Appends the option unless the list holds its id already (the first stays).
void AppendUniqueOption(UiOptionList& list, UiOption option);
// Bytes of an option record, or of the value record of a Numeric or String entry.
int UiRecordSize(std::uint16_t type);
// The type word of an OpenUI value; an Identity entry's shared key goes into entry.variant.
void ParseUiTypeWords(const CompileState& state, std::string_view value, UiEntry& entry);

}  // namespace vexl::model
