// What the set and verify handlers of the statuses share: the handler's own
// copy of the caller's structure, the structure-version rules of a write,
// the value tests and the small answers of capabilities they ask.
#pragma once

#include "api/frame.h"
#include "api/handler_rows.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace vexl::api {

// The largest status structure a handler reads (statuses 1 and 56).
inline constexpr std::size_t kLargestStatusStructure = 824;

// A text field of a status structure: its text up to the terminator, and
// whether the field held a terminator at all. An unterminated field is too
// long for its field and is refused by every handler.
struct StatusText {
    std::string text;
    bool terminated = false;
};

// The handler's own copy of the caller's structure. A handler reads the
// structure only through it and never writes into the caller's memory; the
// copy holds the bytes of the structure version the caller passed, the rest
// reads as zero.
class StatusInput {
public:
    StatusInput(const void* input, std::size_t size);

    std::uint32_t Version() const { return U32(0); }
    std::uint32_t U32(std::size_t offset) const;
    std::uint16_t U16(std::size_t offset) const;
    void SetU32(std::size_t offset, std::uint32_t value);
    // The text of the field of size bytes at offset.
    StatusText Text(std::size_t offset, std::size_t size) const;

private:
    std::array<std::uint8_t, kLargestStatusStructure> bytes_{};
};

// The structure version a handler works with: the caller's version, or the
// latest one when the caller's is newer (the engine writes the known part of
// a newer structure).
std::uint32_t GetWrittenVersion(std::uint32_t id, const void* input);
// The copy of the caller's structure in the version it names (bounded by
// the latest version's size).
StatusInput CopyStatusInput(std::uint32_t id, const void* input);
// The API version in force reaches the minimum of the structure version
// (a version above the latest takes the latest version's minimum).
BOOL PassesMinimumApi(std::uint32_t id, std::uint32_t version);

// Sets the instance's last error and answers -1.
int RefuseWrite(DriverContext* instance, std::int32_t code);

// CheckItemValue answers 1 (the other answers all refuse).
BOOL IsValueAccepted(DriverContext* instance, std::uint16_t item, std::uint32_t value);
// CheckItemValueCode answers 1 (5, allowed while a second judge holds, does not count).
BOOL IsValueStrictlyAccepted(DriverContext* instance, std::uint16_t item, std::uint32_t value);
// The check code of CheckItemValueCode (1 allowed, 4 excluded, 5 allowed
// while a second judge holds, ...); 2 for an item the model does not know.
int GetValueCheckCode(DriverContext* instance, std::uint16_t item, std::uint32_t value);
// A length in 0.1 mm as 1200-dpi dots, and back.
std::uint32_t TenthMmAsDots(std::uint32_t value);
std::uint32_t DotsAsTenthMm(std::uint32_t dots);

// The answer of a capability's handler for the instance (the count of a
// list, or the single answer), asked directly: the handlers' questions
// neither pass the request gates again nor reopen the printer.
std::int32_t AskCapability(DriverContext* instance, std::uint32_t capabilityId);
// The capability answers neither -1 nor 0.
BOOL CapabilityAnswers(DriverContext* instance, std::uint32_t capabilityId);
// The value list of a capability holds the value. FALSE when the list cannot
// be had.
BOOL CapabilityListHolds(DriverContext* instance, std::uint32_t capabilityId, std::uint32_t value);

// The text of a text item, up to its terminator or the item's length.
std::string GetTextItem(DriverContext* instance, std::uint16_t item);
// Writes the text and its terminator into a text item; FALSE, and nothing
// written, when the text does not fit the item.
BOOL SetTextItem(DriverContext* instance, std::uint16_t item, const std::string& text);

// Runs the transactions of every UI entry of the item, in list order.
void RunItemTransacts(DriverContext* instance, std::uint16_t item);

// Shape B: when the status's switch is asked off (+28 is 0) the switch item
// goes off and the write is done; TRUE then.
BOOL SwitchOffIfAsked(DriverContext* instance, const StatusInput& in, std::uint16_t switchItem);

