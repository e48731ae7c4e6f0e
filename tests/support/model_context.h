// A context over the model database for the item and store tests: its own
// copy of the item table, a zero store, a saved and a default copy and a
// zero work area, on a machine of its own.
#pragma once

#include "common/core/context.h"
#include "common/core/items.h"
#include "common/core/modeldb.h"
#include "common/core/store.h"
#include "support/test_machine.h"

#include <memory>
#include <vector>

namespace vexl::test {

class ModelContext {
public:
    ModelContext()
    {
        const DriverContext* model = GetModelDatabase();
        context_ = *model;
        const ItemTable* source = model->itemTable;
        items_.assign(source->items, source->items + source->count);
        sides_.resize(items_.size());
        for (std::size_t i = 0; i < items_.size(); ++i) {
            sides_[i] = *source->items[i].side;
            items_[i].side = &sides_[i];
            items_[i].stateBits &= kItemStaticStateMask;
            items_[i].eventMask = 0;
        }
        itemTable_ = {source->count, items_.data()};
        context_.itemTable = &itemTable_;
        record_ = *model->modelRecord;
        context_.modelRecord = &record_;
        store_ = std::make_unique<SettingsStore>();
        context_.store = store_.get();
        work_ = std::make_unique<ContextWorkArea>();
        saved_.assign(kSettingsStoreSize, 0);
        defaults_.assign(kSettingsStoreSize, 0);
        work_->savedStore = saved_.data();
        work_->defaultStore = defaults_.data();
        context_.workArea = work_.get();
    }

    DriverContext* get() { return &context_; }
    std::uint8_t* bytes() { return store_->bytes; }
    std::uint8_t* saved() { return saved_.data(); }
    ContextWorkArea* work() { return work_.get(); }
    SettingItemDescriptor* item(std::uint16_t id) { return FindItem(&context_, id); }

private:
    DriverContext context_{};
    ItemTable itemTable_{};
    std::vector<SettingItemDescriptor> items_;
    std::vector<ItemSideBlock> sides_;
    ModelRecord record_{};
    std::unique_ptr<SettingsStore> store_;
    std::unique_ptr<ContextWorkArea> work_;
    std::vector<std::uint8_t> saved_;
    std::vector<std::uint8_t> defaults_;
};

// A fresh machine and a context over the model.
class ModelContextTest : public MachineTest {
protected:
    ModelContext ctx_;
    DriverContext* context() { return ctx_.get(); }
};

}  // namespace vexl::test
