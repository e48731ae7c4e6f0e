// The all-capabilities record. One table gives every field of the record in
// the order it is filled: where it lies, which capability fills it, which
// status must be enabled for it to be asked, and the API version it needs.
#include "api/all_capabilities.h"

#include "api/low_memory.h"
#include "common/core/le.h"

#include <algorithm>
#include <cstddef>
#include <mutex>
#include <vector>

namespace vexl::api {

namespace {

enum class FieldKind : std::uint8_t {
    kValue,  // the answer as a u32 (packed pairs keep their halves, low first)
    kList,   // count and address of an array of entrySize-byte entries
    kPair,   // two i32 written by the capability into the field
};

struct AllCapsField {
    std::uint16_t offset;
    std::uint16_t capability;
    std::uint16_t status;
    FieldKind kind;
    std::uint16_t entrySize;
    std::uint8_t minApi;          // 0: no version needed beyond the record's own rule
    std::uint16_t requireOffset;  // asked only when the u32 at this offset is not 0; 0 for none
};

constexpr std::uint16_t kValues = 4;
constexpr std::uint16_t kSizes = 8;

constexpr AllCapsField V(std::uint16_t offset, std::uint16_t cap, std::uint16_t status, std::uint16_t require = 0,
                         std::uint8_t minApi = 0)
{
    return {offset, cap, status, FieldKind::kValue, 4, minApi, require};
}
constexpr AllCapsField L(std::uint16_t offset, std::uint16_t cap, std::uint16_t status, std::uint16_t entry,
                         std::uint16_t require = 0, std::uint8_t minApi = 0)
{
    return {offset, cap, status, FieldKind::kList, entry, minApi, require};
}

constexpr AllCapsField kAllCapsFields[] = {
    V(4, 1, 1),
    L(8, 2, 2, kValues),
    L(16, 3, 2, VEXL_CAPS_NAME24),
    L(24, 4, 3, kValues),
    L(32, 5, 3, VEXL_CAPS_NAME64),
    L(40, 6, 4, kValues),
    L(48, 7, 4, VEXL_CAPS_NAME64),
    V(56, 8, 5),
    V(60, 9, 6),
    L(64, 10, 7, kValues),
    L(72, 11, 7, VEXL_CAPS_NAME64),
    L(80, 12, 7, kSizes),
    V(88, 13, 7),
    V(92, 14, 7),
    L(96, 15, 8, kValues),
    L(104, 16, 8, VEXL_CAPS_NAME64),
    V(112, 17, 9),
    L(116, 18, 10, kValues),
    V(124, 19, 11),
    V(128, 20, 11),
    V(132, 21, 11),
    V(136, 22, 12),
    V(140, 23, 13),
    V(144, 24, 14),
    V(148, 25, 15),
    V(152, 26, 15),
    V(156, 27, 15),
    V(160, 28, 15),
    V(164, 29, 15),
    L(168, 30, 16, kValues),
    V(176, 31, 17),
    L(180, 32, 17, kValues, 176),
    L(188, 33, 17, VEXL_CAPS_NAME64, 176),
    V(196, 34, 18),
    V(200, 35, 18, 196),
    V(204, 36, 18, 196),
    V(208, 37, 18, 196),
    V(212, 38, 18, 196),
    L(216, 39, 19, kValues),
    L(224, 40, 20, kValues),
    L(232, 41, 21, kValues),
    V(240, 42, 22),
    V(244, 43, 23),
    V(248, 44, 24),
    L(252, 45, 25, kValues),
    V(260, 46, 26),
    L(264, 47, 27, kValues),
    V(272, 48, 28),
    V(276, 49, 29),
    V(280, 50, 30),
    V(284, 51, 31),
    V(288, 52, 32),
    V(292, 53, 33),
    L(296, 54, 34, kValues),
    V(304, 55, 35),
    L(308, 56, 13, kValues),
    V(316, 57, 36),
    // From +320 on, API version 6 or later.
    L(320, 66, 20, kValues),
    L(328, 67, 21, kValues),
    V(336, 60, 38),
    V(340, 257, 257),
    L(344, 61, 39, kValues),
    V(352, 62, 40),
    V(356, 258, 40),
    V(360, 259, 40),
    V(364, 63, 41),
    V(368, 260, 41),
    V(372, 261, 41),
    V(376, 64, 42),
    V(380, 262, 42),
    V(384, 263, 42),
    V(388, 65, 43),
    V(392, 264, 43),
    V(396, 265, 43),
    L(400, 266, 259, kValues),
    L(408, 267, 259, VEXL_CAPS_NAME64),
    L(416, 268, 260, kValues),
    L(424, 269, 260, VEXL_CAPS_NAME64),
    V(432, 270, 258),
    L(436, 271, 261, kValues),
    L(444, 272, 261, VEXL_CAPS_NAME64),
    V(452, 69, 45),
    V(456, 273, 263),
    V(460, 274, 264),
    L(464, 275, 264, kValues),
    V(472, 70, 46),
    V(476, 71, 47),
    V(480, 72, 48),
    V(484, 73, 49),
    V(488, 74, 50),
    L(492, 75, 51, kValues),
    V(500, 76, 19),
    L(504, 77, 16, kValues),
    V(512, 78, 16),
    V(516, 79, 47),
    V(520, 80, 52),
    V(524, 81, 53),
    V(528, 82, 54),
    V(532, 83, 10),
    V(536, 276, 265),
    L(540, 277, 266, kValues),
    L(548, 278, 267, kValues),
    L(556, 279, 267, VEXL_CAPS_NAME64),
    V(564, 280, 268),
    L(568, 281, 269, kValues),
    L(576, 282, 269, VEXL_CAPS_NAME64),
    L(584, 85, 56, kValues),
    L(592, 86, 56, VEXL_CAPS_NAME64),
    V(600, 84, 55),
    V(604, 87, 57),
    V(608, 88, 58),
    V(612, 89, 59),
    V(616, 90, 59),
    V(620, 91, 59),
    L(624, 92, 60, kValues),
    L(632, 93, 61, kValues),
    V(640, 94, 62),
    V(644, 95, 63),
    V(648, 96, 64),
    V(652, 97, 65),
    V(656, 98, 66),
    V(660, 99, 67),
    V(664, 100, 67),
    V(668, 101, 28, 0, 14),
    V(672, 102, 28, 0, 14),
    L(676, 103, 15, kValues, 0, 14),
    L(684, 104, 15, kValues, 0, 14),
    L(692, 105, 14, kValues, 0, 14),
    L(700, 106, 14, kValues, 0, 14),
    L(708, 107, 5, kValues, 0, 14),
    V(716, 108, 68),
    L(720, 109, 68, kValues),
    V(728, 110, 69),
    V(732, 111, 70),
    V(736, 112, 71),
    V(740, 113, 71, 736),
    V(744, 114, 71, 736),
    V(748, 115, 71, 736),
    V(752, 116, 71, 736),
    V(756, 117, 72),
    V(760, 118, 73),
    V(764, 119, 74),
    V(768, 120, 75),
    V(772, 121, 76),
    V(776, 122, 77),
    V(780, 123, 78),
    {784, 124, 7, FieldKind::kPair, 8, 16, 0},
    {792, 125, 7, FieldKind::kPair, 8, 16, 0},
    V(800, 126, 79),
    L(804, 127, 3, VEXL_CAPS_NAME260, 0, 16),
};

constexpr std::uint16_t kFirstVersion6Offset = 320;
constexpr std::uint16_t kOptionalListCapability = 45;

// A record being built and every block allocated for it.
struct IssuedRecord {
    VEXLALLCAPS* record = nullptr;
    std::vector<void*> blocks;
};

// The records handed out and not yet released, shared by every instance of
// the process.
std::mutex& IssuedLock()
{
    static std::mutex lock;
    return lock;
}
std::vector<IssuedRecord>& IssuedRecords()
{
    static std::vector<IssuedRecord> records;
    return records;
}

void FreeIssued(IssuedRecord& issued)
{
    for (void* block : issued.blocks) LowFree(block);
    LowFree(issued.record);
    issued = {};
}

std::uint8_t* RecordBytes(VEXLALLCAPS* record)
{
    return reinterpret_cast<std::uint8_t*>(record);
}

std::uint32_t LowAddress(const void* block)
{
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(block));
}

bool IsStatusEnabled(const std::uint8_t* bitmap, std::uint32_t bitmapBytes, std::uint32_t status)
{
    const std::uint32_t bit = status - 1;
    if (bit / 8 >= bitmapBytes) return false;
    return (bitmap[bit / 8] & (0x80u >> (bit % 8))) != 0;
}

// Asks a list twice, into an array of exactly the first count; a second
// answer that is not in 1..count fails.
bool FillList(DriverContext* instance, const AllCapabilitiesSource& source, const AllCapsField& field,
              IssuedRecord& issued)
{
    std::uint8_t* at = RecordBytes(issued.record) + field.offset;
    const std::int32_t count = source.ask(instance, field.capability, nullptr, 0);
    if (count < 0) return field.capability == kOptionalListCapability && source.machineSubCode1;
    if (count == 0) return true;
    void* array = LowAlloc(static_cast<std::size_t>(count) * field.entrySize);
    if (array == nullptr) return false;
    const std::int32_t filled = source.ask(instance, field.capability, array, static_cast<std::uint32_t>(count));
    if (filled < 1 || filled > count) {
        LowFree(array);
        return false;
    }
    issued.blocks.push_back(array);
    WriteLe32(at, static_cast<std::uint32_t>(filled));
    WriteLe32(at + 4, LowAddress(array));
    return true;
}

bool FillField(DriverContext* instance, const AllCapabilitiesSource& source, const AllCapsField& field,
               IssuedRecord& issued)
{
    std::uint8_t* at = RecordBytes(issued.record) + field.offset;
    switch (field.kind) {
    case FieldKind::kValue:
        WriteLe32(at, static_cast<std::uint32_t>(source.ask(instance, field.capability, nullptr, 0)));
        return true;
    case FieldKind::kPair: {
        std::uint8_t pair[8] = {};
        source.ask(instance, field.capability, pair, 1);
        std::copy(pair, pair + sizeof pair, at);
        return true;
    }
    case FieldKind::kList:
        return FillList(instance, source, field, issued);
    }
    return false;
}

bool FillRecord(DriverContext* instance, const AllCapabilitiesSource& source, IssuedRecord& issued)
{
    const std::int32_t bitmapBytes = source.ask(instance, 0, nullptr, 0);
    if (bitmapBytes < 1) return false;
    auto* bitmap = static_cast<std::uint8_t*>(LowAlloc(static_cast<std::size_t>(bitmapBytes)));
    if (bitmap == nullptr) return false;
    issued.blocks.push_back(bitmap);
    const std::int32_t answered = source.ask(instance, 0, bitmap, static_cast<std::uint32_t>(bitmapBytes));
    if (answered < 1 || answered > bitmapBytes) return false;
    WriteLe32(RecordBytes(issued.record), LowAddress(bitmap));

    const std::uint8_t* recordBytes = RecordBytes(issued.record);
    for (const AllCapsField& field : kAllCapsFields) {
        if (field.offset >= kFirstVersion6Offset && source.apiVersion < 6) break;
        if (field.minApi != 0 && source.apiVersion < field.minApi) continue;
        if (!IsStatusEnabled(bitmap, static_cast<std::uint32_t>(answered), field.status)) continue;
        if (field.requireOffset != 0 && ReadLe32(recordBytes + field.requireOffset) == 0) continue;
        if (!FillField(instance, source, field, issued)) return false;
    }
    return true;
}

}  // namespace

