// Menu template bytes, as a resource library holds them, through the parser
// LoadMenuW uses. A template that parses is loaded as a menu and walked by
// position and by command; a cut copy of it must be refused.
#include "fuzz_support.h"

#include "platform/menus.h"
#include "platform/menus_host.h"

#include <cstdlib>
#include <vector>

using namespace vexl;

namespace {

std::size_t CountItems(const std::vector<windows::MenuItemInfo>& items)
{
    std::size_t count = items.size();
    for (const auto& item : items) count += CountItems(item.popup);
    return count;
}

// The template's own end: each item a fixed part and a terminated text.
std::size_t TemplateBytes(const std::vector<windows::MenuItemInfo>& items)
{
    std::size_t bytes = 0;
    for (const auto& item : items)
        bytes += ((item.flags & MF_POPUP) ? 2 : 4) + 2 * (item.text.size() + 1) + TemplateBytes(item.popup);
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<windows::MenuItemInfo> items;
    if (!windows::ParseMenuTemplate(data, size, items)) return 0;
    if (CountItems(items) == 0) std::abort();
    const std::size_t used = 4 + (data[2] | (data[3] << 8)) + TemplateBytes(items);
    if (used > size) std::abort();
    std::vector<windows::MenuItemInfo> cut;
    if (windows::ParseMenuTemplate(data, used - 1, cut)) std::abort();
    return 0;
}
