// The frame layer: 8-byte headers {type, three zero bytes, u32 payload
// length} in the order F3(JobStart) [F3(job name)] { F4 F0 F5* F1 }, with a
// new F3(JobStart) between pages after a reset of the device context, and
// unframed pass-through bytes wherever the caller says to expect them.
#include <algorithm>
#include <cstdio>

#include "decoder.h"

namespace vexl::dump {
namespace {

constexpr std::uint8_t kFrameMarker = 0xF0;
constexpr std::uint8_t kFramePageEnd = 0xF1;
constexpr std::uint8_t kFrameJobStart = 0xF3;
constexpr std::uint8_t kFramePageStart = 0xF4;
constexpr std::uint8_t kFrameDisplayList = 0xF5;
constexpr std::size_t kFrameHeaderSize = 8;

constexpr std::string_view kJobNamePrefix = "@PJL SET JOBNAME = \"";
constexpr std::size_t kJobNameOverhead = 23;  // prefix, closing quote, CR, LF

bool IsFrameType(std::uint8_t type)
{
    return type == kFrameMarker || type == kFramePageEnd || type == kFrameJobStart || type == kFramePageStart ||
           type == kFrameDisplayList;
}

bool StartsWith(std::span<const std::uint8_t> bytes, std::string_view text)
{
    return bytes.size() >= text.size() && std::equal(text.begin(), text.end(), bytes.begin());
}

// A whole job-name line: the prefix, a quote, the name, a quote, CR, LF.
bool IsJobNameLine(std::span<const std::uint8_t> payload)
{
    if (payload.size() < kJobNameOverhead || !StartsWith(payload, kJobNamePrefix)) return false;
    const std::size_t n = payload.size();
    if (payload[n - 3] != '"' || payload[n - 2] != '\r' || payload[n - 1] != '\n') return false;
    for (std::size_t i = kJobNamePrefix.size(); i < n - 3; ++i) {
        if (payload[i] == '\r' || payload[i] == '\n') return false;
    }
    return true;
}

// The stream as it arrives from its source: bytes from the current position
// are held only as far as a caller looks ahead.
class Reader {
public:
    explicit Reader(ByteSource& source) : source_(source) {}

    // Holds at least count bytes from the position, fewer only at the end of the stream.
    std::span<const std::uint8_t> Peek(std::size_t count)
    {
        while (end_ - begin_ < count && !ended_) Fill(count);
        return {held_.data() + begin_, std::min(count, end_ - begin_)};
    }

    void Skip(std::size_t count)
    {
        begin_ += count;
        position_ += count;
    }

    bool AtEnd() { return Peek(1).empty(); }
    std::uint64_t Position() const { return position_; }

private:
    // Reads more after the held bytes, first moving them to the front when
    // the room behind them would not do, and growing the buffer only as far
    // as one look ahead needs.
    void Fill(std::size_t wanted)
    {
        constexpr std::size_t kPiece = 64 * 1024;
        if (held_.size() - begin_ < std::max(wanted, kPiece)) {
            std::copy(held_.begin() + static_cast<std::ptrdiff_t>(begin_),
                      held_.begin() + static_cast<std::ptrdiff_t>(end_), held_.begin());
            end_ -= begin_;
            begin_ = 0;
            if (held_.size() < std::max(wanted, kPiece)) held_.resize(std::max(wanted, kPiece));
        }
        const std::size_t got = source_.Read(held_.data() + end_, held_.size() - end_);
        end_ += got;
        if (got == 0) ended_ = true;
    }