VEXLALLCAPS* BuildAllCapabilitiesRecord(DriverContext* instance, const AllCapabilitiesSource& source)
{
    if (source.ask == nullptr) return nullptr;
    IssuedRecord issued;
    issued.record = static_cast<VEXLALLCAPS*>(LowAlloc(sizeof(VEXLALLCAPS)));
    if (issued.record == nullptr) return nullptr;
    if (!FillRecord(instance, source, issued)) {
        FreeIssued(issued);
        return nullptr;
    }
    VEXLALLCAPS* record = issued.record;
    std::lock_guard guard(IssuedLock());
    IssuedRecords().push_back(std::move(issued));
    return record;
}

std::uint32_t ReleaseAllCapabilitiesRecord(const void* record)
{
    if (record == nullptr) return 1;
    IssuedRecord issued;
    {
        std::lock_guard guard(IssuedLock());
        auto& records = IssuedRecords();
        auto it = std::find_if(records.begin(), records.end(),
                               [record](const IssuedRecord& r) { return r.record == record; });
        if (it == records.end()) return 1;
        issued = std::move(*it);
        records.erase(it);
    }
    FreeIssued(issued);
    return 1;
}

std::uint32_t HandleAllCapabilitiesRequest(DriverContext*, std::uint32_t id, void* buffer)
{
    if (id == VEXL_CAPS_FREE_ALL) return ReleaseAllCapabilitiesRecord(buffer);
    return 0;
}

}  // namespace vexl::api
