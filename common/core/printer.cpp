#include "common/core/printer.h"

#include "common/core/context.h"
#include "common/core/memory.h"
#include "platform/win32.h"

namespace vexl {
namespace {

using SpoolerQuery = BOOL (*)(HANDLE printer, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed);

BOOL QueryPrinter(HANDLE printer, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed)
{
    return GetPrinterW(printer, level, buffer, size, needed);
}

BOOL QueryPrinterDriver(HANDLE printer, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed)
{
    return GetPrinterDriverW(printer, nullptr, level, buffer, size, needed);
}

// The spooler's two-call protocol: the first call, without a buffer, must
// fail for want of room and tell the size; the second fills a block of it.
void* QueryIntoBlock(SpoolerQuery query, HANDLE printer, DWORD level)
{
    DWORD needed = 0;
    if (query(printer, level, nullptr, 0, &needed) || GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed == 0)
        return nullptr;
    auto* block = static_cast<BYTE*>(AllocZeroed(needed));
    if (!block) return nullptr;
    if (!query(printer, level, block, needed, &needed)) {
        FreeIfNotNull(block);
        return nullptr;
    }
    return block;
}

// Copies a text into a fixed field of the work area, cut to fit and terminated.
template <std::size_t N> void CopyText(WCHAR (&field)[N], const WCHAR* text)
{
    if (text) lstrcpynW(field, text, static_cast<int>(N));
}

// Fetches PRINTER_INFO_2 and records the context's facts; the answer is
// whether the printer is a connection. A failed fetch counts as local.
BOOL QueryPrinterConnection(DriverContext* context)
{
    auto* info = static_cast<PRINTER_INFO_2W*>(GetPrinterInfo(context->printer, 2));
    const BOOL connection = info && info->pServerName ? TRUE : FALSE;
    CachePrinterInfo(info, context);
    FreeIfNotNull(info);
    return connection;
}

}  // namespace

void* GetPrinterInfo(HANDLE printer, DWORD level)
{
    return QueryIntoBlock(QueryPrinter, printer, level);
}

void* GetPrinterDriverInfo(HANDLE printer, DWORD level)
{
    return QueryIntoBlock(QueryPrinterDriver, printer, level);
}

void CachePrinterInfo(const PRINTER_INFO_2W* info, DriverContext* context)
{
    if (!info || !context || !context->workArea) return;
    ContextWorkArea& work = *context->workArea;
    if (work.connectionState == kConnectionUnknown)
        work.connectionState = info->pServerName ? kConnectionServer : kConnectionLocal;
    if (work.printerName[0] == 0) CopyText(work.printerName, info->pPrinterName);
    if (work.driverName[0] == 0) CopyText(work.driverName, info->pDriverName);
    if (!work.attributesLoaded) {
        work.printerAttributes = info->Attributes;
        work.attributesLoaded = 1;
    }
}

BOOL TestPrinterAttributes(DWORD mask, DriverContext* context)
{
    if (!context || !context->workArea) return FALSE;
    ContextWorkArea& work = *context->workArea;
    if (!work.attributesLoaded) {
        auto* info = static_cast<PRINTER_INFO_2W*>(GetPrinterInfo(context->printer, 2));
        if (!info) return FALSE;
        CachePrinterInfo(info, context);
        FreeIfNotNull(info);
    }
    return (work.printerAttributes & mask) != 0 ? TRUE : FALSE;
}

BOOL IsPrinterBidiEnabled(DriverContext* context)
{
    return TestPrinterAttributes(PRINTER_ATTRIBUTE_ENABLE_BIDI, context);
}

BOOL IsPrinterConnection(DriverContext* context)
{
    if (!context || !context->workArea) return FALSE;
    ContextWorkArea& work = *context->workArea;
    if (work.connectionState == kConnectionUnknown)
        work.connectionState = QueryPrinterConnection(context) ? kConnectionServer : kConnectionLocal;
    return work.connectionState == kConnectionServer ? TRUE : FALSE;
}

BOOL IsNetworkPrinter(HANDLE printer)
{
    auto* info = static_cast<PRINTER_INFO_2W*>(GetPrinterInfo(printer, 2));
    const BOOL connection = info && info->pServerName ? TRUE : FALSE;
    FreeIfNotNull(info);
    return connection;
}

}  // namespace vexl