    ByteSource& source_;
    std::vector<std::uint8_t> held_;
    std::size_t begin_ = 0;  // the byte at the position
    std::size_t end_ = 0;    // after the last byte read
    std::uint64_t position_ = 0;
    bool ended_ = false;
};

class SpanSource : public ByteSource {
public:
    explicit SpanSource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::size_t Read(std::uint8_t* into, std::size_t count) override
    {
        const std::size_t n = std::min(count, bytes_.size() - at_);
        std::copy_n(bytes_.data() + at_, n, into);
        at_ += n;
        return n;
    }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t at_ = 0;
};

enum class Place {
    Start,          // nothing yet
    AfterJobStart,  // the first F3, no page yet: a job-name frame may follow
    BetweenPages,   // after F1, after a later F3, or after the job name
    AfterPageStart,
    InPage,  // after F0: F5 frames, then F1
};

class StreamDecoder {
public:
    StreamDecoder(ByteSource& source, const DecodeOptions& options, DecodeResult& result)
        : reader_(source), options_(options), out_(result.listing), summary_(result.summary)
    {
    }

    void Run()
    {
        while (!reader_.AtEnd()) {
            if (TakeRawChunk()) continue;
            DecodeFrame();
            Hand();
        }
        summary_.streamBytes = reader_.Position();
        if (place_ == Place::AfterPageStart || place_ == Place::InPage)
            Fail(reader_.Position(), Rule::FrameOrder, "the stream ends inside page " + std::to_string(page_));
        if (nextRaw_ < options_.rawChunks.size())
            Fail(reader_.Position(), Rule::RawBytes,
                 "expected pass-through bytes " + std::to_string(nextRaw_ + 1) + " not found");
    }

    // The listing made so far goes to the caller's sink, when it gave one.
    void Hand()
    {
        if (!options_.listingSink || out_.empty()) return;
        options_.listingSink(out_);
        out_.clear();
    }

    std::uint64_t Position() const { return reader_.Position(); }

private:
    bool TakeRawChunk()
    {
        if (nextRaw_ >= options_.rawChunks.size()) return false;
        const auto& chunk = options_.rawChunks[nextRaw_];
        if (chunk.empty()) return false;
        const auto ahead = reader_.Peek(chunk.size());
        if (ahead.size() < chunk.size() || !std::equal(chunk.begin(), chunk.end(), ahead.begin())) return false;
        out_ += Hex(reader_.Position(), 6) + " raw length=" + std::to_string(chunk.size()) + " \"" +
                EscapeBytes(chunk) + "\"\n";
        ++nextRaw_;
        ++summary_.rawChunks;
        summary_.rawBytes += chunk.size();
        reader_.Skip(chunk.size());
        return true;
    }

    // Display-list payloads longer than this go to the page decoder in pieces.
    static constexpr std::uint32_t kDisplayListPiece = 1u << 20;

    void DecodeFrame()
    {
        const std::uint64_t at = reader_.Position();
        const auto header = reader_.Peek(kFrameHeaderSize);
        if (header.size() < kFrameHeaderSize)
            Fail(at, Rule::FrameHeader, "frame header cut short: " + std::to_string(header.size()) + " bytes left");
        const std::uint8_t type = header[0];
        if (!IsFrameType(type)) Fail(at, Rule::FrameType, "frame type " + Hex(type, 2));
        for (int i = 1; i < 4; ++i) {
            if (header[i] != 0)
                Fail(at + i, Rule::FrameReserved,
                     "frame header byte " + std::to_string(i) + " is " + Hex(header[i], 2));
        }
        const std::uint32_t length = ReadLe32(header.data() + 4);
        const std::uint64_t payloadAt = at + kFrameHeaderSize;
        if (type == kFrameDisplayList && length > kDisplayListPiece) {
            ++summary_.frames[type];
            reader_.Skip(kFrameHeaderSize);
            OnLongDisplayList(at, length, payloadAt);
            return;
        }
        if (type != kFrameDisplayList && length > kLargestCommandText)
            Fail(at + 4, Rule::FrameLength,
                 "command-group text of " + std::to_string(length) + " bytes, beyond the " +
                     std::to_string(kLargestCommandText) + " bytes vexl-dump checks");
        const auto whole = reader_.Peek(kFrameHeaderSize + std::size_t{length});
        if (whole.size() < kFrameHeaderSize + std::size_t{length})
            Fail(at + 4, Rule::FrameLength,
                 "payload length " + std::to_string(length) + " runs past the end of the stream");
        const auto payload = whole.subspan(kFrameHeaderSize);
        ++summary_.frames[type];

        switch (type) {
        case kFrameJobStart:
            OnJobStart(at, payload, payloadAt);
            break;
        case kFramePageStart:
            OnPageStart(at, payload, payloadAt);
            break;
        case kFrameMarker:
            OnMarker(at, length);
            break;
        case kFrameDisplayList:
            OnDisplayList(at, payload, payloadAt);
            break;
        case kFramePageEnd:
            OnPageEnd(at, payload, payloadAt);
            break;
        }
        reader_.Skip(whole.size());
    }

