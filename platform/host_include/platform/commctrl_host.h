// The host face of commctrl.h: the list views' rows as a test reads them. For tests, host/ and the
// tools; the libraries never see it.
#pragma once

#include "platform/commctrl.h"

#include <string>
#include <vector>

VEXL_HOST_FACE_BEGIN
namespace vexl::windows {

// A row of a list view as the view keeps it, for tests.
struct ListViewRow {
    std::u16string text;  // the first column
    LPARAM param = 0;
    UINT state = 0;  // LVIS_*
};
std::vector<ListViewRow> ListViewRows(HWND listView);
// A client point inside the row, for a click that selects it.
POINT ListViewRowPoint(HWND listView, int row);

}  // namespace vexl::windows
VEXL_HOST_FACE_END
