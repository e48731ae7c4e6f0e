// The GDI handle table, stock objects, DCs and their attributes, object
// creation and selection, and the accounting.
#include "gdi_objects.h"

#include "platform/kernel.h"

#include "profile.h"

#include <algorithm>
#include <cstring>
#include <map>

namespace vexl::gdi {
namespace {

struct Table {
    // Handles start far above the kernel's and the engine's and are never reused.
    std::uintptr_t next = 0x40000000;
    std::map<std::uintptr_t, std::unique_ptr<Object>> objects;
    std::map<std::uintptr_t, bool> counted;  // user objects in the accounting, by handle
    Accounting accounting;
    std::map<int, HGDIOBJ> stock;
};

Table& TheTable()
{
    static Table table;
    return table;
}

std::uintptr_t Key(const void* handle)
{
    return reinterpret_cast<std::uintptr_t>(handle);
}

// The classic colour scheme, by COLOR_* index.
constexpr COLORREF kSysColors[] = {
    RGB(200, 200, 200), RGB(58, 110, 165),  RGB(10, 36, 106),   RGB(128, 128, 128), RGB(212, 208, 200),
    RGB(255, 255, 255), RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(255, 255, 255),
    RGB(212, 208, 200), RGB(212, 208, 200), RGB(128, 128, 128), RGB(10, 36, 106),   RGB(255, 255, 255),
    RGB(212, 208, 200), RGB(128, 128, 128), RGB(128, 128, 128), RGB(0, 0, 0),       RGB(212, 208, 200),
    RGB(255, 255, 255), RGB(64, 64, 64),    RGB(212, 208, 200), RGB(0, 0, 0),       RGB(255, 255, 225),
    RGB(181, 181, 181), RGB(0, 0, 128),     RGB(166, 202, 240), RGB(192, 192, 192), RGB(10, 36, 106),
    RGB(212, 208, 200),
};
constexpr int kSysColorCount = int(sizeof(kSysColors) / sizeof(kSysColors[0]));

// Stock objects beyond GetStockObject's: the system colour brushes, the
// default bitmap of memory DCs and the display's surface.
constexpr int kSysBrushBase = 100;
constexpr int kDefaultBitmap = 200;
constexpr int kDisplaySurface = 201;

constexpr int kDisplayWidth = 1024;
constexpr int kDisplayHeight = 768;
// Larger bitmaps are refused rather than allocated.
constexpr std::int64_t kMaxPixels = 64LL * 1024 * 1024;

LOGFONTW MakeLogFont(LONG height, LONG weight, const char16_t* face, BYTE pitch, BYTE charset = 0)
{
    LOGFONTW lf{};
    lf.lfHeight = height;
    lf.lfWeight = weight;
    lf.lfCharSet = charset;
    lf.lfPitchAndFamily = pitch;
    for (int i = 0; face[i] && i < LF_FACESIZE - 1; ++i) lf.lfFaceName[i] = face[i];
    return lf;
}

std::unique_ptr<Object> MakeStock(int index)
{
    auto brush = [](UINT style, COLORREF color) {
        auto b = std::make_unique<BrushObject>();
        b->type = OBJ_BRUSH;
        b->log = {style, color, 0};
        return b;
    };
    auto pen = [](UINT style, COLORREF color) {
        auto p = std::make_unique<PenObject>();
        p->type = OBJ_PEN;
        p->log = {style, {1, 0}, color};
        return p;
    };
    auto font = [](LOGFONTW lf) {
        auto f = std::make_unique<FontObject>();
        f->type = OBJ_FONT;
        f->log = lf;
        return f;
    };
    auto bitmap = [](int w, int h, int bits) {
        auto b = std::make_unique<BitmapObject>();
        b->type = OBJ_BITMAP;
        b->width = w;
        b->height = h;
        b->bitsPixel = bits;
        b->pixels.assign(std::size_t(w) * std::size_t(h), kWhite);
        return b;
    };
    if (index >= kSysBrushBase && index < kSysBrushBase + kSysColorCount)
        return brush(BS_SOLID, kSysColors[index - kSysBrushBase]);
    switch (index) {
    case WHITE_BRUSH:
        return brush(BS_SOLID, RGB(255, 255, 255));
    case LTGRAY_BRUSH:
        return brush(BS_SOLID, RGB(192, 192, 192));
    case GRAY_BRUSH:
        return brush(BS_SOLID, RGB(128, 128, 128));
    case DKGRAY_BRUSH:
        return brush(BS_SOLID, RGB(64, 64, 64));
    case BLACK_BRUSH:
        return brush(BS_SOLID, RGB(0, 0, 0));
    case NULL_BRUSH:
        return brush(BS_NULL, 0);
    case DC_BRUSH:
        return brush(BS_SOLID, RGB(255, 255, 255));
    case WHITE_PEN:
        return pen(PS_SOLID, RGB(255, 255, 255));
    case BLACK_PEN:
    case DC_PEN:
        return pen(PS_SOLID, RGB(0, 0, 0));
    case NULL_PEN:
        return pen(PS_NULL, 0);
    case OEM_FIXED_FONT:
        return font(MakeLogFont(12, FW_NORMAL, u"Terminal", FIXED_PITCH, 255));
    case ANSI_FIXED_FONT:
    case SYSTEM_FIXED_FONT:
        return font(MakeLogFont(16, FW_NORMAL, u"DejaVu Sans Mono", FIXED_PITCH));
    case ANSI_VAR_FONT:
    case DEFAULT_GUI_FONT:
        return font(MakeLogFont(-11, FW_NORMAL, u"Arial", VARIABLE_PITCH));
    case SYSTEM_FONT:
    case DEVICE_DEFAULT_FONT:
        return font(MakeLogFont(16, FW_BOLD, u"System", VARIABLE_PITCH));
    case DEFAULT_PALETTE: {
        auto p = std::make_unique<PaletteObject>();
        p->type = OBJ_PAL;
        for (int i = 0; i < 20; ++i) {
            const COLORREF c = i < 10 ? RGB(0, 0, 0) : RGB(255, 255, 255);
            p->entries.push_back({GetRValue(c), GetGValue(c), GetBValue(c), 0});
        }
        return p;
    }
    case kDefaultBitmap:
        return bitmap(1, 1, 1);
    case kDisplaySurface: {
        auto b = bitmap(kDisplayWidth, kDisplayHeight, 32);
        b->surface = true;
        return b;
    }
    default:
        return nullptr;
    }
}

void CountCreated(const Object& object)
{
    if (object.type == OBJ_MEMDC)
        ++TheTable().accounting.memoryDCsCreated;
    else if (object.type == OBJ_DC)
        ++TheTable().accounting.dcsGot;
    else
        ++TheTable().accounting.objectsCreated;
}

void CountRemoved(const Object& object)
{
    if (object.type == OBJ_MEMDC)
        ++TheTable().accounting.memoryDCsDeleted;
    else if (object.type == OBJ_DC)
        ++TheTable().accounting.dcsReleased;
    else
        ++TheTable().accounting.objectsDeleted;
}

// A new DC of the kind; its handle goes to *handle.
DcObject* NewDc(DcKind kind, HDC* handle)
{
    auto dc = std::make_unique<DcObject>();
    dc->kind = kind;
    dc->type = kind == DcKind::memory ? OBJ_MEMDC : OBJ_DC;
    dc->state.brush = Stock(WHITE_BRUSH);
    dc->state.pen = Stock(BLACK_PEN);
    dc->state.font = Stock(SYSTEM_FONT);
    dc->state.palette = Stock(DEFAULT_PALETTE);
    if (kind == DcKind::memory) dc->state.bitmap = Stock(kDefaultBitmap);
    DcObject* raw = dc.get();
    *handle = static_cast<HDC>(AddObject(std::move(dc), kind != DcKind::printer));
    return raw;
}

HGDIOBJ* SlotFor(DcState& state, DWORD type)
{
    switch (type) {
    case OBJ_BITMAP:
        return &state.bitmap;
    case OBJ_BRUSH:
        return &state.brush;
    case OBJ_PEN:
        return &state.pen;
    case OBJ_FONT:
        return &state.font;
    case OBJ_PAL:
        return &state.palette;
    default:
        return nullptr;
    }
}

bool PaletteDisplay()
{
    return machine::CurrentProfile()->paletteDisplay;
}

// The 20 static colours of a palette display (the first ten, then the last ten).
constexpr COLORREF kStaticColors[20] = {
    RGB(0, 0, 0),       RGB(128, 0, 0),     RGB(0, 128, 0),     RGB(128, 128, 0),   RGB(0, 0, 128),
    RGB(128, 0, 128),   RGB(0, 128, 128),   RGB(192, 192, 192), RGB(192, 220, 192), RGB(166, 202, 240),
    RGB(255, 251, 240), RGB(160, 160, 164), RGB(128, 128, 128), RGB(255, 0, 0),     RGB(0, 255, 0),
    RGB(255, 255, 0),   RGB(0, 0, 255),     RGB(255, 0, 255),   RGB(0, 255, 255),   RGB(255, 255, 255),
};

int Distance(COLORREF a, COLORREF b)
{
    const int dr = int(GetRValue(a)) - GetRValue(b);
    const int dg = int(GetGValue(a)) - GetGValue(b);
    const int db = int(GetBValue(a)) - GetBValue(b);
    return dr * dr + dg * dg + db * db;
}

template <typename Record> int CopyRecord(const Record& record, int size, void* buffer)
{
    if (!buffer) return int(sizeof(Record));
    if (size <= 0) return 0;
    const int n = std::min<int>(size, int(sizeof(Record)));
    std::memcpy(buffer, &record, std::size_t(n));
    return n;
}

}  // namespace

std::recursive_mutex& GdiLock()
{
    static std::recursive_mutex lock;
    return lock;
}

Pixel ToMono(Pixel p)
{
    const int luminance = (int((p >> 16) & 0xFF) * 30 + int((p >> 8) & 0xFF) * 59 + int(p & 0xFF) * 11) / 100;
    return luminance >= 128 ? kWhite : 0;
}

HGDIOBJ AddObject(std::unique_ptr<Object> object, bool counted)
{
    Table& table = TheTable();
    table.next += 0x10;
    if (counted) {
        CountCreated(*object);
        table.counted[table.next] = true;
    }
    table.objects.emplace(table.next, std::move(object));
    return reinterpret_cast<HGDIOBJ>(table.next);
}

Object* FindObject(HGDIOBJ handle)
{
    Table& table = TheTable();
    auto found = table.objects.find(Key(handle));
    return found == table.objects.end() ? nullptr : found->second.get();
}

void CountBadHandle()
{
    ++TheTable().accounting.badHandleCalls;
}

void RemoveObject(HGDIOBJ handle)
{
    Table& table = TheTable();
    auto found = table.objects.find(Key(handle));
    if (found == table.objects.end()) return;
    if (table.counted.erase(Key(handle))) CountRemoved(*found->second);
    table.objects.erase(found);
}

Accounting& Counters()
{
    return TheTable().accounting;
}

DcObject* FindDc(HDC hdc)
{
    Object* object = FindObject(hdc);
    if (object && (object->type == OBJ_DC || object->type == OBJ_MEMDC)) return static_cast<DcObject*>(object);
    if (hdc) CountBadHandle();
    return nullptr;
}

BitmapObject* FindBitmap(HGDIOBJ handle)
{
    return Find<BitmapObject>(handle, OBJ_BITMAP);
}

BitmapObject* TargetOf(DcObject& dc)
{
    switch (dc.kind) {
    case DcKind::memory:
        return FindBitmap(dc.state.bitmap);
    case DcKind::window:
    case DcKind::display:
        return FindBitmap(dc.surface);
    case DcKind::printer:
        return nullptr;
    }
    return nullptr;
}

bool IsSelected(HGDIOBJ object)
{
    for (const auto& [key, entry] : TheTable().objects) {
        if (entry->type != OBJ_DC && entry->type != OBJ_MEMDC) continue;
        const auto& dc = static_cast<const DcObject&>(*entry);
        auto holds = [object](const DcState& s) {
            return s.bitmap == object || s.brush == object || s.pen == object || s.font == object ||
                   s.palette == object;
        };
        if (holds(dc.state)) return true;
        for (const DcState& s : dc.saved) {
            if (holds(s)) return true;
        }
    }
    return false;
}

HGDIOBJ Stock(int index)
{
    Table& table = TheTable();
    auto found = table.stock.find(index);
    if (found != table.stock.end()) return found->second;
    std::unique_ptr<Object> object = MakeStock(index);
    if (!object) return nullptr;
    object->stock = true;
    HGDIOBJ handle = AddObject(std::move(object), false);
    table.stock[index] = handle;
    return handle;
}

// ---- The C++ face ----------------------------------------------------------------------

HBITMAP CreateSurface(int width, int height)
{
    if (width <= 0 || height <= 0 || std::int64_t(width) * height > kMaxPixels) return nullptr;
    std::lock_guard guard(GdiLock());
    auto bitmap = std::make_unique<BitmapObject>();
    bitmap->type = OBJ_BITMAP;
    bitmap->surface = true;
    bitmap->width = width;
    bitmap->height = height;
    bitmap->pixels.assign(std::size_t(width) * std::size_t(height), kWhite);
    return static_cast<HBITMAP>(AddObject(std::move(bitmap), false));
}

bool ResizeSurface(HBITMAP surface, int width, int height)
{
    if (width <= 0 || height <= 0 || std::int64_t(width) * height > kMaxPixels) return false;
    std::lock_guard guard(GdiLock());
    BitmapObject* bitmap = FindBitmap(surface);
    if (!bitmap || !bitmap->surface) return false;
    std::vector<Pixel> pixels(std::size_t(width) * std::size_t(height), kWhite);
    for (int y = 0; y < std::min(height, bitmap->height); ++y) {
        for (int x = 0; x < std::min(width, bitmap->width); ++x)
            pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)] = bitmap->Get(x, y);
    }
    bitmap->pixels = std::move(pixels);
    bitmap->width = width;
    bitmap->height = height;
    return true;
}

