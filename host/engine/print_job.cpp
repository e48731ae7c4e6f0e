#include "print_job.h"
#include "real_glyphs.h"

#include "platform/engine.h"
#include "platform/engine_host.h"
#include "platform/gdi_host.h"
#include "platform/printui.h"
#include "platform/kernel.h"
#include "platform/modules.h"
#include "platform/spooler.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <unordered_map>

namespace vexl::host {

// ---- Page builder ---------------------------------------------------------------------------

DrawCall& PageBuilder::Add(DrawCall call)
{
    call.clipped = clipped_;
    call.clip = clip_;
    call.clipUniq = clipUniq_;
    call.clipRegion = clipRegion_;
    page_.calls.push_back(std::move(call));
    return page_.calls.back();
}

PageBuilder& PageBuilder::Rectangle(const RECTL& rect, ColorRef color)
{
    DrawCall call;
    call.kind = DrawKind::Rectangle;
    call.rect = rect;
    call.color = color;
    Add(std::move(call));
    return *this;
}

PageBuilder& PageBuilder::Line(POINTL from, POINTL to, ColorRef color, LONG width)
{
    PathShape path;
    PathFigure figure;
    figure.start = from;
    PathSegment segment;
    segment.points[0] = to;
    figure.segments.push_back(segment);
    path.figures.push_back(figure);
    return StrokePath(path, color, width);
}

PageBuilder& PageBuilder::StrokePath(const PathShape& path, ColorRef color, LONG width)
{
    DrawCall call;
    call.kind = DrawKind::StrokePath;
    call.path = path;
    call.color = color;
    call.width = width;
    Add(std::move(call));
    return *this;
}

PageBuilder& PageBuilder::FillPath(const PathShape& path, ColorRef color, FLONG fillMode)
{
    DrawCall call;
    call.kind = DrawKind::FillPath;
    call.path = path;
    call.color = color;
    call.fillMode = fillMode;
    Add(std::move(call));
    return *this;
}

PageBuilder& PageBuilder::StrokeAndFillPath(const PathShape& path, ColorRef pen, ColorRef fill, LONG width)
{
    DrawCall call;
    call.kind = DrawKind::StrokeAndFillPath;
    call.path = path;
    call.color = pen;
    call.fillColor = fill;
    call.width = width;
    Add(std::move(call));
    return *this;
}

PageBuilder& PageBuilder::Text(POINTL baseline, std::u16string text, ColorRef color, ULONG batch)
{
    DrawCall call;
    call.kind = DrawKind::Text;
    call.origin = baseline;
    call.text = std::move(text);
    call.color = color;
    call.textBatch = batch;
    Add(std::move(call));
    return *this;
}

PageBuilder& PageBuilder::TextInFace(POINTL baseline, std::u16string face, std::u16string text, ColorRef color)
{
    Text(baseline, std::move(text), color);
    page_.calls.back().face = std::move(face);
    return *this;
}

PageBuilder& PageBuilder::SizedText(POINTL baseline, std::u16string face, std::u16string text, ColorRef color,
                                    LONG emPixels)
{
    TextInFace(baseline, std::move(face), std::move(text), color);
    page_.calls.back().emPixels = emPixels;
    return *this;
}

PageBuilder& PageBuilder::Image(const RECTL& destination, ImageSpec image)
{
    DrawCall call;
    call.kind = DrawKind::Image;
    call.rect = destination;
    call.image = std::move(image);
    Add(std::move(call));
    return *this;
}

PageBuilder& PageBuilder::PatternRectangle(const RECTL& rect, ColorRef color, const BrushSpec& brush)
{
    Rectangle(rect, color);
    page_.calls.back().brush = brush;
    return *this;
}

PageBuilder& PageBuilder::PatternFillPath(const PathShape& path, ColorRef color, const BrushSpec& brush, FLONG fillMode)
{
    FillPath(path, color, fillMode);
    page_.calls.back().brush = brush;
    return *this;
}

PageBuilder& PageBuilder::ClipToRegion(std::vector<RECTL> rects, ULONG uniq)
{
    RECTL bounds = rects.empty() ? RECTL{} : rects.front();
    for (const RECTL& r : rects) {
        bounds.left = std::min(bounds.left, r.left);
        bounds.top = std::min(bounds.top, r.top);
        bounds.right = std::max(bounds.right, r.right);
        bounds.bottom = std::max(bounds.bottom, r.bottom);
    }
    ClipTo(bounds, uniq);
    clipRegion_ = std::move(rects);
    return *this;
}

PageBuilder& PageBuilder::ClipTo(const RECTL& clip, ULONG uniq)
{
    clipRegion_.clear();
    clipped_ = true;
    clip_ = clip;
    clipUniq_ = uniq;
    return *this;
}

PageBuilder& PageBuilder::NoClip()
{
    clipRegion_.clear();
    clipped_ = false;
    return *this;
}

BrushSpec HatchBrush(ULONG style)
{
    BrushSpec brush;
    brush.kind = BrushKind::Hatch;
    brush.hatch = style;
    return brush;
}

BrushSpec CheckerBrush(std::vector<ColorRef> colors)
{
    BrushSpec brush;
    brush.kind = BrushKind::Pattern;
    if (colors.empty()) colors = {Rgb(0, 0, 0), Rgb(255, 255, 255)};
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) brush.pixels.push_back(colors[((x / 2) + (y / 2) * 3) % colors.size()]);
    }
    return brush;
}

ImageSpec RampImage(LONG width, LONG height)
{
    ImageSpec image;
    image.width = width;
    image.height = height;
    for (LONG y = 0; y < height; ++y) {
        for (LONG x = 0; x < width; ++x) {
            const bool corner = x < width / 4 && y < height / 4;
            const auto across = static_cast<BYTE>(255 * x / std::max<LONG>(width - 1, 1));
            const auto down = static_cast<BYTE>(255 * y / std::max<LONG>(height - 1, 1));
            image.pixels.push_back(corner ? Rgb(0, 0, 0) : Rgb(across, down, static_cast<BYTE>(255 - across)));
        }
    }
    return image;
}

PathShape RectanglePath(const RECTL& r)
{
    PathFigure figure;
    figure.start = POINTL{r.left, r.top};
    for (const POINTL corner : {POINTL{r.right, r.top}, POINTL{r.right, r.bottom}, POINTL{r.left, r.bottom}}) {
        PathSegment segment;
        segment.points[0] = corner;
        figure.segments.push_back(segment);
    }
    figure.closed = true;
    return PathShape{{figure}, 0};
}

