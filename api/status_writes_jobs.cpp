// Set and verify handlers of the statuses about the job and its owner: the
// user identifier, the preset in use, the authentication user and level,
// and the chapters.
#include "api/status_writes.h"

#include "api/job_control.h"
#include "api/validators.h"
#include "api/versions.h"
#include "common/core/devmode_public.h"
#include "common/core/items.h"
#include "common/core/osinfo.h"
#include "common/core/units.h"
#include "common/storage/ini_lists.h"
#include "common/storage/module_presets.h"
#include "common/storage/persistence.h"
#include "platform/text.h"

#include <array>

namespace vexl::api {

namespace {

// Job-control mask bits of the items these statuses write.
inline constexpr std::uint32_t kJobControlUserId = 0x8;
inline constexpr std::uint32_t kJobControlAuthUserName = 0x800;
inline constexpr std::uint32_t kJobControlAuthPassword = 0x1000;
inline constexpr std::uint32_t kJobControlAuthNetworkKey = 0x2000;

}  // namespace

// ---- 26: user identifier -------------------------------------------------------------------------

int SetUserId(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    const StatusInput in = CopyStatusInput(id, input);
    const StatusText user = in.Text(12, 9);
    if (!user.terminated) return -1;
    if (!user.text.empty() && !IsAsciiAlphanumeric(user.text.c_str())) return -1;
    const std::uint32_t method = GetItemValue(instance, rdmPrnMethod);
    if (user.text.empty() && (method == 1 || method == 2)) return -1;  // these methods need a user
    if (!SetTextItem(instance, rdmUserID, user.text)) return -1;
    StoreJobControlValue(instance, kJobControlUserId);
    return 1;
}

// ---- 56: preset by number -------------------------------------------------------------------------

namespace {

inline constexpr std::size_t kPresetNumberOffset = 816;

}  // namespace

int SetPresetNumber(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    const std::uint32_t version = GetWrittenVersion(id, input);
    if (version < 2 || !PassesMinimumApi(id, version)) return -1;
    const StatusInput in = CopyStatusInput(id, input);
    const std::uint32_t number = in.U32(kPresetNumberOffset);
    const int count = GetPresetCount(instance);
    if (number < 1 || count < 1 || number > static_cast<std::uint32_t>(count)) return -1;
    const int slot = static_cast<int>(number - 1);
    SetItemValue(instance, rdmPresetNo, static_cast<std::uint32_t>(slot));
    LoadPresetSlot(instance, slot);
    StoreIniItems(instance->printer, instance);
    return 1;
}

int VerifyPresetNumber(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    const StatusInput in = CopyStatusInput(id, input);
    // rdmPresetNo is a signed byte: compare its byte, so "no preset" (0xFF)
    // never matches a number.
    const std::uint32_t stored = GetItemValue(instance, rdmPresetNo) & 0xFF;
    return stored != 0xFF && stored + 1 == in.U32(kPresetNumberOffset) ? 1 : -1;
}

// ---- 59 and 60: authentication ------------------------------------------------------------------

namespace {

inline constexpr std::size_t kAuthUserNameOffset = 8;
inline constexpr std::size_t kAuthUserNameSize = 257;
inline constexpr std::size_t kAuthPasswordOffset = 265;
inline constexpr std::size_t kAuthPasswordSize = 259;
inline constexpr std::size_t kNetworkKeyOffset = 8;
inline constexpr std::size_t kNetworkKeySize = 36;
inline constexpr std::size_t kNetworkKeyChars = 32;
inline constexpr std::uint32_t kLevelNetworkKey = 2;

enum class TextCheck { kGood, kBadCharacter, kRefused };

// Every byte a single-byte character valid for the text kind; not empty
// (unless allowed) and at most maxLength characters.
TextCheck CheckAuthenticationText(const StatusText& field, int kind, std::int32_t maxLength, bool allowEmpty)
{
    if (!field.terminated) return TextCheck::kRefused;
    for (char c : field.text) {
        const auto byte = static_cast<BYTE>(c);
        if (IsDBCSLeadByte(byte) || !IsValidTextChar(byte, kind)) return TextCheck::kBadCharacter;
    }
    if (field.text.empty() && !allowEmpty) return TextCheck::kRefused;
    if (maxLength < 0 || field.text.size() > static_cast<std::size_t>(maxLength)) return TextCheck::kRefused;
    return TextCheck::kGood;
}

int RefuseText(DriverContext* instance, TextCheck check)
{
    return check == TextCheck::kBadCharacter ? RefuseWrite(instance, kApiErrorBadCharacter) : -1;
}

// The authentication level as the statuses exchange it.
std::uint32_t GetAuthenticationLevel(DriverContext* instance)
{
    if (GetItemValue(instance, rdmPrnFuncAuthenticationMode) == 0) return 0;
    return GetItemValue(instance, rdmPrnFuncAuthenticationSecureMode) != 0 ? 2 : 1;
}

}  // namespace

int SetAuthenticationUser(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    if (!CapabilityAnswers(instance, 89)) return -1;
    const std::int32_t userLength = AskCapability(instance, 90);
    const std::int32_t passwordLength = AskCapability(instance, 91);
    if (userLength == -1 || userLength == 0 || passwordLength == -1 || passwordLength == 0) return -1;
    const StatusInput in = CopyStatusInput(id, input);
    const StatusText user = in.Text(kAuthUserNameOffset, kAuthUserNameSize);
    const TextCheck userCheck = CheckAuthenticationText(user, kTextKindName, userLength, false);
    if (userCheck != TextCheck::kGood) return RefuseText(instance, userCheck);
    const StatusText password = in.Text(kAuthPasswordOffset, kAuthPasswordSize);
    // Under API version 12 the network-key level takes no empty password.
    const bool emptyRefused = GetApiVersionInForce() == 12 && GetAuthenticationLevel(instance) == kLevelNetworkKey;
    if (emptyRefused && password.terminated && password.text.empty()) return -1;
    const TextCheck passwordCheck = CheckAuthenticationText(password, kTextKindCode, passwordLength, true);
    if (passwordCheck != TextCheck::kGood) return RefuseText(instance, passwordCheck);
    if (!SetTextItem(instance, wdmAuthenticationUserName, user.text) ||
        !SetTextItem(instance, wdmAuthenticationPassword, password.text))
        return -1;
    StoreJobControlValue(instance, kJobControlAuthUserName);
    StoreJobControlValue(instance, kJobControlAuthPassword);
    return 1;
}

int SetAuthenticationLevel(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    const std::int32_t offered = AskCapability(instance, 82);
    if (offered == -1 || offered == 0) return -1;
    if (!IsWin9x() && !IsAdministratorOrUnchecked(instance)) return RefuseWrite(instance, kApiErrorNeedsAdministrator);
    const StatusInput in = CopyStatusInput(id, input);
    const std::uint32_t level = in.U32(4);
    if (level > kLevelNetworkKey) return -1;
    if (level == kLevelNetworkKey && offered < 2) return -1;
    const StatusText key = in.Text(kNetworkKeyOffset, kNetworkKeySize);
    if (level == kLevelNetworkKey) {
        if (!key.terminated || key.text.size() > kNetworkKeyChars) return RefuseWrite(instance, kApiErrorBadCharacter);
        for (char c : key.text) {
            const auto byte = static_cast<BYTE>(c);
            if (IsDBCSLeadByte(byte) || byte < 32 || byte == 127) return RefuseWrite(instance, kApiErrorBadCharacter);
        }
    }
    // Both items go to printer data at once; a store that fails puts both
    // back, in the settings and in printer data.
    SettingItemDescriptor* mode = FindItem(instance, rdmPrnFuncAuthenticationMode);
    SettingItemDescriptor* secure = FindItem(instance, rdmPrnFuncAuthenticationSecureMode);
    const std::uint32_t oldMode = GetItemValue(instance, rdmPrnFuncAuthenticationMode);
    const std::uint32_t oldSecure = GetItemValue(instance, rdmPrnFuncAuthenticationSecureMode);
    SetItemValue(instance, rdmPrnFuncAuthenticationMode, level == kLevelNetworkKey ? 1 : level);
    SetItemValue(instance, rdmPrnFuncAuthenticationSecureMode, level == kLevelNetworkKey ? 1 : 0);
    const bool modeStored = StoreItemToPrinterData(instance->printer, instance, mode) != 0;
    const bool secureStored = modeStored && StoreItemToPrinterData(instance->printer, instance, secure) != 0;
    if (!secureStored) {
        SetItemValue(instance, rdmPrnFuncAuthenticationMode, oldMode);
        SetItemValue(instance, rdmPrnFuncAuthenticationSecureMode, oldSecure);
        if (modeStored) StoreItemToPrinterData(instance->printer, instance, mode);
        return -1;
    }
    if (level == kLevelNetworkKey) {
        if (!SetTextItem(instance, wdmAuthenticationNetworkKey, key.text)) return -1;
        StoreJobControlValue(instance, kJobControlAuthNetworkKey);
    }
    return 1;
}

int VerifyAuthenticationLevel(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*,
                              std::uint32_t)
{
    const StatusInput in = CopyStatusInput(id, input);
    return GetAuthenticationLevel(instance) == in.U32(4) ? 1 : -1;
}

// ---- 67: chapters -----------------------------------------------------------------------------------

namespace {

enum ChapterOperation : std::uint32_t {
    kChapterSwitch = 0,
    kChapterAdd = 1,
    kChapterDelete = 2,
    kChapterClear = 3,
};

inline constexpr std::uint32_t kChapterKindTray = 0;
inline constexpr std::uint32_t kChapterKindSheet = 1;
inline constexpr std::uint32_t kChapterKindRange = 3;
inline constexpr std::uint32_t kLastChapterPage = 30000;
inline constexpr std::uint32_t kChapterPrintBothSides = 2;

// The request of one chapter, as the structure carries it.
struct ChapterRequest {
    std::uint32_t version;
    std::uint32_t onOff;
    std::uint32_t operation;
    std::uint32_t index;
    std::uint32_t startPage;
    std::uint32_t kind;
    std::uint32_t tray;
    std::uint32_t print;
    std::uint32_t endPage;
};

ChapterRequest ReadChapterRequest(std::uint32_t id, const void* input)
{
    const StatusInput in = CopyStatusInput(id, input);
    return {GetWrittenVersion(id, input),
            in.U32(4),
            in.U32(8),
            in.U32(16),
            in.U32(20),
            in.U32(24),
            in.U32(28),
            in.U32(32),
            in.U32(36)};
}

std::uint32_t CountChapters(DriverContext* instance)
{
    return GetItemValue(instance, wdmChapterNum);
}

// Loads the chapter list of the settings INI afresh.
void ReloadChapters(DriverContext* instance)
{
    if (instance->workArea) instance->workArea->chapterDataLoaded = 0;
    PrepareModuleData(instance);
}

BOOL CheckNewChapter(DriverContext* instance, const ChapterRequest& request, int* code)
{
    if (request.startPage < 1 || request.startPage > kLastChapterPage) return FALSE;
    const bool rangeOffered = GetApiVersionInForce() >= 15;
    if (request.kind == kChapterKindTray) {
        if (!IsValueAccepted(instance, wdmChapterTray, request.tray)) return FALSE;
        if (request.print > kChapterPrintBothSides) return FALSE;
        if (request.print == kChapterPrintBothSides && GetItemValue(instance, rdmFuncSelectDuplex) == 0) {
            *code = kApiErrorCombinationRefused;
            return FALSE;
        }
        if (GetValueCheckCode(instance, wdmChapterPrint, request.print) == 4) {
            *code = kApiErrorCombinationRefused;
            return FALSE;
        }
        return TRUE;
    }
    if (request.kind == kChapterKindRange && rangeOffered) {
        if (!IsValueAccepted(instance, wdmChapterTray, request.tray)) return FALSE;
        if (request.version >= 2 &&
            (request.endPage < 1 || request.endPage > kLastChapterPage || request.endPage < request.startPage))
            return FALSE;
        return TRUE;
    }
    return request.kind == kChapterKindSheet;
}

int AddChapter(DriverContext* instance, const ChapterRequest& request)
{
    SetItemValue(instance, wdmChapterKind, request.kind);
    const std::string page = std::to_string(request.startPage);
    if (!SetTextItem(instance, wdmChapterPage, page)) return -1;
    if (request.kind == kChapterKindTray || request.kind == kChapterKindRange)
        SetItemValue(instance, wdmChapterTray, request.tray);
    if (request.kind == kChapterKindTray) SetItemValue(instance, wdmChapterPrint, request.print);
    const std::uint32_t endPage = request.kind == kChapterKindRange && request.version >= 2 ? request.endPage : 0;
    std::array<std::uintptr_t, kModuleListRequestWords> words = {request.startPage, 0, endPage, 0, 0, 0};
    if (!RunModuleListOperation(instance, 2, words.data())) return RefuseWrite(instance, kApiErrorFailure);
    if (words[3] != 0) return RefuseWrite(instance, kApiErrorCombinationRefused);
    return 1;
}

}  // namespace

int SetChapters(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    const ChapterRequest request = ReadChapterRequest(id, input);
    if (!PassesMinimumApi(id, request.version)) return -1;
    if (request.onOff > 1) return -1;
    ReloadChapters(instance);
    const std::uint32_t count = CountChapters(instance);
    if (request.operation == kChapterSwitch) {
        SetItemValue(instance, rdmFuncSelectChapter, request.onOff == 1 && count == 0 ? 0 : request.onOff);
        return 1;
    }
    if (request.operation != kChapterAdd && request.operation != kChapterDelete && request.operation != kChapterClear)
        return -1;
    SetItemValue(instance, rdmFuncSelectChapter, 1);
    if (request.operation == kChapterAdd) {
        int code = kApiErrorRefused;
        if (!CheckNewChapter(instance, request, &code)) return RefuseWrite(instance, code);
    }
    if (request.operation == kChapterDelete && (request.index < 1 || request.index > count)) return -1;
    SetItemValue(instance, rdmFuncSelectChapter, request.onOff);
    std::array<std::uintptr_t, kModuleListRequestWords> words = {};
    switch (request.operation) {
    case kChapterAdd:
        return AddChapter(instance, request);
    case kChapterDelete:
        words[0] = request.index - 1;
        if (!RunModuleListOperation(instance, 3, words.data()) || words[1] != 0)
            return RefuseWrite(instance, kApiErrorFailure);
        if (count == 1) SetItemValue(instance, rdmFuncSelectChapter, 0);
        return 1;
    default:  // clear
        if (!RunModuleListOperation(instance, 4, words.data()) || words[0] != 0)
            return RefuseWrite(instance, kApiErrorFailure);
        SetItemValue(instance, rdmFuncSelectChapter, 0);
        return 1;
    }
}

int VerifyChapters(DriverContext* instance, std::uint32_t id, const void* input, std::uint8_t*, std::uint32_t)
{
    const ChapterRequest request = ReadChapterRequest(id, input);
    const std::uint32_t count = CountChapters(instance);
    const std::uint32_t chapterSwitch = GetItemValue(instance, rdmFuncSelectChapter);
    switch (request.operation) {
    case kChapterSwitch:
        if (count == 0) return chapterSwitch == 0 ? 1 : -1;
        return chapterSwitch == request.onOff ? 1 : -1;
    case kChapterAdd: {
        if (count == 0 || chapterSwitch != request.onOff) return -1;
        if (GetItemValue(instance, wdmChapterKind) != request.kind) return -1;
        if (GetTextItem(instance, wdmChapterPage) != std::to_string(request.startPage)) return -1;
        const bool withTray = request.kind == kChapterKindTray || request.kind == kChapterKindRange;
        if (withTray && GetItemValue(instance, wdmChapterTray) != request.tray) return -1;
        if (request.kind == kChapterKindTray && GetItemValue(instance, wdmChapterPrint) != request.print) return -1;
        return 1;
    }
    case kChapterDelete:
        return count != 0 || chapterSwitch == 0 ? 1 : -1;
    case kChapterClear:
        return count == 0 && chapterSwitch == 0 ? 1 : -1;
    default:
        return -1;
    }
}

}  // namespace vexl::api