    // A display-list payload too long to hold at once, fed in pieces; its
    // header has been passed.
    void OnLongDisplayList(std::uint64_t at, std::uint32_t length, std::uint64_t payloadAt)
    {
        CheckDisplayListPlace(at);
        out_ += Hex(at, 6) + " F5 display-list length=" + std::to_string(length) + "\n";
        summary_.displayListBytes += length;
        std::uint64_t done = 0;
        while (done < length) {
            const auto piece =
                reader_.Peek(static_cast<std::size_t>(std::min<std::uint64_t>(length - done, kDisplayListPiece)));
            if (piece.empty())
                Fail(at + 4, Rule::FrameLength,
                     "payload length " + std::to_string(length) + " runs past the end of the stream");
            page_decoder_->Feed(piece, payloadAt + done);
            done += piece.size();
            reader_.Skip(piece.size());
            Hand();
        }
    }

    void CheckDisplayListPlace(std::uint64_t at)
    {
        if (place_ == Place::AfterPageStart) Fail(at, Rule::FrameOrder, "0xF4 frame not followed by 0xF0");
        if (place_ != Place::InPage) Fail(at, Rule::FrameOrder, "0xF5 frame outside a page");
    }

    void OnJobStart(std::uint64_t at, std::span<const std::uint8_t> payload, std::uint64_t payloadAt)
    {
        if (place_ == Place::AfterPageStart || place_ == Place::InPage)
            Fail(at, Rule::FrameOrder, "0xF3 frame inside page " + std::to_string(page_));
        if (place_ == Place::AfterJobStart && StartsWith(payload, kJobNamePrefix)) {
            CheckJobName(payload, payloadAt);
            out_ += Hex(at, 6) + " F3 job-name length=" + std::to_string(payload.size()) + " \"" +
                    EscapeBytes(payload) + "\"\n";
            summary_.jobName = true;
            place_ = Place::BetweenPages;
            return;
        }
        if (place_ != Place::Start && IsJobNameLine(payload))
            Fail(at, Rule::JobName, "job-name frame after the first page or after a reset");
        CheckGeneratedPjlLines(payload, payloadAt);
        out_ += Hex(at, 6) + " F3 job-start length=" + std::to_string(payload.size()) + " \"" + EscapeBytes(payload) +
                "\"\n";
        ++summary_.jobStarts;
        place_ = place_ == Place::Start ? Place::AfterJobStart : Place::BetweenPages;
    }

    void CheckJobName(std::span<const std::uint8_t> payload, std::uint64_t payloadAt)
    {
        if (!IsJobNameLine(payload))
            Fail(payloadAt, Rule::JobName, "job-name line not of the form @PJL SET JOBNAME = \"name\" CR LF");
        for (std::size_t i = kJobNamePrefix.size(); i < payload.size() - 3; ++i) {
            if (payload[i] == 0) Fail(payloadAt + i, Rule::JobName, "job name holds byte " + Hex(payload[i], 2));
        }
        if (payload.size() == kJobNameOverhead) Fail(payloadAt, Rule::JobName, "job-name frame with an empty name");
    }

