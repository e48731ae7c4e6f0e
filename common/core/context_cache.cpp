// The two context caches. A released context is parked for 500 ms so that a
// burst of calls for one printer does not rebuild it: the capabilities cache
// keeps contexts released by device-capabilities calls, the general cache
// every other. Each table has two slots with the tick count at parking and
// its own critical section, held only while the slots are read or changed.
#include "common/core/context.h"

#include "common/core/item_ids.h"
#include "common/core/items.h"
#include "common/core/memory.h"
#include "common/core/printer.h"
#include "common/core/process.h"
#include "platform/win32.h"

#include <string>

namespace vexl {
namespace {

constexpr int kCacheSlots = 2;
constexpr int kCacheTables = 2;
constexpr std::int32_t kSelectorDocumentPropertiesMode2 = 2;

struct ContextCacheSlot {
    DriverContext* context;
    DWORD stamp;
};

struct ContextCache {
    int lock;
    ContextCacheSlot slots[kCacheSlots];
};

ContextCache g_capabilitiesCache = {kCapabilitiesCacheLock, {}};
ContextCache g_generalCache = {kGeneralCacheLock, {}};

ContextCache* const kCachesInPurgeOrder[kCacheTables] = {&g_capabilitiesCache, &g_generalCache};

ContextCache& CacheForCallerKind(std::uint32_t callerKind)
{
    return callerKind == kCallerDeviceCapabilities ? g_capabilitiesCache : g_generalCache;
}

// The milliseconds since parking, right across the wrap of the tick count.
DWORD AgeOf(const ContextCacheSlot& slot, DWORD now)
{
    return static_cast<DWORD>(now - slot.stamp);
}

bool IsStale(const ContextCacheSlot& slot, DWORD now)
{
    return AgeOf(slot, now) > kContextCacheLifetimeMs;
}

// The printer's name from the spooler, or empty.
std::u16string GetPrinterNameCopy(HANDLE printer)
{
    auto* info = static_cast<PRINTER_INFO_2W*>(GetPrinterInfo(printer, 2));
    std::u16string name = info && info->pPrinterName ? std::u16string(info->pPrinterName) : std::u16string();
    FreeIfNotNull(info);
    return name;
}

bool MatchesRequest(const DriverContext* context, HANDLE printer, std::uint16_t flags, std::uint32_t callerKind,
                    std::int32_t selector, const WCHAR* printerName)
{
    const ContextWorkArea* work = context->workArea;
    if (context->printer != printer || !work || work->callerKind != callerKind) return false;
    // A context serves only a request of its own creation mode: a bare one
    // has no store for a full request.
    if (work->creationMode != (flags & kCreateModeMask)) return false;
    if (lstrcmpW(work->printerName, printerName) != 0) return false;
    if (callerKind == kCallerDocumentProperties && selector == kSelectorDocumentPropertiesMode2)
        return work->documentPropertiesMode == 2;
    return true;
}

bool IsBoundToJobBinder(DriverContext* context)
{
    return (GetItemValue(context, rdmJobBinder) & 1) != 0;
}

}  // namespace

void ClearContextCaches()
{
    for (ContextCache* cache : kCachesInPurgeOrder) {
        for (ContextCacheSlot& slot : cache->slots) slot = {};
    }
}

int PurgeContextCache(BOOL all)
{
    DriverContext* collected[kCacheTables * kCacheSlots] = {};
    int count = 0;
    const DWORD now = GetTickCount();
    for (ContextCache* cache : kCachesInPurgeOrder) {
        EnterContextCacheLock(cache->lock);
        for (ContextCacheSlot& slot : cache->slots) {
            if (slot.context && (all || IsStale(slot, now))) {
                collected[count++] = slot.context;
                slot = {};
            }
        }
        LeaveContextCacheLock(cache->lock);
    }
    for (int i = 0; i < count; ++i) ReleaseDriverContext(collected[i], kReleaseDestroy);
    return count;
}

DriverContext* LookUpCachedContext(HANDLE printer, std::uint16_t flags, std::uint32_t callerKind, std::int32_t selector,
                                   const WCHAR* printerName)
{
    PurgeContextCache(0);
    // A request with any creation flag always builds a new context.
    if (flags != 0) return nullptr;
    std::u16string fetchedName;
    if (!printerName) {
        fetchedName = GetPrinterNameCopy(printer);
        if (fetchedName.empty()) return nullptr;
        printerName = fetchedName.c_str();
    }
    ContextCache& cache = CacheForCallerKind(callerKind);
    DriverContext* found = nullptr;
    EnterContextCacheLock(cache.lock);
    for (ContextCacheSlot& slot : cache.slots) {
        if (slot.context && MatchesRequest(slot.context, printer, flags, callerKind, selector, printerName)) {
            found = slot.context;
            slot = {};
            break;
        }
    }
    LeaveContextCacheLock(cache.lock);
    return found;
}

DriverContext* CacheReleasedContext(DriverContext* context, std::uint16_t releaseType)
{
    if (!context) return nullptr;
    ContextCache* cache = releaseType == kReleaseToCapabilitiesCache ? &g_capabilitiesCache
                          : releaseType == kReleaseToGeneralCache    ? &g_generalCache
                                                                     : nullptr;
    // A context bound to the job binder is never kept.
    if (!cache || IsBoundToJobBinder(context)) return context;

    DriverContext* evicted = nullptr;
    EnterContextCacheLock(cache->lock);
    const DWORD now = GetTickCount();
    ContextCacheSlot* target = nullptr;
    for (ContextCacheSlot& slot : cache->slots) {
        if (!slot.context) {
            target = &slot;
            break;
        }
    }
    if (!target) {
        // Both slots are taken: the oldest goes (the lower slot on a tie).
        target = &cache->slots[0];
        for (ContextCacheSlot& slot : cache->slots) {
            if (AgeOf(slot, now) > AgeOf(*target, now)) target = &slot;
        }
        evicted = target->context;
    }
    *target = {context, now};
    LeaveContextCacheLock(cache->lock);
    return evicted;
}

}  // namespace vexl
