#include "platform/locale.h"

#include "platform/kernel.h"
#include "platform/machine.h"

#include "profile.h"

#include <string>

namespace vexl::platform {
namespace {

std::u16string Decimal(unsigned value)
{
    std::u16string text;
    do {
        text.insert(text.begin(), static_cast<char16_t>(u'0' + value % 10));
        value /= 10;
    } while (value);
    return text;
}

std::u16string Hex4(unsigned value)
{
    static constexpr char16_t kDigits[] = u"0123456789abcdef";
    std::u16string text(4, u'0');
    for (int i = 3; i >= 0; --i, value >>= 4) text[static_cast<std::size_t>(i)] = kDigits[value & 0xF];
    return text;
}

}  // namespace
}  // namespace vexl::platform

using namespace vexl::platform;

LCID GetUserDefaultLCID()
{
    return vexl::machine::CurrentProfile()->locale;
}

LCID GetSystemDefaultLCID()
{
    return vexl::machine::CurrentProfile()->locale;
}

LANGID GetUserDefaultLangID()
{
    return static_cast<LANGID>(GetUserDefaultLCID() & 0xFFFF);
}

int GetLocaleInfoW(LCID locale, LCTYPE type, LPWSTR data, int size)
{
    (void)locale;  // the machine has one locale
    const std::shared_ptr<const vexl::machine::Profile> current = vexl::machine::CurrentProfile();
    const vexl::machine::Profile& profile = *current;
    std::u16string value;
    switch (type) {
    case LOCALE_ICOUNTRY:
        value = Decimal(static_cast<unsigned>(profile.country));
        break;
    case LOCALE_ILANGUAGE:
        value = Hex4(profile.locale & 0xFFFF);
        break;
    case LOCALE_IDEFAULTANSICODEPAGE:
        value = Decimal(profile.ansiCodePage);
        break;
    default:
        SetLastError(ERROR_INVALID_FLAGS);
        return 0;
    }
    const int needed = static_cast<int>(value.size() + 1);
    if (size == 0) return needed;
    if (!data || size < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (size < needed) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    value.copy(data, value.size());
    data[value.size()] = 0;
    return needed;
}