PathShape BezierWave(POINTL start, LONG step, LONG amplitude, int curves)
{
    PathFigure figure;
    figure.start = start;
    LONG x = start.x;
    for (int i = 0; i < curves; ++i) {
        const LONG sign = (i % 2) ? 1 : -1;
        PathSegment segment;
        segment.bezier = true;
        segment.points[0] = POINTL{x + step / 3, start.y + sign * amplitude};
        segment.points[1] = POINTL{x + 2 * step / 3, start.y + sign * amplitude};
        segment.points[2] = POINTL{x + step, start.y};
        figure.segments.push_back(segment);
        x += step;
    }
    return PathShape{{figure}, 0};
}

int JobReport::Count(bool HookCall::*flag) const
{
    int count = 0;
    for (const HookCall& call : calls) count += (call.*flag) ? 1 : 0;
    return count;
}

// ---- The job ------------------------------------------------------------------------------------

namespace {

std::string Narrow(std::u16string_view text)
{
    std::string out;
    for (const char16_t c : text) out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
}

template <typename Function> Function Export(HMODULE module, const char* name)
{
    return HookAs<Function>(reinterpret_cast<PFN>(GetProcAddress(module, name)));
}

engine::Path EnginePath(const PathShape& shape, POINTL offset)
{
    engine::Path path;
    auto fix = [&](POINTL p) { return POINTFIX{(p.x - offset.x) * 16, (p.y - offset.y) * 16}; };
    for (const PathFigure& figure : shape.figures) {
        const POINTFIX start = fix(figure.start);
        path.MoveTo(start.x, start.y);
        for (const PathSegment& segment : figure.segments) {
            if (segment.bezier) {
                path.BezierTo(fix(segment.points[0]), fix(segment.points[1]), fix(segment.points[2]));
            } else {
                const POINTFIX to = fix(segment.points[0]);
                path.LineTo(to.x, to.y);
            }
        }
        if (figure.closed) path.Close();
    }
    path.SetPiecePoints(shape.piecePoints);
    return path;
}

RECTL Offset(const RECTL& r, POINTL by)
{
    return RECTL{r.left - by.x, r.top - by.y, r.right - by.x, r.bottom - by.y};
}

// ---- What the engine draws itself into a band -----------------------------------------------------

using Polygon = std::vector<std::pair<double, double>>;

// A path's figures as closed polygons in page pixels, Beziers flattened.
std::vector<Polygon> FlattenPath(const PathShape& shape)
{
    constexpr int kSteps = 16;
    std::vector<Polygon> polygons;
    for (const PathFigure& figure : shape.figures) {
        Polygon polygon{{double(figure.start.x), double(figure.start.y)}};
        for (const PathSegment& segment : figure.segments) {
            if (!segment.bezier) {
                polygon.emplace_back(segment.points[0].x, segment.points[0].y);
                continue;
            }
            const auto [x0, y0] = polygon.back();
            const POINTL* p = segment.points;
            for (int i = 1; i <= kSteps; ++i) {
                const double t = double(i) / kSteps, u = 1 - t;
                const double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
                polygon.emplace_back(a * x0 + b * p[0].x + c * p[1].x + d * p[2].x,
                                     a * y0 + b * p[0].y + c * p[1].y + d * p[2].y);
            }
        }
        polygons.push_back(std::move(polygon));
    }
    return polygons;
}

// A stroke as one quadrilateral along each segment of its figures.
std::vector<Polygon> StrokeOutlines(const PathShape& shape, LONG width)
{
    const double half = std::max<LONG>(width, 1) / 2.0;
    std::vector<Polygon> quads;
    std::size_t figure = 0;
    for (const Polygon& line : FlattenPath(shape)) {
        Polygon points = line;
        if (shape.figures[figure++].closed && !points.empty()) points.push_back(points.front());
        for (std::size_t i = 1; i < points.size(); ++i) {
            const auto [ax, ay] = points[i - 1];
            const auto [bx, by] = points[i];
            const double length = std::hypot(bx - ax, by - ay);
            if (length == 0) continue;
            const double nx = -(by - ay) / length * half, ny = (bx - ax) / length * half;
            quads.push_back({{ax + nx, ay + ny}, {bx + nx, by + ny}, {bx - nx, by - ny}, {ax - nx, ay - ny}});
        }
    }
    return quads;
}

// Fills the rows of the band that the polygons cover, span by span, as the
// engine fills a path it renders itself: each span is one row run.
BOOL FillPolygons(SURFOBJ* band, const std::vector<Polygon>& polygons, bool winding, POINTL offset, CLIPOBJ* clip,
                  BRUSHOBJ* brush)
{
    struct Edge {
        double ax, ay, bx, by;
        int direction;
    };
    std::vector<Edge> edges;
    double top = 0, bottom = 0;
    bool any = false;
    for (const Polygon& polygon : polygons) {
        for (std::size_t i = 0; i < polygon.size(); ++i) {
            const auto [ax, ay] = polygon[i];
            const auto [bx, by] = polygon[(i + 1) % polygon.size()];
            top = any ? std::min(top, ay) : ay;
            bottom = any ? std::max(bottom, ay) : ay;
            any = true;
            if (ay != by) edges.push_back(Edge{ax, ay, bx, by, by > ay ? 1 : -1});
        }
    }
    if (!any) return TRUE;
    POINTL origin{0, 0};
    const LONG firstRow = std::max<LONG>(0, static_cast<LONG>(std::floor(top)) - offset.y);
    const LONG endRow = std::min<LONG>(band->sizlBitmap.cy, static_cast<LONG>(std::ceil(bottom)) + 1 - offset.y);
    std::vector<std::pair<double, int>> crossings;
    crossings.reserve(edges.size());
    for (LONG row = firstRow; row < endRow; ++row) {
        const double y = row + offset.y + 0.5;
        crossings.clear();
        for (const Edge& e : edges) {
            if ((e.ay <= y && y < e.by) || (e.by <= y && y < e.ay))
                crossings.emplace_back(e.ax + (y - e.ay) * (e.bx - e.ax) / (e.by - e.ay), e.direction);
        }
        std::sort(crossings.begin(), crossings.end());
        int inside = 0;
        for (std::size_t i = 0; i + 1 < crossings.size(); ++i) {
            inside += winding ? crossings[i].second : 1;
            if (winding ? inside == 0 : inside % 2 == 0) continue;
            RECTL span{static_cast<LONG>(std::ceil(crossings[i].first - 0.5)) - offset.x, row,
                       static_cast<LONG>(std::ceil(crossings[i + 1].first - 0.5)) - offset.x, row + 1};
            span.left = std::max<LONG>(span.left, 0);
            span.right = std::min<LONG>(span.right, band->sizlBitmap.cx);
            if (span.left >= span.right) continue;
            if (!EngBitBlt(band, nullptr, nullptr, clip, nullptr, &span, nullptr, nullptr, brush, &origin, 0xF0F0))
                return FALSE;
        }
    }
    return TRUE;
}

// An image as an engine bitmap of 24-bit pixels, laid row by row from its
// colours into memory the job hands over and takes back for the next image;
// null when the engine refuses the bitmap.
class ImageSurface {
public:
    ImageSurface(const ImageSpec& image, std::vector<BYTE> bits) : bits_(std::move(bits))
    {
        const std::size_t stride = (3 * static_cast<std::size_t>(image.width) + 3) & ~std::size_t{3};
        const std::size_t bytes = stride * static_cast<std::size_t>(image.height);
        if (bits_.size() < bytes) bits_.resize(bytes);
        bitmap_ = EngCreateBitmap(SIZEL{image.width, image.height}, static_cast<LONG>(stride), BMF_24BPP, BMF_TOPDOWN,
                                  bits_.data());
        surface_ = bitmap_ ? EngLockSurface(reinterpret_cast<HSURF>(bitmap_)) : nullptr;
        if (!surface_) return;
        const ColorRef* from = image.pixels.data();
        for (LONG y = 0; y < image.height; ++y) {
            BYTE* to = bits_.data() + std::size_t(y) * stride;
            LONG x = 0;
            // Four pixels at a time as three words, laid low byte first.
            static_assert(std::endian::native == std::endian::little);
            for (; x + 4 <= image.width; x += 4, from += 4, to += 12) {
                const std::uint32_t p0 = Bgr(from[0]), p1 = Bgr(from[1]), p2 = Bgr(from[2]), p3 = Bgr(from[3]);
                const std::uint32_t words[3] = {p0 | (p1 << 24), (p1 >> 8) | (p2 << 16), (p2 >> 16) | (p3 << 8)};
                std::memcpy(to, words, 12);
            }
            for (; x < image.width; ++x, ++from, to += 3) {
                const std::uint32_t pixel = Bgr(*from);
                std::memcpy(to, &pixel, 3);
            }
            // The row's padding up to its stride is zero, as in a cleared bitmap.
            std::memset(to, 0, stride - 3 * std::size_t(image.width));
        }
    }
    ~ImageSurface()
    {
        if (surface_) EngUnlockSurface(surface_);
        if (bitmap_) EngDeleteSurface(reinterpret_cast<HSURF>(bitmap_));
    }
    ImageSurface(const ImageSurface&) = delete;
    ImageSurface& operator=(const ImageSurface&) = delete;

