// What the window-system tests share: a driver that turns failures into test
// failures, and a window class that records the messages it gets.
#pragma once

#include "platform/ui_driver.h"
#include "platform/windows.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace vexl::test {

struct Received {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// The messages the recording windows got, and an optional answer of the test
// (nullopt-like: answered = false lets DefWindowProcW answer).
struct Recorder {
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

class UiTest : public testing::Test {
protected:
    UiTest()
    {
        Recorder::log().clear();
        Recorder::answer() = nullptr;
        driver.setFailureHandler([this](const std::string& message) {
            if (!expectFailure) ADD_FAILURE() << message;
        });
        WNDCLASSW recording{CS_DBLCLKS, Recorder::Proc, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, u"Recorder"};
        RegisterClassW(&recording);
    }
    ~UiTest() override { Recorder::answer() = nullptr; }

    HWND topLevel(int x = 100, int y = 100, int width = 400, int height = 300)
    {
        return CreateWindowExW(0, u"Recorder", u"Top", WS_POPUP | WS_VISIBLE, x, y, width, height, nullptr, nullptr,
                               nullptr, nullptr);
    }
    HWND child(HWND parent, const WCHAR* className, DWORD style, int x, int y, int width, int height, int id,
               const WCHAR* text = u"")
    {
        return CreateWindowExW(0, className, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height, parent,
                               reinterpret_cast<HMENU>(static_cast<ULONG_PTR>(id)), nullptr, nullptr);
    }
    // WM_COMMAND notification codes the window got from the control of that id.
    static std::vector<WORD> notifications(HWND parent, int id)
    {
        std::vector<WORD> out;
        for (const Received& r : Recorder::log()) {
            if (r.window == parent && r.message == WM_COMMAND && LOWORD(r.wParam) == id)
                out.push_back(HIWORD(r.wParam));
        }
        return out;
    }

    bool expectFailure = false;
    windows::UiDriver driver;
};

}  // namespace vexl::test
