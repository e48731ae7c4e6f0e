// Reads a description file line by line into a compile state, as the
// compiler does, and expects every line to be read and taken.
#pragma once

#include "common/model/compile_state.h"
#include "common/model/reader.h"

#include <gtest/gtest.h>

namespace vexl::test {

// The number of lines taken; every line past the last one counted failed.
inline int ExpectEveryDescriptionLineTaken(const WCHAR* path, model::CompileState& state)
{
    using namespace model;
    std::optional<DescriptionReader> reader = OpenDescriptionReader(path);
    EXPECT_TRUE(reader);
    if (!reader) return 0;
    DescriptionLine line;
    LineResult result = LineResult::kLineRead;
    int lines = 0;
    while ((result = ReadDescriptionLine(line, *reader)) == LineResult::kLineRead || result == LineResult::kBadLine) {
        EXPECT_EQ(result, LineResult::kLineRead) << "after line " << lines;
        if (result == LineResult::kLineRead) {
            ++lines;
            EXPECT_EQ(DispatchDescriptionLine(state, line), LineResult::kLineRead)
                << line.keyword.text << " " << line.option.text;
        }
    }
    CloseDescriptionReader(*reader);
    EXPECT_EQ(result, LineResult::kEndOfFile);
    return lines;
}

}  // namespace vexl::test