    // A colour as a 24-bit pixel holds it in memory: blue, green, red.
    static std::uint32_t Bgr(ColorRef c) { return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF); }

    // The memory, for the next image once this bitmap is gone.
    std::vector<BYTE> TakeBits()
    {
        if (surface_) EngUnlockSurface(surface_);
        if (bitmap_) EngDeleteSurface(reinterpret_cast<HSURF>(bitmap_));
        surface_ = nullptr;
        bitmap_ = nullptr;
        return std::move(bits_);
    }

    SURFOBJ* get() const { return surface_; }

private:
    std::vector<BYTE> bits_;
    HBITMAP bitmap_ = nullptr;
    SURFOBJ* surface_ = nullptr;
};

// One enabled PDEV with its engine device and surface.
struct Device {
    HDEV hdev = nullptr;
    DHPDEV pdev = nullptr;
    HSURF hsurf = nullptr;
    SURFOBJ* pso = nullptr;
    FLONG hooks = 0;
    bool banding = false;
    GDIINFO gdi{};
    DEVINFO dev{};
};

class Job {
public:
    Job(const JobOptions& options, JobReport& report) : options_(options), report_(report) {}

    void Run(const std::vector<Page>& pages);

private:
    template <typename Function> Function Hook(ULONG index) const
    {
        const auto it = hooks_.find(index);
        return it == hooks_.end() ? nullptr : HookAs<Function>(it->second);
    }

    bool Fail(const std::string& step)
    {
        if (report_.failure.empty())
            report_.failure = step + " failed (last error " + std::to_string(GetLastError()) + ")";
        report_.calls.push_back(HookCall{page_, step, "job", 0, false, true, false});
        return false;
    }

    void Note(const std::string& hook, long long result)
    {
        report_.calls.push_back(HookCall{page_, hook, "job", result, false, false, false});
    }

    bool LoadDriver();
    bool EnableDevice(Device& device, const std::vector<std::uint8_t>& devmode);
    void DisableDevice(Device& device);
    bool ResetDevice();
    void ReplayPage(const Page& page, POINTL offset);
    void Replay(const DrawCall& call, POINTL offset);
    void PrintPage(const Page& page);
    void Unload();
    // The document events of the printer interface library.
    bool LoadInterface();
    void DocumentEvent(int escape);
    static int RouteEscape(void* data, int escape, int inputSize, const void* input, int outputSize, void* output);

