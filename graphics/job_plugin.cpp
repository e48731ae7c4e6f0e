// The job values of the job-control plug-in at document start.
#include "graphics/job_plugin.h"

#include "common/core/appservices.h"
#include "common/core/item_ids.h"
#include "common/core/items.h"
#include "common/core/switches.h"
#include "common/core/textconv.h"
#include "common/storage/job_control.h"
#include "platform/kernel.h"
#include "platform/modules.h"
#include "platform/spooler.h"
#include "platform/system.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace vexl {
namespace {

// How a row's value reaches its setting.
enum class JobValueTarget {
    None,      // not asked at document start
    Text,      // the 8-bit text of the setting
    Number,    // the number the text starts with
    Password,  // the transformed text
};

struct StartDocValueRow {
    std::uint32_t id;
    std::uint32_t maskBit;
    DWORD requestCode;
    DWORD bufferBytes;
    std::uint16_t item;
    JobValueTarget target;
    bool authentication;  // asked only with the authentication values on
};

// In the order the mask is walked.
constexpr StartDocValueRow kStartDocValueRows[] = {
    {kJobValueUserCode, 0x1, 111, 18, rdmUserCode, JobValueTarget::Text, false},
    {kJobValueOwnerName, 0x2, 112, 34, rdmOwnerName, JobValueTarget::Text, false},
    {kJobValueJobPassword, 0x4, 113, 18, rdmJOBPassword, JobValueTarget::Text, false},
    {kJobValueUserId, 0x8, 114, 18, rdmUserID, JobValueTarget::Text, false},
    {kJobValueDocumentName, 0x10, 115, 34, rdmDocumentName, JobValueTarget::Text, false},
    {kJobValueTelNo, 0x20, 116, 130, rdmTelNo, JobValueTarget::Text, false},
    {kJobValueTelLine, 0x40, 117, 18, rdmTelLine, JobValueTarget::Number, false},
    {kJobValueStoredPassword, 0x80, 118, 18, rdmStoredPassword, JobValueTarget::Text, false},
    {kJobValueDriverFamily, 0x100, 0, 0, 0, JobValueTarget::None, false},
    {kJobValueDriverVersion, 0x200, 0, 0, 0, JobValueTarget::None, false},
    {kJobValueLanguage, 0x400, 0, 0, 0, JobValueTarget::None, false},
    {kJobValueAuthUserName, 0x800, 123, 258, wdmAuthenticationUserName, JobValueTarget::Text, true},
    {kJobValueAuthPassword, 0x1000, 125, 386, wdmAuthenticationPassword, JobValueTarget::Password, true},
    {kJobValueAuthNetworkKey, 0x2000, 124, 66, wdmAuthenticationNetworkKey, JobValueTarget::Text, true},
};

// The user name of the reads: at most 256 characters.
constexpr DWORD kUserNameChars = 257;
constexpr WCHAR kUnknownUser[] = u"UNKNOWN";
// Texts of the secure mode's parameter, and the password as read for the transformation.
constexpr DWORD kParameterTextBytes = 258;
constexpr DWORD kPasswordReadBytes = 512;
constexpr WCHAR kSecureModeValue[] = u"AuthenticationSecureMode";

// What one read of the plug-in holds open; CloseSession gives each part back.
struct PluginSession {
    HMODULE module = nullptr;
    JobControlDisposeInterfaceFunction dispose = nullptr;
    JobControlInterface* table = nullptr;
    TransformInterface* transform = nullptr;
    std::uint16_t version = 0;
    HANDLE connection = nullptr;
    bool connected = false;
};

void CloseSession(PluginSession& session)
{
    if (session.connected && session.table->closeSession) session.table->closeSession(session.connection);
    if (session.dispose && session.table) session.dispose(session.table);
    if (session.dispose && session.transform)
        session.dispose(reinterpret_cast<JobControlInterface*>(session.transform));
    if (session.module) FreeLibrary(session.module);
    session = {};
}

bool ReadPrinterName(HANDLE printer, std::u16string& name)
{
    DWORD needed = 0;
    GetPrinterW(printer, 2, nullptr, 0, &needed);
    if (needed < sizeof(PRINTER_INFO_2W)) return false;
    std::vector<std::uint8_t> buffer(needed);
    if (!GetPrinterW(printer, 2, buffer.data(), needed, &needed)) return false;
    const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
    if (info->pPrinterName == nullptr || info->pPrinterName[0] == 0) return false;
    name = info->pPrinterName;
    return true;
}

// The spooler's user of the job, unless it says "UNKNOWN"; else the calling user.
std::u16string ReadUserName(HANDLE printer, DWORD jobId)
{
    DWORD needed = 0;
    GetJobW(printer, jobId, 1, nullptr, 0, &needed);
    if (needed >= sizeof(JOB_INFO_1W)) {
        std::vector<std::uint8_t> buffer(needed);
        if (GetJobW(printer, jobId, 1, buffer.data(), needed, &needed)) {
            const auto* job = reinterpret_cast<const JOB_INFO_1W*>(buffer.data());
            if (job->pUserName && job->pUserName[0] && std::u16string_view(job->pUserName) != kUnknownUser)
                return job->pUserName;
        }
    }
    WCHAR user[kUserNameChars] = {};
    DWORD chars = kUserNameChars;
    if (!GetUserNameW(user, &chars)) return {};
    user[kUserNameChars - 1] = 0;
    return user;
}

// Loads the plug-in from the system directory and takes its newest
// interface, and its TransformInterface when asked for and the version is
// above 259.
bool LoadPlugin(PluginSession& session, bool withTransform)
{
    JobControlLibrary library;
    const bool loaded = LoadJobControlLibrary(&library);
    session.module = library.module;
    session.dispose = library.dispose;
    if (!loaded) return false;
    const JobControlGetInterfaceFunction getInterface = library.getInterface;
    if (TakeJobControlInterface(getInterface, &session.table, &session.version) != 0) return false;
    if (withTransform && session.version > kJobControlVersion259) {
        JobControlInterface* granted = nullptr;
        if (getInterface(kJobControlTransformVersion, &granted) == 0)
            session.transform = reinterpret_cast<TransformInterface*>(granted);
    }
    return true;
}

bool Connect(PluginSession& session, const std::u16string& printerName)
{
    if (session.table->openSession == nullptr) return false;
    session.connected = session.table->openSession(printerName.c_str(), &session.connection) == 0;
    return session.connected;
}

// One value as UTF-16 into out (outBytes): slot 5 below version 259, slot 10
// with the user name from 259 on. Nothing (false) for no value or a failed read.
bool ReadJobControlText(const PluginSession& session, std::uint16_t version, const std::u16string& user,
                        const StartDocValueRow& row, WCHAR* out)
{
    const JobControlInterface* table = session.table;
    const bool forUser = version >= kJobControlVersion259;
    if (forUser ? table->getUserValue == nullptr : table->getValue == nullptr) return false;
    const auto read = [&](void* buffer, DWORD size, DWORD* needed) {
        return forUser ? table->getUserValue(session.connection, row.id, row.requestCode, user.c_str(), buffer, size,
                                             needed)
                       : table->getValue(session.connection, row.id, row.requestCode, buffer, size, needed);
    };
    DWORD needed = 0;
    const int sized = read(nullptr, 0, &needed);
    if (sized == kJobControlNoValue || needed == 0 || (sized != 0 && sized != kJobControlMoreData)) return false;
    std::memset(out, 0, row.bufferBytes);
    const int result = ReadJobControlValueOfSize([&](void* buffer, DWORD size) { return read(buffer, size, &needed); },
                                                 needed, reinterpret_cast<std::uint8_t*>(out), row.bufferBytes);
    return result == 0 && out[0] != 0;
}

// A value as UTF-16 over slot 5 with the text kind, when its attributes say it
// can be read; out (bytes) is always terminated. 0 when done or not readable.
int ReadJobControlWide(const JobControlInterface* table, HANDLE connection, std::uint32_t id, WCHAR* out, DWORD bytes)
{
    std::memset(out, 0, bytes);
    if (table->getAttributes == nullptr || table->getValue == nullptr) return ERROR_INVALID_FUNCTION;
    DWORD flags = 0;
    const int attributes = table->getAttributes(connection, id, &flags);
    if (attributes != 0) return attributes;
    if ((flags & kJobControlReadable) == 0) return 0;
    DWORD needed = 0;
    const int sized = table->getValue(connection, id, kJobControlKindText, nullptr, 0, &needed);
    if (sized != 0 && sized != kJobControlMoreData) return sized;
    if (needed == 0) return 0;
    return ReadJobControlValueOfSize(
        [&](void* buffer, DWORD size) {
            return table->getValue(connection, id, kJobControlKindText, buffer, size, &needed);
        },
        needed, reinterpret_cast<std::uint8_t*>(out), bytes);
}

DWORD SecureModeOf(HANDLE printer)
{
    DWORD type = 0;
    DWORD value = 0;
    DWORD needed = 0;
    WCHAR name[sizeof kSecureModeValue / sizeof(WCHAR)];
    std::memcpy(name, kSecureModeValue, sizeof name);
    const DWORD read = GetPrinterDataW(printer, name, &type, reinterpret_cast<LPBYTE>(&value), sizeof value, &needed);
    return read == ERROR_SUCCESS && needed == sizeof value && (value & 1) ? kTransformModeSecure : kTransformModePlain;
}

// Transforms input into a buffer of its own; the result's length is checked
// against limit (bytes without the terminator) before anything is written.
int TransformInto(const TransformInterface* transform, HANDLE handle, const std::string& input, DWORD limit,
                  std::string& output)
{
    DWORD length = 0;
    int result = transform->transform(handle, reinterpret_cast<const BYTE*>(input.data()),
                                      static_cast<DWORD>(input.size()), nullptr, 0, &length);
    if (result != 0) return result;
    if (length > limit) return -1;
    std::vector<BYTE> buffer(std::size_t{length} + 1, 0);
    DWORD written = 0;
    result = transform->transform(handle, reinterpret_cast<const BYTE*>(input.data()), static_cast<DWORD>(input.size()),
                                  buffer.data(), length + 1, &written);
    if (result != 0) return result;
    if (written > length) return -1;
    output.assign(reinterpret_cast<const char*>(buffer.data()), written);
    output.resize(std::strlen(output.c_str()));
    return 0;
}

int SetUserParameter(const TransformInterface* transform, HANDLE handle, const JobControlInterface* table,
                     HANDLE connection)
{
    WCHAR userName[kParameterTextBytes / sizeof(WCHAR)];
    WCHAR networkKey[kParameterTextBytes / sizeof(WCHAR)];
    int result = ReadJobControlWide(table, connection, kJobValueAuthUserName, userName, kParameterTextBytes);
    if (result == 0)
        result = ReadJobControlWide(table, connection, kJobValueAuthNetworkKey, networkKey, kParameterTextBytes);
    if (result != 0) return result;
    const TransformUserPair pair{userName, networkKey};
    return transform->setParameter(handle, kTransformParameterUser, &pair, sizeof pair);
}

bool UsesAuthenticationValues(DriverContext* context)
{
    return IsFeatureClassOn(context, kFeatureAuthJobValues, 0);
}

void StoreValue(DriverContext* context, const StartDocValueRow& row, const WCHAR* text)
{
    char ansi[kPasswordReadBytes] = {};
    WideToAnsi(ansi, text, sizeof ansi);
    if (row.target == JobValueTarget::Number) {
        SetItemValue(context, row.item, static_cast<std::uint32_t>(std::atoi(ansi)));
        return;
    }
    SetItemString(context, FindItem(context, row.item), text);
}

// The password: transformed, or, when the transformation fails, cleared so
// that no untransformed password goes with the job.
void StorePassword(DriverContext* context, HANDLE printer, const PluginSession& session, const StartDocValueRow& row)
{
    char password[kAuthenticationPasswordBytes] = {};
    const bool done =
        session.transform != nullptr &&
        TransformAuthenticationPassword(printer, password, session.transform, session.table, session.connection) == 0;
    if (!done) password[0] = 0;
    SetItemBytes(context, row.item, password, std::strlen(password) + 1);
}

}  // namespace

