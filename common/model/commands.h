// Command strings, command groups and font lists of the description.
#pragma once

#include "common/model/compile_state.h"

#include <memory>
#include <optional>
#include <vector>

namespace vexl::model {

LineAnswer HandleCommandString(CompileState& state, DescriptionLine& line);
LineAnswer HandleCommandGroup(CompileState& state, DescriptionLine& line);
LineAnswer HandleDeviceFonts(CompileState& state, DescriptionLine& line);
LineAnswer HandleFontCartridge(CompileState& state, DescriptionLine& line);
LineAnswer HandleTtfs(CompileState& state, DescriptionLine& line);

// The statements of a block up to its closing brace, with an Else or
// ElseIf part when allowed; null when both lists are empty.
std::unique_ptr<CommandBlock> ParseCommandBlock(const CompileState& state, TokenBuffer& value, bool allowElse);
// "IDList { {"name" id} ... }"; nothing when the value holds no entry.
std::optional<std::vector<FontIdEntry>> ParseFontIdList(TokenBuffer& value);

// The first command string of the number (low 16 bits), or null.
const CommandStringRecord* FindCommandString(const CompileState& state, std::int32_t number);

}  // namespace vexl::model
