// "@PJL SET" lines applied to an exclusive handle and its context under the
// model's constraints, and the texts a handle produces: the full text of
// its variables, the change text against the base text with the rebuilt
// base, the trials of options and values, the value lists and value texts.
// Texts are built in growable strings; when memory runs out std::bad_alloc
// reaches the export, which answers -1.
#pragma once

#include "api/exclusive.h"
#include "api/pjl_lines.h"
#include "common/core/modeldb.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace vexl::api {

enum class PjlApplyMode {
    kInitial,  // lines of a base text
    kUpdate,   // one line of an update: the UI transactions run
};

// The base text of a job: the handle is reset with a fresh context, every
// line of a Command or PrinterOption variable is applied, and the change
// text is built. 0 or 1 as BuildPjlChangeText; -1 for a malformed line
// (the lines before it stay applied, no base is kept) or without a context;
// -2 for no text, an empty text or one that lacks a required variable (the
// handle is reset).
int SetPjlCommandBase(ExclusiveSession& session, const char* text);
// One line that changes a variable of the base text: 0 or 1 as
// BuildPjlChangeText with the line as the request; -1 for a malformed line;
// 0 and nothing changed for a variable that is not settable now.
int UpdatePjlCommand(ExclusiveSession& session, const char* line);

// Records the value of the item in the handle and writes it into the
// context (items up to 722). An update that changes the handle's value runs
// the item's UI transactions and refreshes every recorded value.
void RecordPjlValue(ExclusiveSession& session, std::uint32_t item, std::uint32_t value, PjlApplyMode mode);
// Every recorded value of the items up to 722 read again from the context.
void RefreshPjlValues(ExclusiveSession& session);

// Applies one line's value to the variable's item and side settings. An
// unknown word, or a model-defined variable without a UI entry, changes
// nothing.
void ApplyPjlVariable(ExclusiveSession& session, const PjlVariable& row, std::string_view value, PjlApplyMode mode);

// The settings that follow from the applied lines: resolution cap, print
// quality, source and output paper, and every item transaction.
void DerivePjlSettings(DriverContext* context);

// The lines of every variable the handle holds, in item order.
std::string BuildPjlFullText(ExclusiveSession& session);

// Derives, builds the full text and compares it with the base text: the
// lines the caller must change besides its request become the change text,
// and the base is rebuilt with the values taken. 1 when there is a change
// text, 0 when there is none, -1 when memory ran out (the handle then keeps
// its texts).
int BuildPjlChangeText(ExclusiveSession& session, const PjlSetLine* request);

// The variable's item was given a value by the base text.
bool IsPjlVariableSettable(const ExclusiveSession& session, const PjlVariable& row);
// Offered, not an alias without a condition, and its condition holds now.
bool IsPjlOptionAllowed(DriverContext* context, const PjlVariable& row, const PjlOption& option);
// Whether the option could be set now without any other line changing; the
// handle and the DEVMODE part of the store are as before afterwards.
bool TrySetPjlOption(ExclusiveSession& session, const PjlVariable& row, const PjlOption& option);
// The value the item takes when the option id is asked for, after the
// derivation pass; the DEVMODE part of the store is as before afterwards.
std::uint32_t TrySetPjlValue(ExclusiveSession& session, const PjlVariable& row, std::uint32_t option);

// The words (own options) or value texts (numeric variables) the variable
// may take, each followed by a terminator and the list by one more; empty
// when there is none. With check only what TrySetPjlOption or
// TrySetPjlValue lets stand.
std::string ListPjlCommandValues(ExclusiveSession& session, const PjlVariable& row, bool check);
// The words of the options allowed now, in the same form.
std::string ListPjlPrinterOptions(DriverContext* context, const PjlVariable& row);
// The current value of a printer-side variable as text (empty for none).
std::string GetPjlPrinterValueText(DriverContext* context, const PjlVariable& row);

// The watermark blocks of every stamp of the printer's settings of the
// kind (0 text watermarks, any other kind image watermarks), each block
// ended by a terminator and the list by one more; empty when there is
// none. The DEVMODE part of the store is as before afterwards.
std::string BuildWatermarkList(DriverContext* context, std::int32_t kind);

}  // namespace vexl::api
