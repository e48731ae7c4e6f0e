// A window class that records the messages it gets, for tests that say
// "these messages, in this order": the window system's own tests and the
// property pages' tests alike.
#pragma once

#include "platform/windows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <initializer_list>
#include <sstream>
#include <vector>

namespace vexl::test {

struct Received {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// The messages the recording windows got, and an optional answer of the test
// (answered = false lets DefWindowProcW answer).
struct Recorder {
    static constexpr const WCHAR* kClassName = u"Recorder";

    static std::vector<Received>& log()
    {
        static std::vector<Received> messages;
        return messages;
    }
    static std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT&)>& answer()
    {
        static std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT&)> hook;
        return hook;
    }
    static LRESULT Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        log().push_back({window, message, wParam, lParam});
        LRESULT result = 0;
        if (answer() && answer()(window, message, wParam, lParam, result)) return result;
        return DefWindowProcW(window, message, wParam, lParam);
    }
    // Forgets what was recorded and the test's answer, and registers the class.
    static void Start()
    {
        log().clear();
        answer() = nullptr;
        WNDCLASSW recording{CS_DBLCLKS, Proc, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, kClassName};
        RegisterClassW(&recording);
    }
    // The messages of the window (all windows when null) among those listed.
    static std::vector<UINT> messages(HWND window, std::initializer_list<UINT> kinds)
    {
        std::vector<UINT> out;
        for (const Received& r : log()) {
            if (window != nullptr && r.window != window) continue;
            for (UINT kind : kinds) {
                if (r.message == kind) out.push_back(r.message);
            }
        }
        return out;
    }
};

// Whether the window (all windows when null) got exactly these messages, in
// this order, among the kinds the list names: other kinds are left out of
// the comparison, so a test names only the messages it cares about.
inline testing::AssertionResult ReceivedInOrder(HWND window, std::initializer_list<UINT> expected)
{
    std::vector<UINT> kinds;
    for (UINT message : expected) {
        if (std::find(kinds.begin(), kinds.end(), message) == kinds.end()) kinds.push_back(message);
    }
    std::vector<UINT> got;
    for (const Received& r : Recorder::log()) {
        if (window != nullptr && r.window != window) continue;
        if (std::find(kinds.begin(), kinds.end(), r.message) != kinds.end()) got.push_back(r.message);
    }
    if (std::equal(got.begin(), got.end(), expected.begin(), expected.end())) return testing::AssertionSuccess();
    auto list = [](auto first, auto last) {
        std::ostringstream text;
        text << std::hex;
        for (auto it = first; it != last; ++it) text << (it == first ? "0x" : ", 0x") << *it;
        return text.str();
    };
    return testing::AssertionFailure() << "messages " << list(got.begin(), got.end()) << ", expected "
                                       << list(expected.begin(), expected.end());
}

}  // namespace vexl::test
