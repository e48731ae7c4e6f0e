// vexl-dump: decodes a job byte stream into its listing, or its summary, and
// exits non-zero at the first byte that breaks a rule.
//
//   vexl-dump [--summary] [--raw-hint HEX]... [FILE | -]
//
// --summary      frames, pages, records by kind and bytes instead of the listing
// --raw-hint HEX bytes an application passed through unframed, expected
//                between frames in the order given (repeat for several pieces)
//
// Exit codes: 0 well formed, 1 malformed (the offset and the rule on stderr),
// 2 bad arguments or an unreadable file.
#include <cctype>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "vexl_dump.h"

namespace {

int Usage()
{
    std::cerr << "usage: vexl-dump [--summary] [--raw-hint HEX]... [FILE | -]\n";
    return 2;
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
    vexl::dump::DecodeOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--summary") {
            summary = true;
        } else if (arg == "--raw-hint") {
            std::vector<std::uint8_t> bytes;
            if (i + 1 >= argc || !ParseHex(argv[++i], bytes)) return Usage();
            options.rawChunks.push_back(std::move(bytes));
        } else if (arg == "--help" || arg == "-h") {
            Usage();
            return 0;
        } else if ((arg.size() > 1 && arg[0] == '-') || havePath) {
            return Usage();
        } else {
            path = arg;
            havePath = true;
        }
    }

    std::vector<std::uint8_t> stream;
    if (path == "-") {
        stream.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
    } else {
        std::ifstream file(path, std::ios::binary);
        if (!file) {
            std::cerr << "vexl-dump: cannot read " << path << "\n";
            return 2;
        }
        stream.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }

    const auto result = vexl::dump::DecodeJobStream(stream, options);
    std::cout << (summary ? vexl::dump::FormatSummary(result.summary) : result.listing);
    if (!result.ok()) {
        std::cout.flush();
        std::cerr << "vexl-dump: malformed stream at " << vexl::dump::FormatViolation(*result.violation) << "\n";
        return 1;
    }
    return 0;
}