void DeleteSurface(HBITMAP surface)
{
    std::lock_guard guard(GdiLock());
    BitmapObject* bitmap = FindBitmap(surface);
    if (bitmap && bitmap->surface && !bitmap->stock) RemoveObject(surface);
}

HDC GetSurfaceDC(HBITMAP surface, POINT origin, const RECT* clip, HWND window)
{
    std::lock_guard guard(GdiLock());
    if (!surface) surface = static_cast<HBITMAP>(Stock(kDisplaySurface));
    BitmapObject* bitmap = FindBitmap(surface);
    if (!bitmap || !bitmap->surface) return nullptr;
    HDC hdc = nullptr;
    DcObject* dc = NewDc(window ? DcKind::window : DcKind::display, &hdc);
    dc->surface = surface;
    dc->surfaceOrigin = origin;
    if (clip) dc->baseClip = *clip;
    dc->window = window;
    return hdc;
}

bool ReleaseSurfaceDC(HDC hdc)
{
    std::lock_guard guard(GdiLock());
    DcObject* dc = FindDc(hdc);
    if (!dc || (dc->kind != DcKind::window && dc->kind != DcKind::display)) return false;
    RemoveObject(hdc);
    return true;
}

HWND SurfaceDCWindow(HDC hdc)
{
    std::lock_guard guard(GdiLock());
    DcObject* dc = FindDc(hdc);
    return dc ? dc->window : nullptr;
}