int ReadJobControlValuesIfEnabled(DriverContext* context, HANDLE printer, DWORD jobId)
{
    if (IsJobControlEnabled()) ReadJobControlPluginValues(printer, context, jobId, kStartDocJobValueMask);
    return 1;
}

BOOL ReadJobControlPluginValues(HANDLE printer, DriverContext* context, DWORD jobId, std::uint32_t mask)
{
    if (context == nullptr) return FALSE;
    std::u16string printerName;
    if (!ReadPrinterName(printer, printerName)) return FALSE;
    const bool authentication = UsesAuthenticationValues(context);

    PluginSession session;
    std::u16string user;
    bool open = LoadPlugin(session, authentication);
    // The reads for a named user need one from version 259 on.
    if (open && session.version >= kJobControlVersion259) {
        user = ReadUserName(printer, jobId);
        open = !user.empty();
    }
    if (open) open = Connect(session, printerName);
    if (!open) {
        CloseSession(session);
        return FALSE;
    }

    std::vector<WCHAR> text(kPasswordReadBytes / sizeof(WCHAR));
    for (const StartDocValueRow& row : kStartDocValueRows) {
        if ((mask & row.maskBit) == 0 || row.target == JobValueTarget::None) continue;
        if (row.authentication && !authentication) continue;
        bool read = ReadJobControlText(session, session.version, user, row, text.data());
        if (!read && session.version > kJobControlVersion258)
            read = ReadJobControlText(session, kJobControlVersion258, user, row, text.data());
        if (!read) continue;
        if (row.target == JobValueTarget::Password) {
            StorePassword(context, printer, session, row);
        } else {
            StoreValue(context, row, text.data());
        }
    }
    CloseSession(session);
    return TRUE;
}

