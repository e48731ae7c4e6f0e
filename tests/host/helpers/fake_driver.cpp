// A small printer graphics driver for the engine host's tests. It enables a
// PDEV with a BGR palette and a vector device surface, writes a few bytes
// per page through the spool library of its driver directory, enumerates
// the paths it is given, and answers as a driver that cannot draw some
// calls: DrvTextOut punts (FALSE) and DrvFillPath fails (DDI_ERROR). Every
// hook appends a line to its log, read through FakeDriverLog.
#include "platform/engine.h"
#include "platform/kernel.h"
#include "platform/modules.h"
#include "platform/spooler.h"
#include "platform/text.h"

#include <string>

namespace {

std::string g_log;

void Log(const std::string& line)
{
    g_log += line + "\n";
}

struct Pdev {
    int id = 0;
    HANDLE printer = nullptr;
    HDEV hdev = nullptr;
    HPALETTE palette = nullptr;
    HSURF surface = nullptr;
    HMODULE spool = nullptr;
    HANDLE job = nullptr;
    using Write = BOOL (*)(HANDLE, const void*, DWORD, DWORD*);
    Write write = nullptr;
    int pages = 0;
    bool raster = false;  // a DEVMODE given to DrvEnablePDEV selects banding
    POINTL band{};
};

constexpr LONG kBandHeight = 600;

int g_pdevs = 0;

Pdev* PdevOf(SURFOBJ* pso)
{
    return pso ? reinterpret_cast<Pdev*>(pso->dhpdev) : nullptr;
}

template <typename Function> Function Export(HMODULE module, const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

void Send(Pdev* pdev, const std::string& bytes)
{
    DWORD written = 0;
    if (pdev->write) pdev->write(pdev->job, bytes.data(), static_cast<DWORD>(bytes.size()), &written);
}

DHPDEV EnablePdev(DEVMODEW* devmode, LPWSTR, ULONG cPat, HSURF* patterns, ULONG cjCaps, GDIINFO* gdi, ULONG cjDevInfo,
                  DEVINFO* dev, HDEV, LPWSTR, HANDLE printer)
{
    if (cjCaps < sizeof(GDIINFO) || cjDevInfo < sizeof(DEVINFO)) return nullptr;
    auto* pdev = new Pdev;
    pdev->id = ++g_pdevs;
    pdev->printer = printer;
    pdev->raster = devmode != nullptr;
    *gdi = GDIINFO{};
    gdi->ulHorzRes = 1000;
    gdi->ulVertRes = 1400;
    *dev = DEVINFO{};
    dev->flGraphicsCaps = GCAPS_BEZIERS;
    pdev->palette = EngCreatePalette(PAL_BGR, 0, nullptr, 0, 0, 0);
    dev->hpalDefault = pdev->palette;
    for (ULONG i = 0; i < cPat; ++i) patterns[i] = nullptr;
    Log("EnablePDEV " + std::to_string(pdev->id) + (devmode ? " devmode" : " no devmode"));
    return reinterpret_cast<DHPDEV>(pdev);
}

void CompletePdev(DHPDEV dhpdev, HDEV hdev)
{
    reinterpret_cast<Pdev*>(dhpdev)->hdev = hdev;
    Log("CompletePDEV " + std::to_string(reinterpret_cast<Pdev*>(dhpdev)->id));
}

HSURF EnableSurface(DHPDEV dhpdev)
{
    auto* pdev = reinterpret_cast<Pdev*>(dhpdev);
    FLONG hooks = 0x4EB;
    if (pdev->raster) {
        pdev->surface = EngCreateBitmap(SIZEL{1000, kBandHeight}, 0, BMF_24BPP, BMF_TOPDOWN, nullptr);
        if (pdev->surface) EngMarkBandingSurface(pdev->surface);
        hooks = HOOK_BITBLT | HOOK_STRETCHBLT | HOOK_TEXTOUT;
    } else {
        pdev->surface = EngCreateDeviceSurface(reinterpret_cast<DHSURF>(pdev), SIZEL{1000, 1400}, BMF_24BPP);
    }
    if (!pdev->surface || !EngAssociateSurface(pdev->surface, pdev->hdev, hooks)) return nullptr;
    Log("EnableSurface " + std::to_string(pdev->id));
    return pdev->surface;
}

void DisableSurface(DHPDEV dhpdev)
{
    auto* pdev = reinterpret_cast<Pdev*>(dhpdev);
    EngDeleteSurface(pdev->surface);
    Log("DisableSurface " + std::to_string(pdev->id));
}

void DisablePdev(DHPDEV dhpdev)
{
    auto* pdev = reinterpret_cast<Pdev*>(dhpdev);
    EngDeletePalette(pdev->palette);
    Log("DisablePDEV " + std::to_string(pdev->id));
    delete pdev;
}

BOOL ResetPdev(DHPDEV oldPdev, DHPDEV newPdev)
{
    auto* from = reinterpret_cast<Pdev*>(oldPdev);
    auto* to = reinterpret_cast<Pdev*>(newPdev);
    to->spool = from->spool;
    to->job = from->job;
    to->write = from->write;
    to->pages = from->pages;
    from->spool = nullptr;
    Log("ResetPDEV " + std::to_string(from->id) + " -> " + std::to_string(to->id));
    return TRUE;
}

// The spool library comes from the printer's driver directory.
BOOL StartDoc(SURFOBJ* pso, LPWSTR name, DWORD jobId)
{
    Pdev* pdev = PdevOf(pso);
    Log("StartDoc " + std::to_string(pdev->id) + " job " + std::to_string(jobId) + " name length " +
        std::to_string(lstrlenW(name)));
    if (pdev->spool) return TRUE;  // the job goes on after a reset
    DWORD needed = 0;
    GetPrinterDriverW(pdev->printer, nullptr, 2, nullptr, 0, &needed);
    std::string buffer(needed, '\0');
    if (!GetPrinterDriverW(pdev->printer, nullptr, 2, reinterpret_cast<LPBYTE>(buffer.data()), needed, &needed))
        return FALSE;
    std::u16string path = reinterpret_cast<DRIVER_INFO_2W*>(buffer.data())->pDriverPath;
    path = path.substr(0, path.rfind(u'\\') + 1) + u"TZ16C123.DLL";
    pdev->spool = LoadLibraryW(path.c_str());
    if (!pdev->spool) return FALSE;
    auto start = Export<HANDLE (*)(HANDLE, DWORD)>(pdev->spool, "DrvSplStartDocEx");
    pdev->write = Export<Pdev::Write>(pdev->spool, "DrvSplWritePrinter");
    pdev->job = start ? start(pdev->printer, jobId) : nullptr;
    Send(pdev, "DOC;");
    return TRUE;
}

BOOL StartPage(SURFOBJ* pso)
{
    Pdev* pdev = PdevOf(pso);
    ++pdev->pages;
    Log("StartPage " + std::to_string(pdev->id));
    Send(pdev, "PAGE" + std::to_string(pdev->pages) + ";");
    return TRUE;
}

BOOL SendPage(SURFOBJ* pso)
{
    Log("SendPage " + std::to_string(PdevOf(pso)->id));
    Send(PdevOf(pso), "END;");
    return TRUE;
}

BOOL EndDoc(SURFOBJ* pso, FLONG flags)
{
    Pdev* pdev = PdevOf(pso);
    Log("EndDoc " + std::to_string(pdev->id) + " flags " + std::to_string(flags));
    if (!pdev->spool) return TRUE;
    if (auto endDoc = Export<BOOL (*)(HANDLE)>(pdev->spool, "DrvSplEndDoc")) endDoc(pdev->job);
    if (auto close = Export<BOOL (*)(HANDLE)>(pdev->spool, "DrvSplClose")) close(pdev->job);
    FreeLibrary(pdev->spool);
    pdev->spool = nullptr;
    return TRUE;
}

BOOL BitBlt(SURFOBJ* pso, SURFOBJ* src, SURFOBJ* mask, CLIPOBJ* pco, XLATEOBJ* xlo, RECTL* rect, POINTL* srcOrg,
            POINTL* maskOrg, BRUSHOBJ* pbo, POINTL* brushOrg, ROP4 rop4)
{
    if (PdevOf(pso)->raster) {
        // Banding: the engine draws into the band; the band goes out whole at DrvNextBand.
        const BOOL drawn = EngBitBlt(pso, src, mask, pco, xlo, rect, srcOrg, maskOrg, pbo, brushOrg, rop4);
        Log("BitBlt band " + std::to_string(rect->left) + "," + std::to_string(rect->top) + " -> " +
            std::to_string(drawn));
        return drawn;
    }
    Log("BitBlt " + std::to_string(rect->left) + "," + std::to_string(rect->top) + " colour " +
        std::to_string(pbo->iSolidColor) + " rop " + std::to_string(rop4) + " clip " +
        std::to_string(pco ? pco->iDComplexity : 0) + " uniq " + std::to_string(pco ? pco->iUniq : 0));
    Send(PdevOf(pso), "R;");
    return TRUE;
}

std::string DescribePath(PATHOBJ* ppo)
{
    ULONG points = 0, pieces = 0;
    PATHOBJ_vEnumStart(ppo);
    PATHDATA data{};
    BOOL more = TRUE;
    while (more) {
        more = PATHOBJ_bEnum(ppo, &data);
        points += data.count;
        ++pieces;
    }
    return "curves " + std::to_string(ppo->cCurves) + " points " + std::to_string(points) + " pieces " +
           std::to_string(pieces);
}

BOOL StrokePath(SURFOBJ*, PATHOBJ* ppo, CLIPOBJ*, XFORMOBJ*, BRUSHOBJ*, POINTL*, LINEATTRS* line, MIX)
{
    Log("StrokePath " + DescribePath(ppo) + ((line->fl & LA_GEOMETRIC) ? " geometric" : " cosmetic"));
    return TRUE;
}

BOOL FillPath(SURFOBJ*, PATHOBJ* ppo, CLIPOBJ*, BRUSHOBJ*, POINTL*, MIX, FLONG)
{
    Log("FillPath " + DescribePath(ppo));
    return static_cast<BOOL>(DDI_ERROR);
}

BOOL StrokeAndFillPath(SURFOBJ*, PATHOBJ* ppo, CLIPOBJ*, XFORMOBJ*, BRUSHOBJ*, LINEATTRS*, BRUSHOBJ*, POINTL*, MIX,
                       FLONG)
{
    Log("StrokeAndFillPath " + DescribePath(ppo));
    return TRUE;
}

BOOL TextOut(SURFOBJ*, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ*, RECTL*, RECTL*, BRUSHOBJ*, BRUSHOBJ*, POINTL*, MIX)
{
    Log("TextOut glyphs " + std::to_string(pstro->cGlyphs) + " font " + std::to_string(pfo->iUniq));
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
}

// The whole page in bands of kBandHeight rows; the last band ends the page.
BOOL StartBanding(SURFOBJ* pso, POINTL* origin)
{
    Pdev* pdev = PdevOf(pso);
    pdev->band = POINTL{0, 0};
    *origin = pdev->band;
    RECTL all{0, 0, pso->sizlBitmap.cx, pso->sizlBitmap.cy};
    EngEraseSurface(pso, &all, 0xFFFFFF);
    Log("StartBanding " + std::to_string(pdev->id));
    return TRUE;
}

BOOL NextBand(SURFOBJ* pso, POINTL* origin)
{
    Pdev* pdev = PdevOf(pso);
    ULONG inked = 0;
    const auto* bits = static_cast<const BYTE*>(pso->pvBits);
    for (ULONG i = 0; i < pso->cjBits; ++i) inked += bits[i] != 0xFF ? 1 : 0;
    Log("NextBand " + std::to_string(pdev->band.y) + " inked bytes " + std::to_string(inked));
    Send(pdev, "BAND;");
    RECTL all{0, 0, pso->sizlBitmap.cx, pso->sizlBitmap.cy};
    EngEraseSurface(pso, &all, 0xFFFFFF);
    if (pdev->band.y + kBandHeight >= 1400) {
        *origin = POINTL{-1, -1};
        return SendPage(pso);
    }
    pdev->band.y += kBandHeight;
    *origin = pdev->band;
    return TRUE;
}

DRVFN g_hooks[] = {
    {INDEX_DrvStartBanding, AsPfn(&StartBanding)},
    {INDEX_DrvNextBand, AsPfn(&NextBand)},
    {INDEX_DrvEnablePDEV, AsPfn(&EnablePdev)},
    {INDEX_DrvCompletePDEV, AsPfn(&CompletePdev)},
    {INDEX_DrvDisablePDEV, AsPfn(&DisablePdev)},
    {INDEX_DrvResetPDEV, AsPfn(&ResetPdev)},
    {INDEX_DrvEnableSurface, AsPfn(&EnableSurface)},
    {INDEX_DrvDisableSurface, AsPfn(&DisableSurface)},
    {INDEX_DrvStartDoc, AsPfn(&StartDoc)},
    {INDEX_DrvEndDoc, AsPfn(&EndDoc)},
    {INDEX_DrvStartPage, AsPfn(&StartPage)},
    {INDEX_DrvSendPage, AsPfn(&SendPage)},
    {INDEX_DrvBitBlt, AsPfn(&BitBlt)},
    {INDEX_DrvStrokePath, AsPfn(&StrokePath)},
    {INDEX_DrvFillPath, AsPfn(&FillPath)},
    {INDEX_DrvStrokeAndFillPath, AsPfn(&StrokeAndFillPath)},
    {INDEX_DrvTextOut, AsPfn(&TextOut)},
};

}  // namespace

extern "C" __attribute__((visibility("default"))) BOOL DrvQueryDriverInfo(DWORD mode, PVOID buffer, DWORD size,
                                                                          DWORD* needed)
{
    if (needed) *needed = sizeof(DWORD);
    if (mode != DRVQUERY_USERMODE || !buffer || size < sizeof(DWORD)) return FALSE;
    *static_cast<DWORD*>(buffer) = 1;
    return TRUE;
}

extern "C" __attribute__((visibility("default"))) BOOL DrvEnableDriver(ULONG version, ULONG size, DRVENABLEDATA* data)
{
    if (version < DDI_DRIVER_VERSION_NT4 || size < sizeof(DRVENABLEDATA)) return FALSE;
    data->iDriverVersion = DDI_DRIVER_VERSION_NT4;
    data->c = sizeof(g_hooks) / sizeof(g_hooks[0]);
    data->pdrvfn = g_hooks;
    Log("EnableDriver");
    return TRUE;
}

extern "C" __attribute__((visibility("default"))) void DrvDisableDriver()
{
    Log("DisableDriver");
}

extern "C" __attribute__((visibility("default"))) const char* FakeDriverLog()
{
    return g_log.c_str();
}
