// A bare context for the tests of the platform queries: a work area and a
// printer handle, nothing of the model.
#pragma once

#include "common/core/context.h"

#include <memory>

namespace vexl::test {

struct BareContext {
    explicit BareContext(HANDLE printer = nullptr)
    {
        context.printer = printer;
        context.secondPrinter = printer;
        context.workArea = work.get();
        work->useSettingsMutex = 1;
        work->checkAdministrator = 1;
    }

    DriverContext* get() { return &context; }

    std::unique_ptr<ContextWorkArea> work = std::make_unique<ContextWorkArea>();
    DriverContext context{};
};

}  // namespace vexl::test