// The handlers of the statuses that do more than one shape, by file. Every
// one has the shape of StatusSetHandler.
// status_writes_layout.cpp
int SetScaling(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t* changed, std::uint32_t mode);
int VerifyScaling(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t* changed,
                  std::uint32_t mode);
int SetCoverSheet(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t* changed,
                  std::uint32_t mode);
int VerifyCoverSheet(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t* changed,
                     std::uint32_t mode);
int SetMarkSheet(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t* changed,
                 std::uint32_t mode);
int VerifyMarkSheet(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t* changed,
                    std::uint32_t mode);
int SetNup(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t* changed, std::uint32_t mode);
int VerifyNup(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t* changed, std::uint32_t mode);
int SetDuplex(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t* changed, std::uint32_t mode);
int VerifyDuplex(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t* changed,
                 std::uint32_t mode);
int SetImageShift(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t* changed,
                  std::uint32_t mode);
int VerifyImageShift(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t* changed,
                     std::uint32_t mode);
int SetSorting(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t* changed, std::uint32_t mode);
int VerifySorting(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t* changed,
                  std::uint32_t mode);
int SetFinishing(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t* changed,
                 std::uint32_t mode);
int VerifyFinishing(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t* changed,
                    std::uint32_t mode);
int SetPaperRotation(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t* changed,
                     std::uint32_t mode);
int VerifyPaperRotation(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t* changed,
                        std::uint32_t mode);
int SetManualTrayOrientation(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t* changed,
                             std::uint32_t mode);
int VerifyManualTrayOrientation(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t* changed,
                                std::uint32_t mode);
int SetIndexRotation(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t* changed,
                     std::uint32_t mode);
int VerifyIndexRotation(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t* changed,
                        std::uint32_t mode);
int SetBackCover(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t* changed,
                 std::uint32_t mode);
int VerifyBackCover(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t* changed,
                    std::uint32_t mode);
int SetReverseCover(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t* changed,
                    std::uint32_t mode);
int VerifyReverseCover(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t* changed,
                       std::uint32_t mode);
int SetCoverMedia(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t* changed,
                  std::uint32_t mode);
int SetFolding(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t* changed, std::uint32_t mode);
int VerifyFolding(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t* changed,
                  std::uint32_t mode);
// status_writes_quality.cpp
int SetResolution(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t* changed,
                  std::uint32_t mode);
int SetPlanes(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t* changed, std::uint32_t mode);
int VerifyPlanes(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t* changed,
                 std::uint32_t mode);
int SetPrintMacro(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t* changed,
                  std::uint32_t mode);
int VerifyPrintMacro(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t* changed,
                     std::uint32_t mode);
int SetTonerSave(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t* changed,
                 std::uint32_t mode);
int VerifyTonerSave(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t* changed,
                    std::uint32_t mode);
int SetLoadShare(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t* changed,
                 std::uint32_t mode);
int VerifyLoadShare(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t* changed,
                    std::uint32_t mode);
// status_writes_marks.cpp
int SetHeaderFooter(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t* changed,
                    std::uint32_t mode);
int VerifyHeaderFooter(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t* changed,
                       std::uint32_t mode);
int SetCopyProtect(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t* changed,
                   std::uint32_t mode);
int VerifyCopyProtect(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t* changed,
                      std::uint32_t mode);
// status_writes_jobs.cpp
int SetUserId(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t* changed, std::uint32_t mode);
int SetPresetNumber(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t* changed,
                    std::uint32_t mode);
int VerifyPresetNumber(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t* changed,
                       std::uint32_t mode);
int SetAuthenticationUser(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t* changed,
                          std::uint32_t mode);
int SetAuthenticationLevel(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t* changed,
                           std::uint32_t mode);
int VerifyAuthenticationLevel(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t* changed,
                              std::uint32_t mode);
int SetChapters(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t* changed,
                std::uint32_t mode);
int VerifyChapters(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t* changed,
                   std::uint32_t mode);

}  // namespace vexl::api
