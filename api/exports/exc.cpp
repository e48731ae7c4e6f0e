// The Exc exports: exclusive handles and their PJL texts. Every export
// checks the handle against the live handles, checks every size before it
// writes, and answers -1 when memory runs out.
#include "vexlapi/vexl_exc.h"

#include "api/exclusive.h"
#include "api/pjl_session.h"
#include "common/core/osinfo.h"
#include "common/model/pjl_table.h"
#include "common/storage/directories.h"
#include "platform/win32.h"

#include <cstring>
#include <new>
#include <string>
#include <string_view>

using namespace vexl;
using namespace vexl::api;

namespace {

constexpr int kPrinterNameChars = 260;

void SetNeeded(std::int32_t* needed, std::int32_t bytes)
{
    if (needed) *needed = bytes;
}

// The buffer rule: the needed size goes out; the bytes are copied only when
// the caller's buffer holds them all.
int Deliver(std::string_view bytes, std::int32_t size, void* buffer, std::int32_t* needed)
{
    const auto length = static_cast<std::int32_t>(bytes.size());
    SetNeeded(needed, length);
    if (length == 0) return EXC_DONE;
    if (!buffer || size < length) return EXC_MORE;
    std::memcpy(buffer, bytes.data(), bytes.size());
    return EXC_DONE;
}

// A text with its terminator, as the interface hands texts out.
std::string_view WithTerminator(const std::string& text)
{
    return std::string_view(text.c_str(), text.size() + 1);
}

// The live session of a handle that has a context.
ExclusiveSession* SessionOf(EXCHANDLE handle)
{
    ExclusiveSession* session = FindExclusiveSession(handle);
    return session && session->context ? session : nullptr;
}

// Runs an export body; memory running out answers failure.
template <typename Body> int Guarded(Body body)
{
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return EXC_FAILED;
    }
}

bool OpenNamedPrinter(const char* printerName, HANDLE* printer)
{
    *printer = nullptr;
    if (!printerName) return false;
    WCHAR wide[kPrinterNameChars + 1] = {};
    if (MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, printerName, -1, wide, kPrinterNameChars + 1) <= 0) return false;
    return OpenPrinterW(wide, printer, nullptr) && *printer;
}

}  // namespace

