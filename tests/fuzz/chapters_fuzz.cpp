// Chapter lists read from a settings file: the first bytes give the chapter
// limits and the count, the rest is the file. The list read is merged back
// into itself page by page with its own range texts and written out again.
#include "fuzz_support.h"

#include "common/core/items.h"
#include "common/core/memory.h"
#include "common/storage/module_chapters.h"
#include "support/model_context.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <vector>

using namespace vexl;

namespace {

constexpr const WCHAR* kFile = u"C:\\_vexl\\Chapters.rsd";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::UseFuzzMachine();
    fuzz::InputReader input(data, size);
    test::ModelContext context;
    DriverContext* ctx = context.get();
    lstrcpynW(context.work()->printerName, u"Fuzz", 261);
    SetItemValue(ctx, wdmChapterMax, input.Byte());
    SetItemValue(ctx, wdmChapterTrayMax, input.Byte() % 10);
    SetItemValue(ctx, wdmChapterNum, input.Le16());
    SetItemValue(ctx, wdmChapterKind, input.Byte() % 5);
    SetItemValue(ctx, wdmChapterTray, input.Le16());
    machine::WriteFile(kFile, input.Rest());

    const int count = LoadChapterList(ctx, kFile);
    std::vector<std::int32_t> pages;
    std::vector<std::array<WCHAR, kChapterRangeChars>> ranges;
    for (int i = 0; i < count; ++i) {
        const ChapterRecord* record = GetChapterRecord(ctx, i);
        if (!record) break;
        pages.push_back(record->page + 1);
        ranges.emplace_back();
        std::copy(std::begin(record->pageRange), std::end(record->pageRange), ranges.back().begin());
    }
    pages.push_back(0);
    ranges.emplace_back();
    MergeChapterPages(ctx, nullptr, pages.data(), reinterpret_cast<const WCHAR(*)[kChapterRangeChars]>(ranges.data()));
    ValidateChapterTrays(ctx);
    SaveChapterList(ctx, kFile);
    FreeIfNotNull(context.work()->chapters);
    return 0;
}
