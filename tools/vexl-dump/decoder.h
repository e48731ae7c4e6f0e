// Shared pieces of the frame layer and the display-list layer.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "core/le.h"
#include "vexl_dump.h"

namespace vexl::dump {

// Thrown at the first byte that breaks a rule; the decoder stops there.
struct Malformed {
    std::uint64_t offset;
    Rule rule;
    std::string detail;
};

[[noreturn]] inline void Fail(std::uint64_t offset, Rule rule, std::string detail)
{
    throw Malformed{offset, rule, std::move(detail)};
}

// Bytes as readable text: printable ASCII as it is, \r \n \t \\ \" and \xHH.
std::string EscapeBytes(std::span<const std::uint8_t> bytes);

std::string Hex(std::uint64_t value, int digits = 0);

// 32-bit FNV-1a of a piece of data (pixel rows, bitmaps, patterns), so that
// the listing shows a change of content without the bytes themselves.
std::uint32_t ContentHash(std::span<const std::uint8_t> bytes);

// Checks the PJL lines the driver writes itself inside a command-group
// payload that starts at stream offset base.
void CheckGeneratedPjlLines(std::span<const std::uint8_t> payload, std::uint64_t base);

// What the state records of a page have set so far; unknown after each 0x60.
struct PageState {
    enum class Clip { Unknown, WholePage, Rectangle, Path };

    std::uint16_t resolution = 0;  // dots per inch, from the page-begin record

    std::optional<std::uint8_t> rop;
    std::optional<std::uint8_t> background;
    std::optional<std::array<std::uint32_t, 3>> lineWidth;  // unit, width, dash mask
    std::optional<std::uint8_t> dashPhase;
    std::optional<std::uint8_t> lineCap;
    std::optional<std::pair<std::uint8_t, std::uint32_t>> lineJoin;  // join, miter limit
    bool solidPattern = false;                                       // the last 0x40 of the page was a solid brush
    Clip clip = Clip::Unknown;
    std::array<std::int32_t, 4> clipRect{};
    std::set<std::pair<std::uint16_t, std::uint8_t>> keptGlyphs;  // glyph code, code kind flag
    bool splitStroke = false;                                     // the last record was a 0x11 stroke of one subpath
};

// The display list of one page, fed piece by piece from its F5 frames.
class PageDecoder {
public:
    PageDecoder(std::string& listing, Summary& summary, PageSink* sink = nullptr)
        : listing_(listing), summary_(summary), sink_(sink)
    {
    }

    // Appends one F5 payload found at stream offset streamOffset and decodes
    // every record it completes.
    void Feed(std::span<const std::uint8_t> payload, std::uint64_t streamOffset);

    // The page's F1 frame at stream offset endOffset: the list must be whole.
    void Finish(std::uint64_t endOffset);

private:
    struct Segment {
        std::uint64_t listStart;
        std::uint64_t streamStart;
        std::uint64_t length;
    };

    void DecodeAvailable();
    std::uint64_t StreamOffset(std::uint64_t listOffset) const;

    std::string& listing_;
    Summary& summary_;
    PageSink* sink_;
    void DropDecoded();

    std::vector<std::uint8_t> list_;  // the bytes from display-list offset base_ on
    std::vector<Segment> segments_;
    std::uint64_t base_ = 0;
    std::uint64_t next_ = 0;  // display-list offset of the next record
    bool begun_ = false;
    bool ended_ = false;
    PageState state_;
};

}  // namespace vexl::dump