    using DocumentEventFunction = int (*)(HANDLE, HDC, int, ULONG, PVOID, ULONG, PVOID);
    const JobOptions& options_;
    HMODULE interface_ = nullptr;
    DocumentEventFunction documentEvent_ = nullptr;
    HDC hdc_ = nullptr;
    JobReport& report_;
    HMODULE module_ = nullptr;
    HANDLE printer_ = nullptr;
    std::map<ULONG, PFN> hooks_;
    DRVENABLEDATA enable_{};
    Device device_;
    engine::Font& FontOf(const DrawCall& call);
    BOOL DrawPathInBand(const DrawCall& call, POINTL offset, CLIPOBJ* clip, BRUSHOBJ* brush);
    // What the engine keeps between the drawing calls of a device, as GDI
    // keeps a device context's objects: device colours, solid brushes, the
    // surface's trivial clip, and each image of the page as a bitmap made
    // once for all its bands.
    ULONG DeviceColorOf(ColorRef color);
    BRUSHOBJ* SolidBrush(ULONG deviceColor);
    CLIPOBJ* TrivialClip();
    SURFOBJ* ImageOf(const DrawCall& call);
    void ForgetDeviceObjects();
    std::map<std::pair<std::u16string, LONG>, std::unique_ptr<engine::Font>> fonts_;  // by face and em size
    std::unordered_map<ColorRef, ULONG> deviceColors_;
    std::unordered_map<ULONG, engine::Brush> solidBrushes_;
    std::optional<engine::Clip> trivialClip_;
    engine::Xform identity_ = engine::Xform::Identity();
    void ForgetImage(const DrawCall& call);
    void ForgetImages();
    std::unordered_map<const DrawCall*, std::unique_ptr<ImageSurface>> images_;
    std::vector<std::vector<BYTE>> spareImageBits_;
    int page_ = 0;
    bool documentFailed_ = false;
};

bool Job::LoadInterface()
{
    if (options_.interfacePath.empty()) return true;
    interface_ = LoadLibraryW(options_.interfacePath.c_str());
    if (!interface_) return Fail("LoadLibraryW " + Narrow(options_.interfacePath));
    documentEvent_ = reinterpret_cast<DocumentEventFunction>(
        reinterpret_cast<void*>(GetProcAddress(interface_, "DrvDocumentEvent")));
    hdc_ = gdi::CreateDeviceContext(RouteEscape, this);
    return true;
}

void Job::DocumentEvent(int escape)
{
    if (!documentEvent_) return;
    const int answer = documentEvent_(printer_, hdc_, escape, 0, nullptr, 0, nullptr);
    Note("DrvDocumentEvent " + std::to_string(escape), answer);
}

// ExtEscape on the job's device context reaches the graphics library.
int Job::RouteEscape(void* data, int escape, int inputSize, const void* input, int outputSize, void* output)
{
    auto* job = static_cast<Job*>(data);
    auto drvEscape = job->Hook<PFN_DrvEscape>(INDEX_DrvEscape);
    if (!drvEscape || !job->device_.pso) return 0;
    const ULONG answer = drvEscape(job->device_.pso, static_cast<ULONG>(escape), static_cast<ULONG>(inputSize),
                                   const_cast<void*>(input), static_cast<ULONG>(outputSize), output);
    job->Note("ExtEscape " + std::to_string(escape), static_cast<int>(answer));
    return static_cast<int>(answer);
}

bool Job::LoadDriver()
{
    module_ = LoadLibraryW(options_.driverPath.c_str());
    if (!module_) return Fail("LoadLibraryW " + Narrow(options_.driverPath));
    auto query = Export<PFN_DrvQueryDriverInfo>(module_, "DrvQueryDriverInfo");
    auto enable = Export<PFN_DrvEnableDriver>(module_, "DrvEnableDriver");
    if (!query || !enable) return Fail("GetProcAddress DrvQueryDriverInfo/DrvEnableDriver");
    DWORD userMode = 0, needed = 0;
    if (!query(DRVQUERY_USERMODE, &userMode, sizeof(userMode), &needed) || userMode != 1)
        return Fail("DrvQueryDriverInfo");
    Note("DrvQueryDriverInfo", userMode);
    if (!enable(DDI_DRIVER_VERSION_NT4, sizeof(enable_), &enable_)) return Fail("DrvEnableDriver");
    Note("DrvEnableDriver", enable_.c);
    for (ULONG i = 0; i < enable_.c && enable_.pdrvfn; ++i) hooks_[enable_.pdrvfn[i].iFunc] = enable_.pdrvfn[i].pfn;
    return true;
}

bool Job::EnableDevice(Device& device, const std::vector<std::uint8_t>& devmode)
{
    auto enablePdev = Hook<PFN_DrvEnablePDEV>(INDEX_DrvEnablePDEV);
    auto completePdev = Hook<PFN_DrvCompletePDEV>(INDEX_DrvCompletePDEV);
    auto enableSurface = Hook<PFN_DrvEnableSurface>(INDEX_DrvEnableSurface);
    if (!enablePdev || !completePdev || !enableSurface) return Fail("the PDEV hooks");
    device.hdev = engine::CreateDevice(enable_);
    // The DEVMODE goes in as a copy the driver may not keep.
    std::vector<std::uint64_t> devmodeCopy((devmode.size() + 7) / 8);
    if (!devmode.empty()) std::memcpy(devmodeCopy.data(), devmode.data(), devmode.size());
    HSURF patterns[HS_DDI_MAX]{};
    std::u16string deviceName = options_.printerName;
    device.pdev = enablePdev(devmode.empty() ? nullptr : reinterpret_cast<DEVMODEW*>(devmodeCopy.data()), nullptr,
                             HS_DDI_MAX, patterns, sizeof(GDIINFO), &device.gdi, sizeof(DEVINFO), &device.dev,
                             device.hdev, deviceName.data(), printer_);
    if (!device.pdev) return Fail("DrvEnablePDEV");
    Note("DrvEnablePDEV", 1);
    engine::SetDevicePdev(device.hdev, device.pdev);
    completePdev(device.pdev, device.hdev);
    device.hsurf = enableSurface(device.pdev);
    if (!device.hsurf) return Fail("DrvEnableSurface");
    const std::optional<engine::SurfaceInfo> info = engine::DescribeSurface(device.hsurf);
    device.pso = EngLockSurface(device.hsurf);
    if (!info || !info->associated || !device.pso) return Fail("DrvEnableSurface (surface not associated)");
    device.hooks = info->hooks;
    device.banding = info->banding;
    Note("DrvEnableSurface", static_cast<long long>(device.hooks));
    return true;
}

void Job::DisableDevice(Device& device)
{
    ForgetDeviceObjects();
    if (device.pso) EngUnlockSurface(device.pso);
    if (device.hsurf)
        if (auto disableSurface = Hook<PFN_DrvDisableSurface>(INDEX_DrvDisableSurface)) disableSurface(device.pdev);
    if (device.pdev)
        if (auto disablePdev = Hook<PFN_DrvDisablePDEV>(INDEX_DrvDisablePDEV)) disablePdev(device.pdev);
    if (device.hdev) engine::DeleteDevice(device.hdev);
    device = Device{};
}

