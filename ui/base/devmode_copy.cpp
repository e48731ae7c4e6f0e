// The copy of the driver's DEVMODE into a caller's buffer.
#include "ui/base/devmode_copy.h"

#include "common/core/devmode_public.h"
#include "common/core/store.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace vexl::ui {
namespace {

std::uint32_t DevmodeTotalSize(const DEVMODEW* devmode)
{
    return std::uint32_t(GetDevmodeField16(devmode, offsetof(DEVMODEW, dmSize))) +
           GetDevmodeField16(devmode, offsetof(DEVMODEW, dmDriverExtra));
}

}  // namespace

int CopyDevmodeToCaller(const DEVMODEW* driver, const DEVMODEW* callerIn, DEVMODEW* out)
{
    if (out == nullptr) return -1;
    if (driver == nullptr) return 0;
    if (callerIn == nullptr) {
        std::memcpy(out, driver, std::min<std::uint32_t>(DevmodeTotalSize(driver), GetDevmodeSize()));
        return 1;
    }
    const auto size = [](const DEVMODEW* d) { return GetDevmodeField16(d, offsetof(DEVMODEW, dmSize)); };
    const auto extra = [](const DEVMODEW* d) { return GetDevmodeField16(d, offsetof(DEVMODEW, dmDriverExtra)); };
    const DEVMODEW* publicFrom = size(callerIn) < size(driver) ? callerIn : driver;
    const DEVMODEW* privateFrom = extra(callerIn) < extra(driver) ? callerIn : driver;
    SetDevmodeField16(out, offsetof(DEVMODEW, dmSpecVersion), GetDevmodeField16(publicFrom, offsetof(DEVMODEW, dmSpecVersion)));
    SetDevmodeField16(out, offsetof(DEVMODEW, dmSize), size(publicFrom));
    SetDevmodeField16(out, offsetof(DEVMODEW, dmDriverVersion),
                      GetDevmodeField16(privateFrom, offsetof(DEVMODEW, dmDriverVersion)));
    SetDevmodeField16(out, offsetof(DEVMODEW, dmDriverExtra), extra(privateFrom));
    return CopyDevmodeForConversion(driver, out) > 0 ? 1 : 0;
}

}  // namespace vexl::ui
