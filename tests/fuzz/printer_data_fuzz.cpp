// Printer-data values of any type and length through the stored-item load:
// the input is a list of values, each a name chosen from the names the
// driver reads, a registry type, a length and the bytes, set as the data of
// the package's printer before a full load into a context.
#include "fuzz_support.h"

#include "common/core/items.h"
#include "common/core/le.h"
#include "common/core/modeldb.h"
#include "common/storage/persistence.h"
#include "common/storage/resources.h"
#include "storage/storage_fixture.h"

#include <string>
#include <vector>

using namespace vexl;

namespace {

// The values read by name beside the items', and numbered members of lists.
constexpr const WCHAR* kListNames[] = {
    u"DeviceFontNum",      u"DeviceFont",          u"OptionFontNum",    u"OptionFont",         u"FontTableNum",
    u"LastFontTableNum",   u"DefFontTableNum",     u"TTFontTable1",     u"DevFontTable1",      u"TTFontTable2",
    u"DevFontTable2",      u"TTFontDefTable1",     u"DevFontDefTable1", u"CustomMediaDataNum", u"CustomMediaData1",
    u"CustomMediaData2",   u"LockDefaultData",     u"LockTrayData",     u"LockMediaData",      u"LockColorData",
    u"LockDuplexTypeData", u"LockNUPPOSTKindData", u"LockNUPTypeData",  u"LockPrnMethodData",  u"rdmAction",
    u"rdmLockInfo",        u"HelpFileName",
};

// The load reads the substitution table pair by pair up to the stored count,
// without stopping at the first missing pair: a count of 65,535 takes
// seconds. That is a known fault of its own; larger counts are left out.
constexpr std::uint16_t kMaxFontTableCount = 64;

const std::vector<std::u16string>& ValueNames()
{
    static const std::vector<std::u16string> names = [] {
        std::vector<std::u16string> all(std::begin(kListNames), std::end(kListNames));
        const ItemTable* table = GetModelDatabase()->itemTable;
        for (std::int16_t i = 0; i < table->count; ++i) {
            const SettingItemDescriptor& item = table->items[i];
            if (item.persistence == kPersistPrinterData && item.key) all.emplace_back(item.key);
        }
        return all;
    }();
    return names;
}

constexpr DWORD kTypes[] = {REG_BINARY, REG_DWORD, REG_SZ, REG_NONE, REG_EXPAND_SZ, REG_MULTI_SZ};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::UseFuzzMachine();
    fuzz::InputReader input(data, size);
    machine::PrinterSetup setup = test::DriverPrinter();
    while (!input.empty()) {
        const std::u16string& name = ValueNames()[input.Le16() % ValueNames().size()];
        const DWORD type = kTypes[input.Byte() % std::size(kTypes)];
        const std::string_view bytes = input.Bytes(input.Le16());
        if (name == u"FontTableNum" && bytes.size() >= 2 &&
            ReadLe16(reinterpret_cast<const std::uint8_t*>(bytes.data())) > kMaxFontTableCount)
            return 0;
        setup.printerData[name] = {type, std::string(bytes)};
    }
    machine::AddPrinter(setup);
    HANDLE printer = test::OpenNamedPrinter(test::kPrinterName);
    if (!printer) return 0;

    test::ModelContext context;
    DriverContext* ctx = context.get();
    ctx->uiResourceLibrary = fuzz::LoadPackageResources();
    ctx->printer = printer;
    LoadStoredItems(printer, kAllAreas, ctx);
    ReadLockDefaultData(printer, ctx);
    ApplyLockedValues(printer, ctx);
    FreeFontListItems(ctx);
    FreeUiResourceLibraries(ctx);
    ClosePrinter(printer);
    return 0;
}
