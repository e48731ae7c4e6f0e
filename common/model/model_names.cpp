// The names a description refers to, resolved through the model database.
#include "common/model/compile_state.h"

#include "common/core/modeldb.h"

#include <string>

namespace vexl::model {

namespace {

class DatabaseNames final : public DescriptionNames {
public:
    std::optional<SymbolRef> FindSymbol(std::string_view name) const override
    {
        const SymbolEntry* entry = FindSymbolByName(std::string(name).c_str());
        if (!entry) return std::nullopt;
        return SymbolRef{static_cast<std::uint16_t>(entry->itemId), entry->symbolKey};
    }

    std::optional<std::uint16_t> FindConstant(std::string_view name) const override
    {
        const ConstantEntry* entry = FindConstantByName(std::string(name).c_str());
        if (!entry) return std::nullopt;
        return entry->optionId;
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
