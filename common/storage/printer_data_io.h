// Reading and writing single printer-data values, shared by the item, font
// list and printer extra persistence.
#pragma once

#include "common/storage/persistence.h"
#include "platform/win32.h"

#include <cstring>
#include <string>

namespace vexl::printer_data_io {

// Reads a printer-data value from the spooler or the callback into data
// (size bytes, zeroed first). Answers the spooler's status.
inline DWORD ReadValue(HANDLE printer, const WCHAR* name, DWORD expectedType, BYTE* data, DWORD size, DWORD* read,
                       const PrinterDataCallback* callback)
{
    std::memset(data, 0, size);
    DWORD needed = 0;
    DWORD status;
    if (callback && callback->getValue) {
        status = callback->getValue(callback->state, name, expectedType, data, size, &needed);
    } else {
        DWORD type = REG_NONE;
        status = GetPrinterDataW(printer, const_cast<LPWSTR>(name), &type, data, size, &needed);
    }
    if (status == ERROR_SUCCESS && needed > size) status = ERROR_MORE_DATA;
    *read = status == ERROR_SUCCESS ? needed : 0;
    return status;
}

inline bool ReadExact(HANDLE printer, const WCHAR* name, void* data, DWORD size)
{
    DWORD read = 0;
    return ReadValue(printer, name, REG_BINARY, static_cast<BYTE*>(data), size, &read, nullptr) == ERROR_SUCCESS &&
           read == size;
}

inline bool WriteBinary(HANDLE printer, const WCHAR* name, const void* data, DWORD size, DWORD type = REG_BINARY)
{
    return SetPrinterDataW(printer, const_cast<LPWSTR>(name), type, static_cast<BYTE*>(const_cast<void*>(data)),
                           size) == ERROR_SUCCESS;
}

inline std::u16string NumberedName(const char16_t* prefix, std::uint32_t n)
{
    std::u16string name = prefix;
    for (char c : std::to_string(n)) name += static_cast<char16_t>(c);
    return name;
}

}  // namespace vexl::printer_data_io
