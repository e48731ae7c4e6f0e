// The model generator refuses tables that break the model's rules: each case
// spoils one row of a copy of the tables and expects the build step to stop
// with the reason.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;

const fs::path kTables = fs::path(VEXL_SOURCE_DIR) / "common/core/modeldb";

std::vector<std::string> ReadLines(const fs::path& file)
{
    std::ifstream in(file);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

void WriteLines(const fs::path& file, const std::vector<std::string>& lines)
{
    std::ofstream out(file);
    for (const std::string& line : lines) out << line << '\n';
}

std::vector<std::string> SplitTabs(const std::string& line)
{
    std::vector<std::string> cells;
    std::stringstream in(line);
    for (std::string cell; std::getline(in, cell, '\t');) cells.push_back(cell);
    if (!line.empty() && line.back() == '\t') cells.push_back("");
    return cells;
}

std::string JoinTabs(const std::vector<std::string>& cells)
{
    std::string line;
    for (std::size_t i = 0; i < cells.size(); ++i) line += (i ? "\t" : "") + cells[i];
    return line;
}

struct Spoil {
    const char* what;
    const char* file;
    const char* row;  // first cell of the row to change; "" appends `value` as a new row
    int column;       // -1 deletes the row
    const char* value;
    const char* reason;  // part of the generator's message
};

void PrintTo(const Spoil& spoil, std::ostream* os)
{
    *os << spoil.what;
}

// A copy of the tables in a folder of its own, and a run of the generator on it.
class GeneratorRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The process id alone is not unique where several machines share /tmp.
        dir_ = fs::temp_directory_path() /
               ("vexl-modeldb-" + std::to_string(::getpid()) + "-" + std::to_string(std::random_device{}()));
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "tables");
        for (const auto& entry : fs::directory_iterator(kTables)) {
            fs::copy(entry.path(), dir_ / "tables" / entry.path().filename());
        }
    }
    void TearDown() override { fs::remove_all(dir_); }

    int Generate(std::string* messages)
    {
        std::string command = "python3 '" + (dir_ / "tables" / "generate.py").string() + "' --tables '" +
                              (dir_ / "tables").string() + "' '" + (dir_ / "out").string() + "' >'" +
                              (dir_ / "log").string() + "' 2>&1";
        int status = std::system(command.c_str());
        std::ifstream log(dir_ / "log");
        messages->assign(std::istreambuf_iterator<char>(log), {});
        return status;
    }

    fs::path dir_;
};

class ModelGenerator : public GeneratorRun, public ::testing::WithParamInterface<Spoil> {};

// The copy as it is passes, so a refusal below comes from the spoiled row.
TEST_F(GeneratorRun, PassesTheTablesAsTheyAre)
{
    std::string messages;
    EXPECT_EQ(Generate(&messages), 0) << messages;
}

TEST_P(ModelGenerator, RefusesSpoiledTables)
{
    std::string messages;
    const Spoil& s = GetParam();
    fs::path file = dir_ / "tables" / s.file;
    std::vector<std::string> lines = ReadLines(file);
    bool found = false;
    if (std::string(s.row).empty()) {
        lines.push_back(s.value);
        found = true;
    }
    for (std::size_t i = 0; i < lines.size() && !found; ++i) {
        std::vector<std::string> cells = SplitTabs(lines[i]);
        if (cells.empty() || cells[0] != s.row) continue;
        found = true;
        if (s.column < 0) {
            lines.erase(lines.begin() + static_cast<long>(i));
        } else {
            cells.at(static_cast<std::size_t>(s.column)) = s.value;
            lines[i] = JoinTabs(cells);
        }
    }
    ASSERT_TRUE(found) << s.what;
    WriteLines(file, lines);

    EXPECT_NE(Generate(&messages), 0) << s.what;
    EXPECT_NE(messages.find(s.reason), std::string::npos) << s.what << ": " << messages;
}

// items.tsv columns: id name enum area type bytes offset bit persist section key emit state
INSTANTIATE_TEST_SUITE_P(
    Tables, ModelGenerator,
    ::testing::Values(
        Spoil{"zero-padded judge hook name", "items.tsv", "1275", 1, "wdmJudgeHookUcf010", "used by 1269 and 1275"},
        Spoil{"machine id off its DEVMODE place", "items.tsv", "35", 6, "369", "the DEVMODE has it at 368"},
        Spoil{"ids not contiguous", "items.tsv", "500", -1, "", "the runs want"},
        Spoil{"area-2 items overlap", "items.tsv", "10013", 6, "0", "overlap"},
        Spoil{"text past its area", "items.tsv", "953", 5, "900", "past area 3"},
        Spoil{"heap address off an 8-byte place of the store", "items.tsv", "10005", 6, "4418", "not 8-byte aligned"},
        Spoil{"bit outside its word", "items.tsv", "10433", 7, "9", "does not fit a word"},
        Spoil{"wrong type in area 1", "items.tsv", "89", 4, "i16", "the DEVMODE has u16"},
        Spoil{"option 0 in a value map", "value_maps.tsv", "", 0, "92\t1\t9\t0", "would end the list"},
        Spoil{"symbol of a missing item", "symbols.tsv", "", 0, "2000\t1600\tKSD_Nothing\t0", "does not exist"},
        Spoil{"symbol key twice", "symbols.tsv", "", 0, "1\t0\tKSD_Again\t0", "key 1 twice"},
        Spoil{"driver type default of another sub-code", "model.tsv", "default.rdmDriverType", 1, "0",
              "must agree with the machine sub-code"},
        Spoil{"driver type without its symbol", "symbols.tsv", "110", -1, "", "rdmDriverType must carry its UI symbol"},
        Spoil{"kept item without a value list", "value_lists.tsv", "120", -1, "", "has no value list"},
        Spoil{"default missing from the list", "value_lists.tsv", "137", 2, "0..5", "is not in its value list"},
        Spoil{"ruled item with a UI symbol", "symbols.tsv", "", 0, "1600\t36\tKSD_rdmUIModeChange\t1",
              "its rule would never run"},
        Spoil{"value list of another item", "value_lists.tsv", "171", 1, "rdmDspLanguageID", "not rdmDspLanguageID"},
        Spoil{"PJL condition on no item", "pjl_options.tsv", "DUPLEX", 5, "rdmNothing=1", "rdmNothing is no item"},
        Spoil{"PJL variable without its list", "pjl_variables.tsv", "BINDING", 5, "BINDINGS",
              "option list BINDINGS does not exist"},
        Spoil{"page control bound to no item", "page_items.tsv", "1038", 4, "rdmNothing", "which is no item"},
        Spoil{"judge run in another area than its items", "item_runs.tsv", "FinishingJudgeItems", 3, "2",
              "put it in areas [2, 3]"},
        Spoil{"item run past the ids", "item_runs.tsv", "PrinterItems", 2, "10435", "reaches past the item ids"}));

}  // namespace