COLORREF SurfacePixel(HBITMAP surface, int x, int y)
{
    std::lock_guard guard(GdiLock());
    BitmapObject* bitmap = FindBitmap(surface);
    if (!bitmap || x < 0 || y < 0 || x >= bitmap->width || y >= bitmap->height) return CLR_INVALID;
    return ToColor(bitmap->Get(x, y));
}

SIZE SurfaceSize(HBITMAP surface)
{
    std::lock_guard guard(GdiLock());
    BitmapObject* bitmap = FindBitmap(surface);
    return bitmap ? SIZE{bitmap->width, bitmap->height} : SIZE{0, 0};
}

Accounting GetAccounting()
{
    std::lock_guard guard(GdiLock());
    return TheTable().accounting;
}

std::vector<LiveObject> LiveObjects()
{
    std::lock_guard guard(GdiLock());
    std::vector<LiveObject> live;
    for (const auto& [key, counted] : TheTable().counted) {
        const Object* object = TheTable().objects.at(key).get();
        if (object->type != OBJ_DC && object->type != OBJ_MEMDC)
            live.push_back({reinterpret_cast<HGDIOBJ>(key), object->type});
    }
    return live;
}

std::vector<HDC> LiveDCs()
{
    std::lock_guard guard(GdiLock());
    std::vector<HDC> live;
    for (const auto& [key, counted] : TheTable().counted) {
        const Object* object = TheTable().objects.at(key).get();
        if (object->type == OBJ_DC || object->type == OBJ_MEMDC) live.push_back(reinterpret_cast<HDC>(key));
    }
    return live;
}

