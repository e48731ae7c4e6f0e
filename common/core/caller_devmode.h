// A DEVMODE handed in from outside the driver (a job's, an application's,
// the spooler's stored one), read only within what it declares: a public
// field when it lies inside dmSize, the driver's part as far as
// dmDriverExtra reaches, and nothing past the buffer when the caller states
// the buffer's size. A field outside them reads as absent.
//
// The header that holds dmSize and dmDriverExtra is read when the buffer
// holds it; a buffer of unknown size is taken to hold it (the spooler and
// applications always hand in at least the header).
#pragma once

#include "platform/devmode.h"
#include "platform/win32.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>

namespace vexl {

class CallerDevmode {
public:
    static constexpr std::size_t kBufferSizeUnknown = std::numeric_limits<std::size_t>::max();
    // Where dmSize and dmDriverExtra end.
    static constexpr std::size_t kHeaderEnd = offsetof(DEVMODEW, dmDriverExtra) + sizeof(WORD);

    explicit CallerDevmode(const DEVMODEW* devmode, std::size_t bufferSize = kBufferSizeUnknown);

    bool IsPresent() const { return bytes_ != nullptr; }
    const DEVMODEW* Devmode() const { return reinterpret_cast<const DEVMODEW*>(bytes_); }
    // dmSize and dmDriverExtra as declared; 0 when the buffer does not hold them.
    std::uint16_t DeclaredPublicSize() const { return declaredPublic_; }
    std::uint16_t DeclaredDriverExtra() const { return declaredExtra_; }
    // The bytes of the public record and of the driver's part that can be
    // read: the declared sizes cut to the buffer.
    std::size_t PublicSize() const { return publicSize_; }
    std::size_t DriverExtra() const { return driverExtra_; }

    // Whether a public field of width bytes at offset lies inside the record.
    bool Reaches(std::size_t offset, std::size_t width) const { return offset + width <= publicSize_; }
    std::optional<std::uint16_t> Field16(std::size_t offset) const;
    std::optional<std::uint32_t> Field32(std::size_t offset) const;
    // A SHORT field, sign-extended.
    std::optional<std::int32_t> Short(std::size_t offset) const;
    // dmFields; 0 when the record ends before it.
    std::uint32_t Fields() const;
    // dmFormName into out, cut to 31 characters and terminated; false (and
    // out empty) when the record ends before the field ends.
    bool FormName(WCHAR (&out)[CCHFORMNAME]) const;
    // The driver's part (dmSize bytes in), nullptr when it has no readable byte.
    const std::uint8_t* DriverPart() const;

private:
    const std::uint8_t* bytes_;
    std::uint16_t declaredPublic_ = 0;
    std::uint16_t declaredExtra_ = 0;
    std::size_t publicSize_ = 0;
    std::size_t driverExtra_ = 0;
};

}  // namespace vexl
