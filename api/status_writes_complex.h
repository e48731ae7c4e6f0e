// The set and verify handlers of the statuses that do more than write one
// value: the preset file (1), paper size (7), output paper size (8), job
// information (10), the interface's own watermark (16), the watermark
// selection (17) and the driver information selectors (50). Their rows are
// in the StatusWriteRows table.
#pragma once

#include "api/frame.h"

#include <cstdint>

namespace vexl::api {

int SetPresetFile(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t* changed,
                  std::uint32_t mode);
int SetPaperSize(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t* changed,
                 std::uint32_t mode);
int VerifyPaperSize(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t* changed,
                    std::uint32_t mode);
int SetOutputPaper(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t* changed,
                   std::uint32_t mode);
int VerifyOutputPaper(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t* changed,
                      std::uint32_t mode);
int SetJobInformation(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t* changed,
                      std::uint32_t mode);
int VerifyJobInformation(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t* changed,
                         std::uint32_t mode);
int SetWatermark(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t* changed,
                 std::uint32_t mode);
int SetWatermarkSelection(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t* changed,
                          std::uint32_t mode);
int SetDriverInformation(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t* changed,
                         std::uint32_t mode);
int VerifyDriverInformation(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t* changed,
                            std::uint32_t mode);
}  // namespace vexl::api
