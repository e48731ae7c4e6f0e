// What the window-system tests share: a driver that turns failures into test
// failures, and a window class that records the messages it gets.
#pragma once

#include "platform/ui_driver.h"
#include "platform/windows.h"
#include "support/message_recorder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vexl::test {

class UiTest : public testing::Test {
protected:
    UiTest()
    {
        Recorder::Start();
        driver.setFailureHandler([this](const std::string& message) {
            if (!expectFailure) ADD_FAILURE() << message;
        });
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
