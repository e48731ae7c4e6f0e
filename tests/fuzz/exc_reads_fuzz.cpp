// The Exc reads of the settings library, called through their exports as an
// application calls them, each with a buffer of exactly the size the caller
// states: the base and change texts after a base and an update of the
// input's lines, the values of a PJL variable, the printer's options and
// values, the watermark lists (each input in an exclusive session of its own), the driver's ANSI DEVMODE and the settings
// INI's name.
//
// Input: a byte picking the read, a byte of stated size (times 8), a byte of
// flags or kind, then lines: the base text, an update line, and the name
// asked.
#include "api_library.h"

#include <string>

using namespace vexl;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const fuzz::ApiExports& library = fuzz::SettingsLibrary();
    if (library.excGetExclusive == nullptr || library.excFreeExclusive == nullptr) return 0;
    const EXCHANDLE handle = library.excGetExclusive(test::kPrinterNameAnsi);
    if (handle == nullptr) return 0;
    fuzz::InputReader input(data, size);
    const std::uint8_t read = input.Byte();
    const std::int32_t stated = input.Byte() * 8;
    const std::uint8_t flags = input.Byte();
    const std::string base(input.Line());
    const std::string line(input.Line());
    const std::string name(input.Line());

    std::int32_t needed = 0;
    library.excSetCommandBase(handle, base.empty() ? nullptr : (base + "\r\n").c_str(), &needed);
    if (!line.empty()) library.excUpdateCommand(handle, (line + "\r\n").c_str(), &needed);

    fuzz::CallerBlock buffer({}, static_cast<std::size_t>(stated));
    char* text = reinterpret_cast<char*>(buffer.data());
    switch (read % 9) {
    case 0:
        library.excGetCommandBase(handle, stated, text, &needed);
        break;
    case 1:
        library.excGetCommandChange(handle, stated, text, &needed);
        break;
    case 2:
        library.excGetCommandValue(handle, name.c_str(), flags & 1, stated, text, &needed);
        break;
    case 3:
        library.excGetPrinterOption(handle, name.c_str(), stated, text, &needed);
        break;
    case 4:
        library.excGetPrinterValue(handle, name.c_str(), stated, text, &needed);
        break;
    case 5:
        library.excGetWaterMarkList(handle, static_cast<std::int32_t>(flags % 4), stated, text, &needed);
        break;
    case 6:
        library.excGetDriverDevmode(test::kPrinterNameAnsi, flags, stated, reinterpret_cast<DEVMODEA*>(text),
                                    &needed);
        break;
    case 7:
        library.excGetIniFileName(test::kPrinterNameAnsi, stated, text, &needed);
        break;
    default:
        library.excGetIniFileName(name.c_str(), stated, text, &needed);
        break;
    }
    library.excFreeExclusive(handle);
    return 0;
}
