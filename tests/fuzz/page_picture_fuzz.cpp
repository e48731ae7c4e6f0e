// A job byte stream drawn as pages by vexl-dump: any bytes, decoded with the
// page pictures receiving every record the checker let through. Drawing must
// stay inside its page whatever the coordinates, sizes and bitmaps say, and
// a page it cannot draw is refused, not drawn.
#include "fuzz_support.h"

#include "page_picture.h"
#include "support/test_machine.h"
#include "vexl_dump.h"

#include <span>

using namespace vexl;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const test::TemporaryFolder folder("vexl-page-picture-fuzz");
    fuzz::InputReader reader(data, size);
    // The first byte chooses a small resolution, so that pages stay cheap.
    dump::PictureOptions options;
    options.folder = folder.path();
    options.dpi = 10 + reader.Byte() % 30;
    const std::string_view rest = reader.Rest();
    const std::span<const std::uint8_t> stream(reinterpret_cast<const std::uint8_t*>(rest.data()), rest.size());
    dump::PagePictures pictures(options);
    dump::DecodeOptions decode;
    decode.pages = &pictures;
    try {
        (void)dump::DecodeJobStream(stream, decode);
    } catch (const dump::PictureError&) {
    }
    return 0;
}
