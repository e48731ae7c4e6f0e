// Pictures of the pages of a job: every checked display-list record is drawn
// into a page the size of the printable area, as the printer would put ink
// on paper, and each page is written as a PNG at the resolution asked.
//
// Raster jobs are their bands (image records); vector jobs are drawn from
// their rectangles, paths, patterns, images and glyphs. The printer's own
// fonts are drawn with the text font the program is given (FreeType), at the
// em size the font selection names.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "vexl_dump.h"

namespace vexl::dump {

struct PictureOptions {
    std::filesystem::path folder;  // where page-N.png files go
    std::string stem = "page";     // file names: <stem>-<N>.png
    int dpi = 150;                 // resolution of the pictures
    std::string deviceFontFile;    // a TrueType file for the printer's own fonts; empty: their boxes are outlined
};

// A page that cannot be drawn (its size beyond what is drawn, or a PNG that
// cannot be written); the decoding stops with it.
struct PictureError {
    std::string what;
};

class PagePictures : public PageSink {
public:
    explicit PagePictures(PictureOptions options);
    ~PagePictures() override;

    void BeginPage(std::uint64_t page) override;
    void Record(std::span<const std::uint8_t> record) override;
    void EndPage() override;

    // The files written so far, in page order.
    const std::vector<std::filesystem::path>& Files() const { return files_; }

    struct Canvas;

private:
    PictureOptions options_;
    std::uint64_t page_ = 0;
    std::unique_ptr<Canvas> canvas_;
    std::vector<std::filesystem::path> files_;
};

}  // namespace vexl::dump
