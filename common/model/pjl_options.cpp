#include "common/model/pjl_options.h"

#include "common/core/appservices.h"
#include "common/core/items.h"
#include "common/core/memory.h"
#include "common/core/modeldb.h"
#include "common/core/units.h"

#include <cstring>
#include <span>

namespace vexl {

namespace {

constexpr LockPreference kLockPreferences[] = {
    {dmDefaultSource, rdmLock000InfoBitTray, wdmLock001Info, 0},
    {rdmMediaType, rdmLock000InfoBitMedia, wdmLock002Info, 0},
    {rdmNUPPOSTKind, rdmLock000InfoBitNupKind, wdmLock003Info, 0},
    {0, rdmLock000InfoBitNupKindAll, wdmLock004Info, 0},
    {rdmFuncSelectDuplex, rdmLock000InfoBitDuplex, wdmLock005Info, 0},
    {rdmLockPrnMethod, rdmLock000InfoBitPrintType, wdmLock006Info, 0},
    {rdmLockDstResolutionBoth, rdmLock000InfoBitResolution, wdmLock007Info, 0},
    {dmColor, rdmLock001InfoBitColor, wdmLock008Info, 0},
};

constexpr std::uint32_t kValueListAccess = kPjlAccessCommand;
constexpr std::uint32_t kWordListAccess = kPjlAccessCommand | kPjlAccessPrinterOption;

bool IsSet(DriverContext* context, std::uint16_t item)
{
    return GetItemValue(context, item) != 0;
}

// The row of the item, when it has options of its own.
const PjlVariable* FindListedVariable(std::uint16_t itemId, std::uint32_t accessMask)
{
    const PjlVariable* row = FindPjlVariableByItem(itemId, accessMask);
    return row && row->optionCount > 0 && row->options ? row : nullptr;
}

// The value that a lock preference row of the item forces, when its lock
// bit is set and an option carries the locked value.
const PjlOption* FindLockedOption(DriverContext* context, const PjlVariable& row)
{
    for (const LockPreference& lock : kLockPreferences) {
        if (lock.item != row.item || !IsSet(context, lock.lockBitItem)) continue;
        const std::uint32_t locked = GetItemValue(context, lock.lockedValueItem);
        for (std::uint32_t i = 0; i < row.optionCount; ++i) {
            if (row.options[i].storedValue == locked) return &row.options[i];
        }
    }
    return nullptr;
}

}  // namespace

const LockPreference* GetLockPreferenceTable()
{
    return kLockPreferences;
}
int GetLockPreferenceCount()
{
    return static_cast<int>(std::size(kLockPreferences));
}

BOOL IsOptionAllowedNow(DriverContext* context, const PjlVariable& row, const PjlOption& option)
{
    if (!EvaluateSettingCondition(context, option.condition)) return FALSE;
    // The N-up lock: with the N-up kind locked, N-up stays on, and only the
    // locked kind is offered unless every kind is allowed.
    if (IsFeatureClassOn(context, kFeatureAdminLocks, 0) && IsAnyLockSet(context) && row.item == rdmNUPType &&
        IsNupKindLocked(context)) {
        if (option.flags & kPjlOptionNeutral) return FALSE;
        if (IsNupKindAllLocked(context)) return TRUE;
        return option.sideCount > 0 && GetItemValue(context, wdmLock003Info) == option.sides[0].value;
    }
    return TRUE;
}

int ListAllowedItemValuesEx(DriverContext* context, std::uint16_t itemId, std::uint32_t capacity, std::uint32_t* values,
                            std::int32_t* count, BOOL skipNeutral)
{
    if (count) *count = 0;
    const PjlVariable* row = FindListedVariable(itemId, kValueListAccess);
    if (!row) return 0;
    auto* found = static_cast<std::uint32_t*>(AllocZeroed(4 * row->optionCount));
    if (!found) return -1;
    std::uint32_t n = 0;
    const PjlOption* locked =
        IsFeatureClassOn(context, kFeatureAdminLocks, 0) ? FindLockedOption(context, *row) : nullptr;
    if (locked) {
        found[n++] = locked->storedValue;
    } else {
        for (const PjlOption& option : std::span(row->options, row->optionCount)) {
            if (skipNeutral && (option.flags & kPjlOptionNeutral)) continue;
            if (IsOptionAllowedNow(context, *row, option)) found[n++] = option.storedValue;
        }
    }
    int result = 0;
    if (n > 0) {
        if (count) *count = static_cast<std::int32_t>(n);
        if (values && capacity >= n) {
            std::memcpy(values, found, 4 * n);
        } else {
            result = 1;
        }
    }
    FreeIfNotNull(found);
    return result;
}

int ListAllowedItemValues(DriverContext* context, std::uint16_t itemId, std::uint32_t capacity, std::uint32_t* values,
                          std::int32_t* count)
{
    return ListAllowedItemValuesEx(context, itemId, capacity, values, count, FALSE);
}

int ListPjlOptionWords(DriverContext* context, std::uint16_t itemId, std::uint32_t size, char* buffer,
                       std::uint32_t* needed)
{
    if (needed) *needed = 0;
    const PjlVariable* row = FindListedVariable(itemId, kWordListAccess);
    if (!row) return 0;
    auto* words =
        static_cast<const char**>(AllocZeroed(static_cast<std::uint32_t>(sizeof(const char*)) * row->optionCount));
    if (!words) return -1;
    std::size_t n = 0;
    std::uint32_t bytes = 1;  // the final terminator
    for (const PjlOption& option : std::span(row->options, row->optionCount)) {
        if (!IsOptionAllowedNow(context, *row, option)) continue;
        words[n++] = option.word;
        bytes += static_cast<std::uint32_t>(std::strlen(option.word) + 1);
    }
    int result = 0;
    if (n > 0) {
        if (needed) *needed = bytes;
        if (buffer && size >= bytes) {
            char* out = buffer;
            for (std::size_t i = 0; i < n; ++i) {
                const std::size_t length = std::strlen(words[i]) + 1;
                std::memcpy(out, words[i], length);
                out += length;
            }
            *out = '\0';
        } else {
            result = 1;
        }
    }
    FreeIfNotNull(words);
    return result;
}

}  // namespace vexl