    void OnPageStart(std::uint64_t at, std::span<const std::uint8_t> payload, std::uint64_t payloadAt)
    {
        if (place_ == Place::Start) Fail(at, Rule::FrameOrder, "0xF4 frame before the JobStart frame");
        if (place_ == Place::AfterPageStart || place_ == Place::InPage)
            Fail(at, Rule::FrameOrder, "0xF4 frame inside page " + std::to_string(page_));
        CheckGeneratedPjlLines(payload, payloadAt);
        ++page_;
        out_ += Hex(at, 6) + " F4 page-start page=" + std::to_string(page_) +
                " length=" + std::to_string(payload.size()) + " \"" + EscapeBytes(payload) + "\"\n";
        place_ = Place::AfterPageStart;
    }

    void OnMarker(std::uint64_t at, std::uint32_t length)
    {
        if (place_ != Place::AfterPageStart) Fail(at, Rule::FrameOrder, "0xF0 frame not directly after 0xF4");
        if (length != 0) Fail(at + 4, Rule::FrameLength, "0xF0 frame of length " + std::to_string(length));
        out_ += Hex(at, 6) + " F0\n";
        page_decoder_.emplace(out_, summary_, options_.pages);
        if (options_.pages) options_.pages->BeginPage(page_);
        place_ = Place::InPage;
    }

    void OnDisplayList(std::uint64_t at, std::span<const std::uint8_t> payload, std::uint64_t payloadAt)
    {
        CheckDisplayListPlace(at);
        out_ += Hex(at, 6) + " F5 display-list length=" + std::to_string(payload.size()) + "\n";
        summary_.displayListBytes += payload.size();
        page_decoder_->Feed(payload, payloadAt);
    }

    void OnPageEnd(std::uint64_t at, std::span<const std::uint8_t> payload, std::uint64_t payloadAt)
    {
        if (place_ == Place::AfterPageStart) Fail(at, Rule::FrameOrder, "0xF4 frame not followed by 0xF0");
        if (place_ != Place::InPage) Fail(at, Rule::FrameOrder, "0xF1 frame outside a page");
        page_decoder_->Finish(at);
        page_decoder_.reset();
        if (options_.pages) options_.pages->EndPage();
        CheckGeneratedPjlLines(payload, payloadAt);
        out_ += Hex(at, 6) + " F1 page-end page=" + std::to_string(page_) +
                " length=" + std::to_string(payload.size()) + " \"" + EscapeBytes(payload) + "\"\n";
        ++summary_.pages;
        place_ = Place::BetweenPages;
    }