// ---- Printer DCs ---------------------------------------------------------------------------

HDC CreateDeviceContext(EscapeHandler handler, void* data)
{
    std::lock_guard guard(GdiLock());
    HDC hdc = nullptr;
    DcObject* dc = NewDc(DcKind::printer, &hdc);
    dc->handler = handler;
    dc->handlerData = data;
    return hdc;
}

void DeleteDeviceContext(HDC hdc)
{
    std::lock_guard guard(GdiLock());
    DcObject* dc = FindDc(hdc);
    if (dc && dc->kind == DcKind::printer) RemoveObject(hdc);
}

}  // namespace vexl::gdi

using namespace vexl::gdi;

VEXL_API int ExtEscape(HDC hdc, int escape, int inputSize, LPCSTR input, int outputSize, LPSTR output)
{
    EscapeHandler handler = nullptr;
    void* data = nullptr;
    {
        std::lock_guard guard(GdiLock());
        DcObject* dc = FindDc(hdc);
        if (!dc || !dc->handler) return 0;
        handler = dc->handler;
        data = dc->handlerData;
    }
    if (inputSize < 0 || (inputSize > 0 && input == nullptr)) inputSize = 0;
    if (outputSize < 0 || output == nullptr) outputSize = 0;
    return handler(data, escape, inputSize, input, outputSize, output);
}

// ---- Stock objects, system colours ---------------------------------------------------

VEXL_API HGDIOBJ GetStockObject(int index)
{
    if (index < 0 || index > DC_PEN) return nullptr;
    std::lock_guard guard(GdiLock());
    return Stock(index);
}

VEXL_API DWORD GetSysColor(int index)
{
    return index >= 0 && index < kSysColorCount ? kSysColors[index] : 0;
}

VEXL_API HBRUSH GetSysColorBrush(int index)
{
    if (index < 0 || index >= kSysColorCount) return nullptr;
    std::lock_guard guard(GdiLock());
    return static_cast<HBRUSH>(Stock(kSysBrushBase + index));
}

// ---- Device contexts -----------------------------------------------------------------------

VEXL_API HDC CreateCompatibleDC(HDC)
{
    std::lock_guard guard(GdiLock());
    HDC hdc = nullptr;
    NewDc(DcKind::memory, &hdc);
    return hdc;
}

VEXL_API BOOL DeleteDC(HDC hdc)
{
    std::lock_guard guard(GdiLock());
    DcObject* dc = FindDc(hdc);
    if (!dc || dc->kind == DcKind::window || dc->kind == DcKind::display) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    RemoveObject(hdc);
    return TRUE;
}

VEXL_API int SaveDC(HDC hdc)
{
    std::lock_guard guard(GdiLock());
    DcObject* dc = FindDc(hdc);
    if (!dc) return 0;
    dc->saved.push_back(dc->state);
    return int(dc->saved.size());
}

VEXL_API BOOL RestoreDC(HDC hdc, int savedDC)
{
    std::lock_guard guard(GdiLock());
    DcObject* dc = FindDc(hdc);
    if (!dc) return FALSE;
    const int depth = int(dc->saved.size());
    const int level = savedDC < 0 ? depth + 1 + savedDC : savedDC;
    if (level < 1 || level > depth) return FALSE;
    dc->state = dc->saved[std::size_t(level - 1)];
    dc->saved.resize(std::size_t(level - 1));
    return TRUE;
}

