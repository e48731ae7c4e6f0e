// A fixture with the interface's printer installed (settings-library
// version the latest, model INI flags 0x200) and an instance of the settings
// library open on it, as an application's enable makes it.
#pragma once

#include "api/frame.h"
#include "api/versions.h"
#include "common/model/model_list.h"
#include "interface_printer.h"
#include "vexlapi/vexlapi.h"

#include <gtest/gtest.h>

#include <string>

namespace vexl::test {

class InterfaceInstanceTest : public MachineTest {
protected:
    void SetUp() override
    {
        InstallInterfacePrinter({api::kApiVersionLatest, 0x200});
        machine::InstallFile(VEXL_TZ16E130_FILE, std::u16string(kInterfaceDriverFolder) + u"\\TZ16E130.DLL");
        api::CheckApiVersion(kInterfacePrinterNameAnsi);
        api::BuildEnabledIdBitmaps(api::GetRequestedApiVersion());
        instance_ = api::OpenApiInstance(kInterfacePrinterNameAnsi);
        ASSERT_NE(instance_, nullptr);
        const VEXLDRVINITRECORD record{0, api::kApiVersionLatest};
        api::InitApiVersion(1, &record);
    }
    void TearDown() override
    {
        if (instance_) api::CloseApiInstance(instance_);
        PurgeContextCache(TRUE);
        FreeCompiledModelList();
    }

    DriverContext* instance_ = nullptr;
};

}  // namespace vexl::test