VEXL_API EXCHANDLE ExcGetExclusive(const char* printerName)
{
    try {
        return static_cast<EXCHANDLE>(OpenExclusiveSession(printerName));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

VEXL_API void ExcFreeExclusive(EXCHANDLE handle)
{
    CloseExclusiveSession(handle);
}

VEXL_API int ExcSetCommandBase(EXCHANDLE handle, const char* baseText, std::int32_t* needed)
{
    ExclusiveSession* session = FindExclusiveSession(handle);
    if (!session) return EXC_FAILED;
    SetNeeded(needed, 0);
    return Guarded([&] {
        const int result = SetPjlCommandBase(*session, baseText);
        SetNeeded(needed, TextLength(session->changeText));
        return result;
    });
}

VEXL_API int ExcUpdateCommand(EXCHANDLE handle, const char* line, std::int32_t* needed)
{
    ExclusiveSession* session = SessionOf(handle);
    if (!session) return EXC_FAILED;
    if (!line) return EXC_DONE;
    SetNeeded(needed, 0);
    return Guarded([&] {
        const int result = UpdatePjlCommand(*session, line);
        SetNeeded(needed, TextLength(session->changeText));
        return result;
    });
}

VEXL_API int ExcGetCommandBase(EXCHANDLE handle, std::int32_t size, char* buffer, std::int32_t* needed)
{
    ExclusiveSession* session = FindExclusiveSession(handle);
    if (!session) return EXC_FAILED;
    if (!session->baseText) return Deliver({}, size, buffer, needed);
    return Deliver(WithTerminator(*session->baseText), size, buffer, needed);
}

VEXL_API int ExcGetCommandChange(EXCHANDLE handle, std::int32_t size, char* buffer, std::int32_t* needed)
{
    ExclusiveSession* session = FindExclusiveSession(handle);
    if (!session) return EXC_FAILED;
    if (!session->changeText) return Deliver({}, size, buffer, needed);
    const int result = Deliver(WithTerminator(*session->changeText), size, buffer, needed);
    // A change text is delivered once.
    if (result == EXC_DONE) session->changeText.reset();
    return result;
}

VEXL_API int ExcGetCommandValue(EXCHANDLE handle, const char* name, std::int32_t check, std::int32_t size, char* buffer,
                                std::int32_t* needed)
{
    ExclusiveSession* session = SessionOf(handle);
    if (!session) return EXC_FAILED;
    SetNeeded(needed, 0);
    if (!name) return EXC_DONE;
    const PjlVariable* row = FindPjlVariable(name, kPjlAccessCommand);
    if (!row || (check && !IsPjlVariableSettable(*session, *row))) return EXC_DONE;
    return Guarded([&] { return Deliver(ListPjlCommandValues(*session, *row, check != 0), size, buffer, needed); });
}

VEXL_API int ExcGetPrinterOption(EXCHANDLE handle, const char* name, std::int32_t size, char* buffer,
                                 std::int32_t* needed)
{
    ExclusiveSession* session = SessionOf(handle);
    if (!session) return EXC_FAILED;
    SetNeeded(needed, 0);
    if (!name) return EXC_DONE;
    const PjlVariable* row = FindPjlVariable(name, kPjlAccessPrinterOption);
    if (!row || !row->options || row->optionCount == 0) return EXC_DONE;
    return Guarded([&] { return Deliver(ListPjlPrinterOptions(session->context, *row), size, buffer, needed); });
}

VEXL_API int ExcGetPrinterValue(EXCHANDLE handle, const char* name, std::int32_t size, char* buffer,
                                std::int32_t* needed)
{
    ExclusiveSession* session = SessionOf(handle);
    if (!session) return EXC_FAILED;
    SetNeeded(needed, 0);
    if (!name) return EXC_DONE;
    const PjlVariable* row = FindPjlVariable(name, kPjlAccessPrinterValue);
    if (!row) return EXC_DONE;
    return Guarded([&] {
        const std::string text = GetPjlPrinterValueText(session->context, *row);
        return Deliver(text.empty() ? std::string_view() : WithTerminator(text), size, buffer, needed);
    });
}

VEXL_API int ExcGetWaterMarkList(EXCHANDLE handle, std::int32_t kind, std::int32_t size, char* buffer,
                                 std::int32_t* needed)
{
    ExclusiveSession* session = SessionOf(handle);
    if (!session) return EXC_FAILED;
    return Guarded([&] { return Deliver(BuildWatermarkList(session->context, kind), size, buffer, needed); });
}

VEXL_API int ExcGetIniFileName(const char* printerName, std::int32_t size, char* buffer, std::int32_t* needed)
{
    HANDLE printer = nullptr;
    if (!OpenNamedPrinter(printerName, &printer)) return EXC_FAILED;
    WCHAR path[MAX_PATH + 1] = {};
    const auto perUser = static_cast<std::uint16_t>(IsTerminalServerCached(printer) ? 1 : 0);
    const BOOL found = GetSettingsIniPathForPrinter(path, perUser, printer);
    ClosePrinter(printer);
    if (!found) return EXC_FAILED;
    char ansi[MAX_PATH] = {};
    if (WideCharToMultiByte(CP_ACP, 0, path, -1, ansi, MAX_PATH, nullptr, nullptr) <= 0) return EXC_FAILED;
    ansi[MAX_PATH - 1] = '\0';
    const std::string_view text(ansi);
    return Deliver(text.empty() ? std::string_view() : std::string_view(ansi, text.size() + 1), size, buffer, needed);
}