VEXL_API HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object)
{
    std::lock_guard guard(GdiLock());
    DcObject* dc = FindDc(hdc);
    Object* record = FindObject(object);
    if (!dc) return nullptr;
    if (!record) {
        if (object) CountBadHandle();
        return nullptr;
    }
    if (record->type == OBJ_REGION) {
        dc->state.clip = static_cast<RegionObject*>(record)->rects;
        return reinterpret_cast<HGDIOBJ>(static_cast<LONG_PTR>(KindOf(*dc->state.clip)));
    }
    if (record->type == OBJ_BITMAP) {
        const auto* bitmap = static_cast<BitmapObject*>(record);
        if (dc->kind != DcKind::memory || bitmap->surface) return nullptr;
        if (!bitmap->stock && dc->state.bitmap != object && IsSelected(object)) return nullptr;
    }
    HGDIOBJ* slot = SlotFor(dc->state, record->type);
    if (!slot || record->type == OBJ_PAL) return nullptr;
    HGDIOBJ previous = *slot;
    *slot = object;
    return previous;
}

VEXL_API BOOL DeleteObject(HGDIOBJ object)
{
    std::lock_guard guard(GdiLock());
    Object* record = FindObject(object);
    if (!record || record->type == OBJ_DC || record->type == OBJ_MEMDC) {
        if (object) CountBadHandle();
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (record->stock) return TRUE;
    if (record->type == OBJ_BITMAP && static_cast<BitmapObject*>(record)->surface) return FALSE;
    if (IsSelected(object)) {
        ++Counters().deletesRefused;
        return FALSE;
    }
    RemoveObject(object);
    return TRUE;
}

VEXL_API DWORD GetObjectType(HGDIOBJ object)
{
    std::lock_guard guard(GdiLock());
    Object* record = FindObject(object);
    if (!record) {
        if (object) CountBadHandle();
        return 0;
    }
    return record->type;
}

VEXL_API int GetObjectW(HGDIOBJ object, int size, void* buffer)
{
    std::lock_guard guard(GdiLock());
    Object* record = FindObject(object);
    if (!record) {
        if (object) CountBadHandle();
        return 0;
    }
    switch (record->type) {
    case OBJ_BRUSH:
        return CopyRecord(static_cast<BrushObject*>(record)->log, size, buffer);
    case OBJ_PEN:
        return CopyRecord(static_cast<PenObject*>(record)->log, size, buffer);
    case OBJ_FONT:
        return CopyRecord(static_cast<FontObject*>(record)->log, size, buffer);
    case OBJ_PAL: {
        const WORD count = WORD(static_cast<PaletteObject*>(record)->entries.size());
        return CopyRecord(count, size, buffer);
    }
    case OBJ_BITMAP: {
        auto* bitmap = static_cast<BitmapObject*>(record);
        BITMAP bm{};
        bm.bmWidth = bitmap->width;
        bm.bmHeight = bitmap->height;
        bm.bmPlanes = 1;
        bm.bmBitsPixel = WORD(bitmap->bitsPixel);
        bm.bmWidthBytes = bitmap->bitsPixel == 1 ? ((bitmap->width + 15) / 16) * 2 : bitmap->width * 4;
        if (bitmap->section) {
            bm.bmBits = bitmap->pixels.data();
            if (buffer && size >= int(sizeof(DIBSECTION))) {
                DIBSECTION ds{};
                ds.dsBm = bm;
                ds.dsBmih = bitmap->dib;
                return CopyRecord(ds, size, buffer);
            }
        }
        return CopyRecord(bm, size, buffer);
    }
    default:
        return 0;
    }
}

VEXL_API HGDIOBJ GetCurrentObject(HDC hdc, UINT type)
{
    std::lock_guard guard(GdiLock());
    DcObject* dc = FindDc(hdc);
    if (!dc) return nullptr;
    HGDIOBJ* slot = SlotFor(dc->state, type);
    return slot ? *slot : nullptr;
}

VEXL_API int GetDeviceCaps(HDC hdc, int index)
{
    std::lock_guard guard(GdiLock());
    if (hdc && !FindDc(hdc)) return 0;
    const bool palette = PaletteDisplay();
    switch (index) {
    case HORZRES:
        return kDisplayWidth;
    case VERTRES:
        return kDisplayHeight;
    case BITSPIXEL:
        return palette ? 8 : 32;
    case PLANES:
        return 1;
    case NUMCOLORS:
        return palette ? 20 : -1;
    case RASTERCAPS:
        return RC_BITBLT | RC_DIBTODEV | RC_STRETCHBLT | RC_STRETCHDIB | (palette ? RC_PALETTE : 0);
    case LOGPIXELSX:
    case LOGPIXELSY:
        return 96;
    case SIZEPALETTE:
        return palette ? 256 : 0;
    case NUMRESERVED:
        return palette ? 20 : 0;
    case COLORRES:
        return palette ? 18 : 24;
    default:
        return 0;
    }
}

// ---- DC attributes ---------------------------------------------------------------------------

namespace {

template <typename Value, typename Member> Value Swap(HDC hdc, Member member, Value value, Value failed)
{
    std::lock_guard guard(GdiLock());
    DcObject* dc = FindDc(hdc);
    if (!dc) return failed;
    Value previous = static_cast<Value>(dc->state.*member);
    dc->state.*member = static_cast<std::remove_reference_t<decltype(dc->state.*member)>>(value);
    return previous;
}

template <typename Value, typename Member> Value Read(HDC hdc, Member member, Value failed)
{
    std::lock_guard guard(GdiLock());
    DcObject* dc = FindDc(hdc);
    return dc ? static_cast<Value>(dc->state.*member) : failed;
}

BOOL SwapPoint(HDC hdc, POINT DcState::*member, POINT value, LPPOINT previous, bool offset)
{
    std::lock_guard guard(GdiLock());
    DcObject* dc = FindDc(hdc);
    if (!dc) return FALSE;
    if (previous) *previous = dc->state.*member;
    if (offset) {
        (dc->state.*member).x += value.x;
        (dc->state.*member).y += value.y;
    } else {
        dc->state.*member = value;
    }
    return TRUE;
}

}  // namespace

VEXL_API COLORREF SetTextColor(HDC hdc, COLORREF color)
{
    return Swap(hdc, &DcState::textColor, color, CLR_INVALID);
}
VEXL_API COLORREF GetTextColor(HDC hdc)
{
    return Read(hdc, &DcState::textColor, CLR_INVALID);
}
VEXL_API COLORREF SetBkColor(HDC hdc, COLORREF color)
{
    return Swap(hdc, &DcState::bkColor, color, CLR_INVALID);
}
VEXL_API COLORREF GetBkColor(HDC hdc)
{
    return Read(hdc, &DcState::bkColor, CLR_INVALID);
}
VEXL_API int SetBkMode(HDC hdc, int mode)
{
    if (mode != TRANSPARENT && mode != OPAQUE) return 0;
    return Swap(hdc, &DcState::bkMode, mode, 0);
}
VEXL_API int GetBkMode(HDC hdc)
{
    return Read(hdc, &DcState::bkMode, 0);
}
VEXL_API UINT SetTextAlign(HDC hdc, UINT align)
{
    return Swap(hdc, &DcState::textAlign, align, UINT(0xFFFFFFFF));
}
VEXL_API UINT GetTextAlign(HDC hdc)
{
    return Read(hdc, &DcState::textAlign, UINT(0xFFFFFFFF));
}
VEXL_API int SetROP2(HDC hdc, int rop2)
{
    if (rop2 < int(R2_BLACK) || rop2 > int(R2_WHITE)) return 0;
    return Swap(hdc, &DcState::rop2, rop2, 0);
}
VEXL_API int GetROP2(HDC hdc)
{
    return Read(hdc, &DcState::rop2, 0);
}
VEXL_API int SetStretchBltMode(HDC hdc, int mode)
{
    if (mode < int(BLACKONWHITE) || mode > int(HALFTONE)) return 0;
    return Swap(hdc, &DcState::stretchMode, mode, 0);
}
VEXL_API int GetStretchBltMode(HDC hdc)
{
    return Read(hdc, &DcState::stretchMode, 0);
}
VEXL_API int SetPolyFillMode(HDC hdc, int mode)
{
    if (mode != ALTERNATE && mode != WINDING) return 0;
    return Swap(hdc, &DcState::polyFillMode, mode, 0);
}
VEXL_API BOOL SetBrushOrgEx(HDC hdc, int x, int y, LPPOINT previous)
{
    return SwapPoint(hdc, &DcState::brushOrg, {x, y}, previous, false);
}
VEXL_API BOOL SetViewportOrgEx(HDC hdc, int x, int y, LPPOINT previous)
{
    return SwapPoint(hdc, &DcState::viewportOrg, {x, y}, previous, false);
}
VEXL_API BOOL OffsetViewportOrgEx(HDC hdc, int dx, int dy, LPPOINT previous)
{
    return SwapPoint(hdc, &DcState::viewportOrg, {dx, dy}, previous, true);
}
VEXL_API BOOL GetViewportOrgEx(HDC hdc, LPPOINT origin)
{
    std::lock_guard guard(GdiLock());
    DcObject* dc = FindDc(hdc);
    if (!dc || !origin) return FALSE;
    *origin = dc->state.viewportOrg;
    return TRUE;
}

// ---- Brushes, pens, fonts ----------------------------------------------------------------------

VEXL_API HBRUSH CreateBrushIndirect(const LOGBRUSH* log)
{
    if (!log) return nullptr;
    std::lock_guard guard(GdiLock());
    auto brush = std::make_unique<BrushObject>();
    brush->type = OBJ_BRUSH;
    brush->log = *log;
    if (log->lbStyle == BS_PATTERN) {
        BitmapObject* bitmap = FindBitmap(reinterpret_cast<HGDIOBJ>(log->lbHatch));
        if (!bitmap) return nullptr;
        brush->monoPattern = bitmap->bitsPixel == 1;
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 8; ++x) brush->pattern.push_back(bitmap->Get(x % bitmap->width, y % bitmap->height));
        }
    } else if (log->lbStyle == BS_HATCHED) {
        if (log->lbHatch >= HS_DDI_MAX) return nullptr;
    } else if (log->lbStyle != BS_SOLID && log->lbStyle != BS_NULL) {
        return nullptr;
    }
    return static_cast<HBRUSH>(AddObject(std::move(brush), true));
}

