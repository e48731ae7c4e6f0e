#include "api/exclusive.h"

#include "common/core/items.h"
#include "common/core/le.h"
#include "common/storage/bidi_config.h"
#include "common/storage/job_control.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>

namespace vexl::api {

namespace {

constexpr int kPrinterNameChars = 260;
constexpr std::uint32_t kJobControlUserCode = 1;
constexpr std::uint32_t kJobControlTextKind = 1;
constexpr int kUserCodeChars = 10;
constexpr int kUserCodeBytes = 9;  // rdmUserCode, terminator included

// The live handles of the process. A handle value is issued once and
// never again, so a stale value cannot name a later session.
class SessionRegistry {
public:
    std::uintptr_t Add(std::unique_ptr<ExclusiveSession> session)
    {
        std::lock_guard lock(mutex_);
        nextHandle_ += kHandleStep;
        sessions_.emplace(nextHandle_, std::move(session));
        return nextHandle_;
    }
    ExclusiveSession* Find(std::uintptr_t handle)
    {
        std::lock_guard lock(mutex_);
        const auto found = sessions_.find(handle);
        return found == sessions_.end() ? nullptr : found->second.get();
    }
    std::unique_ptr<ExclusiveSession> Remove(std::uintptr_t handle)
    {
        std::lock_guard lock(mutex_);
        const auto found = sessions_.find(handle);
        if (found == sessions_.end()) return nullptr;
        std::unique_ptr<ExclusiveSession> session = std::move(found->second);
        sessions_.erase(found);
        return session;
    }

private:
    static constexpr std::uintptr_t kHandleStep = 0x10;
    std::mutex mutex_;
    std::map<std::uintptr_t, std::unique_ptr<ExclusiveSession>> sessions_;
    std::uintptr_t nextHandle_ = 0x7E5C0000;
};

SessionRegistry& Registry()
{
    static SessionRegistry registry;
    return registry;
}

void ReleaseSessionContext(ExclusiveSession& session)
{
    if (!session.context) return;
    ReleaseDriverContextDefault(session.context);
    PurgeContextCache(TRUE);
    session.context = nullptr;
}

// The user code that the job-control plug-in keeps for the printer.
void LoadUserCode(ExclusiveSession& session)
{
    WCHAR wide[kUserCodeChars] = {};
    if (!ReadJobControlValueForPrinter(session.printer, kJobControlUserCode, kJobControlTextKind, wide)) return;
    wide[kUserCodeChars - 1] = 0;
    char ansi[kUserCodeBytes] = {};
    const int bytes = WideCharToMultiByte(CP_ACP, 0, wide, -1, ansi, kUserCodeBytes, nullptr, nullptr);
    if (bytes <= 0) return;
    ansi[kUserCodeBytes - 1] = '\0';
    SetItemBytes(session.context, rdmUserCode, ansi, sizeof ansi);
}

void FreeSession(std::unique_ptr<ExclusiveSession> session)
{
    if (!session) return;
    ReleaseSessionContext(*session);
    if (session->printer) ClosePrinter(session->printer);
}

}  // namespace

std::int32_t TextLength(const std::optional<std::string>& text)
{
    return text ? static_cast<std::int32_t>(text->size() + 1) : 0;
}

int OpenExclusiveContext(ExclusiveSession& session, BOOL queryNow)
{
    ReleaseSessionContext(session);
    session.context =
        CreateDriverContext(session.printer, session.printer, session.printerName.c_str(), kCallerPjlOptions);
    if (!session.context) return -1;
    EnsureBidiConfig(session.context, queryNow);
    LoadUserCode(session);
    return 0;
}

int ResetExclusiveSession(ExclusiveSession& session, bool reopen)
{
    session.setFlags.fill(0);
    session.values.fill(0);
    session.changeText.reset();
    session.baseText.reset();
    return reopen ? OpenExclusiveContext(session, FALSE) : 0;
}

void* OpenExclusiveSession(const char* printerName)
{
    if (!printerName) return nullptr;
    WCHAR wide[kPrinterNameChars + 1] = {};
    if (MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, printerName, -1, wide, kPrinterNameChars + 1) <= 0) return nullptr;
    auto session = std::make_unique<ExclusiveSession>();
    session->printerName = wide;
    if (!OpenPrinterW(wide, &session->printer, nullptr)) session->printer = nullptr;
    if (!session->printer || OpenExclusiveContext(*session, TRUE) != 0) {
        FreeSession(std::move(session));
        return nullptr;
    }
    return reinterpret_cast<void*>(Registry().Add(std::move(session)));
}

ExclusiveSession* FindExclusiveSession(const void* handle)
{
    return handle ? Registry().Find(reinterpret_cast<std::uintptr_t>(handle)) : nullptr;
}

void CloseExclusiveSession(const void* handle)
{
    if (!handle) return;
    std::unique_ptr<ExclusiveSession> session = Registry().Remove(reinterpret_cast<std::uintptr_t>(handle));
    if (session) ResetExclusiveSession(*session, false);
    FreeSession(std::move(session));
}

bool WriteAnsiDevmode(std::span<const std::uint8_t> wide, const char* printerName, std::span<std::uint8_t> ansi)
{
    if (wide.size() < sizeof(DEVMODEW) || ansi.size() + kDevmodeNameShrink != wide.size()) return false;
    std::fill(ansi.begin(), ansi.end(), std::uint8_t{0});
    // dmSpecVersion to dmCollate.
    constexpr std::size_t kMiddleBytes = offsetof(DEVMODEW, dmFormName) - offsetof(DEVMODEW, dmSpecVersion);
    std::memcpy(ansi.data() + offsetof(DEVMODEA, dmSpecVersion), wide.data() + offsetof(DEVMODEW, dmSpecVersion),
                kMiddleBytes);
    const std::uint16_t wideSize = ReadLe16(wide.data() + offsetof(DEVMODEW, dmSize));
    WriteLe16(ansi.data() + offsetof(DEVMODEA, dmSize),
              static_cast<std::uint16_t>(wideSize >= kDevmodeNameShrink ? wideSize - kDevmodeNameShrink : 0));
    // dmLogPixels to the end of the private part.
    std::memcpy(ansi.data() + offsetof(DEVMODEA, dmLogPixels), wide.data() + offsetof(DEVMODEW, dmLogPixels),
                ansi.size() - offsetof(DEVMODEA, dmLogPixels));
    // The form name, at most 31 bytes and its terminator.
    WCHAR form[CCHFORMNAME + 1] = {};
    std::memcpy(form, wide.data() + offsetof(DEVMODEW, dmFormName), sizeof(WCHAR) * CCHFORMNAME);
    char formAnsi[2 * CCHFORMNAME + 2] = {};
    WideCharToMultiByte(GetACP(), 0, form, -1, formAnsi, sizeof formAnsi, nullptr, nullptr);
    std::memcpy(ansi.data() + offsetof(DEVMODEA, dmFormName), formAnsi, strnlen(formAnsi, CCHFORMNAME - 1));
    if (printerName) {
        const std::size_t length = strnlen(printerName, CCHDEVICENAME - 1);
        std::memcpy(ansi.data() + offsetof(DEVMODEA, dmDeviceName), printerName, length);
    }
    return true;
}

}  // namespace vexl::api
