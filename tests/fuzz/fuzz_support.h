// What the fuzz targets share: the machine of the fuzzing process, made on
// first use and removed when the process ends, and a reader that cuts an
// input into the fields a target needs.
#pragma once

#include "platform/win32.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace vexl {
struct CompiledModel;
}

namespace vexl::fuzz {

// Makes this process use a machine of its own (once), with the shared
// settings directory C:\_vexl.
void UseFuzzMachine();

// The package's US resource library, installed in the driver folder once
// and loaded: a context holds it as a context of the package's printer
// does (FreeUiResourceLibraries frees it).
HMODULE LoadPackageResources();

// Loads every library of a machine folder once more, so none is unloaded
// while the process runs: the fuzzer keeps the coverage counters of every
// library it has seen, and an unloaded one would leave them unmapped.
void KeepFolderLibrariesLoaded(std::u16string_view folder);

// The driver package's description, as text.
const std::string& PackageDescriptionText();

// The package's description compiled once; nullptr when it does not compile.
CompiledModel* PackageModel();

// The package's printer on the fuzzing machine (once), with the printer
// interface library in its driver folder where the spooler loads it from.
void InstallPackagePrinter();

// A library of the driver folder (installed there from the build when
// missing) loaded and kept loaded until the process ends; nullptr when it
// does not load.
HMODULE KeepDriverLibrary(std::u16string_view fileName, const char* builtFile);

// An export of a loaded library, as the caller's function type.
template <typename Function> Function FindExport(HMODULE library, const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
}

// A heap block of exactly size bytes, filled from bytes and zero past them:
// a caller's buffer, so that a read or write past it is caught.
class CallerBlock {
public:
    CallerBlock(std::string_view bytes, std::size_t size);
    std::uint8_t* data() { return bytes_.get(); }
    std::size_t size() const { return size_; }
    DEVMODEW* devmode() { return reinterpret_cast<DEVMODEW*>(bytes_.get()); }

private:
    std::unique_ptr<std::uint8_t[]> bytes_;
    std::size_t size_;
};

// A caller's DEVMODE: a block of exactly the size its header declares
// (dmSize + dmDriverExtra), or of the header alone when that is more.
CallerBlock DeclaredDevmode(std::string_view bytes);

// Fields taken from the front of an input; a field past the end reads as
// zero or empty.
class InputReader {
public:
    InputReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool empty() const { return position_ >= size_; }
    std::uint8_t Byte();
    std::uint16_t Le16();
    std::uint32_t Le32();
    // Up to count bytes.
    std::string_view Bytes(std::size_t count);
    std::string_view Rest() { return Bytes(size_ - position_); }
    // Up to the next line end (CR, LF or CRLF), without it.
    std::string_view Line();

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t position_ = 0;
};

// Bytes as UTF-16 units, little-endian, an odd last byte left out.
std::u16string WideFromBytes(std::string_view bytes);

}  // namespace vexl::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
