// API versions, identifier limits and the enabled-identifier bitmaps.
#include "api/versions.h"

#include "api/descriptors.h"
#include "common/core/appservices.h"
#include "common/core/context.h"
#include "common/core/memory.h"
#include "common/core/modeldb.h"
#include "common/core/osinfo.h"
#include "common/core/printer.h"
#include "common/storage/path_text.h"

#include <array>
#include <atomic>
#include <cstring>
#include <mutex>
#include <span>

namespace vexl::api {
namespace {

using namespace path_text;

constexpr int kPrinterNameChars = 257;  // 256 characters and the terminator
constexpr int kNoKey = -1;

constexpr std::array<ApiIdLimits, kApiVersionLatest + 1> kStatusIdLimits = {{
    {0, 0},
    {35, 35},
    {35, 35},
    {35, 35},
    {36, 36},
    {36, 36},
    {45, 264},
    {46, 264},
    {47, 264},
    {47, 264},
    {54, 269},
    {56, 269},
    {60, 269},
    {67, 269},
    {72, 269},
    {78, 269},
    {126, 269},
}};

constexpr std::array<ApiIdLimits, kApiVersionLatest + 1> kCapabilityIdLimits = {{
    {0, 0},
    {55, 55},
    {56, 56},
    {56, 56},
    {57, 57},
    {57, 57},
    {69, 275},
    {70, 275},
    {71, 275},
    {71, 275},
    {83, 282},
    {86, 282},
    {92, 282},
    {100, 282},
    {117, 282},
    {123, 282},
    {127, 282},
}};

// Ranges of supported identifiers, both ends included.
struct IdRange {
    std::uint32_t first;
    std::uint32_t last;
};
constexpr IdRange kSupportedCapabilities[] = {{1, 57}, {60, 67}, {69, 127}, {257, 272}, {274, 282}};
constexpr IdRange kSupportedStatuses[] = {{1, 36}, {38, 43}, {45, 79}, {257, 262}, {264, 269}};
// Identifiers that only a feature class brings.
struct FeatureIds {
    std::uint16_t featureClass;
    std::uint32_t ids[2];
};
constexpr FeatureIds kFeatureCapabilities[] = {{1, {80, 81}}, {0, {82, 0}}};
constexpr FeatureIds kFeatureStatuses[] = {{1, {52, 53}}, {0, {54, 0}}};

// The process-wide state of the settings interface.
struct ApiStateBlock {
    std::uint8_t capabilityEnabled[kIdBitmapBytes] = {};
    std::uint8_t statusEnabled[kIdBitmapBytes] = {};
    std::atomic<std::int32_t> versionInForce{kApiVersionAtLoad};
    std::atomic<std::int32_t> requestedVersion{kApiVersionLatest};
    std::mutex bitmapLock;  // guards the two bitmaps
};

ApiStateBlock& State()
{
    static ApiStateBlock state;
    return state;
}

int ClampVersion(int version)
{
    if (version < 0) return 0;
    return version > kApiVersionLatest ? kApiVersionLatest : version;
}

// A stored version: -1 (absent) is 3, anything else negative 0 (no
// identifier exists), above 16 is 16.
int NormaliseStoredVersion(int stored)
{
    if (stored == kNoKey) return kApiVersionNotStated;
    return ClampVersion(stored);
}

bool ToWideName(const char* name, WCHAR* out, int size)
{
    return MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, name, -1, out, size) > 0;
}

void FillSupport(std::uint8_t* out, std::span<const IdRange> ranges, std::span<const FeatureIds> features)
{
    std::memset(out, 0, kIdBitmapBytes);
    for (const IdRange& range : ranges) {
        for (std::uint32_t id = range.first; id <= range.last; ++id) SetIdBit(out, id);
    }
    // The ranges name every id of a class that is on; a class that is off
    // takes its ids out again.
    for (const FeatureIds& feature : features) {
        if (IsFeatureClassOn(nullptr, feature.featureClass, 0)) continue;
        for (std::uint32_t id : feature.ids) {
            if (id != 0) out[(id - 1) / 8] &= static_cast<std::uint8_t>(~(0x80u >> ((id - 1) % 8)));
        }
    }
}

}  // namespace

// ---- the model's version ---------------------------------------------------------------

BOOL ResolveDriverDirectory(HANDLE printer, WCHAR* out, int size)
{
    if (out == nullptr || size <= 0) return FALSE;
    out[0] = 0;
    if (IsWin9x()) {
        const std::u16string system = SystemDirectory();
        return !system.empty() && WriteJoined(out, size, {system, u"\\"}) ? TRUE : FALSE;
    }
    auto* driver = static_cast<DRIVER_INFO_3W*>(printer ? GetPrinterDriverInfo(printer, 3) : nullptr);
    BOOL resolved = FALSE;
    if (driver && driver->pDriverPath) {
        const Text path = driver->pDriverPath;
        const std::size_t slash = path.rfind(u'\\');
        if (slash != Text::npos) resolved = WriteJoined(out, size, {path.substr(0, slash + 1)}) ? TRUE : FALSE;
    }
    FreeIfNotNull(driver);
    return resolved;
}

BOOL GetModelIniPath(HANDLE printer, WCHAR* out, int size)
{
    if (out == nullptr || size <= 0) return FALSE;
    out[0] = 0;
    DriverContext* database = GetModelDatabase();
    if (database == nullptr || database->modelRecord == nullptr) return FALSE;
    const Text name = View(database->modelRecord->modelIniName);
    if (name.empty()) return FALSE;
    if (name.size() >= 2 && name[1] == u':') return WriteJoinedOrEmpty(out, size, {name}) ? TRUE : FALSE;
    WCHAR directory[MAX_PATH] = {};
    ResolveDriverDirectory(printer, directory, MAX_PATH);
    return WriteJoinedOrEmpty(out, size, {View(directory), name}) ? TRUE : FALSE;
}

