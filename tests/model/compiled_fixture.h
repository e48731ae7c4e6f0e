// Contexts over a compiled model for the model tests: a context over the
// model database with its judge stack, whose model is compiled from
// description text or from the driver package's description.
#pragma once

#include "common/model/compiled_model.h"
#include "common/model/judge_eval.h"
#include "common/model/reader.h"

#include "fixture_names.h"
#include "support/model_context.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string_view>

namespace vexl::model::test {

inline const std::filesystem::path kPackageFolder = std::filesystem::path(VEXL_SOURCE_DIR) / "package";

// The model database, then the rows the package asks the database to hold
// (package/model-symbols.txt) for names not merged yet.
inline FixtureNames PackageDescriptionNames()
{
    FixtureNames names(&ModelDatabaseNames());
    std::ifstream rows(kPackageFolder / "model-symbols.txt");
    std::string line, table;
    while (std::getline(rows, line)) {
        if (line.empty() || line[0] == '#') continue;
        if (line[0] == '[') {
            table = line;
            std::getline(rows, line);  // the column names
            continue;
        }
        std::istringstream fields(line);
        if (table == "[symbols.tsv]") {
            int key = 0, item = 0;
            std::string name;
            fields >> key >> item >> name;
            names.symbols[name] = {static_cast<std::uint16_t>(item), static_cast<std::uint16_t>(key)};
        } else if (table == "[constants_a.tsv]") {
            int item = 0, control = 0, option = 0, flag = 0;
            std::string name;
            fields >> item >> control >> option >> flag >> name;
            names.constants[name] = static_cast<std::uint16_t>(option);
        }
    }
    return names;
}

// A context whose model is set by the test; the model is freed with it.
class CompiledContextTest : public vexl::test::ModelContextTest {
protected:
    void SetUp() override
    {
        context()->modelRecord->descriptionVersion = u"7.60";
        ASSERT_EQ(AllocJudgeStack(context()), 0);
    }
    void TearDown() override
    {
        FreeJudgeStack(context());
        FreeCompiledModel(context()->compiledModel);
        context()->compiledModel = nullptr;
    }

    void UseDescription(std::string_view text, const DescriptionNames& names)
    {
        std::unique_ptr<CompileState> state = ParseDescriptionText(text, names);
        ASSERT_TRUE(state);
        context()->compiledModel = LayoutCompiledModel(*state);
        ASSERT_TRUE(context()->compiledModel);
        ASSERT_TRUE(ValidateCompiledModel(context()->compiledModel));
    }

    CompiledModel* model() { return context()->compiledModel; }
};

}  // namespace vexl::model::test
