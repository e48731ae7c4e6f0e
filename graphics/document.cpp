// DrvStartDoc, DrvStartPage, DrvSendPage and DrvEndDoc. A job's byte
// stream is: the JobStart command group once per document (and again after
// a reset of the device context) and the job-name line on the first page;
// per page the PageStart group, the page's display list and the PageEnd
// group.
#include "graphics/document.h"

#include "common/core/item_ids.h"
#include "common/core/items.h"
#include "common/core/modeldb.h"
#include "common/storage/devmode_settings_merge.h"
#include "common/storage/directories.h"
#include "common/storage/ini.h"
#include "graphics/clip_cache.h"
#include "graphics/job_frames.h"
#include "graphics/device_code.h"
#include "graphics/glyph_cache.h"
#include "graphics/job_info.h"

#include <cstring>
#include <string_view>

namespace vexl {
namespace {

constexpr DWORD kPathBufferChars = 4096;

std::size_t TextLength(const WCHAR* text, std::size_t limit)
{
    std::size_t length = 0;
    while (length < limit && text[length]) ++length;
    return length;
}

// An export of the spool library as the function type it has.
template <typename Function> Function SpoolEntry(HMODULE module, const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// A spool library entry point looked up at the call; a missing one is skipped.
void CallSpoolEntry(const Pdev* pdev, const char* name)
{
    if (!pdev->stream.spool.module) return;
    auto entry = SpoolEntry<DrvSplJobFn>(pdev->stream.spool.module, name);
    if (entry) entry(pdev->stream.spool.job);
}

bool IsBinderFirstPage(const Pdev* pdev)
{
    return pdev->jobBinder && pdev->pageCount == 1;
}

void FreeJobName(Pdev* pdev)
{
    if (pdev->jobName) PdevPoolFree(pdev->pool, pdev->jobName);
    pdev->jobName = nullptr;
    pdev->jobNameLength = 0;
}

// The print method the settings INI has for the printer.
std::uint32_t StoredPrintMethod(DriverContext* context)
{
    SettingItemDescriptor* item = FindItem(context, rdmPrnMethod);
    const WCHAR* key = item && item->key ? item->key : u"PrnMethod";
    return static_cast<std::uint32_t>(ReadIniInt(GetPrinterSectionName(context), key, 0, GetSettingsIniPath(context)));
}

// PATH gains the directory once: a PATH that has it anywhere stays as it is.
BOOL AddDirectoryToPath(Pdev* pdev, std::u16string_view directory)
{
    WCHAR fixed[kPathBufferChars];
    DWORD length = GetEnvironmentVariableW(u"PATH", fixed, kPathBufferChars);
    WCHAR* path = fixed;
    WCHAR* pooled = nullptr;
    if (length >= kPathBufferChars || length + directory.size() + 1 >= kPathBufferChars) {
        // A long PATH is read again into a buffer of its own size.
        const DWORD needed = length >= kPathBufferChars ? length : length + 1;
        const std::size_t bytes = (std::size_t{needed} + directory.size()) * 2 + 4;
        pooled = static_cast<WCHAR*>(PdevPoolAlloc(pdev->pool, bytes));
        if (!pooled) return FALSE;
        length = GetEnvironmentVariableW(u"PATH", pooled, needed + 1);
        if (length > needed) length = 0;
        pooled[length] = 0;
        path = pooled;
    }
    if (length == 0) path[0] = 0;
    const std::u16string_view current(path, length);
    if (current.find(directory) == std::u16string_view::npos) {
        std::size_t at = length;
        if (at > 0) path[at++] = u';';
        directory.copy(path + at, directory.size());
        path[at + directory.size()] = 0;
        SetEnvironmentVariableW(u"PATH", path);
    }
    if (pooled) PdevPoolFree(pdev->pool, pooled);
    return TRUE;
}

// The spool library is bound once per document; a library that cannot take
// the job's bytes is refused, so that no job is thrown away unseen.
BOOL BindSpoolLibrary(Pdev* pdev, DWORD jobId)
{
    WCHAR path[MAX_PATH];
    if (!AppendDriverDirToPath(pdev, pdev->printer, path)) return FALSE;
    const HMODULE module = LoadLibraryW(path);
    if (!module) return FALSE;
    auto writePrinter = SpoolEntry<DrvSplWritePrinterFn>(module, "DrvSplWritePrinter");
    if (!writePrinter) {
        FreeLibrary(module);
        SetLastError(ERROR_PROC_NOT_FOUND);
        return FALSE;
    }
    SpoolBinding& spool = pdev->stream.spool;
    spool.module = module;
    spool.writePrinter = writePrinter;
    spool.job = nullptr;
    auto startDoc = SpoolEntry<DrvSplStartDocFn>(module, "DrvSplStartDocEx");
    if (!startDoc) startDoc = SpoolEntry<DrvSplStartDocFn>(module, "DrvSplStartDoc");
    if (startDoc) spool.job = startDoc(pdev->printer, jobId);
    return TRUE;
}

// The spooler's document name of the job, read into the pool; null without one.
JOB_INFO_2W* ReadJobRecord(Pdev* pdev)
{
    DWORD needed = 0;
    GetJobW(pdev->printer, pdev->jobId, 2, nullptr, 0, &needed);
    if (needed < sizeof(JOB_INFO_2W)) return nullptr;
    auto* record = static_cast<JOB_INFO_2W*>(PdevPoolAlloc(pdev->pool, needed));
    if (!record) return nullptr;
    if (!GetJobW(pdev->printer, pdev->jobId, 2, reinterpret_cast<LPBYTE>(record), needed, &needed)) {
        PdevPoolFree(pdev->pool, record);
        return nullptr;
    }
    return record;
}

// The job name as device text in the pool. Without memory the document has no job name.
void KeepJobName(Pdev* pdev, const WCHAR* name)
{
    FreeJobName(pdev);
    const std::size_t chars = TextLength(name, kMaxJobNameChars);
    const std::size_t bytes = 2 * chars + 2;
    auto* text = static_cast<char*>(PdevPoolAlloc(pdev->pool, bytes));
    if (!text) return;
    const std::size_t written = ToDeviceCode(text, bytes - 1, name, 2 * chars, kDeviceCodeMode);
    text[written] = 0;
    pdev->jobName = text;
    pdev->jobNameLength = static_cast<SHORT>(written);
}

BOOL WriteJobNameFrame(Pdev* pdev)
{
    const auto length = static_cast<std::uint32_t>(pdev->jobNameLength);
    OutputStream& stream = pdev->stream;
    return WriteFrameHeader(stream, kFrameJobStart, length + kJobNameFrameExtra) &&
           WriteToSpool(stream, kJobNamePrefix, sizeof kJobNamePrefix - 1) &&
           WriteToSpool(stream, pdev->jobName, length) &&
           WriteToSpool(stream, kJobNameSuffix, sizeof kJobNameSuffix - 1);
}

// The job's bytes after a failed write are never sent: what the page has
// buffered is dropped.
void DropDisplayList(Pdev* pdev)
{
    FreeStreamBlocks(pdev->stream);
    ResetOutputStream(pdev->stream);
}

}  // namespace

BOOL AppendDriverDirToPath(Pdev* pdev, HANDLE printer, WCHAR* out)
{
    DWORD needed = 0;
    GetPrinterDriverW(printer, nullptr, 2, nullptr, 0, &needed);
    if (needed < sizeof(DRIVER_INFO_2W)) return FALSE;
    auto* info = static_cast<DRIVER_INFO_2W*>(PdevPoolAlloc(pdev->pool, needed));
    if (!info) return FALSE;
    BOOL read = GetPrinterDriverW(printer, nullptr, 2, reinterpret_cast<LPBYTE>(info), needed, &needed);
    const WCHAR* driverPath = read ? info->pDriverPath : nullptr;
    const std::size_t pathLength = driverPath ? TextLength(driverPath, kMaxDriverPathChars + 1) : 0;
    if (!driverPath || pathLength > kMaxDriverPathChars) {
        PdevPoolFree(pdev->pool, info);
        return FALSE;
    }
    std::memcpy(out, driverPath, pathLength * sizeof(WCHAR));
    out[pathLength] = 0;
    PdevPoolFree(pdev->pool, info);

    const std::u16string_view file(out, pathLength);
    const std::size_t slash = file.rfind(u'\\');
    if (slash == std::u16string_view::npos) return FALSE;
    out[slash] = 0;
    if (!AddDirectoryToPath(pdev, std::u16string_view(out, slash))) return FALSE;

    const WCHAR* library = pdev->spoolLibraryName;
    const std::size_t libraryLength = library ? TextLength(library, MAX_PATH) : 0;
    if (libraryLength == 0 || slash + 1 + libraryLength >= MAX_PATH) return FALSE;
    out[slash] = u'\\';
    std::memcpy(out + slash + 1, library, libraryLength * sizeof(WCHAR));
    out[slash + 1 + libraryLength] = 0;
    return TRUE;
}

BOOL DrvStartDoc(SURFOBJ* surface, LPWSTR documentName, DWORD jobId)
{
    Pdev* pdev = ValidPdevOfSurface(surface);
    if (!pdev) return FALSE;
    if (jobId != 0) pdev->jobId = jobId;
    ReadJobInfoAtStartDoc(pdev->context, pdev->devmodeCopy, kMergeStartDoc, pdev->printer, pdev->jobId);
    pdev->apiUseFlag = GetItemValue(pdev->context, rdmAPIUseFlag);
    if (GetItemValue(pdev->context, rdmPrnMethod) != StoredPrintMethod(pdev->context) &&
        !MergeDevmodeSettings(pdev->context, nullptr, kMergeStartDoc)) {
        return FALSE;
    }
    const bool reset = (pdev->flags & kPdevResetInProgress) != 0;
    if (!reset && !BindSpoolLibrary(pdev, jobId)) return FALSE;
    pdev->flags |= kPdevDocumentOpen;
    if (!reset) {
        pdev->pageCount = 0;
        pdev->flags &= ~kPdevPageOpen;
        FreeJobName(pdev);
    }
    JOB_INFO_2W* job = pdev->emfSpoolOutput ? ReadJobRecord(pdev) : nullptr;
    const WCHAR* name = documentName;
    if (job && job->pDocument && job->pDocument[0]) name = job->pDocument;
    if (name) KeepJobName(pdev, name);
    if (job) PdevPoolFree(pdev->pool, job);
    return TRUE;
}

BOOL DrvStartPage(SURFOBJ* surface)
{
    Pdev* pdev = ValidPdevOfSurface(surface);
    if (!pdev) return FALSE;
    pdev->pageStarted = 1;
    CallSpoolEntry(pdev, "DrvSplStartPage");
    if (pdev->flags & kPdevOutputFailed) return FALSE;
    if (pdev->flags & kPdevPageOpen) return TRUE;
    pdev->flags |= kPdevPageOpen;
    ++pdev->pageCount;

    OutputStream& stream = pdev->stream;
    if (pdev->pageCount == 1 || (pdev->flags & kPdevResetInProgress)) {
        pdev->flags &= ~kPdevResetInProgress;
        ResetOutputStream(stream);
        if (!WriteJobStartGroupFrame(pdev)) return FALSE;
        if (pdev->pageCount == 1 && pdev->jobName && pdev->jobNameLength > 0 && !WriteJobNameFrame(pdev)) return FALSE;
    }
    const bool pageData = !IsBinderFirstPage(pdev);
    if (pageData && !WritePageStartGroupFrame(pdev)) return FALSE;
    InvalidateClipCache(pdev->clipCache);
    InvalidateStateCaches(pdev->states);
    if (pageData && !EmitPageBeginRecord(stream, pdev->paper.printableWidthDots, pdev->paper.printableLengthDots,
                                         pdev->resolution)) {
        return FALSE;
    }
    return TRUE;
}

BOOL DrvSendPage(SURFOBJ* surface)
{
    Pdev* pdev = ValidPdevOfSurface(surface);
    if (!pdev) return FALSE;
    ClearGlyphCache(pdev);
    CallSpoolEntry(pdev, "DrvSplEndPage");
    if (pdev->flags & kPdevOutputFailed) {
        DropDisplayList(pdev);
        return FALSE;
    }
    OutputStream& stream = pdev->stream;
    const bool pageData = !IsBinderFirstPage(pdev);
    if (pageData && !EmitPageEndRecord(stream)) return FALSE;
    if (!FlushOutputStream(stream)) return FALSE;
    if (pageData && !WritePageEndGroupFrame(pdev)) return FALSE;
    if (!(pdev->flags & kPdevPageOpen)) ++pdev->pageCount;
    pdev->flags &= ~kPdevPageOpen;
    return TRUE;
}

BOOL DrvEndDoc(SURFOBJ* surface, FLONG)
{
    Pdev* pdev = ValidPdevOfSurface(surface);
    if (!pdev) return FALSE;
    SpoolBinding& spool = pdev->stream.spool;
    if (spool.module) {
        CallSpoolEntry(pdev, "DrvSplEndDoc");
        CallSpoolEntry(pdev, "DrvSplClose");
        if (FreeLibrary(spool.module)) {
            spool.module = nullptr;
            spool.writePrinter = nullptr;
        }
    }
    FreeJobName(pdev);
    pdev->flags &= ~(kPdevDocumentOpen | kPdevResetInProgress);
    return TRUE;
}

}  // namespace vexl
