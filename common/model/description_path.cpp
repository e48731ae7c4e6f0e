// The description file of a printer: the data file of its driver.
#include "common/model/reader.h"

#include "platform/kernel.h"
#include "platform/spooler.h"

#include <vector>

namespace vexl::model {

namespace {

// Room for the driver record of a usual printer, so that one call to the
// spooler answers; a longer record is asked for again at its size.
constexpr DWORD kUsualDriverInfoBytes = 2048;

std::u16string DataFileOf(const BYTE* block)
{
    const auto* info = reinterpret_cast<const DRIVER_INFO_2W*>(block);
    return info->pDataFile ? std::u16string(info->pDataFile) : std::u16string();
}

}  // namespace

std::u16string GetDescriptionFilePath(HANDLE printer)
{
    alignas(DRIVER_INFO_2W) BYTE usual[kUsualDriverInfoBytes];
    DWORD needed = 0;
    if (GetPrinterDriverW(printer, nullptr, 2, usual, sizeof usual, &needed)) return DataFileOf(usual);
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed < sizeof(DRIVER_INFO_2W)) return {};
    std::vector<BYTE> block(needed, 0);
    if (!GetPrinterDriverW(printer, nullptr, 2, block.data(), needed, &needed)) return {};
    return DataFileOf(block.data());
}

}  // namespace vexl::model