// The engine replaces the device context's PDEV in the middle of the job.
bool Job::ResetDevice()
{
    Device fresh;
    if (!EnableDevice(fresh, options_.resetDevmode.empty() ? options_.devmode : options_.resetDevmode)) {
        DisableDevice(fresh);
        return false;
    }
    auto reset = Hook<PFN_DrvResetPDEV>(INDEX_DrvResetPDEV);
    const BOOL result = reset ? reset(device_.pdev, fresh.pdev) : FALSE;
    Note("DrvResetPDEV", result);
    DisableDevice(device_);
    device_ = fresh;
    if (!result) return Fail("DrvResetPDEV");
    std::u16string name = options_.documentName;
    auto startDoc = Hook<PFN_DrvStartDoc>(INDEX_DrvStartDoc);
    if (!startDoc || !startDoc(device_.pso, name.data(), options_.jobId)) return Fail("DrvStartDoc after reset");
    Note("DrvStartDoc", 1);
    return true;
}

engine::Font& Job::FontOf(const DrawCall& call)
{
    std::unique_ptr<engine::Font>& font = fonts_[{call.face, call.emPixels}];
    if (!font) {
        const auto id = static_cast<ULONG>(fonts_.size());
        if (call.emPixels > 0) {
            // The font's metrics are given in units of a 2048 em.
            const FLOATL scale = static_cast<FLOATL>(call.emPixels) / 2048.0f;
            font = std::make_unique<engine::Font>(call.face, RenderedGlyphs(call.emPixels),
                                                  XFORML{scale, 0, 0, scale, 0, 0}, id);
        } else {
            font = std::make_unique<engine::Font>(call.face, engine::SyntheticGlyphs(),
                                                  XFORML{0.01f, 0, 0, 0.01f, 0, 0}, id);
        }
    }
    return *font;
}

BOOL Job::DrawPathInBand(const DrawCall& call, POINTL offset, CLIPOBJ* clip, BRUSHOBJ* brush)
{
    const bool winding = call.fillMode == FP_WINDINGMODE;
    switch (call.kind) {
    case DrawKind::FillPath:
        return FillPolygons(device_.pso, FlattenPath(call.path), winding, offset, clip, brush);
    case DrawKind::StrokePath:
        return FillPolygons(device_.pso, StrokeOutlines(call.path, call.width), true, offset, clip, brush);
    case DrawKind::StrokeAndFillPath: {
        BRUSHOBJ* fill = SolidBrush(DeviceColorOf(call.fillColor));
        return FillPolygons(device_.pso, FlattenPath(call.path), winding, offset, clip, fill) &&
               FillPolygons(device_.pso, StrokeOutlines(call.path, call.width), true, offset, clip, brush);
    }
    default:
        return FALSE;
    }
}

ULONG Job::DeviceColorOf(ColorRef color)
{
    const auto [it, added] = deviceColors_.try_emplace(color, 0);
    if (added) it->second = engine::DeviceColor(device_.dev.hpalDefault, color);
    return it->second;
}

BRUSHOBJ* Job::SolidBrush(ULONG deviceColor)
{
    auto it = solidBrushes_.find(deviceColor);
    if (it == solidBrushes_.end()) it = solidBrushes_.emplace(deviceColor, engine::Brush::Solid(deviceColor)).first;
    return it->second.get();
}

CLIPOBJ* Job::TrivialClip()
{
    if (!trivialClip_)
        trivialClip_.emplace(engine::Clip::Trivial(RECTL{0, 0, device_.pso->sizlBitmap.cx, device_.pso->sizlBitmap.cy}));
    return trivialClip_->get();
}

SURFOBJ* Job::ImageOf(const DrawCall& call)
{
    std::unique_ptr<ImageSurface>& image = images_[&call];
    if (!image) {
        std::vector<BYTE> bits;
        if (!spareImageBits_.empty()) {
            bits = std::move(spareImageBits_.back());
            spareImageBits_.pop_back();
        }
        image = std::make_unique<ImageSurface>(call.image, std::move(bits));
    }
    SURFOBJ* surface = image->get();
    // A bitmap the engine refused is asked for again by the next band.
    if (!surface) ForgetImage(call);
    return surface;
}

void Job::ForgetImage(const DrawCall& call)
{
    const auto it = images_.find(&call);
    if (it == images_.end()) return;
    spareImageBits_.push_back(it->second->TakeBits());
    images_.erase(it);
}

void Job::ForgetImages()
{
    for (auto& [call, image] : images_) spareImageBits_.push_back(image->TakeBits());
    images_.clear();
}

void Job::ForgetDeviceObjects()
{
    deviceColors_.clear();
    solidBrushes_.clear();
    trivialClip_.reset();
    ForgetImages();
    spareImageBits_.clear();
}

