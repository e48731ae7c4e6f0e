// The host face of clipboard.h: the clipboard's and help calls' logs and scripts. For tests, host/ and
// the tools; the libraries never see it.
#pragma once

#include "platform/clipboard.h"

#include <string>
#include <vector>

VEXL_HOST_FACE_BEGIN
namespace vexl::windows {

struct WinHelpCall {
    HWND window = nullptr;
    std::u16string file;
    UINT command = 0;
    ULONG_PTR data = 0;
    std::vector<DWORD> helpIds;  // the pairs of HELP_CONTEXTMENU and HELP_WM_HELP, flat
};

const std::vector<WinHelpCall>& WinHelpLog();
const std::vector<UINT>& MessageBeepLog();

// The clipboard as another program leaves it: CF_UNICODETEXT only.
void SetClipboardText(std::u16string_view text);
// CF_UNICODETEXT up to its terminator; empty when there is none.
std::u16string ClipboardText();
// Another program holds the clipboard open (OpenClipboard fails) or lets it go.
void HoldClipboard(bool held);
// Empties the clipboard, lets it go and clears the logs.
void ResetClipboardAndLogs();

}  // namespace vexl::windows
VEXL_HOST_FACE_END
