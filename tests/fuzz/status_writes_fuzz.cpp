// VEXLDrvSetStatus of the settings library, called through its export as an
// application calls it: every status that has a write, its structure a
// block of exactly the size of the version it names (the latest's size for
// a version past the latest), the changed-status bitmap exactly the 64
// bytes of the API version in force. A status read follows so that what
// the write stored is read back through the same structure.
//
// Input: a byte picking the status, a byte of structure version, a byte of
// mode, then the structure's bytes after its version field.
#include "api_library.h"

#include "api/descriptors.h"
#include "api/frame.h"
#include "api/status_layouts.h"
#include "api/versions.h"
#include "common/core/le.h"

#include <vector>

using namespace vexl;

namespace {

constexpr std::size_t kChangedBitmapBytes = 64;

// The statuses with a write under the latest API version.
const std::vector<std::uint32_t>& WrittenStatuses()
{
    static const std::vector<std::uint32_t> ids = [] {
        std::vector<std::uint32_t> found;
        for (std::uint32_t id = 1; id <= 512; ++id) {
            const api::ApiDescriptor* d = api::FindStatusDescriptorForVersion(id, api::kApiVersionLatest);
            if (d != nullptr && d->set != nullptr && api::FindStatusLayout(id) != nullptr) found.push_back(id);
        }
        return found;
    }();
    return ids;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const fuzz::ApiExports& library = fuzz::SettingsLibrary();
    if (library.instance == nullptr || library.setStatus == nullptr || WrittenStatuses().empty()) return 0;
    fuzz::InputReader input(data, size);
    const std::uint32_t id = WrittenStatuses()[input.Byte() % WrittenStatuses().size()];
    const std::uint32_t latest = api::FindStatusLayout(id)->latest();
    const std::uint32_t version = input.Byte() % (latest + 2);  // 0 to one past the latest
    const std::uint32_t mode = input.Byte() % 4;
    const std::uint32_t sized = version == 0 || version > latest ? latest : version;

    const std::size_t bytes = api::GetStatusStructureSize(id, sized);
    if (bytes < 4) return 0;
    fuzz::CallerBlock structure({}, bytes);
    WriteLe32(structure.data(), version);
    const std::string_view rest = input.Rest();
    std::memcpy(structure.data() + 4, rest.data(), std::min(rest.size(), bytes - 4));
    fuzz::CallerBlock changed({}, kChangedBitmapBytes);
    library.setStatus(library.instance, id, structure.data(), changed.data(), mode);

    if (library.getStatus != nullptr && id != VEXLDRV_STATUS_SELECTORS) {
        fuzz::CallerBlock read({}, bytes);
        WriteLe32(read.data(), sized);
        library.getStatus(library.instance, id, read.data(), sized);
    }
    return 0;
}