void Job::Replay(const DrawCall& call, POINTL offset)
{
    SURFOBJ* pso = device_.pso;
    std::optional<engine::Clip> ownClip;
    if (call.clipRegion.size() > 1) {
        std::vector<RECTL> region;
        region.reserve(call.clipRegion.size());
        for (const RECTL& r : call.clipRegion) region.push_back(Offset(r, offset));
        ownClip.emplace(engine::Clip::Complex(std::move(region), call.clipUniq));
    } else if (call.clipped) {
        ownClip.emplace(engine::Clip::Rect(Offset(call.clip, offset), call.clipUniq));
    }
    CLIPOBJ* clip = ownClip ? ownClip->get() : TrivialClip();
    const ULONG color = DeviceColorOf(call.color);
    // A hatch of the colour on white, or a pattern of 24-bit pixels; the
    // pattern outlives the brush.
    struct PatternRelease {
        HBITMAP bitmap = nullptr;
        SURFOBJ* surface = nullptr;
        ~PatternRelease()
        {
            if (surface) EngUnlockSurface(surface);
            if (bitmap) EngDeleteSurface(reinterpret_cast<HSURF>(bitmap));
        }
    } patternRelease;
    std::optional<engine::Xlate> hatchColors;
    std::optional<engine::Brush> ownBrush;
    HBITMAP& patternBitmap = patternRelease.bitmap;
    SURFOBJ*& pattern = patternRelease.surface;
    if (call.brush.kind == BrushKind::Hatch) {
        hatchColors.emplace(engine::Xlate::Table({DeviceColorOf(Rgb(255, 255, 255)), color}));
        ownBrush.emplace(engine::Brush::Hatch(pso, call.brush.hatch, hatchColors->get()));
    } else if (call.brush.kind == BrushKind::Pattern && call.brush.pixels.size() == 64) {
        patternBitmap = EngCreateBitmap(SIZEL{8, 8}, 0, BMF_24BPP, BMF_TOPDOWN, nullptr);
        pattern = patternBitmap ? EngLockSurface(reinterpret_cast<HSURF>(patternBitmap)) : nullptr;
        if (pattern) {
            for (int i = 0; i < 64; ++i) {
                const ColorRef c = call.brush.pixels[static_cast<std::size_t>(i)];
                // 24-bit pixels hold blue, green, red in memory.
                engine::SetPixel(pattern, i % 8, i / 8, ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF));
            }
            ownBrush.emplace(engine::Brush::Pattern(pso, pattern, nullptr));
        }
    }
    BRUSHOBJ* brush = ownBrush ? ownBrush->get() : SolidBrush(color);

    POINTL brushOrigin{0, 0};
    const MIX copyPen = (R2_COPYPEN << 8) | R2_COPYPEN;
    LINEATTRS line{};
    line.iJoin = JOIN_ROUND;
    line.iEndCap = ENDCAP_ROUND;
    line.eMiterLimit = 10.0f;
    if (call.width > 0) {
        line.fl = LA_GEOMETRIC;
        line.elWidth.e = static_cast<FLOATL>(call.width);
    } else {
        line.elWidth.l = 1;
    }

    HookCall record;
    record.page = page_;
    BOOL result = TRUE;
    switch (call.kind) {
    case DrawKind::Rectangle: {
        record.hook = "DrvBitBlt";
        record.what = "rectangle";
        auto bitBlt = Hook<PFN_DrvBitBlt>(INDEX_DrvBitBlt);
        if (!(device_.hooks & HOOK_BITBLT) || !bitBlt) {
            record.unhooked = true;
            break;
        }
        RECTL target = Offset(call.rect, offset);
        result = bitBlt(pso, nullptr, nullptr, clip, nullptr, &target, nullptr, nullptr, brush,
                        &brushOrigin, 0xF0F0);
        break;
    }
    case DrawKind::StrokePath: {
        record.hook = "DrvStrokePath";
        record.what = "line or path";
        auto strokePath = Hook<PFN_DrvStrokePath>(INDEX_DrvStrokePath);
        if (!(device_.hooks & HOOK_STROKEPATH) || !strokePath) {
            record.unhooked = true;
            break;
        }
        engine::Path path = EnginePath(call.path, offset);
        result = strokePath(pso, path.get(), clip, identity_.get(), brush, &brushOrigin, &line, copyPen);
        break;
    }
    case DrawKind::FillPath: {
        record.hook = "DrvFillPath";
        record.what = "filled path";
        auto fillPath = Hook<PFN_DrvFillPath>(INDEX_DrvFillPath);
        if (!(device_.hooks & HOOK_FILLPATH) || !fillPath) {
            record.unhooked = true;
            break;
        }
        engine::Path path = EnginePath(call.path, offset);
        result = fillPath(pso, path.get(), clip, brush, &brushOrigin, copyPen, call.fillMode);
        break;
    }
    case DrawKind::StrokeAndFillPath: {
        record.hook = "DrvStrokeAndFillPath";
        record.what = "stroked and filled path";
        auto strokeAndFill = Hook<PFN_DrvStrokeAndFillPath>(INDEX_DrvStrokeAndFillPath);
        if (!(device_.hooks & HOOK_STROKEANDFILLPATH) || !strokeAndFill) {
            record.unhooked = true;
            break;
        }
        engine::Path path = EnginePath(call.path, offset);
        BRUSHOBJ* fill = SolidBrush(DeviceColorOf(call.fillColor));
        result = strokeAndFill(pso, path.get(), clip, identity_.get(), brush, &line, fill,
                               &brushOrigin, copyPen, call.fillMode);
        break;
    }
    case DrawKind::Text: {
        record.hook = "DrvTextOut";
        record.what = "text line";
        auto textOut = Hook<PFN_DrvTextOut>(INDEX_DrvTextOut);
        if (!(device_.hooks & HOOK_TEXTOUT) || !textOut) {
            record.unhooked = true;
            break;
        }
        std::vector<HGLYPH> glyphs;
        for (const char16_t c : call.text)
            glyphs.push_back(call.emPixels > 0 ? RealGlyphHandle(c) : c == u' ' ? 0 : 5 + (c % 5));
        engine::Font& font = FontOf(call);
        engine::String string = engine::LayOutString(
            font, call.text, glyphs, POINTL{call.origin.x - offset.x, call.origin.y - offset.y}, call.textBatch);
        result = textOut(pso, string.get(), font.get(), clip, nullptr, nullptr, brush, nullptr,
                         &brushOrigin, copyPen);
        break;
    }
    case DrawKind::Image: {
        record.what = "image";
        const ImageSpec& image = call.image;
        if (image.width <= 0 || image.height <= 0 ||
            image.pixels.size() != static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height)) {
            result = FALSE;
            record.hook = "EngCreateBitmap";
            break;
        }
        SURFOBJ* source = ImageOf(call);
        if (!source) {
            result = FALSE;
            record.hook = "EngCreateBitmap";
            break;
        }
        engine::Xlate xlate = engine::Xlate::Identity();
        RECTL target = Offset(call.rect, offset);
        RECTL whole{0, 0, image.width, image.height};
        POINTL from{0, 0};
        const bool asIs =
            call.rect.right - call.rect.left == image.width && call.rect.bottom - call.rect.top == image.height;
        if (asIs) {
            record.hook = "DrvCopyBits";
            auto copyBits = Hook<PFN_DrvCopyBits>(INDEX_DrvCopyBits);
            if ((device_.hooks & HOOK_COPYBITS) && copyBits) {
                result = copyBits(pso, source, clip, xlate.get(), &target, &from);
            } else {
                // The band is the engine's own bitmap: it copies the image itself.
                record.engineDrawn = true;
                result = EngCopyBits(pso, source, clip, xlate.get(), &target, &from);
            }
        } else {
            record.hook = "DrvStretchBlt";
            auto stretchBlt = Hook<PFN_DrvStretchBlt>(INDEX_DrvStretchBlt);
            if (!(device_.hooks & HOOK_STRETCHBLT) || !stretchBlt) {
                record.unhooked = true;
            } else {
                result = stretchBlt(pso, source, nullptr, clip, xlate.get(), nullptr, &brushOrigin, &target,
                                    &whole, nullptr, COLORONCOLOR);
            }
        }
        // Without bands the image is drawn once: its bitmap goes now.
        if (!device_.banding) ForgetImage(call);
        break;
    }
    }
    const bool path = call.kind == DrawKind::StrokePath || call.kind == DrawKind::FillPath ||
                      call.kind == DrawKind::StrokeAndFillPath;
    if (record.unhooked && device_.banding && path) {
        record.unhooked = false;
        record.engineDrawn = true;
        result = DrawPathInBand(call, offset, clip, brush);
    }
    if (!record.unhooked) {
        record.result = result;
        record.punted = result == FALSE;
        record.error = static_cast<ULONG>(result) == DDI_ERROR;
    }
    ++report_.drawingCalls;
    if (options_.reportEveryCall || record.punted || record.error || record.unhooked || record.engineDrawn)
        report_.calls.push_back(std::move(record));
}

