// Message boxes, the system error box and the busy dialog.
#include "ui/services/messages.h"

#include "common/storage/directories.h"
#include "common/storage/resources.h"
#include "ui/base/text_buffers.h"

#include <string>
#include <string_view>

namespace vexl::ui {
namespace {

constexpr int kCaptionChars = 261;
constexpr int kTextChars = 1024;
constexpr int kBusyTextChars = 1025;
constexpr std::uint16_t kMaxNumbers = 8;
constexpr std::u16string_view kLineBreaks = u"\r\n\r\n";

// One conversion of a format: its text and what it asks for.
struct Specifier {
    std::size_t length = 0;  // characters of the specifier, '%' included
    bool leftAlign = false;
    bool zeroPad = false;
    std::size_t width = 0;
    char16_t conversion = 0;
};

Specifier ParseSpecifier(std::u16string_view format)
{
    Specifier spec;
    std::size_t at = 1;
    while (at < format.size() && std::u16string_view(u"-+ 0#").find(format[at]) != std::u16string_view::npos) {
        if (format[at] == u'-') spec.leftAlign = true;
        if (format[at] == u'0') spec.zeroPad = true;
        ++at;
    }
    while (at < format.size() && format[at] >= u'0' && format[at] <= u'9' && spec.width < 1000)
        spec.width = spec.width * 10 + (format[at++] - u'0');
    while (at < format.size() && format[at] >= u'0' && format[at] <= u'9') ++at;
    while (at < format.size() && (format[at] == u'h' || format[at] == u'l' || format[at] == u'w')) ++at;
    if (at < format.size()) spec.conversion = format[at++];
    spec.length = at;
    return spec;
}

bool IsTextConversion(char16_t conversion)
{
    return conversion == u's' || conversion == u'S';
}

bool IsNumberConversion(char16_t conversion)
{
    return std::u16string_view(u"diuxXo").find(conversion) != std::u16string_view::npos;
}

std::u16string NumberText(std::uint16_t value, char16_t conversion)
{
    const unsigned base = conversion == u'x' || conversion == u'X' ? 16 : conversion == u'o' ? 8 : 10;
    const char16_t* digits = conversion == u'X' ? u"0123456789ABCDEF" : u"0123456789abcdef";
    std::u16string text;
    unsigned rest = value;
    do {
        text.insert(text.begin(), digits[rest % base]);
        rest /= base;
    } while (rest != 0);
    return text;
}

std::u16string Padded(std::u16string text, const Specifier& spec, bool number)
{
    if (text.size() >= spec.width) return text;
    const std::size_t fill = spec.width - text.size();
    if (spec.leftAlign) return text + std::u16string(fill, u' ');
    return std::u16string(fill, number && spec.zeroPad ? u'0' : u' ') + text;
}

// The format with its conversions replaced by the request's arguments, in
// order. A conversion whose argument is missing or of another kind is kept
// as written, so that no text is read from a number or beyond the arguments.
std::u16string FormatChecked(std::u16string_view format, const MessageRequest& request)
{
    const auto* numbers = static_cast<const std::uint16_t*>(request.argument);
    const std::uint16_t numberCount = request.argumentKind == kMessageNumbers && numbers != nullptr
                                          ? std::min(request.argumentCount, kMaxNumbers)
                                          : 0;
    const std::u16string_view text =
        request.argumentKind == kMessageText ? TextView(static_cast<const WCHAR*>(request.argument)) : u"";
    bool textUsed = request.argumentKind != kMessageText;
    std::uint16_t nextNumber = 0;
    std::u16string out;
    for (std::size_t at = 0; at < format.size();) {
        if (format[at] != u'%') {
            out.push_back(format[at++]);
            continue;
        }
        if (at + 1 < format.size() && format[at + 1] == u'%') {
            out.push_back(u'%');
            at += 2;
            continue;
        }
        const Specifier spec = ParseSpecifier(format.substr(at));
        if (IsTextConversion(spec.conversion) && !textUsed) {
            out += Padded(std::u16string(text), spec, false);
            textUsed = true;
        } else if (IsNumberConversion(spec.conversion) && nextNumber < numberCount) {
            out += Padded(NumberText(numbers[nextNumber++], spec.conversion), spec, true);
        } else {
            out += format.substr(at, spec.length);
        }
        at += spec.length;
    }
    return out;
}

std::u16string LoadString(DriverContext* context, std::uint32_t id, int size)
{
    std::u16string text(static_cast<std::size_t>(size), u'\0');
    LoadUiString(context, id, text.data(), size, TRUE);
    text.resize(std::u16string_view(text.c_str()).size());
    return text;
}

std::u16string PrinterCaption(DriverContext* context)
{
    return std::u16string(TextView(GetPrinterSectionName(context)));
}

HWND OwnerOrActive(HWND owner)
{
    return owner != nullptr ? owner : GetActiveWindow();
}

int ShowSimple(DriverContext* context, HWND owner, std::uint16_t stringId, std::uint16_t icon, std::uint16_t buttons,
               std::uint16_t kind, const WCHAR* text)
{
    const MessageRequest request{stringId, 0, icon, buttons, nullptr, kind, 0, text, nullptr};
    return ShowDriverMessage(context, &request, owner);
}

}  // namespace

std::u16string ComposeDriverMessage(const std::u16string& text, const MessageRequest& request)
{
    std::u16string message;
    if (request.prefix != nullptr) {
        message += TextView(request.prefix);
        message += kLineBreaks;
    }
    message += request.argument == nullptr ? text : FormatChecked(text, request);
    if (request.suffix != nullptr) {
        message += kLineBreaks;
        message += TextView(request.suffix);
        message += kLineBreaks;
    }
    return message;
}

int ShowDriverMessage(DriverContext* context, const MessageRequest* request, HWND owner)
{
    if (request == nullptr || request->argumentKind == kMessageNoArgument ||
        (request->argumentKind == kMessageNumbers && request->argumentCount == 0))
        return 0;
    const std::u16string caption =
        request->captionId != 0 ? LoadString(context, request->captionId, kCaptionChars) : PrinterCaption(context);
    const std::u16string message = ComposeDriverMessage(LoadString(context, request->textId, kTextChars), *request);
    return MessageBoxW(OwnerOrActive(owner), message.c_str(), caption.c_str(),
                       static_cast<UINT>(request->buttons) | request->icon);
}

int ShowWarningOk(DriverContext* context, HWND owner, std::uint16_t stringId)
{
    return ShowSimple(context, owner, stringId, MB_ICONEXCLAMATION, MB_OK, kMessageText, nullptr);
}

int ShowWarningOkCancel(DriverContext* context, HWND owner, int stringId)
{
    return ShowSimple(context, owner, static_cast<std::uint16_t>(stringId), MB_ICONEXCLAMATION, MB_OKCANCEL,
                      kMessageText, nullptr);
}

int ShowWarningWithText(DriverContext* context, HWND owner, std::uint16_t stringId, const WCHAR* text)
{
    return ShowSimple(context, owner, stringId, MB_ICONEXCLAMATION, MB_OK, kMessageText, text);
}

int ShowMessageWithStyle(DriverContext* context, HWND owner, int stringId, UINT icon, UINT buttons)
{
    return ShowSimple(context, owner, static_cast<std::uint16_t>(stringId), static_cast<std::uint16_t>(icon),
                      static_cast<std::uint16_t>(buttons), kMessageText, nullptr);
}

int ShowSystemError(DriverContext* context, DWORD errorCode, HWND owner)
{
    WCHAR* text = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER,
                       nullptr, errorCode, LANG_USER_DEFAULT, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    if (length != 0 && text != nullptr) {
        const std::u16string caption = PrinterCaption(context);
        MessageBoxW(OwnerOrActive(owner), text, caption.c_str(), MB_ICONWARNING);
    }
    if (text != nullptr) LocalFree(text);
    return 1;
}

int ShowUnusablePresetWarning(DriverContext* context)
{
    const std::u16string text = LoadString(context, 10023, kBusyTextChars);
    const std::u16string caption = PrinterCaption(context);
    return MessageBoxW(GetActiveWindow(), text.c_str(), caption.c_str(), MB_ICONWARNING);
}

HWND ShowBusyDialog(DriverContext* context, std::uint16_t stringId)
{
    if (context == nullptr || context->workArea == nullptr) return nullptr;
    HMODULE library = LoadUiResourceLibrary(context);
    HWND dialog = CreateDialogParamW(library, MAKEINTRESOURCEW(kBusyDialogTemplate), GetActiveWindow(), nullptr, 0);
    if (dialog == nullptr) return nullptr;
    WCHAR* text = context->workArea->scratchText;
    LoadUiString(context, stringId, text, kBusyTextChars, TRUE);
    const std::u16string title = PrinterCaption(context);
    SetWindowTextW(dialog, title.c_str());
    SetDlgItemTextW(dialog, kBusyDialogTextControl, text);
    return dialog;
}

BOOL CloseBusyDialog(HWND dialog)
{
    return dialog != nullptr ? DestroyWindow(dialog) : FALSE;
}

}  // namespace vexl::ui
