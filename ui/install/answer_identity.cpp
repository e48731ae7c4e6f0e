// The user code, identity and authentication keys of the install answer
// file: checked, applied to the printer's settings, handed to the
// job-control plug-in and stored in printer data; each key deleted once read.
#include "common/core/appservices.h"
#include "common/core/item_ids.h"
#include "common/core/items.h"
#include "common/core/modeldb.h"
#include "common/core/textconv.h"
#include "common/storage/ini.h"
#include "common/storage/persistence.h"
#include "ui/base/job_info.h"
#include "ui/install/answer_file.h"
#include "ui/install/install_services.h"
#include "ui/install/locale_defaults.h"

#include <cstring>
#include <string>
#include <vector>

namespace vexl::ui {
namespace {

constexpr const WCHAR* kAbsentText = u"*";
constexpr std::uint16_t kAuthenticationFeatureClass = 0;
constexpr int kNotifyUserNameCleared = 9;

constexpr std::uint32_t kMaskOwner = 0x2;
constexpr std::uint32_t kMaskUserId = 0x8;
constexpr std::uint32_t kMaskUserName = 0x800;
constexpr std::uint32_t kMaskNetworkKey = 0x2000;

constexpr std::uint32_t kOptionOff = 0;
constexpr std::uint32_t kOptionOn = 1;

// A key of the section: absent, or its value (read into chars characters,
// the terminator included).
struct KeyValue {
    bool present = false;
    std::u16string text;
};

KeyValue ReadKey(const WCHAR* file, const WCHAR* section, const WCHAR* key, const WCHAR* defaultText, int chars)
{
    std::vector<WCHAR> buffer(static_cast<std::size_t>(chars), 0);
    ReadIniString(section, key, defaultText, buffer.data(), chars, file);
    KeyValue value;
    value.text = buffer.data();
    value.present = value.text != defaultText;
    return value;
}

void DeleteKey(const WCHAR* file, const WCHAR* section, const WCHAR* key)
{
    WriteIniString(section, key, nullptr, file);
}

std::string Ansi(const std::u16string& text)
{
    std::vector<char> buffer(text.size() * 2 + 2, 0);
    WideToAnsi(buffer.data(), text.c_str(), static_cast<int>(buffer.size()));
    return buffer.data();
}

bool IsAsciiAlphanumeric(const std::string& text)
{
    for (char c : text) {
        const bool digit = c >= '0' && c <= '9';
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (!digit && !letter) return false;
    }
    return true;
}

bool IsDigitString(const std::string& text)
{
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

void SetText(DriverContext* context, std::uint16_t id, const std::u16string& text)
{
    SetItemString(context, FindItem(context, id), text.c_str());
}

void SetOption(DriverContext* context, std::uint16_t id, std::uint32_t option)
{
    WriteItemOption(context, FindItem(context, id), option);
}

// The user code into every item that holds it, handed to the plug-in and
// stored in printer data.
void ApplyUserCode(DriverContext* context, const std::u16string& code, std::uint32_t use)
{
    SetItemValue(context, rdmLogCodeUse, use);
    SetText(context, rdmLogCode, code);
    SetText(context, rdmUserCode, code);
    WriteJobInfoItems(context, kJobInfoUserCodeMask);
    StoreJobInfoItems(context, kJobInfoUserCodeMask);
    StoreItemToPrinterData(context->printer, context, FindItem(context, rdmLogCodeUse));
    StoreItemToPrinterData(context->printer, context, FindItem(context, rdmLogCode));
    context->workArea->userCodeApplied = 1;
}

// A "0"/"1" mode key: empty is option 0; another value changes nothing.
// Answers whether an option was applied and sets changed for "0" or "1".
bool ApplyModeValue(DriverContext* context, std::uint16_t id, const std::u16string& text, bool* changed)
{
    if (text.empty()) {
        SetOption(context, id, kOptionOff);
        return true;
    }
    if (text == u"0" || text == u"1") {
        SetOption(context, id, text == u"1" ? kOptionOn : kOptionOff);
        *changed = true;
        return true;
    }
    return false;
}

}  // namespace

BOOL ApplyAnswerUserCode(const WCHAR* answerFile, const WCHAR* section, DriverContext* context)
{
    if (context == nullptr || context->workArea == nullptr) return TRUE;
    context->workArea->userCodeApplied = 0;
    const KeyValue code = ReadKey(answerFile, section, u"SetUserCode", kAbsentText, 9);
    if (!code.present) {
        SetItemValue(context, rdmPrintLog, 0);
    } else if (code.text.empty()) {
        WriteUserCodeIni(section, kUserCodeIniCleared, context);
        SetItemValue(context, rdmUserCodeFIX, 0);
        ApplyUserCode(context, u"", 0);
        SetItemValue(context, rdmPrintLog, 0);
    } else if (IsDigitString(Ansi(code.text))) {
        ApplyUserCode(context, code.text, 1);
        SetItemValue(context, rdmPrintLog, 1);
    } else {
        SetItemValue(context, rdmPrintLog, 0);
    }
    DeleteKey(answerFile, section, u"SetUserCode");
    return TRUE;
}

BOOL ApplyAnswerIdentity(const WCHAR* answerFile, const WCHAR* section, DriverContext* context)
{
    if (context == nullptr || context->workArea == nullptr) return FALSE;
    std::uint8_t& flags = context->workArea->answerFlags;
    flags = 0;
    std::uint32_t mask = 0;
    bool changed = false;
    bool anyPresent = false;

    const KeyValue userId = ReadKey(answerFile, section, u"SetUserID", u"", 10);
    if (!userId.text.empty()) {
        anyPresent = true;
        const std::string ansi = Ansi(userId.text);
        if (ansi.size() <= 8 && IsAsciiAlphanumeric(ansi)) {
            SetText(context, rdmUserID, userId.text);
            mask |= kMaskUserId;
        }
    }
    DeleteKey(answerFile, section, u"SetUserID");

    const KeyValue owner = ReadKey(answerFile, section, u"SetOwnerID", u"", 18);
    if (!owner.text.empty()) {
        anyPresent = true;
        if (Ansi(owner.text).size() <= 16) {
            SetText(context, rdmOwnerName, owner.text);
            mask |= kMaskOwner;
        }
    }
    DeleteKey(answerFile, section, u"SetOwnerID");

    if (IsFeatureClassOn(context, kAuthenticationFeatureClass, 0)) {
        const KeyValue key = ReadKey(answerFile, section, u"SetAuthenticationNetworkKey", kAbsentText, 34);
        if (key.present) {
            anyPresent = true;
            const std::string ansi = Ansi(key.text);
            if (key.text.empty()) {
                SetText(context, wdmAuthenticationNetworkKey, u"");
                flags |= 0x0F;
                mask |= kMaskNetworkKey;
            } else if (ansi.size() <= 32 && IsAsciiAlphanumeric(ansi)) {
                SetText(context, wdmAuthenticationNetworkKey, key.text);
                flags |= 0x07;
                mask |= kMaskNetworkKey;
            }
            // A network key needs the secure mode, and that the authentication.
            SetOption(context, rdmPrnFuncAuthenticationSecureMode, kOptionOn);
            SetOption(context, rdmPrnFuncAuthenticationMode, kOptionOn);
            DeleteKey(answerFile, section, u"SetAuthenticationSecureMode");
            DeleteKey(answerFile, section, u"SetAuthenticationMode");
            // The key is overwritten before it goes, so that no copy of it stays.
            WriteIniString(section, u"SetAuthenticationNetworkKey", u" ", answerFile);
            DeleteKey(answerFile, section, u"SetAuthenticationNetworkKey");
        }

        const KeyValue secure = ReadKey(answerFile, section, u"SetAuthenticationSecureMode", kAbsentText, 3);
        if (secure.present) {
            anyPresent = true;
            if (ApplyModeValue(context, rdmPrnFuncAuthenticationSecureMode, secure.text, &changed)) flags |= 0x03;
            SetOption(context, rdmPrnFuncAuthenticationMode, kOptionOn);
            DeleteKey(answerFile, section, u"SetAuthenticationMode");
        }
        DeleteKey(answerFile, section, u"SetAuthenticationSecureMode");

        const KeyValue userName = ReadKey(answerFile, section, u"SetAuthenticationUserName", kAbsentText, 130);
        if (userName.present) {
            anyPresent = true;
            const std::string ansi = Ansi(userName.text);
            if (userName.text.empty()) {
                SetText(context, wdmAuthenticationUserName, u"");
                flags |= 0x31;
                mask |= kMaskUserName;
            } else if (ansi.size() <= 128 && IsAsciiAlphanumeric(ansi)) {
                SetText(context, wdmAuthenticationUserName, userName.text);
                flags |= 0x11;
                mask |= kMaskUserName;
            }
            SetOption(context, rdmPrnFuncAuthenticationMode, kOptionOn);
            DeleteKey(answerFile, section, u"SetAuthenticationMode");
        }
        DeleteKey(answerFile, section, u"SetAuthenticationUserName");

        const KeyValue mode = ReadKey(answerFile, section, u"SetAuthenticationMode", kAbsentText, 3);
        if (mode.present) {
            anyPresent = true;
            if (ApplyModeValue(context, rdmPrnFuncAuthenticationMode, mode.text, &changed)) flags |= 0x01;
        }
        DeleteKey(answerFile, section, u"SetAuthenticationMode");
    }

    if (mask != 0 || changed) {
        if (mask != 0) {
            if (flags & kAnswerNetworkKeyEmpty) {
                SetText(context, wdmAuthenticationNetworkKey, u"");
                WriteJobInfoItems(context, kMaskNetworkKey);
                mask &= ~kMaskNetworkKey;
            }
            if (flags & kAnswerUserNameEmpty) {
                NotifyJobInfoPlugin(context, kNotifyUserNameCleared);
                mask &= ~kMaskUserName;
            }
            if (mask != 0) {
                WriteJobInfoItems(context, mask);
                StoreJobInfoItems(context, mask);
            }
        }
        ClearReadOnlyAttribute(answerFile);
        WriteDrvInstSetMark(answerFile, section, 1);
    }
    return anyPresent ? TRUE : FALSE;
}

}  // namespace vexl::ui