int TransformAuthenticationPassword(HANDLE printer, char* out, const TransformInterface* transform,
                                    const JobControlInterface* table, HANDLE connection)
{
    if (out == nullptr) return -1;
    std::memset(out, 0, kAuthenticationPasswordBytes);
    if (transform == nullptr || table == nullptr || transform->open == nullptr || transform->close == nullptr ||
        transform->setParameter == nullptr || transform->transform == nullptr)
        return -1;

    const DWORD mode = SecureModeOf(printer);
    HANDLE handle = nullptr;
    int result = transform->open(&handle, mode);
    if (result != 0) return result;
    if (mode == kTransformModeSecure) result = SetUserParameter(transform, handle, table, connection);

    std::string password;
    if (result == 0) {
        WCHAR wide[kPasswordReadBytes / sizeof(WCHAR)];
        result = ReadJobControlWide(table, connection, kJobValueAuthPassword, wide, kPasswordReadBytes);
        char ansi[kPasswordReadBytes] = {};
        WideToAnsi(ansi, wide, sizeof ansi);
        password = ansi;
    }
    std::string first;
    if (result == 0) result = TransformInto(transform, handle, password, kTransformOutputBytes - 1, first);
    transform->close(handle);
    if (result != 0 || first.empty()) return result;

    // The second stage: the first stage's result once more, in mode 1.
    result = transform->open(&handle, kTransformModeFinal);
    if (result != 0) return result;
    std::string second;
    result = TransformInto(transform, handle, first, kTransformOutputBytes - 1, second);
    transform->close(handle);
    if (result != 0) return result;
    // A password cut to the stored text would be a wrong password.
    if (second.size() >= kAuthenticationPasswordBytes) return -1;
    std::memcpy(out, second.data(), second.size());
    return 0;
}

}  // namespace vexl