VEXL_API HBRUSH CreateSolidBrush(COLORREF color)
{
    const LOGBRUSH log{BS_SOLID, color, 0};
    return CreateBrushIndirect(&log);
}

VEXL_API HBRUSH CreateHatchBrush(int hatch, COLORREF color)
{
    if (hatch < 0) return nullptr;
    const LOGBRUSH log{BS_HATCHED, color, ULONG_PTR(hatch)};
    return CreateBrushIndirect(&log);
}

VEXL_API HBRUSH CreatePatternBrush(HBITMAP bitmap)
{
    const LOGBRUSH log{BS_PATTERN, 0, reinterpret_cast<ULONG_PTR>(bitmap)};
    return CreateBrushIndirect(&log);
}

VEXL_API HPEN CreatePenIndirect(const LOGPEN* log)
{
    if (!log || log->lopnStyle > UINT(PS_INSIDEFRAME)) return nullptr;
    std::lock_guard guard(GdiLock());
    auto pen = std::make_unique<PenObject>();
    pen->type = OBJ_PEN;
    pen->log = *log;
    if (pen->log.lopnWidth.x < 1) pen->log.lopnWidth.x = 1;
    return static_cast<HPEN>(AddObject(std::move(pen), true));
}

VEXL_API HPEN CreatePen(int style, int width, COLORREF color)
{
    const LOGPEN log{UINT(style), {width, 0}, color};
    return CreatePenIndirect(&log);
}

