// A job byte stream given to the job-stream checker (vexl-dump): any bytes,
// with pass-through hints cut from the front of the input. The checker must
// read it to the end or to its first fault without reading outside the
// stream, and name the fault inside the stream. Its own glyph compression
// must give back what it compressed, and give the encoder's bytes.
#include "fuzz_support.h"

#include "graphics/records.h"
#include "vexl_dump.h"

#include <algorithm>
#include <cstdlib>
#include <span>
#include <vector>

using namespace vexl;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::InputReader reader(data, size);
    // The first byte's low bits: how many pass-through hints follow, each a
    // length byte and its bytes.
    dump::DecodeOptions options;
    const int hints = reader.Byte() & 0x03;
    for (int i = 0; i < hints; ++i) {
        const std::string_view chunk = reader.Bytes(reader.Byte());
        if (chunk.empty()) continue;
        options.rawChunks.emplace_back(chunk.begin(), chunk.end());
    }
    const std::string_view rest = reader.Rest();
    const std::span<const std::uint8_t> stream(reinterpret_cast<const std::uint8_t*>(rest.data()), rest.size());

    const dump::DecodeResult result = dump::DecodeJobStream(stream, options);
    (void)dump::FormatSummary(result.summary);
    if (result.violation) {
        (void)dump::FormatViolation(*result.violation);
        // The fault is at a byte of the stream, or at its end when it is cut short.
        if (result.violation->offset > stream.size()) std::abort();
    }

    // The checker's glyph compression round-trips any bits that it compresses.
    const auto tokens = dump::CompressGlyphBits(stream, (stream.size() + 3) & ~std::size_t{3});
    if (tokens && !tokens->empty()) {
        const auto bits = dump::DecompressGlyphBits(*tokens, stream.size());
        if (!bits || bits->size() > stream.size()) std::abort();
        for (std::size_t i = 0; i < stream.size(); ++i)
            if ((i < bits->size() ? (*bits)[i] : 0) != stream[i]) std::abort();
    }
    // The encoder's compression of the same bits, with room for the bitmap
    // and with less: the same choice and the same tokens.
    for (std::size_t capacity : {(stream.size() + 3) & ~std::size_t{3}, stream.size() / 2}) {
        const auto expected = dump::CompressGlyphBits(stream, capacity);
        std::vector<BYTE> out(capacity + 1);
        const std::int32_t written = vexl::CompressGlyphBits(stream.data(), static_cast<std::uint32_t>(stream.size()),
                                                             out.data(), static_cast<std::uint32_t>(capacity));
        if (!expected ? written != -1
                      : written < 0 || std::size_t(written) != expected->size() ||
                            !std::equal(expected->begin(), expected->end(), out.begin()))
            std::abort();
    }
    return 0;
}
