// The writer of the compiled-model block. One pass of the layout runs with
// a measuring writer (no buffer) to learn the exact size, a second pass
// writes into a block of that size; every write is bounds-checked, so a
// layout that disagreed with its measure fails instead of overrunning.
#pragma once

#include "common/model/compiled_model.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vexl::model {

class BlockWriter {
public:
    // A measuring writer: counts bytes, writes nothing.
    BlockWriter() = default;
    // A writer into a zeroed buffer of the capacity.
    BlockWriter(std::uint8_t* buffer, std::uint32_t capacity) : buffer_(buffer), capacity_(capacity) {}
    // A writer into a buffer that grows with the block, zero-filled as it
    // grows; the buffer is the writer's until the block is written.
    explicit BlockWriter(std::vector<std::uint8_t>* growable) : growable_(growable) { growable_->clear(); }

    // Room for a zeroed record of the size at the end; its offset.
    BlockOffset Reserve(std::uint32_t bytes);
    // Texts with their terminator, without padding.
    BlockOffset AppendText(std::string_view text);
    BlockOffset AppendWideText(std::u16string_view text);

    // Fields of records already reserved.
    void Put16(std::uint32_t at, std::uint16_t value);
    void Put32(std::uint32_t at, std::uint32_t value);
    void PutTagged(std::uint32_t at, BlockOffset target) { Put32(at, MakeTaggedLink(target)); }

    std::uint32_t Size() const { return size_; }
    bool Failed() const { return failed_; }

private:
    bool Room(std::uint32_t at, std::uint32_t bytes);

    std::vector<std::uint8_t>* growable_ = nullptr;
    std::uint8_t* buffer_ = nullptr;
    std::uint32_t capacity_ = 0;
    std::uint32_t size_ = 0;
    bool failed_ = false;
};

// Writes the whole block, header included, for the parse.
void WriteCompiledModel(const CompileState& state, BlockWriter& writer);

}  // namespace vexl::model
