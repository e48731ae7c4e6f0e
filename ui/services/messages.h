// What the printer interface library says to the user outside its property
// pages: message boxes whose text is a string of the UI resource library,
// optionally formatted with arguments and framed by a prefix and a suffix,
// captioned with the printer's name unless a caption string is given; a
// system error code in the system's own words; and the modeless busy dialog
// shown while the printer is queried.
//
// A message is assembled in a growing text, and a string used as a format
// is checked against the arguments given: a specifier without a matching
// argument, or of another kind, is shown as it stands.
#pragma once

#include "common/core/context.h"
#include "platform/win32.h"
#include "platform/windows.h"

#include <cstdint>
#include <string>

namespace vexl::ui {

// Argument kinds of a request.
inline constexpr std::uint16_t kMessageNoArgument = 0;
inline constexpr std::uint16_t kMessageText = 1;
inline constexpr std::uint16_t kMessageNumbers = 2;

struct MessageRequest {
    std::uint16_t textId;     // the message, used as a format
    std::uint16_t captionId;  // 0: the printer name
    std::uint16_t icon;
    std::uint16_t buttons;
    const WCHAR* prefix;  // or null
    std::uint16_t argumentKind;
    std::uint16_t argumentCount;  // numbers of kind 2
    const void* argument;         // the text, or the 16-bit numbers
    const WCHAR* suffix;          // or null
};

// The MessageBoxW answer, or 0 when nothing was shown. A null owner is the
// active window.
int ShowDriverMessage(DriverContext* context, const MessageRequest* request, HWND owner);
int ShowWarningOk(DriverContext* context, HWND owner, std::uint16_t stringId);
int ShowWarningOkCancel(DriverContext* context, HWND owner, int stringId);
int ShowWarningWithText(DriverContext* context, HWND owner, std::uint16_t stringId, const WCHAR* text);
int ShowMessageWithStyle(DriverContext* context, HWND owner, int stringId, UINT icon, UINT buttons);
// The system's text of the code, captioned with the printer name; nothing
// for a code without text. Answers 1.
int ShowSystemError(DriverContext* context, DWORD errorCode, HWND owner);
// The stored-preset warning (string 10023) straight through MessageBoxW.
int ShowUnusablePresetWarning(DriverContext* context);

// The busy dialog (template 4006 of the UI resource library): titled with
// the printer name, control 5005 showing the string. CloseBusyDialog
// destroys it.
inline constexpr int kBusyDialogTemplate = 4006;
inline constexpr int kBusyDialogTextControl = 5005;
HWND ShowBusyDialog(DriverContext* context, std::uint16_t stringId);
BOOL CloseBusyDialog(HWND dialog);

// The message text: the prefix and a blank line, the string formatted with
// the request's arguments, then a blank line, the suffix and a blank line.
std::u16string ComposeDriverMessage(const std::u16string& text, const MessageRequest& request);

}  // namespace vexl::ui