void Job::ReplayPage(const Page& page, POINTL offset)
{
    for (const DrawCall& call : page.calls) Replay(call, offset);
}

void Job::PrintPage(const Page& page)
{
    DocumentEvent(DOCUMENTEVENT_STARTPAGE);
    auto startPage = Hook<PFN_DrvStartPage>(INDEX_DrvStartPage);
    const BOOL started = startPage ? startPage(device_.pso) : FALSE;
    Note("DrvStartPage", started);
    if (!started) {
        documentFailed_ = true;
        Fail("DrvStartPage");
    }
    if (!device_.banding) {
        ReplayPage(page, POINTL{0, 0});
        DocumentEvent(DOCUMENTEVENT_ENDPAGE);
        auto sendPage = Hook<PFN_DrvSendPage>(INDEX_DrvSendPage);
        const BOOL sent = sendPage ? sendPage(device_.pso) : FALSE;
        Note("DrvSendPage", sent);
        if (!sent) {
            documentFailed_ = true;
            Fail("DrvSendPage");
        }
        return;
    }
    // Banding: the driver hands out band origins and ends the page itself after the last band.
    DocumentEvent(DOCUMENTEVENT_ENDPAGE);
    auto startBanding = Hook<PFN_DrvStartBanding>(INDEX_DrvStartBanding);
    auto nextBand = Hook<PFN_DrvNextBand>(INDEX_DrvNextBand);
    POINTL origin{0, 0};
    if (!startBanding || !nextBand || !startBanding(device_.pso, &origin)) {
        documentFailed_ = true;
        Fail("DrvStartBanding");
        return;
    }
    for (int band = 0; band < 100000; ++band) {
        ReplayPage(page, origin);
        const BOOL ok = nextBand(device_.pso, &origin);
        Note("DrvNextBand", ok);
        if (!ok) {
            documentFailed_ = true;
            Fail("DrvNextBand");
            return;
        }
        if (origin.x == -1) return;
    }
    Fail("DrvNextBand (the page never ended)");
}

void Job::Unload()
{
    DocumentEvent(DOCUMENTEVENT_DELETEDC);
    DisableDevice(device_);
    if (hdc_) gdi::DeleteDeviceContext(hdc_);
    hdc_ = nullptr;
    documentEvent_ = nullptr;
    if (interface_) FreeLibrary(interface_);
    interface_ = nullptr;
    if (module_) {
        if (auto disableDriver = Export<PFN_DrvDisableDriver>(module_, "DrvDisableDriver")) disableDriver();
        FreeLibrary(module_);
    }
    if (printer_) ClosePrinter(printer_);
}

void Job::Run(const std::vector<Page>& pages)
{
    std::u16string printerName = options_.printerName;
    if (!OpenPrinterW(printerName.data(), &printer_, nullptr)) {
        Fail("OpenPrinterW " + Narrow(options_.printerName));
        return;
    }
    if (!LoadInterface()) {
        Unload();
        return;
    }
    DocumentEvent(DOCUMENTEVENT_CREATEDCPRE);
    if (!LoadDriver() || !EnableDevice(device_, options_.devmode)) {
        Unload();
        return;
    }
    DocumentEvent(DOCUMENTEVENT_CREATEDCPOST);
    report_.rasterMode = device_.banding;
    report_.surfaceHooks = device_.hooks;
    report_.gdiInfo = device_.gdi;
    report_.devInfo = device_.dev;

    std::u16string name = options_.documentName;
    DocumentEvent(DOCUMENTEVENT_STARTDOC);
    auto startDoc = Hook<PFN_DrvStartDoc>(INDEX_DrvStartDoc);
    const BOOL started = startDoc ? startDoc(device_.pso, name.data(), options_.jobId) : FALSE;
    Note("DrvStartDoc", started);
    if (!started) {
        Fail("DrvStartDoc");
        Unload();
        return;
    }
    DocumentEvent(DOCUMENTEVENT_STARTDOCPOST);
    for (std::size_t i = 0; i < pages.size(); ++i) {
        page_ = static_cast<int>(i) + 1;
        if (static_cast<int>(i) == options_.resetBeforePage && !ResetDevice()) {
            documentFailed_ = true;
            break;
        }
        PrintPage(pages[i]);
        ForgetImages();
    }
    page_ = 0;
    DocumentEvent(documentFailed_ ? DOCUMENTEVENT_ABORTDOC : DOCUMENTEVENT_ENDDOC);
    auto endDoc = Hook<PFN_DrvEndDoc>(INDEX_DrvEndDoc);
    const BOOL ended = endDoc ? endDoc(device_.pso, documentFailed_ ? ED_ABORTDOC : 0) : FALSE;
    Note("DrvEndDoc", ended);
    if (!ended) Fail("DrvEndDoc");
    if (!documentFailed_) DocumentEvent(DOCUMENTEVENT_ENDDOCPOST);
    report_.completed = report_.failure.empty();
    Unload();
}

}  // namespace

JobReport PrintJob(const JobOptions& options, const std::vector<Page>& pages)
{
    JobReport report;
    Job job(options, report);
    job.Run(pages);
    return report;
}