    Reader reader_;
    const DecodeOptions& options_;
    std::string& out_;
    Summary& summary_;
    std::size_t nextRaw_ = 0;
    std::uint64_t page_ = 0;
    Place place_ = Place::Start;
    std::optional<PageDecoder> page_decoder_;
};

}  // namespace

std::string EscapeBytes(std::span<const std::uint8_t> bytes)
{
    std::string text;
    text.reserve(bytes.size());
    for (const std::uint8_t b : bytes) {
        switch (b) {
        case '\r':
            text += "\\r";
            break;
        case '\n':
            text += "\\n";
            break;
        case '\t':
            text += "\\t";
            break;
        case '\\':
            text += "\\\\";
            break;
        case '"':
            text += "\\\"";
            break;
        default:
            if (b >= 0x20 && b < 0x7F) {
                text += static_cast<char>(b);
            } else {
                char buffer[8];
                std::snprintf(buffer, sizeof buffer, "\\x%02X", b);
                text += buffer;
            }
        }
    }
    return text;
}

std::string Hex(std::uint64_t value, int digits)
{
    char buffer[24];
    if (digits > 0) {
        std::snprintf(buffer, sizeof buffer, "%0*llX", digits, static_cast<unsigned long long>(value));
        return buffer;
    }
    std::snprintf(buffer, sizeof buffer, "0x%llX", static_cast<unsigned long long>(value));
    return buffer;
}

std::uint32_t ContentHash(std::span<const std::uint8_t> bytes)
{
    // Indexed over the bytes: an unoptimised build would otherwise call the
    // span's iterator functions for every byte of an image.
    std::uint32_t hash = 2166136261u;
    const std::uint8_t* data = bytes.data();
    for (std::size_t i = 0, count = bytes.size(); i < count; ++i) {
        hash ^= data[i];
        hash *= 16777619u;
    }
    return hash;
}

const char* RuleName(Rule rule)
{
    switch (rule) {
    case Rule::FrameHeader:
        return "frame-header";
    case Rule::FrameType:
        return "frame-type";
    case Rule::FrameReserved:
        return "frame-reserved";
    case Rule::FrameLength:
        return "frame-length";
    case Rule::FrameOrder:
        return "frame-order";
    case Rule::JobName:
        return "job-name";
    case Rule::PjlLine:
        return "pjl-line";
    case Rule::RawBytes:
        return "raw-bytes";
    case Rule::PageStructure:
        return "page-structure";
    case Rule::RecordType:
        return "record-type";
    case Rule::RecordLength:
        return "record-length";
    case Rule::RecordTruncated:
        return "record-truncated";
    case Rule::Reserved:
        return "reserved";
    case Rule::FieldValue:
        return "field-value";
    case Rule::PathBody:
        return "path-body";
    case Rule::ImageLayout:
        return "image-layout";
    case Rule::GlyphBitmap:
        return "glyph-bitmap";
    case Rule::GlyphReuse:
        return "glyph-reuse";
    case Rule::StateRepeat:
        return "state-repeat";
    }
    return "unknown";
}

std::string FormatViolation(const Violation& violation)
{
    return "offset " + Hex(violation.offset) + ": " + RuleName(violation.rule) + ": " + violation.detail;
}

DecodeResult DecodeJobStream(ByteSource& source, const DecodeOptions& options)
{
    DecodeResult result;
    StreamDecoder decoder(source, options, result);
    try {
        decoder.Run();
    } catch (const Malformed& malformed) {
        result.violation = Violation{malformed.offset, malformed.rule, malformed.detail};
        result.summary.streamBytes = decoder.Position();
    }
    decoder.Hand();
    return result;
}

DecodeResult DecodeJobStream(std::span<const std::uint8_t> stream, const DecodeOptions& options)
{
    SpanSource source(stream);
    DecodeResult result = DecodeJobStream(source, options);
    result.summary.streamBytes = stream.size();
    return result;
}

std::string FormatSummary(const Summary& summary)
{
    std::string text;
    std::uint64_t frames = 0;
    for (const auto& [type, count] : summary.frames) frames += count;
    text += "frames: " + std::to_string(frames);
    if (frames) {
        text += " (";
        bool first = true;
        for (const auto& [type, count] : summary.frames) {
            text += (first ? "" : ", ") + Hex(type, 2) + " " + std::to_string(count);
            first = false;
        }
        text += ")";
    }
    text +=
        "\njob starts: " + std::to_string(summary.jobStarts) + (summary.jobName ? ", with job name" : ", no job name");
    text += "\npages: " + std::to_string(summary.pages);
    std::uint64_t records = 0;
    for (const auto& [type, count] : summary.records) records += count;
    text += "\nrecords: " + std::to_string(records) + "\n";
    for (const auto& [type, count] : summary.records)
        text += "  " + Hex(type, 2) + " " + RecordName(type) + ": " + std::to_string(count) + "\n";
    text += "bytes: " + std::to_string(summary.streamBytes) + " (display list " +
            std::to_string(summary.displayListBytes) + ")\n";
    if (summary.rawChunks)
        text += "pass-through: " + std::to_string(summary.rawChunks) + " pieces, " + std::to_string(summary.rawBytes) +
                " bytes\n";
    return text;
}

}  // namespace vexl::dump
