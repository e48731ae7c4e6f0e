// Engine surfaces, devices and palettes, with their counters and failure
// switches.
#include "engine_objects.h"
#include "platform/engine.h"
#include "platform/kernel.h"

#include <cstring>
#include <limits>

namespace vexl::engine {
namespace {

// Bitmaps larger than this are refused rather than attempted.
constexpr std::int64_t kLargestBitmap = std::int64_t(1) << 31;

struct PaletteRecord {
    PaletteInfo info;
};

struct Tables {
    std::map<std::uintptr_t, std::unique_ptr<SurfaceRecord>> surfaces;
    std::map<std::uintptr_t, std::unique_ptr<DeviceRecord>> devices;
    std::map<std::uintptr_t, PaletteRecord> palettes;
    std::map<Service, int> failures;  // calls left until the failing one
    std::uintptr_t nextHandle = 0x5000;
    ULONG nextUniq = 1;
    long enginePaths = 0;
};

Tables& State()
{
    static auto* tables = new Tables;
    return *tables;
}

std::uintptr_t NewHandleValue()
{
    return State().nextHandle += 4;
}

}  // namespace

std::mutex& EngineLock()
{
    static auto* lock = new std::mutex;
    return *lock;
}

bool ShouldFail(Service service)
{
    auto& failures = State().failures;
    const auto it = failures.find(service);
    if (it == failures.end()) return false;
    if (--it->second > 0) return false;
    failures.erase(it);
    return true;
}

void FailCall(Service service, int nth)
{
    std::lock_guard guard(EngineLock());
    State().failures[service] = nth;
}

void ClearFailures()
{
    std::lock_guard guard(EngineLock());
    State().failures.clear();
}

void CountEnginePath(int delta)
{
    std::lock_guard guard(EngineLock());
    State().enginePaths += delta;
}

Census Live()
{
    std::lock_guard guard(EngineLock());
    Census census;
    census.surfaces = static_cast<long>(State().surfaces.size());
    census.palettes = static_cast<long>(State().palettes.size());
    census.devices = static_cast<long>(State().devices.size());
    census.enginePaths = State().enginePaths;
    return census;
}

bool IsBitmapFormat(ULONG format)
{
    return format >= BMF_1BPP && format <= BMF_32BPP;
}

ULONG BitsPerPixel(ULONG format)
{
    static constexpr ULONG kBits[] = {0, 1, 4, 8, 16, 24, 32};
    return IsBitmapFormat(format) ? kBits[format] : 0;
}

std::int64_t MinimumStride(LONG width, ULONG format)
{
    return ((std::int64_t(width) * BitsPerPixel(format) + 31) / 32) * 4;
}

SurfaceRecord* FindSurface(HSURF hsurf)
{
    auto& surfaces = State().surfaces;
    const auto it = surfaces.find(reinterpret_cast<std::uintptr_t>(hsurf));
    return it == surfaces.end() ? nullptr : it->second.get();
}

SurfaceRecord* FindSurface(const SURFOBJ* pso)
{
    if (!pso) return nullptr;
    SurfaceRecord* record = FindSurface(pso->hsurf);
    return record && &record->so == pso ? record : nullptr;
}

DeviceRecord* FindDevice(HDEV hdev)
{
    auto& devices = State().devices;
    const auto it = devices.find(reinterpret_cast<std::uintptr_t>(hdev));
    return it == devices.end() ? nullptr : it->second.get();
}

namespace {

// Lays out a bitmap in the record; false on a bad format or size.
bool LayOutBitmap(SurfaceRecord& record, SIZEL size, LONG stride, ULONG format, FLONG flags, PVOID bits)
{
    if (!IsBitmapFormat(format) || size.cx <= 0 || size.cy <= 0) return false;
    const std::int64_t minimum = MinimumStride(size.cx, format);
    const std::int64_t rowBytes = stride > 0 ? stride : minimum;
    if (rowBytes < (std::int64_t(size.cx) * BitsPerPixel(format) + 7) / 8) return false;
    const std::int64_t total = rowBytes * size.cy;
    if (total > kLargestBitmap) return false;

    std::uint8_t* base = static_cast<std::uint8_t*>(bits);
    if (!base) {
        record.ownedBits.reset(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(total)]);
        if (!record.ownedBits) return false;
        // Memory the caller asked not to be cleared shows a pattern, so a reader of unwritten bits stands out.
        std::memset(record.ownedBits.get(), (flags & BMF_NOZEROINIT) ? 0xCD : 0, static_cast<std::size_t>(total));
        base = record.ownedBits.get();
    }
    SURFOBJ& so = record.so;
    so.sizlBitmap = size;
    so.cjBits = static_cast<ULONG>(total);
    so.pvBits = base;
    so.iBitmapFormat = format;
    so.iType = STYPE_BITMAP;
    so.fjBitmap = static_cast<USHORT>(flags & BMF_TOPDOWN);
    if (flags & BMF_TOPDOWN) {
        so.pvScan0 = base;
        so.lDelta = static_cast<LONG>(rowBytes);
    } else {
        so.pvScan0 = base + (size.cy - 1) * rowBytes;
        so.lDelta = -static_cast<LONG>(rowBytes);
    }
    return true;
}

HSURF AddSurface(std::unique_ptr<SurfaceRecord> record)
{
    const std::uintptr_t value = NewHandleValue();
    record->so.hsurf = reinterpret_cast<HSURF>(value);
    record->so.iUniq = State().nextUniq++;
    State().surfaces.emplace(value, std::move(record));
    return reinterpret_cast<HSURF>(value);
}

}  // namespace

