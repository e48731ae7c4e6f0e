// FormatMessageW with the texts of the system's error codes.
#include "platform/kernel.h"

#include "platform/files.h"

#include <cstring>
#include <string>

namespace {

struct SystemMessage {
    DWORD code;
    const char16_t* text;
};

// The codes the driver may show, in the system's words of this layer.
constexpr SystemMessage kSystemMessages[] = {
    {ERROR_SUCCESS, u"The operation completed successfully."},
    {ERROR_INVALID_FUNCTION, u"The function is not valid."},
    {ERROR_FILE_NOT_FOUND, u"The file cannot be found."},
    {ERROR_PATH_NOT_FOUND, u"The path cannot be found."},
    {ERROR_TOO_MANY_OPEN_FILES, u"Too many files are open."},
    {ERROR_ACCESS_DENIED, u"Access is denied."},
    {ERROR_INVALID_HANDLE, u"The handle is not valid."},
    {ERROR_NOT_ENOUGH_MEMORY, u"There is not enough memory for this command."},
    {ERROR_INVALID_DATA, u"The data is not valid."},
    {ERROR_WRITE_FAULT, u"The device cannot be written to."},
    {ERROR_READ_FAULT, u"The device cannot be read from."},
    {ERROR_SHARING_VIOLATION, u"Another process is using the file."},
    {ERROR_FILE_EXISTS, u"The file exists."},
    {ERROR_INVALID_PARAMETER, u"A parameter is not valid."},
    {ERROR_DISK_FULL, u"The disk is full."},
    {ERROR_INVALID_NAME, u"The file name, folder name or volume label is not valid."},
    {ERROR_DIR_NOT_EMPTY, u"The folder is not empty."},
    {ERROR_ALREADY_EXISTS, u"The file already exists and cannot be created again."},
    {ERROR_FILENAME_EXCED_RANGE, u"The file name is too long."},
};

}  // namespace

DWORD FormatMessageW(DWORD flags, LPCVOID /*source*/, DWORD messageId, DWORD /*languageId*/, LPWSTR buffer, DWORD size,
                     void* /*arguments*/)
{
    if (!(flags & FORMAT_MESSAGE_FROM_SYSTEM) || buffer == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const char16_t* found = nullptr;
    for (const SystemMessage& message : kSystemMessages) {
        if (message.code == messageId) found = message.text;
    }
    if (found == nullptr) {
        SetLastError(ERROR_MR_MID_NOT_FOUND);
        return 0;
    }
    const std::u16string text = std::u16string(found) + u"\r\n";
    const std::size_t bytes = (text.size() + 1) * sizeof(WCHAR);
    WCHAR* out = buffer;
    if (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
        out = static_cast<WCHAR*>(LocalAlloc(LMEM_FIXED, bytes));
        if (out == nullptr) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return 0;
        }
        *reinterpret_cast<WCHAR**>(buffer) = out;
    } else if (size <= text.size()) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(out, text.c_str(), bytes);
    return static_cast<DWORD>(text.size());
}
