// The names a description refers to, resolved through the model database.
#include "common/model/compile_state.h"

#include "common/core/modeldb.h"

#include <string>
#include <unordered_map>

namespace vexl::model {

namespace {

// The symbols and constants of the database by name, for the lines of a
// description that name them. Each name keeps the answer that the
// database's own lookup gives for it.
class NameIndex {
public:
    NameIndex()
    {
        const DriverContext* database = GetModelDatabase();
        const auto* symbols = static_cast<const SymbolTable*>(database->symbolTable);
        for (int i = 0; symbols && i < symbols->count; ++i) {
            const char* name = symbols->entries[i].name;
            if (const SymbolEntry* entry = name ? FindSymbolByName(name) : nullptr)
                symbols_.emplace(name, SymbolRef{static_cast<std::uint16_t>(entry->itemId), entry->symbolKey});
        }
        for (const void* table : {database->constantTableA, database->constantTableB}) {
            const auto* constants = static_cast<const ConstantTable*>(table);
            for (int i = 0; constants && i < constants->count; ++i) {
                const char* name = constants->entries[i].name;
                if (const ConstantEntry* entry = name ? FindConstantByName(name) : nullptr)
                    constants_.emplace(name, entry->optionId);
            }
        }
    }

    std::optional<SymbolRef> FindSymbol(std::string_view name) const
    {
        const auto found = symbols_.find(UpToNul(name));
        if (found == symbols_.end()) return std::nullopt;
        return found->second;
    }

    std::optional<std::uint16_t> FindConstant(std::string_view name) const
    {
        const auto found = constants_.find(UpToNul(name));
        if (found == constants_.end()) return std::nullopt;
        return found->second;
    }

private:
    // The database's lookups take C strings: a name ends at its first NUL.
    static std::string_view UpToNul(std::string_view name) { return name.substr(0, name.find('\0')); }

    std::unordered_map<std::string_view, SymbolRef> symbols_;
    std::unordered_map<std::string_view, std::uint16_t> constants_;
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