VEXL_API HFONT CreateFontIndirectW(const LOGFONTW* log)
{
    if (!log) return nullptr;
    std::lock_guard guard(GdiLock());
    auto font = std::make_unique<FontObject>();
    font->type = OBJ_FONT;
    font->log = *log;
    font->log.lfFaceName[LF_FACESIZE - 1] = 0;
    return static_cast<HFONT>(AddObject(std::move(font), true));
}

VEXL_API HFONT CreateFontW(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                           DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision,
                           DWORD quality, DWORD pitchAndFamily, LPCWSTR faceName)
{
    LOGFONTW log{};
    log.lfHeight = height;
    log.lfWidth = width;
    log.lfEscapement = escapement;
    log.lfOrientation = orientation;
    log.lfWeight = weight;
    log.lfItalic = BYTE(italic);
    log.lfUnderline = BYTE(underline);
    log.lfStrikeOut = BYTE(strikeOut);
    log.lfCharSet = BYTE(charSet);
    log.lfOutPrecision = BYTE(outPrecision);
    log.lfClipPrecision = BYTE(clipPrecision);
    log.lfQuality = BYTE(quality);
    log.lfPitchAndFamily = BYTE(pitchAndFamily);
    for (int i = 0; faceName && faceName[i] && i < LF_FACESIZE - 1; ++i) log.lfFaceName[i] = faceName[i];
    return CreateFontIndirectW(&log);
}

// ---- Bitmaps ----------------------------------------------------------------------------------

namespace vexl::gdi {

BitmapObject* NewBitmap(int width, int height, int bitsPixel, HGDIOBJ* handle)
{
    if (width <= 0 || height <= 0 || std::int64_t(width) * height > kMaxPixels) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto bitmap = std::make_unique<BitmapObject>();
    bitmap->type = OBJ_BITMAP;
    bitmap->width = width;
    bitmap->height = height;
    bitmap->bitsPixel = bitsPixel;
    bitmap->pixels.assign(std::size_t(width) * std::size_t(height), bitsPixel == 1 ? kWhite : 0);
    BitmapObject* raw = bitmap.get();
    *handle = AddObject(std::move(bitmap), true);
    return raw;
}

}  // namespace vexl::gdi

VEXL_API HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits)
{
    if (planes != 1 || (bitsPerPixel != 1 && bitsPerPixel != 32)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::lock_guard guard(GdiLock());
    HGDIOBJ handle = nullptr;
    BitmapObject* bitmap = NewBitmap(width, height, int(bitsPerPixel), &handle);
    if (!bitmap) return nullptr;
    if (bits) {
        const auto* bytes = static_cast<const BYTE*>(bits);
        const std::size_t stride = bitsPerPixel == 1 ? std::size_t((width + 15) / 16) * 2 : std::size_t(width) * 4;
        for (int y = 0; y < height; ++y) {
            const BYTE* row = bytes + stride * std::size_t(y);
            for (int x = 0; x < width; ++x) {
                if (bitsPerPixel == 1) {
                    bitmap->Put(x, y, (row[x / 8] >> (7 - x % 8)) & 1 ? kWhite : 0);
                } else {
                    const BYTE* p = row + std::size_t(x) * 4;
                    bitmap->Put(x, y, Pixel(p[0]) | (Pixel(p[1]) << 8) | (Pixel(p[2]) << 16));
                }
            }
        }
    }
    return static_cast<HBITMAP>(handle);
}

VEXL_API HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height)
{
    std::lock_guard guard(GdiLock());
    DcObject* dc = hdc ? FindDc(hdc) : nullptr;
    if (hdc && !dc) return nullptr;
    if (width == 0 || height == 0) return CreateBitmap(1, 1, 1, 1, nullptr);
    BitmapObject* current = dc ? TargetOf(*dc) : nullptr;
    const int bits = current && dc->kind == DcKind::memory ? current->bitsPixel : 32;
    HGDIOBJ handle = nullptr;
    if (!NewBitmap(width, height, bits, &handle)) return nullptr;
    return static_cast<HBITMAP>(handle);
}

