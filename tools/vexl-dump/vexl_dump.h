// Decoder and checker of the job byte stream: the framed top-level records
// (F3 JobStart and job name, F4 PageStart, F0, F5 display list, F1 PageEnd)
// and every display-list record inside the F5 frames. It turns a stream into
// a canonical text listing, one line per frame and per record, and stops at
// the first byte that breaks a rule, naming the offset and the rule.
//
// Written from the record tables alone, apart from the encoder, so that the
// tests can use it as the oracle of the encoder's bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vexl::dump {

// The rule a malformed stream breaks.
enum class Rule {
    FrameHeader,      // a frame header cut short by the end of the stream
    FrameType,        // a frame type other than F0, F1, F3, F4, F5
    FrameReserved,    // frame header bytes 1-3 not zero
    FrameLength,      // payload past the end of the stream, or F0 with a payload
    FrameOrder,       // F3 [F3 job name] { F4 F0 F5* F1 } broken
    JobName,          // the job-name frame malformed or after the first page
    PjlLine,          // a PJL line the driver writes itself not of its form
    RawBytes,         // expected pass-through bytes not found in the stream
    PageStructure,    // 0x60 first, 0x61 last, nothing after 0x61
    RecordType,       // unknown display-list record type
    RecordLength,     // record length wrong for its type and fields
    RecordTruncated,  // a record runs past the end of its page's display list
    Reserved,         // a reserved or padding byte not zero
    FieldValue,       // a field out of its range or inconsistent with another
    PathBody,         // subpaths, elements, point-word count or curve type
    ImageLayout,      // image format, palette, row size or record length
    GlyphBitmap,      // glyph compression not byte for byte what the rules give
    GlyphReuse,       // a kept glyph drawn without bitmap before it was sent
    StateRepeat,      // a state record that repeats the current state
};

const char* RuleName(Rule rule);

struct Violation {
    std::uint64_t offset = 0;  // stream offset of the first byte at fault
    Rule rule = Rule::FrameHeader;
    std::string detail;
};

// Where a stream's bytes come from, piece by piece: Read fills at most count
// bytes and answers how many, 0 at the end of the stream. A source that
// cannot be read throws SourceError.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::size_t Read(std::uint8_t* into, std::size_t count) = 0;
};

struct SourceError {
    std::string what;
};

// Receives every display-list record of every page once the decoder has
// checked it, so that a page can be drawn while the stream goes by.
class PageSink {
public:
    virtual ~PageSink() = default;
    virtual void BeginPage(std::uint64_t page) = 0;
    virtual void Record(std::span<const std::uint8_t> record) = 0;
    virtual void EndPage() = 0;
};

struct DecodeOptions {
    // Bytes an application passed through unframed (escape 19), in the
    // order they appear between frames. A frame boundary whose next bytes are
    // the next expected chunk takes them as pass-through bytes.
    std::vector<std::vector<std::uint8_t>> rawChunks;
    // When set, the listing goes here piece by piece as it is made and the
    // result keeps none of it.
    std::function<void(std::string_view)> listingSink;
    PageSink* pages = nullptr;
};

// The largest command-group text (0xF3, 0xF4 or 0xF1 payload) the decoder
// holds to check it; a longer one is refused as a frame-length fault.
// Display-list payloads are read in pieces and need no such bound.
inline constexpr std::uint32_t kLargestCommandText = 16u << 20;

struct Summary {
    std::map<std::uint8_t, std::uint64_t> frames;   // frame type -> count
    std::map<std::uint8_t, std::uint64_t> records;  // record type -> count
    std::uint64_t pages = 0;                        // F1 frames
    std::uint64_t jobStarts = 0;                    // F3 JobStart frames
    bool jobName = false;
    std::uint64_t streamBytes = 0;
    std::uint64_t displayListBytes = 0;
    std::uint64_t rawChunks = 0;
    std::uint64_t rawBytes = 0;
};

struct DecodeResult {
    std::string listing;                 // up to the first violation
    Summary summary;                     // of what was decoded
    std::optional<Violation> violation;  // empty for a well-formed stream

    bool ok() const { return !violation.has_value(); }
};

DecodeResult DecodeJobStream(std::span<const std::uint8_t> stream, const DecodeOptions& options = {});
// The same from a source read piece by piece: memory stays near one frame
// piece and the longest record, whatever the length of the stream. A
// SourceError of the source ends the decoding and is thrown on.
DecodeResult DecodeJobStream(ByteSource& source, const DecodeOptions& options = {});

// The short form for people: frames, pages, records by kind, bytes.
std::string FormatSummary(const Summary& summary);

// "offset 0x1c: record-length: ..." for a violation.
std::string FormatViolation(const Violation& violation);

const char* RecordName(std::uint8_t type);

// The decoder's own reading of the glyph compression.
//
// CompressGlyphBits: the token stream of the bits, or nothing when the tokens
// would not fit in capacity bytes (room for each token byte, for a literal's
// bytes, and for every other byte written). An all-zero input gives no tokens.
std::optional<std::vector<std::uint8_t>> CompressGlyphBits(std::span<const std::uint8_t> bits, std::size_t capacity);

// DecompressGlyphBits: the bytes the tokens stand for, without the trailing
// zeros the tokens leave out; nothing when a token is cut short or the
// bytes would pass bitmapSize.
std::optional<std::vector<std::uint8_t>> DecompressGlyphBits(std::span<const std::uint8_t> tokens,
                                                             std::uint64_t bitmapSize);

}  // namespace vexl::dump
