// vexl-dump: decodes a job byte stream into its listing, or its summary, and
// exits non-zero at the first byte that breaks a rule; on request it draws
// every page of the job as a PNG.
//
//   vexl-dump [--summary] [--raw-hint HEX]... [--png FOLDER [--dpi N] [--font FILE]] [FILE | -]
//
// --summary      frames, pages, records by kind and bytes instead of the listing
// --raw-hint HEX bytes an application passed through unframed, expected
//                between frames in the order given (repeat for several pieces)
// --png FOLDER   writes page-1.png, page-2.png ... of the job into the folder
// --dpi N        resolution of the pictures (default 150)
// --font FILE    TrueType file the printer's own fonts are drawn with
//
// The stream is read in pieces, so a job of any length goes through in
// bounded memory. Exit codes: 0 well formed, 1 malformed or empty (the
// offset and the rule on stderr), 2 bad arguments or an unreadable input.
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "page_picture.h"
#include "vexl_dump.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kUsage =
    "usage: vexl-dump [--summary] [--raw-hint HEX]... [--png FOLDER [--dpi N] [--font FILE]] [FILE | -]\n"
    "  decodes and checks a job file (or standard input with -) and prints its listing\n"
    "  --summary       frames, pages, records by kind and bytes instead of the listing\n"
    "  --raw-hint HEX  pass-through bytes expected between frames (repeat for several)\n"
    "  --png FOLDER    also draws every page as FOLDER/<job file name>-page-N.png\n"
    "  --dpi N         resolution of the pictures, 10 to 1200 (default 150)\n"
    "  --font FILE     TrueType file for the printer's own fonts (default DejaVu Sans)\n"
    "exit codes: 0 well formed, 1 malformed or empty, 2 bad arguments or unreadable input\n";

constexpr const char* kDefaultFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

int Usage()
{
    std::cerr << kUsage;
    return 2;
}

int Refuse(const std::string& what, int code = 2)
{
    std::cerr << "vexl-dump: " << what << "\n";
    return code;
}

// A file descriptor read piece by piece.
class FileSource : public vexl::dump::ByteSource {
public:
    explicit FileSource(int fd) : fd_(fd) {}
    std::size_t Read(std::uint8_t* into, std::size_t count) override
    {
        for (;;) {
            const ssize_t got = ::read(fd_, into, count);
            if (got >= 0) {
                total_ += static_cast<std::uint64_t>(got);
                return static_cast<std::size_t>(got);
            }
            if (errno != EINTR) throw vexl::dump::SourceError{std::strerror(errno)};
        }
    }
    std::uint64_t Total() const { return total_; }

private:
    int fd_;
    std::uint64_t total_ = 0;
};

// The descriptor of the input, or the one line that says why there is none.
std::optional<int> OpenInput(const std::string& path, std::string& why)
{
    if (path == "-") {
        if (::isatty(0)) {
            why = "no job file given and standard input is a terminal (give a file, pipe a job in, or see --help)";
            return std::nullopt;
        }
        return 0;
    }
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (!fs::exists(status)) {
        why = "cannot read " + path + ": no such file";
        return std::nullopt;
    }
    if (fs::is_directory(status)) {
        why = "cannot read " + path + ": it is a folder, not a job file";
        return std::nullopt;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        why = "cannot read " + path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    return fd;
}

bool ParseHex(const std::string& text, std::vector<std::uint8_t>& bytes)
{
    std::string digits;
    for (const char c : text) {
        if (c == ' ' || c == ':') continue;
        if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
        digits += c;
    }
    if (digits.empty() || digits.size() % 2 != 0) return false;
    for (std::size_t i = 0; i < digits.size(); i += 2)
        bytes.push_back(static_cast<std::uint8_t>(std::stoul(digits.substr(i, 2), nullptr, 16)));
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    bool summary = false;
    std::string path = "-";
    bool havePath = false;
    std::optional<vexl::dump::PictureOptions> pictures;
    int dpi = 150;
    std::string font = fs::exists(kDefaultFont) ? kDefaultFont : "";
    vexl::dump::DecodeOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--summary") {
            summary = true;
        } else if (arg == "--raw-hint") {
            std::vector<std::uint8_t> bytes;
            if (i + 1 >= argc || !ParseHex(argv[++i], bytes)) return Usage();
            options.rawChunks.push_back(std::move(bytes));
        } else if (arg == "--png") {
            if (i + 1 >= argc) return Usage();
            pictures.emplace();
            pictures->folder = argv[++i];
        } else if (arg == "--dpi") {
            const std::string value = i + 1 < argc ? argv[++i] : "";
            const bool digits =
                !value.empty() && value.size() <= 4 && value.find_first_not_of("0123456789") == std::string::npos;
            dpi = digits ? std::stoi(value) : 0;
            if (dpi < 10 || dpi > 1200)
                return Refuse("--dpi wants a resolution from 10 to 1200, not \"" + value + "\"");
        } else if (arg == "--font") {
            if (i + 1 >= argc) return Usage();
            font = argv[++i];
        } else if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            return 0;
        } else if ((arg.size() > 1 && arg[0] == '-') || havePath) {
            return Usage();
        } else {
            path = arg;
            havePath = true;
        }
    }

    std::string why;
    const std::optional<int> fd = OpenInput(path, why);
    if (!fd) return Refuse(why);
    if (pictures) {
        std::error_code error;
        if (!fs::is_directory(pictures->folder, error) && !fs::create_directories(pictures->folder, error))
            return Refuse("cannot make the picture folder " + pictures->folder.string() + ": " + error.message());
        pictures->dpi = dpi;
        pictures->deviceFontFile = font;
        pictures->stem = (path == "-" ? std::string("job") : fs::path(path).stem().string()) + "-page";
    }
    vexl::dump::PagePictures drawer(pictures.value_or(vexl::dump::PictureOptions{}));
    if (pictures) options.pages = &drawer;
    // The listing goes out as it is made, or nowhere for the summary; it is never held whole.
    if (summary)
        options.listingSink = [](std::string_view) {};
    else
        options.listingSink = [](std::string_view text) { std::cout << text; };

    FileSource source(*fd);
    vexl::dump::DecodeResult result;
    try {
        result = vexl::dump::DecodeJobStream(source, options);
    } catch (const vexl::dump::SourceError& error) {
        std::cout.flush();
        return Refuse("cannot read " + (path == "-" ? std::string("standard input") : path) + ": " + error.what);
    } catch (const vexl::dump::PictureError& error) {
        std::cout.flush();
        return Refuse("cannot draw page: " + error.what, 1);
    }
    if (*fd != 0) ::close(*fd);
    if (source.Total() == 0) {
        std::cout.flush();
        return Refuse((path == "-" ? std::string("standard input") : path) +
                          " is empty: a job holds at least its job-start frame",
                      1);
    }
    if (summary) std::cout << vexl::dump::FormatSummary(result.summary);
    for (const fs::path& file : drawer.Files()) std::cout << "picture: " << file.string() << "\n";
    if (!result.ok()) {
        std::cout.flush();
        const bool foreign = result.violation->offset == 0 && result.violation->rule == vexl::dump::Rule::FrameType;
        std::cerr << "vexl-dump: malformed stream at " << vexl::dump::FormatViolation(*result.violation)
                  << (foreign ? " (not a job byte stream)" : "") << "\n";
        return 1;
    }
    return 0;
}