// ---- Devices --------------------------------------------------------------------------

HDEV CreateDevice(const DRVENABLEDATA& driver)
{
    auto record = std::make_unique<DeviceRecord>();
    for (ULONG i = 0; i < driver.c && driver.pdrvfn; ++i) record->hooks[driver.pdrvfn[i].iFunc] = driver.pdrvfn[i].pfn;
    std::lock_guard guard(EngineLock());
    const std::uintptr_t value = NewHandleValue();
    State().devices.emplace(value, std::move(record));
    return reinterpret_cast<HDEV>(value);
}

void SetDevicePdev(HDEV hdev, DHPDEV dhpdev)
{
    std::lock_guard guard(EngineLock());
    if (DeviceRecord* device = FindDevice(hdev)) device->dhpdev = dhpdev;
}

void DeleteDevice(HDEV hdev)
{
    std::lock_guard guard(EngineLock());
    State().devices.erase(reinterpret_cast<std::uintptr_t>(hdev));
}

PFN DeviceHook(HDEV hdev, ULONG index)
{
    std::lock_guard guard(EngineLock());
    DeviceRecord* device = FindDevice(hdev);
    if (!device) return nullptr;
    const auto it = device->hooks.find(index);
    return it == device->hooks.end() ? nullptr : it->second;
}

std::optional<SurfaceInfo> DescribeSurface(HSURF hsurf)
{
    std::lock_guard guard(EngineLock());
    const SurfaceRecord* record = FindSurface(hsurf);
    if (!record) return std::nullopt;
    return SurfaceInfo{record->so.hdev, record->hooks, record->associated, record->banding};
}

// ---- Palettes ---------------------------------------------------------------------------

std::optional<PaletteInfo> DescribePalette(HPALETTE hpal)
{
    std::lock_guard guard(EngineLock());
    const auto it = State().palettes.find(reinterpret_cast<std::uintptr_t>(hpal));
    if (it == State().palettes.end()) return std::nullopt;
    return it->second.info;
}

ULONG DeviceColor(HPALETTE hpal, ULONG colorref)
{
    const ULONG red = colorref & 0xFF, green = (colorref >> 8) & 0xFF, blue = (colorref >> 16) & 0xFF;
    const std::optional<PaletteInfo> palette = DescribePalette(hpal);
    if (palette && palette->mode == PAL_INDEXED && !palette->colors.empty()) {
        ULONG best = 0;
        long bestDistance = std::numeric_limits<long>::max();
        for (ULONG i = 0; i < palette->colors.size(); ++i) {
            const ULONG entry = palette->colors[i];  // 0x00RRGGBB
            const long dr = long((entry >> 16) & 0xFF) - long(red);
            const long dg = long((entry >> 8) & 0xFF) - long(green);
            const long db = long(entry & 0xFF) - long(blue);
            const long distance = dr * dr + dg * dg + db * db;
            if (distance < bestDistance) {
                bestDistance = distance;
                best = i;
            }
        }
        return best;
    }
    if (palette && palette->mode == PAL_RGB) return colorref & 0xFFFFFF;
    return (red << 16) | (green << 8) | blue;
}

// ---- Pixels -------------------------------------------------------------------------------

namespace {

std::uint8_t* RowOf(const SURFOBJ* pso, LONG y)
{
    return static_cast<std::uint8_t*>(pso->pvScan0) + std::ptrdiff_t(y) * pso->lDelta;
}

}  // namespace