VEXL_API HBITMAP CreateDIBSection(HDC, const BITMAPINFO* info, UINT, void** bits, HANDLE section, DWORD)
{
    if (bits) *bits = nullptr;
    if (!info || section || info->bmiHeader.biBitCount != 32 ||
        (info->bmiHeader.biCompression != BI_RGB && info->bmiHeader.biCompression != BI_BITFIELDS) ||
        info->bmiHeader.biHeight == INT32_MIN || info->bmiHeader.biSize < sizeof(BITMAPINFOHEADER)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (info->bmiHeader.biCompression == BI_BITFIELDS) {
        // The section's words are read as 0x00RRGGBB: only those masks are taken.
        DWORD masks[3] = {};
        std::memcpy(masks, reinterpret_cast<const BYTE*>(info) + info->bmiHeader.biSize, sizeof(masks));
        if (masks[0] != 0xFF0000 || masks[1] != 0x00FF00 || masks[2] != 0x0000FF) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
    }
    std::lock_guard guard(GdiLock());
    const LONG height = info->bmiHeader.biHeight;
    HGDIOBJ handle = nullptr;
    BitmapObject* bitmap = NewBitmap(info->bmiHeader.biWidth, height < 0 ? -height : height, 32, &handle);
    if (!bitmap) return nullptr;
    bitmap->section = true;
    bitmap->bottomUp = height > 0;
    bitmap->dib = info->bmiHeader;
    if (bits) *bits = bitmap->pixels.data();
    return static_cast<HBITMAP>(handle);
}

// ---- Palettes -----------------------------------------------------------------------------------

VEXL_API HPALETTE CreatePalette(const LOGPALETTE* palette)
{
    if (!palette || palette->palVersion != 0x300 || palette->palNumEntries == 0) return nullptr;
    std::lock_guard guard(GdiLock());
    auto record = std::make_unique<PaletteObject>();
    record->type = OBJ_PAL;
    record->entries.assign(palette->palPalEntry, palette->palPalEntry + palette->palNumEntries);
    return static_cast<HPALETTE>(AddObject(std::move(record), true));
}

VEXL_API HPALETTE SelectPalette(HDC hdc, HPALETTE palette, BOOL)
{
    std::lock_guard guard(GdiLock());
    DcObject* dc = FindDc(hdc);
    if (!dc || !Find<PaletteObject>(palette, OBJ_PAL)) return nullptr;
    HGDIOBJ previous = dc->state.palette;
    dc->state.palette = palette;
    return static_cast<HPALETTE>(previous);
}

VEXL_API UINT RealizePalette(HDC hdc)
{
    std::lock_guard guard(GdiLock());
    DcObject* dc = FindDc(hdc);
    if (!dc) return UINT(-1);
    if (!PaletteDisplay()) return 0;
    auto* palette = Find<PaletteObject>(dc->state.palette, OBJ_PAL);
    return palette && !palette->stock ? UINT(std::min<std::size_t>(palette->entries.size(), 236)) : 0;
}

VEXL_API UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* entries)
{
    std::lock_guard guard(GdiLock());
    auto* record = Find<PaletteObject>(palette, OBJ_PAL);
    if (!record) return 0;
    const UINT size = UINT(record->entries.size());
    if (!entries) return size;
    if (start >= size) return 0;
    const UINT n = std::min(count, size - start);
    std::copy_n(record->entries.begin() + start, n, entries);
    return n;
}

VEXL_API UINT SetPaletteEntries(HPALETTE palette, UINT start, UINT count, const PALETTEENTRY* entries)
{
    std::lock_guard guard(GdiLock());
    auto* record = Find<PaletteObject>(palette, OBJ_PAL);
    if (!record || !entries || record->stock) return 0;
    const UINT size = UINT(record->entries.size());
    if (start >= size) return 0;
    const UINT n = std::min(count, size - start);
    std::copy_n(entries, n, record->entries.begin() + start);
    return n;
}

VEXL_API UINT GetNearestPaletteIndex(HPALETTE palette, COLORREF color)
{
    std::lock_guard guard(GdiLock());
    auto* record = Find<PaletteObject>(palette, OBJ_PAL);
    if (!record) return CLR_INVALID;
    UINT best = 0;
    int bestDistance = 1 << 30;
    for (UINT i = 0; i < record->entries.size(); ++i) {
        const PALETTEENTRY& e = record->entries[i];
        const int d = Distance(RGB(e.peRed, e.peGreen, e.peBlue), color & 0xFFFFFF);
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

VEXL_API COLORREF GetNearestColor(HDC hdc, COLORREF color)
{
    std::lock_guard guard(GdiLock());
    DcObject* dc = FindDc(hdc);
    if (!dc) return CLR_INVALID;
    const COLORREF rgb = ToColor(PixelOf(*dc, color));
    if (!PaletteDisplay()) return rgb;
    COLORREF best = kStaticColors[0];
    for (COLORREF c : kStaticColors) {
        if (Distance(c, rgb) < Distance(best, rgb)) best = c;
    }
    return best;
}

VEXL_API UINT GetSystemPaletteEntries(HDC hdc, UINT start, UINT count, PALETTEENTRY* entries)
{
    std::lock_guard guard(GdiLock());
    if (hdc && !FindDc(hdc)) return 0;
    if (!PaletteDisplay()) return 0;
    if (!entries) return 256;
    UINT n = 0;
    for (UINT i = start; i < 256 && n < count; ++i, ++n) {
        COLORREF c = 0;
        if (i < 10) c = kStaticColors[i];
        if (i >= 246) c = kStaticColors[i - 236];
        entries[n] = {GetRValue(c), GetGValue(c), GetBValue(c), 0};
    }
    return n;
}
