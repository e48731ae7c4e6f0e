// The value texts of model-defined PJL variables and of watermark fields:
// a setting's value written with the model's UI entry (its option
// invocations, its numeric range, its text), read back from a text, and the
// "@PJL SET" block of the watermark loaded into a context.
#pragma once

#include "common/core/context.h"
#include "common/core/modeldb.h"
#include "common/model/compiled_model.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vexl::api {

using model::BlockOffset;

// How a value is written: the kinds of the PJL variable table, and the
// boolean of the watermark fields.
enum class PjlValueFormat { kEnumeration, kNumeric, kString, kBoolean };

// The format of a PJL variable's kind.
PjlValueFormat PjlFormatOfKind(std::uint32_t kind);

// Among the model's UI entries of the item, the first of the variant that
// has an option command, else the last of the variant, else the first
// entry of the item; 0 when the item has none.
BlockOffset FindUiEntryForVariable(DriverContext* context, std::uint32_t item, std::uint32_t variant);

// The option command texts of an entry (empty when it has none).
struct PjlCommandTexts {
    std::string_view before;
    std::string_view after;
};
PjlCommandTexts GetPjlCommandTexts(DriverContext* context, BlockOffset entry);

// The value text of the item's option id through its UI entry:
// enumeration the option's invocation; numeric value x m / d of the range's
// seventh and eighth numbers (scaled by rdmDstResolutionW / 1200 for
// emission kind 2), a non-zero value that computes to 0 written as 1, "0"
// without a range; string the item's text in double quotes; boolean the
// True or False invocation. Empty when there is nothing to write.
std::string FormatPjlValue(DriverContext* context, std::uint32_t item, BlockOffset entry, PjlValueFormat format,
                           std::uint32_t option);

// The option id of a value text: enumeration the option whose invocation
// equals the text (0 when none); numeric the number x d / m (the inverse of
// FormatPjlValue). Nothing for a text that is no number, and for strings,
// which are no option ids.
std::optional<std::uint32_t> ParsePjlValue(DriverContext* context, std::uint32_t item, BlockOffset entry,
                                           PjlValueFormat format, std::string_view text);

// The numeric range of an entry, when it is a numeric entry.
std::optional<model::NumericRecord> GetPjlNumericRange(DriverContext* context, BlockOffset entry);

// The lines of the watermark loaded into the context, for a text (kind
// kWatermarkText) or an image watermark (kWatermarkImage), each row of the
// watermark field table written through its item's UI entry. Empty when
// no row wrote anything; the block carries no terminator.
std::string BuildWatermarkBlock(DriverContext* context, std::uint32_t kind);

}  // namespace vexl::api
