// The hook table the engine receives at DrvEnableDriver, and the driver
// queries.
#include "graphics/hooks.h"

#include "graphics/document.h"
#include "graphics/pdev.h"
#include "graphics/surface.h"

namespace vexl {
namespace {

template <typename F> PFN Hook(F function)
{
    return reinterpret_cast<PFN>(reinterpret_cast<void (*)()>(function));
}

const DRVFN kHookTable[kHookCount] = {
    {INDEX_DrvEnablePDEV, Hook(&DrvEnablePDEV)},
    {INDEX_DrvDisablePDEV, Hook(&DrvDisablePDEV)},
    {INDEX_DrvCompletePDEV, Hook(&DrvCompletePDEV)},
    {INDEX_DrvResetPDEV, Hook(&DrvResetPDEV)},
    {INDEX_DrvEnableSurface, Hook(&DrvEnableSurface)},
    {INDEX_DrvDisableSurface, Hook(&DrvDisableSurface)},
    {INDEX_DrvStartPage, Hook(&DrvStartPage)},
    {INDEX_DrvSendPage, Hook(&DrvSendPage)},
    {INDEX_DrvStartDoc, Hook(&DrvStartDoc)},
    {INDEX_DrvEndDoc, Hook(&DrvEndDoc)},
    {INDEX_DrvStartBanding, Hook(&DrvStartBanding)},
    {INDEX_DrvNextBand, Hook(&DrvNextBand)},
    {INDEX_DrvBitBlt, Hook(&DrvBitBlt)},
    {INDEX_DrvStretchBlt, Hook(&DrvStretchBlt)},
    {INDEX_DrvStrokePath, Hook(&DrvStrokePath)},
    {INDEX_DrvFillPath, Hook(&DrvFillPath)},
    {INDEX_DrvStrokeAndFillPath, Hook(&DrvStrokeAndFillPath)},
    {INDEX_DrvRealizeBrush, Hook(&DrvRealizeBrush)},
    {INDEX_DrvEscape, Hook(&DrvEscape)},
    {INDEX_DrvGetGlyphMode, Hook(&DrvGetGlyphMode)},
    {INDEX_DrvDitherColor, Hook(&DrvDitherColor)},
    {INDEX_DrvCopyBits, Hook(&DrvCopyBits)},
    {INDEX_DrvQueryFont, Hook(&DrvQueryFont)},
    {INDEX_DrvQueryFontData, Hook(&DrvQueryFontData)},
    {INDEX_DrvQueryFontTree, Hook(&DrvQueryFontTree)},
    {INDEX_DrvIcmCreateColorTransform, Hook(&DrvIcmCreateColorTransform)},
    {INDEX_DrvIcmDeleteColorTransform, Hook(&DrvIcmDeleteColorTransform)},
    {INDEX_DrvStretchBltROP, Hook(&DrvStretchBltROP)},
    {INDEX_DrvQueryAdvanceWidths, Hook(&DrvQueryAdvanceWidths)},
    {INDEX_DrvTextOut, Hook(&DrvTextOut)},
};

}  // namespace

const DRVFN* GetHookTable()
{
    return kHookTable;
}

BOOL DrvQueryDriverInfo(DWORD mode, PVOID buffer, DWORD size, DWORD* needed)
{
    if (mode != DRVQUERY_USERMODE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (needed) *needed = sizeof(DWORD);
    if (!buffer || size < sizeof(DWORD)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    *static_cast<DWORD*>(buffer) = 1;
    return TRUE;
}

BOOL DrvEnableDriver(ULONG engineVersion, ULONG size, DRVENABLEDATA* data)
{
    if (engineVersion < kDriverVersion) {
        SetLastError(ERROR_BAD_DRIVER_LEVEL);
        return FALSE;
    }
    // The engine states the size of its record; the answer fills all of it.
    if (!data || size < sizeof(DRVENABLEDATA)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    data->iDriverVersion = kDriverVersion;
    data->c = kHookCount;
    data->pdrvfn = const_cast<DRVFN*>(kHookTable);
    return TRUE;
}

void DrvDisableDriver() {}

}  // namespace vexl
