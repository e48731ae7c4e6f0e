// Brushes with their realisation by the driver, colour translations and
// transforms.
#include "engine_objects.h"
#include "platform/engine.h"
#include "platform/kernel.h"

#include <cmath>

namespace vexl::engine {

// ---- Brushes --------------------------------------------------------------------------------

struct Brush::Record : BrushRecord {};

Brush::Brush(std::unique_ptr<Record> record) : record_(std::move(record)) {}
Brush::~Brush() = default;
Brush::Brush(Brush&&) noexcept = default;
Brush& Brush::operator=(Brush&&) noexcept = default;

Brush Brush::Solid(ULONG deviceColor, FLONG colorType)
{
    auto record = std::make_unique<Record>();
    record->iSolidColor = deviceColor;
    record->flColorType = colorType;
    return Brush(std::move(record));
}

Brush Brush::Pattern(SURFOBJ* target, SURFOBJ* pattern, XLATEOBJ* xlate, FLONG colorType)
{
    auto record = std::make_unique<Record>();
    record->iSolidColor = 0xFFFFFFFF;
    record->flColorType = colorType;
    record->target = target;
    record->pattern = pattern;
    record->xlate = xlate;
    record->hatch = HS_DDI_MAX;
    return Brush(std::move(record));
}

Brush Brush::Hatch(SURFOBJ* target, ULONG iHatch, XLATEOBJ* xlate, FLONG colorType)
{
    auto record = std::make_unique<Record>();
    record->iSolidColor = 0xFFFFFFFF;
    record->flColorType = colorType;
    record->target = target;
    record->xlate = xlate;
    record->hatch = iHatch;
    return Brush(std::move(record));
}

BRUSHOBJ* Brush::get()
{
    return record_.get();
}
int Brush::RealizeCalls() const
{
    return record_->realizeCalls;
}

// ---- Colour translations ----------------------------------------------------------------------

struct Xlate::Record : XlateRecord {};

Xlate::Xlate(std::unique_ptr<Record> record) : record_(std::move(record)) {}
Xlate::~Xlate() = default;
Xlate::Xlate(Xlate&&) noexcept = default;
Xlate& Xlate::operator=(Xlate&&) noexcept = default;

Xlate Xlate::Identity()
{
    auto record = std::make_unique<Record>();
    record->flXlate = XO_TRIVIAL;
    return Xlate(std::move(record));
}

Xlate Xlate::Table(std::vector<ULONG> table, FLONG extraFlags)
{
    auto record = std::make_unique<Record>();
    record->table = std::move(table);
    record->flXlate = XO_TABLE | extraFlags;
    record->iSrcType = PAL_INDEXED;
    record->iDstType = PAL_BGR;
    record->cEntries = static_cast<ULONG>(record->table.size());
    record->pulXlate = record->table.data();
    return Xlate(std::move(record));
}

XLATEOBJ* Xlate::get()
{
    return record_.get();
}

// ---- Transforms ----------------------------------------------------------------------------------

struct Xform::Record : XformRecord {};

Xform::Xform(std::unique_ptr<Record> record) : record_(std::move(record)) {}
Xform::~Xform() = default;
Xform::Xform(Xform&&) noexcept = default;
Xform& Xform::operator=(Xform&&) noexcept = default;

Xform Xform::Identity()
{
    return Xform(std::make_unique<Record>());
}

Xform Xform::Matrix(const XFORML& matrix)
{
    auto record = std::make_unique<Record>();
    record->matrix = matrix;
    record->identity = matrix.eM11 == 1 && matrix.eM12 == 0 && matrix.eM21 == 0 && matrix.eM22 == 1 &&
                       matrix.eDx == 0 && matrix.eDy == 0;
    return Xform(std::move(record));
}

XFORMOBJ* Xform::get()
{
    return record_.get();
}

}  // namespace vexl::engine

using namespace vexl::engine;

// ---- Brush services ---------------------------------------------------------------------------------

PVOID BRUSHOBJ_pvGetRbrush(BRUSHOBJ* pbo)
{
    if (!pbo) return nullptr;
    if (pbo->pvRbrush) return pbo->pvRbrush;
    auto* brush = static_cast<BrushRecord*>(pbo);
    if (brush->iSolidColor != 0xFFFFFFFF || !brush->target) return nullptr;

    PFN_DrvRealizeBrush realize = nullptr;
    {
        std::lock_guard guard(EngineLock());
        SurfaceRecord* target = FindSurface(brush->target);
        DeviceRecord* device = target ? FindDevice(target->so.hdev) : nullptr;
        if (device) {
            const auto it = device->hooks.find(INDEX_DrvRealizeBrush);
            if (it != device->hooks.end()) realize = HookAs<PFN_DrvRealizeBrush>(it->second);
        }
    }
    if (!realize) return nullptr;
    ++brush->realizeCalls;
    brush->realization.clear();
    const ULONG hatch = brush->pattern ? HS_DDI_MAX : brush->hatch;
    if (!realize(pbo, brush->target, brush->pattern, nullptr, brush->xlate, hatch) || brush->realization.empty())
        return nullptr;
    pbo->pvRbrush = brush->realization.data();
    return pbo->pvRbrush;
}

