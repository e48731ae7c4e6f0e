// The demonstration printer that vexl-print and the print benchmark use: a
// machine with one printer of the driver installed from the package, and
// the job options with which vexl-print prints on it.
#pragma once

#include "print_job.h"

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <vector>

namespace vexl::host {

inline constexpr const char16_t* kDemoPrinterName = u"VEXL Demo";
inline constexpr const char16_t* kDemoDriverName = u"VEXL Color 4540";

// The built files the demonstration machine installs.
struct DemoFiles {
    std::filesystem::path package;    // the package folder of the source tree
    std::filesystem::path graphics;   // TZ16E100
    std::filesystem::path interface;  // TZ16E130
    std::filesystem::path spool;      // TZ16C123
    std::filesystem::path resources;  // the US resource library
};

// A folder that setup does not take for a machine: anything but a folder
// that does not exist, an empty folder, or a machine that setup made earlier
// (its marker file). Nothing in it was touched.
struct MachineFolderRefused : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Makes the machine at `root` anew and puts it in use: the driver installed
// and the printer added through the spooler, so that the printer interface
// library initialises it. True when the printer has a default DEVMODE.
// Throws MachineFolderRefused for a folder it may not take.
bool SetUpDemoPrinter(const std::filesystem::path& root, const DemoFiles& files);

// The printer's default DEVMODE with text sent as glyph bitmaps (fonts the
// printer lacks are downloaded) and, for raster, the image print item on, so
// that the engine renders the page in bands.
std::vector<std::uint8_t> DemoJobDevmode(bool raster);

// The options of a job on the demonstration printer, as vexl-print prints it.
JobOptions DemoJobOptions(DWORD jobId, bool raster);

}  // namespace vexl::host
