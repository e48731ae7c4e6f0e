// A test's own service table, installed for one scope: the table in force
// before comes back when the scope ends, whatever the test did in between.
#pragma once

#include "common/core/context.h"
#include "common/core/devmode_services.h"
#include "common/core/items.h"
#include "common/model/judge_eval.h"

namespace vexl::test {

template <typename Table, const Table& (*Get)(), void (*Set)(const Table&)> class ScopedTable {
public:
    explicit ScopedTable(const Table& table) : previous_(Get()) { Set(table); }
    ~ScopedTable() { Set(previous_); }
    ScopedTable(const ScopedTable&) = delete;
    ScopedTable& operator=(const ScopedTable&) = delete;

private:
    Table previous_;
};

using ScopedItemServices = ScopedTable<ItemServices, GetItemServices, SetItemServices>;
using ScopedDevmodeServices = ScopedTable<DevmodeServices, GetDevmodeServices, SetDevmodeServices>;
using ScopedContextBuildSteps = ScopedTable<ContextBuildSteps, GetContextBuildSteps, SetContextBuildSteps>;
using ScopedJudgeHooks = ScopedTable<JudgeHooks, GetJudgeHooks, SetJudgeHooks>;

}  // namespace vexl::test