ULONG GetPixel(const SURFOBJ* pso, LONG x, LONG y)
{
    const std::uint8_t* row = RowOf(pso, y);
    switch (pso->iBitmapFormat) {
    case BMF_1BPP:
        return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case BMF_4BPP:
        return (x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4;
    case BMF_8BPP:
        return row[x];
    case BMF_16BPP:
        return ULONG(row[2 * x]) | (ULONG(row[2 * x + 1]) << 8);
    case BMF_24BPP:
        return ULONG(row[3 * x]) | (ULONG(row[3 * x + 1]) << 8) | (ULONG(row[3 * x + 2]) << 16);
    case BMF_32BPP: {
        ULONG value;
        std::memcpy(&value, row + 4 * std::ptrdiff_t(x), 4);
        return value;
    }
    default:
        return 0;
    }
}

void SetPixel(SURFOBJ* pso, LONG x, LONG y, ULONG value)
{
    std::uint8_t* row = RowOf(pso, y);
    switch (pso->iBitmapFormat) {
    case BMF_1BPP: {
        const std::uint8_t bit = static_cast<std::uint8_t>(0x80 >> (x & 7));
        row[x >> 3] = (value & 1) ? (row[x >> 3] | bit) : (row[x >> 3] & ~bit);
        break;
    }
    case BMF_4BPP:
        row[x >> 1] = (x & 1) ? static_cast<std::uint8_t>((row[x >> 1] & 0xF0) | (value & 0x0F))
                              : static_cast<std::uint8_t>((row[x >> 1] & 0x0F) | ((value & 0x0F) << 4));
        break;
    case BMF_8BPP:
        row[x] = static_cast<std::uint8_t>(value);
        break;
    case BMF_16BPP:
        row[2 * x] = static_cast<std::uint8_t>(value);
        row[2 * x + 1] = static_cast<std::uint8_t>(value >> 8);
        break;
    case BMF_24BPP:
        row[3 * x] = static_cast<std::uint8_t>(value);
        row[3 * x + 1] = static_cast<std::uint8_t>(value >> 8);
        row[3 * x + 2] = static_cast<std::uint8_t>(value >> 16);
        break;
    case BMF_32BPP:
        std::memcpy(row + 4 * std::ptrdiff_t(x), &value, 4);
        break;
    default:
        break;
    }
}

}  // namespace vexl::engine

using namespace vexl::engine;

// ---- Surface services ---------------------------------------------------------------------------

HBITMAP EngCreateBitmap(SIZEL sizl, LONG lWidth, ULONG iFormat, FLONG fl, PVOID pvBits)
{
    std::lock_guard guard(EngineLock());
    if (ShouldFail(Service::CreateBitmap)) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    auto record = std::make_unique<SurfaceRecord>();
    if (lWidth < 0 || !LayOutBitmap(*record, sizl, lWidth, iFormat, fl, pvBits)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return AddSurface(std::move(record));
}

HSURF EngCreateDeviceSurface(DHSURF dhsurf, SIZEL sizl, ULONG iFormatCompat)
{
    std::lock_guard guard(EngineLock());
    if (ShouldFail(Service::CreateDeviceSurface)) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (sizl.cx <= 0 || sizl.cy <= 0 || !IsBitmapFormat(iFormatCompat)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto record = std::make_unique<SurfaceRecord>();
    record->so.dhsurf = dhsurf;
    record->so.sizlBitmap = sizl;
    record->so.iBitmapFormat = iFormatCompat;
    record->so.iType = STYPE_DEVICE;
    return AddSurface(std::move(record));
}

BOOL EngAssociateSurface(HSURF hsurf, HDEV hdev, FLONG flHooks)
{
    std::lock_guard guard(EngineLock());
    SurfaceRecord* record = FindSurface(hsurf);
    DeviceRecord* device = FindDevice(hdev);
    if (!record || !device) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (ShouldFail(Service::AssociateSurface)) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    record->so.hdev = hdev;
    record->so.dhpdev = device->dhpdev;
    record->hooks = flHooks;
    record->associated = true;
    return TRUE;
}

BOOL EngMarkBandingSurface(HSURF hsurf)
{
    std::lock_guard guard(EngineLock());
    SurfaceRecord* record = FindSurface(hsurf);
    if (!record) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    record->banding = true;
    return TRUE;
}

SURFOBJ* EngLockSurface(HSURF hsurf)
{
    std::lock_guard guard(EngineLock());
    SurfaceRecord* record = FindSurface(hsurf);
    if (!record || ShouldFail(Service::LockSurface)) return nullptr;
    return &record->so;
}

void EngUnlockSurface(SURFOBJ*) {}

BOOL EngDeleteSurface(HSURF hsurf)
{
    std::lock_guard guard(EngineLock());
    if (State().surfaces.erase(reinterpret_cast<std::uintptr_t>(hsurf)) == 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

// ---- Palette services -----------------------------------------------------------------------------

HPALETTE EngCreatePalette(ULONG iMode, ULONG cColors, ULONG* pulColors, FLONG flRed, FLONG flGreen, FLONG flBlue)
{
    std::lock_guard guard(EngineLock());
    if (ShouldFail(Service::CreatePalette)) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    PaletteRecord record;
    record.info.mode = iMode;
    switch (iMode) {
    case PAL_INDEXED:
        if (cColors == 0 || cColors > 65536 || !pulColors) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
        record.info.colors.assign(pulColors, pulColors + cColors);
        break;
    case PAL_BITFIELDS:
        record.info.colors = {flRed, flGreen, flBlue};
        break;
    case PAL_RGB:
    case PAL_BGR:
    case PAL_CMYK:
        break;
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const std::uintptr_t value = NewHandleValue();
    State().palettes.emplace(value, std::move(record));
    return reinterpret_cast<HPALETTE>(value);
}

BOOL EngDeletePalette(HPALETTE hpal)
{
    std::lock_guard guard(EngineLock());
    if (State().palettes.erase(reinterpret_cast<std::uintptr_t>(hpal)) == 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}
