// The process's environment table, seeded once from the machine profile.
#include "platform/environment.h"

#include "platform/kernel.h"
#include "platform/machine.h"

#include "profile.h"
#include "unicode.h"

#include <mutex>
#include <string>
#include <vector>

using namespace vexl::platform;

namespace {

struct Variable {
    std::u16string name;
    std::u16string value;
};

struct Environment {
    std::mutex lock;
    std::vector<Variable> variables;
};

std::vector<Variable> SeedFromProfile()
{
    const std::shared_ptr<const vexl::machine::Profile> current = vexl::machine::CurrentProfile();
    const vexl::machine::Profile& profile = *current;
    const std::u16string& windows = profile.windowsDirectory;
    const std::u16string temporary = profile.userProfile + u"\\AppData\\Local\\Temp";
    return {
        {u"PATH", profile.systemDirectory + u";" + windows},
        {u"SystemRoot", windows},
        {u"SystemDrive", windows.substr(0, 2)},
        {u"windir", windows},
        {u"USERPROFILE", profile.userProfile},
        {u"USERNAME", profile.userName},
        {u"COMPUTERNAME", profile.computerName},
        {u"TEMP", temporary},
        {u"TMP", temporary},
        {u"OS", u"Windows_NT"},
    };
}

Environment& TheEnvironment()
{
    static Environment environment{{}, SeedFromProfile()};
    return environment;
}

// Call with the lock held.
Variable* FindVariable(Environment& environment, std::u16string_view name)
{
    for (Variable& variable : environment.variables) {
        if (EqualNoCase(variable.name, name)) return &variable;
    }
    return nullptr;
}

bool IsValidName(std::u16string_view name)
{
    return !name.empty() && name.find(u'=', 1) == std::u16string_view::npos;
}

std::u16string Expand(Environment& environment, std::u16string_view text)
{
    std::u16string result;
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t open = text.find(u'%', i);
        const std::size_t close = open == std::u16string_view::npos ? open : text.find(u'%', open + 1);
        if (close == std::u16string_view::npos) {
            result += text.substr(i);
            break;
        }
        result += text.substr(i, open - i);
        const std::u16string_view name = text.substr(open + 1, close - open - 1);
        if (const Variable* variable = name.empty() ? nullptr : FindVariable(environment, name)) {
            result += variable->value;
            i = close + 1;
        } else {
            // Kept as written; the closing '%' may open the next reference.
            result += u'%';
            result += name;
            i = close;
        }
    }
    return result;
}

}  // namespace

DWORD GetEnvironmentVariableW(LPCWSTR name, LPWSTR buffer, DWORD size)
{
    Environment& environment = TheEnvironment();
    std::lock_guard guard(environment.lock);
    const Variable* variable = name ? FindVariable(environment, View(name)) : nullptr;
    if (!variable) {
        SetLastError(ERROR_ENVVAR_NOT_FOUND);
        return 0;
    }
    const DWORD length = static_cast<DWORD>(variable->value.size());
    if (!buffer || size <= length) return length + 1;
    variable->value.copy(buffer, length);
    buffer[length] = 0;
    SetLastError(ERROR_SUCCESS);
    return length;
}

BOOL SetEnvironmentVariableW(LPCWSTR name, LPCWSTR value)
{
    if (!name || !IsValidName(View(name))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    Environment& environment = TheEnvironment();
    std::lock_guard guard(environment.lock);
    Variable* variable = FindVariable(environment, View(name));
    if (!value) {
        if (!variable) {
            SetLastError(ERROR_ENVVAR_NOT_FOUND);
            return FALSE;
        }
        environment.variables.erase(environment.variables.begin() + (variable - environment.variables.data()));
    } else if (variable) {
        variable->value = View(value);
    } else {
        environment.variables.push_back({std::u16string(View(name)), std::u16string(View(value))});
    }
    return TRUE;
}

DWORD ExpandEnvironmentStringsW(LPCWSTR source, LPWSTR destination, DWORD size)
{
    if (!source) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    Environment& environment = TheEnvironment();
    std::u16string expanded;
    {
        std::lock_guard guard(environment.lock);
        expanded = Expand(environment, View(source));
    }
    const DWORD needed = static_cast<DWORD>(expanded.size() + 1);
    if (destination && size >= needed) {
        expanded.copy(destination, expanded.size());
        destination[expanded.size()] = 0;
    } else if (destination && size > 0) {
        destination[0] = 0;
    }
    return needed;
}
