// The old-style open and save dialogs over the machine's files. The dialog
// runs as a modal dialog of its template; its procedure calls the caller's
// hook first and does the default work for what the hook leaves.
#include "platform/file_dialogs.h"

#include "platform/files.h"
#include "platform/kernel.h"
#include "platform/resources.h"

#include "dialog_template_writer.h"
#include "windows_state.h"

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace vexl::windows {
namespace {

struct FileDialog {
    OPENFILENAMEW* ofn = nullptr;
    bool save = false;
    std::u16string folder;   // the current folder, ending in a backslash
    std::u16string pattern;  // the filter the files are shown by, e.g. "*.ini;*.txt"
    int okDepth = 0;         // OK handled inside a hook's own OK
};

DWORD g_lastError = 0;

std::map<HWND, FileDialog*>& Dialogs()
{
    static std::map<HWND, FileDialog*> dialogs;
    return dialogs;
}

FileDialog* DialogFor(HWND window)
{
    const auto found = Dialogs().find(window);
    return found == Dialogs().end() ? nullptr : found->second;
}

std::u16string WithBackslash(std::u16string path)
{
    if (path.empty() || path.back() != u'\\') path += u'\\';
    return path;
}

// The pairs of a filter string: display text and pattern, each terminated,
// the list ended by an empty text.
std::vector<std::pair<std::u16string, std::u16string>> FilterPairs(LPCWSTR filter)
{
    std::vector<std::pair<std::u16string, std::u16string>> pairs;
    for (const WCHAR* at = filter; at != nullptr && *at != 0;) {
        std::u16string text = at;
        at += text.size() + 1;
        if (*at == 0) break;
        std::u16string pattern = at;
        at += pattern.size() + 1;
        pairs.emplace_back(std::move(text), std::move(pattern));
    }
    return pairs;
}

bool HasWildcard(std::u16string_view text)
{
    return text.find_first_of(u"*?") != std::u16string_view::npos;
}

char16_t Fold(char16_t c)
{
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

// A name against one pattern with * and ?, without regard to case.
bool Matches(std::u16string_view name, std::u16string_view pattern)
{
    if (pattern.empty()) return name.empty();
    if (pattern.front() == u'*') {
        for (std::size_t skip = 0; skip <= name.size(); ++skip)
            if (Matches(name.substr(skip), pattern.substr(1))) return true;
        return false;
    }
    if (name.empty()) return false;
    if (pattern.front() != u'?' && Fold(pattern.front()) != Fold(name.front())) return false;
    return Matches(name.substr(1), pattern.substr(1));
}

bool MatchesAny(std::u16string_view name, std::u16string_view patterns)
{
    std::size_t start = 0;
    while (start <= patterns.size()) {
        const std::size_t end = std::min(patterns.find(u';', start), patterns.size());
        if (Matches(name, patterns.substr(start, end - start))) return true;
        start = end + 1;
    }
    return false;
}

// The 8.3 form of a name: upper case, blanks and extra dots dropped, long
// parts cut to six characters and "~1".
std::u16string ShortName(std::u16string_view name)
{
    const std::size_t dot = name.rfind(u'.');
    std::u16string base, extension;
    for (std::size_t i = 0; i < std::min(dot, name.size()); ++i)
        if (name[i] != u' ' && name[i] != u'.') base += Fold(name[i]);
    if (dot != std::u16string_view::npos)
        for (char16_t c : name.substr(dot + 1))
            if (c != u' ') extension += Fold(c);
    const bool fits = base.size() <= 8 && extension.size() <= 3 && name.find(u' ') == std::u16string_view::npos &&
                      std::count(name.begin(), name.end(), u'.') <= 1;
    if (!fits) base = base.substr(0, 6) + u"~1";
    return extension.empty() ? base : base + u"." + extension.substr(0, 3);
}

std::u16string Shown(const FileDialog& d, std::u16string name)
{
    return (d.ofn->Flags & OFN_NOLONGNAMES) ? ShortName(name) : name;
}

void FillFolders(HWND dialog, const FileDialog& d)
{
    SendDlgItemMessageW(dialog, lst2, LB_RESETCONTENT, 0, 0);
    std::size_t start = 0;
    int count = 0;
    while (start < d.folder.size()) {
        const std::size_t end = d.folder.find(u'\\', start);
        const std::u16string part = count == 0 ? d.folder.substr(0, end + 1) : d.folder.substr(start, end - start);
        SendDlgItemMessageW(dialog, lst2, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(part.c_str()));
        ++count;
        start = end + 1;
    }
    SendDlgItemMessageW(dialog, lst2, LB_SETCURSEL, static_cast<WPARAM>(count - 1), 0);
}

void FillFiles(HWND dialog, const FileDialog& d)
{
    SendDlgItemMessageW(dialog, lst1, LB_RESETCONTENT, 0, 0);
    std::vector<std::u16string> names;
    WIN32_FIND_DATAW found{};
    HANDLE find = FindFirstFileW((d.folder + u"*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && MatchesAny(found.cFileName, d.pattern))
                names.push_back(Shown(d, found.cFileName));
        } while (FindNextFileW(find, &found));
        FindClose(find);
    }
    std::sort(names.begin(), names.end());
    for (const std::u16string& name : names)
        SendDlgItemMessageW(dialog, lst1, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
}

void InitControls(HWND dialog, FileDialog& d)
{
    const auto filters = FilterPairs(d.ofn->lpstrFilter);
    for (const auto& [text, pattern] : filters)
        SendDlgItemMessageW(dialog, cmb1, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    const std::size_t index = d.ofn->nFilterIndex > 0 ? d.ofn->nFilterIndex - 1 : 0;
    if (index < filters.size()) {
        SendDlgItemMessageW(dialog, cmb1, CB_SETCURSEL, index, 0);
        d.pattern = filters[index].second;
    } else {
        d.pattern = u"*.*";
    }
    const std::u16string drive = d.folder.substr(0, 2);
    SendDlgItemMessageW(dialog, cmb2, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(drive.c_str()));
    SendDlgItemMessageW(dialog, cmb2, CB_SETCURSEL, 0, 0);
    if (d.ofn->lpstrFile != nullptr && d.ofn->nMaxFile > 0) {
        // The initial name ends at its terminator or at the end of the buffer.
        const std::u16string_view buffer(d.ofn->lpstrFile, d.ofn->nMaxFile);
        const std::u16string initial(buffer.substr(0, buffer.find(u'\0')));
        SetDlgItemTextW(dialog, edt1, initial.c_str());
    }
    if (d.ofn->lpstrTitle != nullptr) SetWindowTextW(dialog, d.ofn->lpstrTitle);
    FillFolders(dialog, d);
    FillFiles(dialog, d);
}

std::u16string ItemText(HWND dialog, int id)
{
    HWND item = GetDlgItem(dialog, id);
    const int length = item ? GetWindowTextLengthW(item) : 0;
    std::u16string text(static_cast<std::size_t>(length) + 1, u'\0');
    if (item) GetWindowTextW(item, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(length));
    return text;
}

// Puts the result into lpstrFile; false (FNERR_BUFFERTOOSMALL, the size
// needed in its first word) when it does not fit.
bool StoreResult(HWND dialog, FileDialog& d, const std::u16string& result, std::size_t offset)
{
    OPENFILENAMEW& ofn = *d.ofn;
    if (ofn.lpstrFile == nullptr || result.size() + 1 > ofn.nMaxFile) {
        g_lastError = FNERR_BUFFERTOOSMALL;
        if (ofn.lpstrFile != nullptr && ofn.nMaxFile >= 2) ofn.lpstrFile[0] = static_cast<WCHAR>(result.size() + 1);
        EndDialog(dialog, FALSE);
        return false;
    }
    result.copy(ofn.lpstrFile, result.size());
    ofn.lpstrFile[result.size()] = 0;
    ofn.nFileOffset = static_cast<WORD>(offset);
    const std::size_t dot = result.rfind(u'.');
    ofn.nFileExtension = static_cast<WORD>(
        dot != std::u16string::npos && dot >= offset && result.find(u' ', dot) == std::u16string::npos ? dot + 1
                                                                                                       : result.size());
    if (ofn.lpstrFileTitle != nullptr && ofn.nMaxFileTitle > 0) {
        const std::u16string title = result.substr(offset);
        const std::size_t take = std::min<std::size_t>(title.size(), ofn.nMaxFileTitle - 1);
        title.copy(ofn.lpstrFileTitle, take);
        ofn.lpstrFileTitle[take] = 0;
    }
    EndDialog(dialog, TRUE);
    return true;
}

void DefaultOk(HWND dialog, FileDialog& d)
{
    const std::u16string text = ItemText(dialog, edt1);
    if (text.empty()) return;
    if (HasWildcard(text)) {
        d.pattern = text;
        FillFiles(dialog, d);
        return;
    }
    const bool absolute = text.size() >= 2 && text[1] == u':';
    const std::u16string path = absolute ? text : d.folder + text;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        d.folder = WithBackslash(path);
        SetDlgItemTextW(dialog, edt1, u"");
        FillFolders(dialog, d);
        FillFiles(dialog, d);
        return;
    }
    if ((d.ofn->Flags & OFN_ALLOWMULTISELECT) && !absolute) {
        // The old-style list: the folder, then each name after a blank.
        std::u16string folder = d.folder.size() > 3 ? d.folder.substr(0, d.folder.size() - 1) : d.folder;
        StoreResult(dialog, d, folder + u" " + text, folder.size() + 1);
        return;
    }
    const std::size_t slash = path.rfind(u'\\');
    StoreResult(dialog, d, path, slash == std::u16string::npos ? 0 : slash + 1);
}

INT_PTR FileDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        auto* d = reinterpret_cast<FileDialog*>(lParam);
        Dialogs()[dialog] = d;
        InitControls(dialog, *d);
        if ((d->ofn->Flags & OFN_ENABLEHOOK) && d->ofn->lpfnHook)
            return static_cast<INT_PTR>(d->ofn->lpfnHook(dialog, message, wParam, reinterpret_cast<LPARAM>(d->ofn)));
        return TRUE;
    }
    FileDialog* d = DialogFor(dialog);
    if (d == nullptr) return FALSE;
    if (message == WM_NCDESTROY) {
        Dialogs().erase(dialog);
        return FALSE;
    }
    if ((d->ofn->Flags & OFN_ENABLEHOOK) && d->ofn->lpfnHook && d->ofn->lpfnHook(dialog, message, wParam, lParam) != 0)
        return TRUE;
    if (message != WM_COMMAND || DialogFor(dialog) != d) return FALSE;
    const int id = LOWORD(wParam);
    const WORD code = HIWORD(wParam);
    if (id == IDOK) {
        // A hook may send OK again from its own OK; one level is enough.
        if (d->okDepth > 1) return TRUE;
        ++d->okDepth;
        DefaultOk(dialog, *d);
        --d->okDepth;
    } else if (id == IDCANCEL) {
        g_lastError = 0;
        EndDialog(dialog, FALSE);
    } else if (id == lst1 && (code == LBN_SELCHANGE || code == LBN_DBLCLK)) {
        const int row = static_cast<int>(SendDlgItemMessageW(dialog, lst1, LB_GETCURSEL, 0, 0));
        if (row >= 0) {
            const int length = static_cast<int>(SendDlgItemMessageW(dialog, lst1, LB_GETTEXTLEN, row, 0));
            std::u16string name(static_cast<std::size_t>(std::max(0, length)) + 1, u'\0');
            SendDlgItemMessageW(dialog, lst1, LB_GETTEXT, row, reinterpret_cast<LPARAM>(name.data()));
            SetDlgItemTextW(dialog, edt1, name.c_str());
            if (code == LBN_DBLCLK) PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        }
    } else if (id == lst2 && code == LBN_DBLCLK) {
        const int row = static_cast<int>(SendDlgItemMessageW(dialog, lst2, LB_GETCURSEL, 0, 0));
        std::size_t end = 0;
        for (int level = 0; level <= row && end != std::u16string::npos; ++level) end = d->folder.find(u'\\', end) + 1;
        if (row >= 0 && end != 0) {
            d->folder = d->folder.substr(0, end);
            FillFolders(dialog, *d);
            FillFiles(dialog, *d);
        }
    } else if (id == cmb1 && code == CBN_SELCHANGE) {
        const auto filters = FilterPairs(d->ofn->lpstrFilter);
        const auto row = static_cast<std::size_t>(SendDlgItemMessageW(dialog, cmb1, CB_GETCURSEL, 0, 0));
        if (row < filters.size()) {
            d->pattern = filters[row].second;
            d->ofn->nFilterIndex = static_cast<DWORD>(row + 1);
            FillFiles(dialog, *d);
        }
    }
    return FALSE;
}

// The plain template of a dialog without one of the caller's.
std::vector<std::uint8_t> PlainTemplate(bool save)
{
    DialogTemplateWriter out(DS_MODALFRAME | DS_3DLOOK | WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 280, 164,
                             save ? u"Save As" : u"Open", 8, u"DejaVu Sans");
    out.item(WS_VISIBLE, stc1, WC_STATIC, u"File &name:", 6, 6, 76, 9);
    out.item(WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, edt1, WC_EDIT, u"", 6, 16, 90, 12);
    out.item(WS_VISIBLE | WS_BORDER | WS_TABSTOP | WS_VSCROLL | LBS_SORT | LBS_NOTIFY, lst1, WC_LISTBOX, u"", 6, 32, 90,
             68);
    out.item(WS_VISIBLE | WS_BORDER | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY, lst2, WC_LISTBOX, u"", 110, 32, 92, 68);
    out.item(WS_VISIBLE | WS_BORDER | WS_TABSTOP | CBS_DROPDOWNLIST, cmb1, WC_COMBOBOX, u"", 6, 114, 90, 36);
    out.item(WS_VISIBLE | WS_BORDER | WS_TABSTOP | CBS_DROPDOWNLIST, cmb2, WC_COMBOBOX, u"", 110, 114, 92, 68);
    out.item(WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, IDOK, WC_BUTTON, save ? u"Save" : u"OK", 208, 6, 50, 14);
    out.item(WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, IDCANCEL, WC_BUTTON, u"Cancel", 208, 24, 50, 14);
    return out.bytes();
}

BOOL RunFileDialog(LPOPENFILENAMEW ofn, bool save)
{
    g_lastError = 0;
    if (ofn == nullptr || ofn->lStructSize < sizeof(OPENFILENAMEW)) {
        g_lastError = CDERR_STRUCTSIZE;
        return FALSE;
    }
    FileDialog dialog;
    dialog.ofn = ofn;
    dialog.save = save;
    dialog.folder = WithBackslash(ofn->lpstrInitialDir && *ofn->lpstrInitialDir ? ofn->lpstrInitialDir : u"C:\\");
    const LPARAM param = reinterpret_cast<LPARAM>(&dialog);
    INT_PTR result = 0;
    if (ofn->Flags & OFN_ENABLETEMPLATE) {
        if (FindResourceW(ofn->hInstance, ofn->lpTemplateName, RT_DIALOG) == nullptr) {
            g_lastError = CDERR_FINDRESFAILURE;
            return FALSE;
        }
        result = DialogBoxParamW(ofn->hInstance, ofn->lpTemplateName, ofn->hwndOwner, FileDialogProc, param);
    } else {
        const std::vector<std::uint8_t> plain = PlainTemplate(save);
        result = DialogBoxIndirectParamW(nullptr, reinterpret_cast<LPCDLGTEMPLATEW>(plain.data()), ofn->hwndOwner,
                                         FileDialogProc, param);
    }
    return result == TRUE ? TRUE : FALSE;
}

}  // namespace
}  // namespace vexl::windows

BOOL GetOpenFileNameW(LPOPENFILENAMEW ofn)
{
    return vexl::windows::RunFileDialog(ofn, false);
}

BOOL GetSaveFileNameW(LPOPENFILENAMEW ofn)
{
    return vexl::windows::RunFileDialog(ofn, true);
}

DWORD CommDlgExtendedError()
{
    return vexl::windows::g_lastError;
}
