// The description file of a printer: the data file of its driver.
#include "common/model/reader.h"

#include "platform/spooler.h"

#include <vector>

namespace vexl::model {

std::u16string GetDescriptionFilePath(HANDLE printer)
{
    DWORD needed = 0;
    GetPrinterDriverW(printer, nullptr, 2, nullptr, 0, &needed);
    if (needed < sizeof(DRIVER_INFO_2W)) return {};
    std::vector<BYTE> block(needed, 0);
    if (!GetPrinterDriverW(printer, nullptr, 2, block.data(), needed, &needed)) return {};
    const auto* info = reinterpret_cast<const DRIVER_INFO_2W*>(block.data());
    if (!info->pDataFile) return {};
    return std::u16string(info->pDataFile);
}

}  // namespace vexl::model
