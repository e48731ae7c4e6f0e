// A stand-in for the compiled model and its neighbours in the DEVMODE
// tests: UI entries by item, UI defaults, a recording script runner and a
// module event log, installed into the DEVMODE service table for one test.
#pragma once

#include "common/core/devmode_services.h"
#include "common/core/items.h"
#include "common/core/le.h"
#include "common/core/store.h"
#include "common/wiring.h"
#include "support/model_context.h"
#include "support/scoped_services.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <optional>
#include <set>
#include <vector>

namespace vexl::test {

struct FakeUiEntry {
    std::uint16_t rawType = kUiTypePickOne;
    std::vector<std::uint16_t> options;  // empty: no option list
    std::int32_t minimum = 0;
    std::int32_t maximum = 0;
    bool hasRange = false;
    std::set<std::uint16_t> unavailable;
    std::set<std::uint16_t> restricted;
};

inline FakeUiEntry Pick(std::vector<std::uint16_t> options, std::set<std::uint16_t> unavailable = {},
                        std::set<std::uint16_t> restricted = {})
{
    FakeUiEntry e;
    e.options = std::move(options);
    e.unavailable = std::move(unavailable);
    e.restricted = std::move(restricted);
    return e;
}
inline FakeUiEntry Numeric(std::int32_t minimum, std::int32_t maximum)
{
    FakeUiEntry e;
    e.rawType = kUiTypeNumeric;
    e.minimum = minimum;
    e.maximum = maximum;
    e.hasRange = true;
    return e;
}
inline FakeUiEntry OfType(std::uint16_t rawType, std::vector<std::uint16_t> options = {})
{
    FakeUiEntry e;
    e.rawType = rawType;
    e.options = std::move(options);
    return e;
}

struct FakeModel {
    std::map<std::uint16_t, FakeUiEntry> entries;
    std::map<std::uint16_t, std::uint32_t> defaults;
    std::vector<std::uint32_t> convertVersionsSeen;
    std::uint32_t convertJumpTo = 0;  // a script step that writes this version
    std::vector<std::uint32_t> events;
    std::vector<std::uint8_t> storedDevmode;  // the printer's stored default DEVMODE
    DriverContext* context = nullptr;
};

inline FakeModel*& CurrentFakeModel()
{
    static FakeModel* model = nullptr;
    return model;
}

// A fake entry's reference is its item id.
inline const FakeUiEntry* AsEntry(UiEntryRef entry)
{
    return &CurrentFakeModel()->entries.at(static_cast<std::uint16_t>(entry));
}

inline DevmodeServices FakeServices()
{
    DevmodeServices s = GetDefaultDevmodeServices();
    s.lookupUiEntry = [](std::uint16_t item, DriverContext*) -> UiEntryRef {
        return CurrentFakeModel()->entries.count(item) ? item : 0;
    };
    s.getUiRawType = [](UiEntryRef e, DriverContext*) { return AsEntry(e)->rawType; };
    s.hasUiOptionList = [](UiEntryRef e, DriverContext*) -> BOOL { return !AsEntry(e)->options.empty(); };
    s.hasUiOption = [](UiEntryRef e, std::uint16_t option, DriverContext*) -> BOOL {
        const auto& o = AsEntry(e)->options;
        return std::find(o.begin(), o.end(), option) != o.end();
    };
    s.getUiNumericRange = [](UiEntryRef e, DriverContext*, std::int32_t* lo, std::int32_t* hi) -> BOOL {
        if (!AsEntry(e)->hasRange) return 0;
        *lo = AsEntry(e)->minimum;
        *hi = AsEntry(e)->maximum;
        return 1;
    };
    s.isUiOptionUnavailable = [](UiEntryRef e, std::uint16_t option, DriverContext*) -> std::uint32_t {
        return AsEntry(e)->unavailable.count(option);
    };
    s.isUiOptionRestricted = [](UiEntryRef e, std::uint16_t option, DriverContext*) -> std::uint32_t {
        return AsEntry(e)->restricted.count(option);
    };
    s.getUiDefaultValue = [](std::uint16_t item, DriverContext*) -> std::uint32_t {
        auto& d = CurrentFakeModel()->defaults;
        auto it = d.find(item);
        return it == d.end() ? 0 : it->second;
    };
    s.runKeyTransacts = [](std::uint16_t, std::uint32_t, DriverContext* context) -> std::uint16_t {
        FakeModel* model = CurrentFakeModel();
        model->convertVersionsSeen.push_back(GetItemValue(context, wdmConvertVersion));
        // The script's visible change: rdmSkipCount counts the steps.
        SetItemValue(context, rdmSkipCount, GetItemValue(context, rdmSkipCount) + 1);
        if (model->convertJumpTo != 0) SetItemValue(context, wdmConvertVersion, model->convertJumpTo);
        return 0;
    };
    s.notifySettingsModules = [](DriverContext*, std::uint32_t event, void*) {
        CurrentFakeModel()->events.push_back(event);
    };
    s.usePrinterDefaultDevmode = [](DriverContext* context) -> BOOL {
        auto& stored = CurrentFakeModel()->storedDevmode;
        if (stored.size() != GetDevmodeSize() || !IsDevmodeSameModelAndSize(stored.data())) return 0;
        std::memcpy(GetStoreBytes(context), stored.data(), stored.size());
        return 1;
    };
    return s;
}

// A model context with the fake model installed for the test's duration.
// The description gives rdmDriverType its default 1, as the package's does.
class DevmodeTest : public ModelContextTest {
protected:
    void SetUp() override
    {
        CurrentFakeModel() = &model_;
        model_.defaults[rdmDriverType] = 1;
        devmodeServices_.emplace(FakeServices());
        ItemServices items = GetItemServices();
        items.getUiDefaultValue = FakeServices().getUiDefaultValue;
        itemServices_.emplace(items);
    }
    void TearDown() override
    {
        itemServices_.reset();
        devmodeServices_.reset();
        CurrentFakeModel() = nullptr;
    }

    DEVMODEW* store() { return reinterpret_cast<DEVMODEW*>(ctx_.bytes()); }
    std::uint16_t Field16(std::size_t offset) { return ReadLe16(ctx_.bytes() + offset); }
    std::uint32_t Field32(std::size_t offset) { return ReadLe32(ctx_.bytes() + offset); }

    FakeModel model_;
    std::optional<ScopedDevmodeServices> devmodeServices_;
    std::optional<ScopedItemServices> itemServices_;
};

// A DEVMODE buffer of the driver's size with a public header.
inline std::vector<std::uint8_t> MakeDevmode(std::uint16_t size, std::uint16_t extra, std::uint16_t spec,
                                             std::uint16_t driverVersion = 0x400)
{
    std::vector<std::uint8_t> b(static_cast<std::size_t>(size) + extra, 0);
    WriteLe16(b.data() + 64, spec);
    WriteLe16(b.data() + 66, driverVersion);
    WriteLe16(b.data() + 68, size);
    WriteLe16(b.data() + 70, extra);
    return b;
}

inline DEVMODEW* AsDevmode(std::vector<std::uint8_t>& b)
{
    return reinterpret_cast<DEVMODEW*>(b.data());
}

}  // namespace vexl::test
