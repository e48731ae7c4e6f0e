// The names a description refers to, resolved through the model database.
#include "common/model/compile_state.h"

#include "common/core/modeldb.h"

#include <string>
#include <functional>
#include <vector>

namespace vexl::model {

namespace {

// Names and their answers in a table of open addressing: one probe finds
// most names. Filled once, read by every compilation.
template <typename Value> class FlatNameTable {
public:
    void Reserve(std::size_t names)
    {
        std::size_t capacity = 16;
        while (capacity < 2 * names) capacity *= 2;
        slots_.assign(capacity, Slot{});
    }

    // Keeps the first value of a name; the table holds at most half its slots.
    void Add(std::string_view name, Value value)
    {
        Slot& slot = slots_[SlotOf(name)];
        if (slot.used) return;
        slot = Slot{name, value, true};
    }

    const Value* Lookup(std::string_view name) const
    {
        if (slots_.empty()) return nullptr;
        const Slot& slot = slots_[SlotOf(name)];
        return slot.used ? &slot.value : nullptr;
    }

private:
    struct Slot {
        std::string_view name;
        Value value{};
        bool used = false;
    };

    // The slot that holds the name, or the free slot where it would go.
    std::size_t SlotOf(std::string_view name) const
    {
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t at = std::hash<std::string_view>{}(name) & mask;; at = (at + 1) & mask) {
            if (!slots_[at].used || slots_[at].name == name) return at;
        }
    }

    std::vector<Slot> slots_;
};

// The symbols and constants of the database by name, for the lines of a
// description that name them. Each name keeps the answer that the
// database's own lookup gives for it.
class NameIndex {
public:
    NameIndex()
    {
        const DriverContext* database = GetModelDatabase();
        const auto* symbols = static_cast<const SymbolTable*>(database->symbolTable);
        symbols_.Reserve(symbols ? static_cast<std::size_t>(symbols->count) : 0);
        for (int i = 0; symbols && i < symbols->count; ++i) {
            const char* name = symbols->entries[i].name;
            if (const SymbolEntry* entry = name ? FindSymbolByName(name) : nullptr)
                symbols_.Add(name, SymbolRef{static_cast<std::uint16_t>(entry->itemId), entry->symbolKey});
        }
        const auto* constantsA = static_cast<const ConstantTable*>(database->constantTableA);
        const auto* constantsB = static_cast<const ConstantTable*>(database->constantTableB);
        constants_.Reserve((constantsA ? static_cast<std::size_t>(constantsA->count) : 0) +
                           (constantsB ? static_cast<std::size_t>(constantsB->count) : 0));
        for (const ConstantTable* constants : {constantsA, constantsB}) {
            for (int i = 0; constants && i < constants->count; ++i) {
                const char* name = constants->entries[i].name;
                if (const ConstantEntry* entry = name ? FindConstantByName(name) : nullptr)
                    constants_.Add(name, entry->optionId);
            }
        }
    }

    std::optional<SymbolRef> FindSymbol(std::string_view name) const
    {
        const SymbolRef* found = symbols_.Lookup(UpToNul(name));
        if (!found) return std::nullopt;
        return *found;
    }

    std::optional<std::uint16_t> FindConstant(std::string_view name) const
    {
        const std::uint16_t* found = constants_.Lookup(UpToNul(name));
        if (!found) return std::nullopt;
        return *found;
    }

private:
    // The database's lookups take C strings: a name ends at its first NUL.
    static std::string_view UpToNul(std::string_view name) { return name.substr(0, name.find('\0')); }

    FlatNameTable<SymbolRef> symbols_;
    FlatNameTable<std::uint16_t> constants_;
};

const NameIndex& DatabaseIndex()
{
    static const NameIndex index;
    return index;
}

class DatabaseNames final : public DescriptionNames {
public:
    std::optional<SymbolRef> FindSymbol(std::string_view name) const override
    {
        return DatabaseIndex().FindSymbol(name);
    }

    std::optional<std::uint16_t> FindConstant(std::string_view name) const override
    {
        return DatabaseIndex().FindConstant(name);
    }

    std::optional<std::uint16_t> FindMessage(std::string_view name) const override
    {
        const MessageEntry* entry = FindMessageByName(nullptr, std::string(name).c_str());
        if (!entry) return std::nullopt;
        return entry->messageKey;
    }

    std::optional<std::uint16_t> FindPage(std::string_view name) const override
    {
        const PageDesc* page = FindPageByName(nullptr, std::string(name).c_str());
        if (!page) return std::nullopt;
        return page->pageId;
    }

    std::optional<std::uint16_t> FindPageControl(std::string_view name) const override
    {
        const PageItem* item = FindPageItemByName(nullptr, nullptr, std::string(name).c_str());
        if (!item) return std::nullopt;
        return item->controlId;
    }
};

}  // namespace

const DescriptionNames& ModelDatabaseNames()
{
    static const DatabaseNames names;
    return names;
}

}  // namespace vexl::model
