// The Pdev and the four PDEV hooks: enable, complete, reset and disable.
#include "graphics/pdev.h"

#include "common/core/caller_devmode.h"
#include "common/core/context.h"
#include "common/core/devmode_public.h"
#include "common/core/item_ids.h"
#include "common/core/items.h"
#include "common/storage/devmode_settings_merge.h"
#include "common/core/modeldb.h"
#include "graphics/clip_cache.h"
#include "graphics/color_transform.h"
#include "graphics/device_info.h"
#include "graphics/glyph_cache.h"
#include "graphics/job_info.h"
#include "graphics/text.h"
#include "graphics/graphics_context.h"

#include <cstddef>
#include <cstring>

namespace vexl {
namespace {

HMODULE g_module = nullptr;

std::uint32_t Item(Pdev* pdev, std::uint16_t id)
{
    return GetItemValue(pdev->context, id);
}

// The DEVMODE the engine hands in is copied whole: its public record and
// the driver's part. A record too short to hold its own header is refused.
BOOL IsUsableDevmode(const DEVMODEW* devmode)
{
    return CallerDevmode(devmode).PublicSize() >= kMinPublicDevmodeSize;
}

DEVMODEW* CopyDevmodeIntoPool(Pdev* pdev, const DEVMODEW* devmode)
{
    const CallerDevmode declared(devmode);
    const std::size_t bytes = declared.PublicSize() + declared.DriverExtra();
    void* copy = PdevPoolAlloc(pdev->pool, bytes);
    if (!copy) return nullptr;
    std::memcpy(copy, devmode, bytes);
    return static_cast<DEVMODEW*>(copy);
}

// The part of the DEVINFO that holds the device font count, when the
// engine's buffer reaches that far.
void SetDevInfoFontCount(DEVINFO* devInfo, ULONG devInfoSize, LONG count)
{
    if (devInfo && devInfoSize >= offsetof(DEVINFO, cFonts) + sizeof devInfo->cFonts)
        devInfo->cFonts = static_cast<ULONG>(count);
}

}  // namespace

void SetLibraryModule(HMODULE module)
{
    g_module = module;
}
HMODULE GetLibraryModule()
{
    return g_module;
}

BOOL IsValidPdev(const Pdev* pdev)
{
    return pdev && pdev->leadingGuard == kPdevGuard && pdev->trailingGuard == kPdevGuard;
}

Pdev* PdevFromSurface(SURFOBJ* surface)
{
    return surface ? reinterpret_cast<Pdev*>(surface->dhpdev) : nullptr;
}

Pdev* ValidPdevOfSurface(SURFOBJ* surface)
{
    return ValidPdev(surface ? surface->dhpdev : nullptr);
}

Pdev* ValidPdev(DHPDEV dhpdev)
{
    auto* pdev = reinterpret_cast<Pdev*>(dhpdev);
    if (IsValidPdev(pdev)) return pdev;
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
}

void ReadPdevSettings(Pdev* pdev)
{
    pdev->flags = 0;
    pdev->pageCount = 0;
    const std::uint32_t quality = Item(pdev, dmPrintQuality);
    pdev->resolution = static_cast<WORD>(quality == 0 ? 600 : quality);
    pdev->orientation = static_cast<SHORT>(Item(pdev, dmOrientation) - 1);
    pdev->colorProcess = static_cast<SHORT>(Item(pdev, rdmColorProcess));
    pdev->rasterMode = static_cast<SHORT>(Item(pdev, rdmImagePrint));
    pdev->language = static_cast<SHORT>(Item(pdev, rdmLanguageID));
    pdev->jobBinder = static_cast<WORD>(Item(pdev, rdmJobBinder) & 1);
    if (pdev->jobBinder) pdev->rasterMode = 0;
    pdev->machineColorType = Item(pdev, rdmMachineTypeColor);
    pdev->emfSpoolOutput = Item(pdev, rdmExtOutputEMFSpool);
    pdev->color = Item(pdev, dmColor);
    pdev->copies = static_cast<SHORT>(Item(pdev, dmCopies));
    pdev->colorMatching = static_cast<BYTE>(Item(pdev, rdmColorMatching));
    pdev->icmType = static_cast<BYTE>(Item(pdev, rdmICMType));
    pdev->extPrintArea = static_cast<SHORT>(Item(pdev, rdmExtPrintArea));
    pdev->hiddenFunc4 = Item(pdev, rdmHiddenFunc4);
    pdev->frontFunction = (Item(pdev, rdmHiddenFunc15) != 0 || (Item(pdev, rdmFrontFunc) & 0x80) != 0) ? 1 : 0;
    pdev->hiddenFunc18 = Item(pdev, rdmHiddenFunc18);
    pdev->hiddenFunc30 = static_cast<SHORT>(Item(pdev, rdmHiddenFunc30));
    pdev->hiddenFunc5 = static_cast<SHORT>(Item(pdev, rdmHiddenFunc5));
    if (pdev->rasterMode == 0 && pdev->colorProcess == 0 && Item(pdev, rdmHidden2Func9) != 0) pdev->colorProcess = 2;
    // The quality item that says whether text goes out as bitmaps.
    const std::uint32_t textBitmapSupport = Item(pdev, rdmQualityFuncTextBitmapSupport);
    pdev->textAsBitmap = Item(pdev, textBitmapSupport != 0 ? rdmQualityFuncTextBitmap : rdmHiddenFunc26);
    pdev->printMethod = Item(pdev, rdmPrnMethod);
    ReadPaperRecord(pdev->context, pdev->resolution, &pdev->paper);
    pdev->printMethod7 = pdev->printMethod == 7 ? 1 : 0;
    const ModelRecord* model = pdev->context->modelRecord;
    pdev->spoolLibraryName = model ? model->spoolLibraryName : nullptr;
    pdev->stream.pdev = pdev;
}

void FreePdev(Pdev* pdev)
{
    PdevPool* pool = pdev->pool;
    if (pdev->devmodeCopy) {
        PdevPoolFree(pool, pdev->devmodeCopy);
        pdev->devmodeCopy = nullptr;
    }
    pdev->module = nullptr;
    if (pdev->context) {
        graphics::ReleaseGraphicsDriverContext(pdev->context, kReleaseToGeneralCache);
        pdev->context = nullptr;
    }
    // The Pdev is a block of its own pool: nothing of it is touched after this.
    DestroyPdevPool(pool);
}

DHPDEV DrvEnablePDEV(DEVMODEW* devmode, LPWSTR, ULONG patternCount, HSURF* patterns, ULONG gdiInfoSize,
                     GDIINFO* gdiInfo, ULONG devInfoSize, DEVINFO* devInfo, HDEV, LPWSTR, HANDLE printer)
{
    if (devmode && !IsUsableDevmode(devmode)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    PdevPool* pool = CreatePdevPool();
    if (!pool) return nullptr;
    auto* pdev = static_cast<Pdev*>(PdevPoolAlloc(pool, sizeof(Pdev)));
    if (!pdev) {
        DestroyPdevPool(pool);
        return nullptr;
    }
    std::memset(static_cast<void*>(pdev), 0, sizeof(Pdev));
    pdev->pool = pool;
    pdev->leadingGuard = kPdevGuard;
    pdev->trailingGuard = kPdevGuard;
    pdev->printer = printer;
    InitOutputStream(pdev->stream, StreamOwner{pool, &pdev->flags, &pdev->pageCount, &pdev->jobBinder}, printer, pdev);
    pdev->module = GetLibraryModule();
    if (!pdev->module) {
        FreePdev(pdev);
        return nullptr;
    }

    pdev->context = graphics::CreateGraphicsDriverContext(printer, printer, 0, kCallerEnablePdev, 0, nullptr);
    if (!pdev->context || !MergeDevmodeSettings(pdev->context, devmode, kMergeEnablePdev)) {
        FreePdev(pdev);
        return nullptr;
    }
    if (devmode) {
        pdev->devmodeCopy = CopyDevmodeIntoPool(pdev, devmode);
        if (!pdev->devmodeCopy) {
            FreePdev(pdev);
            return nullptr;
        }
    }
    ReadPdevSettings(pdev);

    FillGdiInfo(pdev, gdiInfoSize, gdiInfo);
    const ULONG patternSize = HalftonePatternSize(pdev->resolution, pdev->resolution, FALSE);
    if (!FillDevInfo(pdev, devInfoSize, devInfo, patternSize)) {
        DrvDisablePDEV(reinterpret_cast<DHPDEV>(pdev));
        return nullptr;
    }
    // Device fonts are offered in vector mode only, and not by a driver of
    // type 1; without their resources the engine's own fonts serve every
    // text call.
    pdev->deviceFontCount = 0;
    if (pdev->rasterMode == 0 && Item(pdev, rdmDriverType) != 1)
        pdev->deviceFonts = LoadDeviceFonts(pdev, pdev->module, &pdev->deviceFontCount);
    SetDevInfoFontCount(devInfo, devInfoSize, pdev->deviceFontCount);

    if (patterns) {
        for (ULONG i = 0; i < patternCount; ++i) patterns[i] = nullptr;
    }
    pdev->clipCache = CreateClipCache(pdev);
    graphics::InitJobCommandState(&pdev->jobCommands);
    pdev->osVersion.dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
    GetVersionExW(&pdev->osVersion);
    return reinterpret_cast<DHPDEV>(pdev);
}

void DrvCompletePDEV(DHPDEV dhpdev, HDEV engineDevice)
{
    if (Pdev* pdev = ValidPdev(dhpdev)) pdev->engineDevice = engineDevice;
}

BOOL DrvResetPDEV(DHPDEV oldDhpdev, DHPDEV newDhpdev)
{
    auto* from = reinterpret_cast<Pdev*>(oldDhpdev);
    auto* to = reinterpret_cast<Pdev*>(newDhpdev);
    if (!IsValidPdev(from) || !IsValidPdev(to)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!(from->flags & kPdevDocumentOpen)) return TRUE;

    to->pageCount = from->pageCount;
    from->flags |= kPdevResetInProgress;
    to->flags |= kPdevResetInProgress | (from->flags & kPdevDocumentOpen);
    to->jobId = from->jobId;
    if (!FlushOutputStream(from->stream)) return FALSE;
    // The new Pdev takes the spool library and the job over; its stream
    // keeps its own blocks and starts empty.
    TakeOverOutputStream(to->stream, from->stream);

    if (from->jobName && from->jobNameLength > 0) {
        const auto length = static_cast<std::size_t>(from->jobNameLength);
        auto* name = static_cast<char*>(PdevPoolAlloc(to->pool, length + 1));
        if (to->jobName) PdevPoolFree(to->pool, to->jobName);
        to->jobName = nullptr;
        to->jobNameLength = 0;
        // Without memory for the copy the job goes on without a name.
        if (name) {
            std::memcpy(name, from->jobName, length);
            name[length] = 0;
            to->jobName = name;
            to->jobNameLength = from->jobNameLength;
        }
    }
    CarryColorTransforms(to, from);
    if (to->rasterMode != 0) CopyJobStrings(to->context, from->context);
    ClearGlyphCache(from);
    to->glyphGeneration = from->glyphGeneration;
    return TRUE;
}

void DrvDisablePDEV(DHPDEV dhpdev)
{
    Pdev* pdev = ValidPdev(dhpdev);
    if (!pdev) return;
    pdev->clipCache = FreeClipCache(pdev, pdev->clipCache);
    FreeDeviceFonts(pdev, pdev->deviceFonts);
    pdev->deviceFonts = nullptr;
    pdev->deviceFontCount = 0;
    ReleaseColorTransforms(pdev);
    if (pdev->palette) {
        EngDeletePalette(pdev->palette);
        pdev->palette = nullptr;
    }
    FreePdev(pdev);
}

}  // namespace vexl