PVOID BRUSHOBJ_pvAllocRbrush(BRUSHOBJ* pbo, ULONG cj)
{
    // A realisation is a pattern of a few kilobytes; a size beyond any pattern is refused.
    constexpr ULONG kLargestRealization = 64u << 20;
    if (!pbo || cj > kLargestRealization) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    {
        std::lock_guard guard(EngineLock());
        if (ShouldFail(Service::AllocRbrush)) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
    }
    auto* brush = static_cast<BrushRecord*>(pbo);
    brush->realization.assign((std::size_t(cj) + 7) / 8 + 1, 0);
    return brush->realization.data();
}

ULONG BRUSHOBJ_ulGetBrushColor(BRUSHOBJ* pbo)
{
    return pbo ? pbo->iSolidColor : 0xFFFFFFFF;
}

// ---- Colour translation services -------------------------------------------------------------------

ULONG XLATEOBJ_iXlate(XLATEOBJ* pxlo, ULONG iColor)
{
    return TranslateColor(pxlo, iColor);
}

ULONG* XLATEOBJ_piVector(XLATEOBJ* pxlo)
{
    return pxlo && (pxlo->flXlate & XO_TABLE) ? pxlo->pulXlate : nullptr;
}

ULONG XLATEOBJ_cGetPalette(XLATEOBJ* pxlo, ULONG iPal, ULONG cPal, ULONG* pPal)
{
    if (!pxlo || iPal != XO_DESTPALETTE || !pxlo->pulXlate) return 0;
    if (!pPal) return pxlo->cEntries;
    const ULONG count = cPal < pxlo->cEntries ? cPal : pxlo->cEntries;
    for (ULONG i = 0; i < count; ++i) pPal[i] = pxlo->pulXlate[i];
    return count;
}

// ---- Transform services ------------------------------------------------------------------------------

namespace {

ULONG Complexity(const XformRecord& xform)
{
    const XFORML& m = xform.matrix;
    if (xform.identity) return GX_IDENTITY;
    if (m.eM12 != 0 || m.eM21 != 0) return GX_GENERAL;
    if (m.eM11 == 1 && m.eM22 == 1) return GX_OFFSET;
    return GX_SCALE;
}

}  // namespace

ULONG XFORMOBJ_iGetXform(XFORMOBJ* pxo, XFORML* pxform)
{
    if (!pxo) return DDI_ERROR;
    const auto* xform = static_cast<const XformRecord*>(pxo);
    if (pxform) *pxform = xform->matrix;
    return Complexity(*xform);
}

ULONG XFORMOBJ_iGetFloatObjXform(XFORMOBJ* pxo, FLOATOBJ_XFORM* pfxo)
{
    if (!pxo) return DDI_ERROR;
    const auto* xform = static_cast<const XformRecord*>(pxo);
    const XFORML& m = xform->matrix;
    if (pfxo) *pfxo = FLOATOBJ_XFORM{m.eM11, m.eM12, m.eM21, m.eM22, m.eDx, m.eDy};
    return Complexity(*xform);
}

BOOL XFORMOBJ_bApplyXform(XFORMOBJ* pxo, ULONG iMode, ULONG cPoints, PVOID pvIn, PVOID pvOut)
{
    if (!pxo || !pvIn || !pvOut || iMode > XF_INV_FXTOL) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const XFORML& m = static_cast<const XformRecord*>(pxo)->matrix;
    const bool inverse = iMode == XF_INV_LTOL || iMode == XF_INV_FXTOL;
    const double determinant = double(m.eM11) * m.eM22 - double(m.eM12) * m.eM21;
    if (inverse && determinant == 0) return FALSE;
    const auto* in = static_cast<const POINTL*>(pvIn);  // POINTL and POINTFIX share a layout
    auto* out = static_cast<POINTL*>(pvOut);
    for (ULONG i = 0; i < cPoints; ++i) {
        double x = in[i].x, y = in[i].y;
        if (iMode == XF_INV_FXTOL) {
            x /= 16;
            y /= 16;
        }
        double rx, ry;
        if (inverse) {
            const double tx = x - m.eDx, ty = y - m.eDy;
            rx = (tx * m.eM22 - ty * m.eM21) / determinant;
            ry = (ty * m.eM11 - tx * m.eM12) / determinant;
        } else {
            rx = x * m.eM11 + y * m.eM21 + m.eDx;
            ry = x * m.eM12 + y * m.eM22 + m.eDy;
        }
        if (iMode == XF_LTOFX) {
            rx *= 16;
            ry *= 16;
        }
        out[i] = POINTL{static_cast<LONG>(std::lround(rx)), static_cast<LONG>(std::lround(ry))};
    }
    return TRUE;
}
