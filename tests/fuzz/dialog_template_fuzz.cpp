// Dialog template bytes, as a resource library holds them: read field by
// field within the given size, and when they read, made into a modeless
// dialog with its controls and destroyed again.
#include "fuzz_support.h"

#include "platform/windows.h"
#include "platform/windows_host.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

using namespace vexl;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    windows::DialogTemplate parsed;
    if (!windows::ParseDialogTemplate(data, size, parsed)) return 0;
    if (parsed.items.size() > size) std::abort();  // every item takes bytes of its own
    for (const windows::DialogItem& item : parsed.items) {
        if (item.windowClass.name.empty() && !item.windowClass.isOrdinal) std::abort();
    }

    // A template in memory has no size: the copy ends in zeros, which end
    // every field.
    std::vector<DWORD> aligned((size + 3) / 4 + 64, 0);
    std::memcpy(aligned.data(), data, size);
    const auto* dialogTemplate = reinterpret_cast<const DLGTEMPLATE*>(aligned.data());
    HWND dialog = CreateDialogIndirectParamW(nullptr, dialogTemplate, nullptr, nullptr, 0);
    if (dialog != nullptr) DestroyWindow(dialog);
    windows::ResetWindows();
    return 0;
}