namespace {

// The drawing calls a surface's hook bits let through to the driver.
struct HookName {
    FLONG bit;
    const char* name;
};
constexpr HookName kHookNames[] = {
    {HOOK_BITBLT, "BitBlt"},
    {HOOK_STRETCHBLT, "StretchBlt"},
    {HOOK_PLGBLT, "PlgBlt"},
    {HOOK_TEXTOUT, "TextOut"},
    {HOOK_PAINT, "Paint"},
    {HOOK_STROKEPATH, "StrokePath"},
    {HOOK_FILLPATH, "FillPath"},
    {HOOK_STROKEANDFILLPATH, "StrokeAndFillPath"},
    {HOOK_LINETO, "LineTo"},
    {HOOK_COPYBITS, "CopyBits"},
    {HOOK_STRETCHBLTROP, "StretchBltROP"},
    {HOOK_TRANSPARENTBLT, "TransparentBlt"},
    {HOOK_ALPHABLEND, "AlphaBlend"},
    {HOOK_GRADIENTFILL, "GradientFill"},
};

}  // namespace

std::string HookNames(FLONG hooks)
{
    std::string names;
    FLONG named = 0;
    for (const HookName& hook : kHookNames) {
        if (!(hooks & hook.bit)) continue;
        names += (names.empty() ? "" : " ") + std::string(hook.name);
        named |= hook.bit;
    }
    if (hooks & ~named) {
        std::ostringstream rest;
        rest << std::hex << (hooks & ~named);
        names += (names.empty() ? "0x" : " 0x") + rest.str();
    }
    return names.empty() ? "none" : names;
}

std::string DescribeReport(const JobReport& report)
{
    std::ostringstream out;
    if (report.surfaceHooks != 0)
        out << "mode: " << (report.rasterMode ? "raster" : "vector") << ", surface hooks 0x" << std::hex
            << report.surfaceHooks << std::dec << " (" << HookNames(report.surfaceHooks) << ")\n";
    std::map<std::string, int> punts, errors, unhooked, engineDrawn;
    int bands = 0;
    for (const HookCall& call : report.calls) {
        if (call.what == "job") {
            if (call.error) out << "failed: " << call.hook << "\n";
            if (call.hook == "DrvNextBand") ++bands;
            continue;
        }
        if (call.punted) ++punts[call.hook];
        if (call.error) ++errors[call.hook];
        if (call.unhooked) ++unhooked[call.hook];
        if (call.engineDrawn) ++engineDrawn[call.what];
    }
    if (report.rasterMode) out << "bands: " << bands << " (the engine replays each page's calls in every band)\n";
    out << "drawing calls: " << report.drawingCalls << "\n";
    for (const auto& [hook, count] : punts) out << "  punted (FALSE): " << hook << " x" << count << "\n";
    for (const auto& [hook, count] : errors) out << "  failed (DDI_ERROR): " << hook << " x" << count << "\n";
    for (const auto& [hook, count] : unhooked) out << "  not hooked by the surface: " << hook << " x" << count << "\n";
    for (const auto& [what, count] : engineDrawn)
        out << "  drawn into the bands by the engine: " << what << " x" << count << "\n";
    out << (report.completed ? "job: completed" : "job: " + report.failure) << "\n";
    return out.str();
}

std::vector<Page> DemoDocument()
{
    // The face name of the machine's text font, which the printer does not hold: its glyphs are downloaded.
    const std::u16string kTextFace = u"DejaVu Sans";
    const ImageSpec picture = RampImage(240, 160);
    PageBuilder first;
    // The page is 600 dpi: a 14-point title (117 pixels to the em) and 10-point lines (83 pixels).
    first.SizedText(POINTL{300, 330}, kTextFace, u"VEXL demonstration page", Rgb(0, 0, 0), 117)
        .SizedText(POINTL{300, 480}, kTextFace, u"Text in a downloaded font", Rgb(0, 0, 0), 83)
        .SizedText(POINTL{300, 620}, u"明朝", u"Text in the printer's Mincho font", Rgb(0, 0, 160), 83)
        .Rectangle(RECTL{300, 700, 1500, 1100}, Rgb(200, 0, 0))
        .Rectangle(RECTL{1700, 700, 2900, 1100}, Rgb(0, 150, 0))
        .Rectangle(RECTL{3100, 700, 4300, 1100}, Rgb(0, 0, 200))
        .Line(POINTL{300, 1300}, POINTL{4300, 1300}, Rgb(0, 0, 0))
        .Line(POINTL{300, 1400}, POINTL{4300, 1900}, Rgb(0, 0, 0), 8)
        .StrokePath(BezierWave(POINTL{300, 2400}, 400, 200, 10), Rgb(0, 0, 0), 4)
        .FillPath(RectanglePath(RECTL{300, 2900, 2000, 3600}), Rgb(255, 200, 0))
        .StrokeAndFillPath(RectanglePath(RECTL{2300, 2900, 4300, 3600}), Rgb(0, 0, 0), Rgb(0, 200, 255), 6)
        .ClipTo(RECTL{300, 3800, 2300, 4800}, 7)
        .Rectangle(RECTL{0, 3700, 4000, 5000}, Rgb(120, 120, 120))
        .NoClip()
        .PatternRectangle(RECTL{2500, 3800, 4300, 4800}, Rgb(0, 0, 160), HatchBrush(HS_DIAGCROSS))
        .ClipToRegion({RECTL{300, 5000, 1300, 6000}, RECTL{1500, 5000, 2500, 6000}}, 8)
        .PatternFillPath(RectanglePath(RECTL{300, 5000, 4300, 6000}), Rgb(0, 0, 0),
                         CheckerBrush({Rgb(255, 0, 0), Rgb(255, 255, 255)}))
        .StrokePath(BezierWave(POINTL{300, 5500}, 400, 300, 10), Rgb(0, 0, 160), 4)
        .SizedText(POINTL{1000, 5800}, kTextFace, u"Text under the clip region", Rgb(255, 255, 255), 83)
        .NoClip()
        .Image(RECTL{300, 6100, 300 + picture.width, 6100 + picture.height}, picture)
        .Image(RECTL{800, 6050, 2000, 6350}, picture)
        .Image(RECTL{3400, 6050, 2200, 6350}, picture);  // mirrored: the destination runs right to left
    PageBuilder second;
    second.SizedText(POINTL{300, 400}, kTextFace, u"Page two", Rgb(0, 0, 0), 117)
        .Rectangle(RECTL{300, 600, 4300, 700}, Rgb(0, 0, 0));
    return {first.Build(), second.Build()};
}

}  // namespace vexl::host