int ReadModelIniInt(const char* printerName, const WCHAR* section, const WCHAR* key)
{
    if (printerName == nullptr || section == nullptr || key == nullptr) return kNoKey;
    WCHAR name[kPrinterNameChars] = {};
    HANDLE printer = nullptr;
    if (ToWideName(printerName, name, kPrinterNameChars)) OpenPrinterW(name, &printer, nullptr);
    WCHAR path[MAX_PATH] = {};
    GetModelIniPath(printer, path, MAX_PATH);
    if (printer) ClosePrinter(printer);
    if (path[0] == 0) return kNoKey;
    return static_cast<int>(GetPrivateProfileIntW(section, key, kNoKey, path));
}

int ReadApiVersion(const char* printerName)
{
    return ReadModelIniInt(printerName, u"VEXLAPI", u"VEXLAPIVer");
}

int CheckApiVersion(const char* printerName)
{
    if (printerName == nullptr || printerName[0] == 0) return 0;
    const int version = NormaliseStoredVersion(ReadApiVersion(printerName));
    SetRequestedApiVersion(version);
    if (version <= kApiVersionNotStated) SetApiVersionInForce(version);
    return version;
}

// ---- the versions ---------------------------------------------------------------------------

int GetApiVersionInForce()
{
    return State().versionInForce.load();
}

int GetRequestedApiVersion()
{
    return State().requestedVersion.load();
}

void SetApiVersionInForce(int version)
{
    State().versionInForce.store(version);
}

void SetRequestedApiVersion(int version)
{
    State().requestedVersion.store(version);
}

int InitApiVersion(int enable, const void* callerRecord)
{
    if (enable == 0) return 0;
    int version = GetRequestedApiVersion();
    if (callerRecord != nullptr) {
        std::uint32_t callerVersion = 0;
        std::memcpy(&callerVersion, static_cast<const std::uint8_t*>(callerRecord) + 4, sizeof callerVersion);
        if (callerVersion < static_cast<std::uint32_t>(version)) version = static_cast<int>(callerVersion);
    }
    SetApiVersionInForce(version);
    return 1;
}

// ---- identifier limits ----------------------------------------------------------------------

ApiIdLimits GetStatusIdLimits(int version)
{
    return kStatusIdLimits[ClampVersion(version)];
}

ApiIdLimits GetCapabilityIdLimits(int version)
{
    return kCapabilityIdLimits[ClampVersion(version)];
}

std::uint32_t GetStatusIdLimit(int which)
{
    const ApiIdLimits limits = GetStatusIdLimits(GetApiVersionInForce());
    if (which == kLowIdLimit) return limits.low;
    return which == kHighIdLimit ? limits.high : 0;
}

std::uint32_t GetCapabilityIdLimit(int which)
{
    const ApiIdLimits limits = GetCapabilityIdLimits(GetApiVersionInForce());
    if (which == kLowIdLimit) return limits.low;
    return which == kHighIdLimit ? limits.high : 1;
}

// ---- bitmaps --------------------------------------------------------------------------------

void BuildSupportBitmaps(int kind, std::uint8_t out[kIdBitmapBytes])
{
    if (kind == kApiKindCapability) {
        FillSupport(out, kSupportedCapabilities, kFeatureCapabilities);
    } else {
        FillSupport(out, kSupportedStatuses, kFeatureStatuses);
    }
}

void BuildEnabledIdBitmaps(int version)
{
    std::uint8_t support[kIdBitmapBytes];
    std::uint8_t capabilities[kIdBitmapBytes] = {};
    std::uint8_t statuses[kIdBitmapBytes] = {};
    BuildSupportBitmaps(kApiKindCapability, support);
    for (const ApiDescriptor& record : CapabilityTable()) {
        const ApiDescriptor* found = FindCapabilityDescriptorForVersion(record.id, version);
        if (found && found->enabled && IsIdBitSet(support, record.id)) SetIdBit(capabilities, record.id);
    }
    BuildSupportBitmaps(kApiKindStatus, support);
    for (const ApiDescriptor& record : StatusTable()) {
        const ApiDescriptor* found = FindStatusDescriptorForVersion(record.id, version);
        if (found && found->enabled && IsIdBitSet(support, record.id)) SetIdBit(statuses, record.id);
    }
    ApiStateBlock& state = State();
    std::lock_guard lock(state.bitmapLock);
    std::memcpy(state.capabilityEnabled, capabilities, kIdBitmapBytes);
    std::memcpy(state.statusEnabled, statuses, kIdBitmapBytes);
}

std::uint32_t IsApiIdEnabled(int kind, std::uint32_t id)
{
    if (kind == kApiKindCapability && FindExtraCapabilityDescriptor(id) != nullptr) return 1;
    if (id < 1 || id > kIdBitmapLastId) return 0;
    ApiStateBlock& state = State();
    std::lock_guard lock(state.bitmapLock);
    const std::uint8_t* bitmap = kind == kApiKindCapability ? state.capabilityEnabled : state.statusEnabled;
    return bitmap[(id - 1) / 8] & (0x80u >> ((id - 1) % 8));
}

void CopyEnabledIdBitmap(int kind, std::uint8_t out[kIdBitmapBytes])
{
    ApiStateBlock& state = State();
    std::lock_guard lock(state.bitmapLock);
    std::memcpy(out, kind == kApiKindCapability ? state.capabilityEnabled : state.statusEnabled, kIdBitmapBytes);
}

}  // namespace vexl::api
