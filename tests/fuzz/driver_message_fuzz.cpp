// A UI string used as the format of a driver message, with the arguments of
// a request: the string comes from the UI resource library, the text
// argument from a settings file or a user. The first byte picks the kind,
// the next the count (numbers may be more than the eight a message takes),
// then up to 16 numbers, then the argument text and the format, split at
// the first zero character. Nothing may be read past the arguments given.
#include "fuzz_support.h"

#include "ui/services/messages.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

using namespace vexl;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2) return 0;
    const std::uint16_t kind = data[0] % 3;
    const std::uint16_t count = data[1];
    data += 2;
    size -= 2;
    // The numbers actually given: at most 16, however many the count claims.
    std::vector<std::uint16_t> numbers;
    while (numbers.size() < 16 && size >= 2) {
        numbers.push_back(static_cast<std::uint16_t>(data[0] | data[1] << 8));
        data += 2;
        size -= 2;
    }
    std::u16string rest;
    for (std::size_t i = 0; i + 1 < size; i += 2) rest.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
    const std::size_t split = rest.find(u'\0');
    const std::u16string argument = split == std::u16string::npos ? std::u16string() : rest.substr(0, split);
    const std::u16string format = split == std::u16string::npos ? rest : rest.substr(split + 1);

    ui::MessageRequest request{};
    request.argumentKind = kind;
    if (kind == ui::kMessageNumbers) {
        request.argumentCount = static_cast<std::uint16_t>(std::min<std::size_t>(count, numbers.size()));
        request.argument = numbers.empty() ? nullptr : numbers.data();
    } else if (kind == ui::kMessageText) {
        request.argument = argument.c_str();
    }
    request.prefix = (count & 1) ? u"prefix" : nullptr;
    request.suffix = (count & 2) ? u"suffix" : nullptr;
    ui::ComposeDriverMessage(format, request);
    return 0;
}
