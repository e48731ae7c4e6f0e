// Judges, references and the constraint declarations of the description:
// the judge language compiled to postfix code, the reference words and
// symbolic names, and the Item, Action, Transact, AlertAction, Alert and
// Exclusive lines.
#pragma once

#include "common/model/compile_state.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexl::model {

LineAnswer HandleJudge(CompileState& state, DescriptionLine& line);
LineAnswer HandleItem(CompileState& state, DescriptionLine& line);
LineAnswer HandleAction(CompileState& state, DescriptionLine& line);
LineAnswer HandleTransact(CompileState& state, DescriptionLine& line);
LineAnswer HandleAlertAction(CompileState& state, DescriptionLine& line);
LineAnswer HandleAlert(CompileState& state, DescriptionLine& line);
LineAnswer HandleExclusive(CompileState& state, DescriptionLine& line);

// Token types of the judge scanner.
enum JudgeToken { kTokenOther = 0, kTokenWord = 1, kTokenNumber = 2, kTokenOperator = 3, kTokenBracket = 4 };

JudgeToken ScanJudgeToken(TokenBuffer& value, std::string& token);
// The postfix code of an expression, the end operation included; empty when
// a word names nothing.
std::vector<JudgeOp> CompileJudge(const CompileState& state, TokenBuffer& value);
bool ValidateJudgeCode(const std::vector<JudgeOp>& code);
std::uint16_t LookupOperator(std::string_view word);
std::uint32_t ParseReference(std::string_view word);

void AddSymbolicName(CompileState& state, std::string_view name, std::int32_t number, SymbolicNameList list);
std::int32_t FindSymbolicName(const CompileState& state, std::string_view name, SymbolicNameList list);
const JudgeRecord* FindJudgeByNumber(const CompileState& state, std::int32_t number);
const JudgeRecord* FindJudgeByName(const CompileState& state, std::string_view name);
// The name after '=' in a record line's option, empty when there is none.
std::string_view TextAfterEquals(std::string_view option);

// The default of an item's UI entry as the model stands during the parse.
std::uint32_t GetModelDefaultOption(std::uint16_t itemId, const CompileState& state);

}  // namespace vexl::model
