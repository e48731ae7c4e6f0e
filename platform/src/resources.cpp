#include "platform/resources.h"
#include "resource_files.h"
#include "storage.h"

#include "platform/kernel.h"
#include "platform/modules.h"
#include "platform/modules_host.h"
#include "platform/windows.h"

#include <elf.h>
#include <time.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace vexl::platform {
namespace {
namespace fs = std::filesystem;

constexpr char kResourceSection[] = ".vexl.rsrc";
constexpr char kResourceMagic[4] = {'V', 'X', 'R', 'S'};
constexpr std::size_t kBlockHeaderSize = 8;
constexpr std::size_t kEntrySize = 16;

std::uint16_t Le16(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
std::uint32_t Le32(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24);
}

// The resources of one file: its block, decoded into strings by id.
struct ResourceFile {
    fs::file_time_type time;
    std::uintmax_t size = 0;
    bool hasResources = false;
    std::map<std::uint32_t, std::u16string> strings;
    std::map<std::pair<std::uint16_t, std::uint32_t>, std::vector<std::uint8_t>> blobs;  // by type and id
};

template <typename T> bool ReadRecord(const std::vector<std::uint8_t>& bytes, std::uint64_t offset, T& record)
{
    if (offset > bytes.size() || bytes.size() - offset < sizeof(T)) return false;
    std::memcpy(&record, bytes.data() + offset, sizeof(T));
    return true;
}

// The bytes of the resource section of a 64-bit ELF file, or nothing.
std::optional<std::vector<std::uint8_t>> FindResourceSection(const std::vector<std::uint8_t>& file)
{
    Elf64_Ehdr header{};
    if (!ReadRecord(file, 0, header) || std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 ||
        header.e_ident[EI_CLASS] != ELFCLASS64 || header.e_shentsize != sizeof(Elf64_Shdr) ||
        header.e_shstrndx >= header.e_shnum) {
        return std::nullopt;
    }
    Elf64_Shdr names{};
    if (!ReadRecord(file, header.e_shoff + std::uint64_t(header.e_shstrndx) * sizeof(Elf64_Shdr), names))
        return std::nullopt;
    for (unsigned i = 0; i < header.e_shnum; ++i) {
        Elf64_Shdr section{};
        if (!ReadRecord(file, header.e_shoff + std::uint64_t(i) * sizeof(Elf64_Shdr), section)) return std::nullopt;
        const std::uint64_t nameAt = std::uint64_t(names.sh_offset) + section.sh_name;
        if (names.sh_offset > file.size() || section.sh_name >= names.sh_size || nameAt >= file.size()) continue;
        const std::size_t room = file.size() - nameAt;
        const char* name = reinterpret_cast<const char*>(file.data() + nameAt);
        if (strnlen(name, room) == room || std::strcmp(name, kResourceSection) != 0) continue;
        if (section.sh_type == SHT_NOBITS || section.sh_offset > file.size() ||
            file.size() - section.sh_offset < section.sh_size) {
            return std::nullopt;
        }
        const auto* start = file.data() + section.sh_offset;
        return std::vector<std::uint8_t>(start, start + section.sh_size);
    }
    return std::nullopt;
}

// Decodes a block; entries that point outside it are skipped.
void DecodeBlock(const std::vector<std::uint8_t>& block, ResourceFile& out)
{
    if (block.size() < kBlockHeaderSize || std::memcmp(block.data(), kResourceMagic, 4) != 0) return;
    const std::uint32_t count = Le32(block.data() + 4);
    if (count > (block.size() - kBlockHeaderSize) / kEntrySize) return;
    out.hasResources = true;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint8_t* entry = block.data() + kBlockHeaderSize + i * kEntrySize;
        const std::uint16_t type = Le16(entry);
        const std::uint32_t id = Le32(entry + 4);
        const std::uint32_t offset = Le32(entry + 8);
        const std::uint32_t size = Le32(entry + 12);
        if (offset > block.size() || block.size() - offset < size) continue;
        out.blobs[{type, id}].assign(block.data() + offset, block.data() + offset + size);
        if (type != RT_STRING || size % 2) continue;
        std::u16string text(size / 2, u'\0');
        for (std::size_t c = 0; c < text.size(); ++c) text[c] = Le16(block.data() + offset + 2 * c);
        out.strings.emplace(id, std::move(text));
    }
}

std::uint64_t CoarseMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1000 + static_cast<std::uint64_t>(now.tv_nsec) / 1000000;
}

// The versions read of one file, the newest last, and the clock tick at
// which the newest was last compared with the file.
struct ResourceFileVersions {
    std::vector<std::unique_ptr<ResourceFile>> versions;
    std::uint64_t checkedTick = 0;
};

// Files read so far, kept for the life of the process: LoadStringW with
// bufferMax 0 hands out pointers into them. A file that changed is read
// again; whether it changed is asked at most once per clock tick.
const ResourceFile* ResourcesOf(const fs::path& hostFile)
{
    static std::mutex lock;
    static auto& cache = *new std::map<fs::path, ResourceFileVersions>;
    const std::uint64_t tick = CoarseMilliseconds();
    std::lock_guard guard(lock);
    ResourceFileVersions& entry = cache[hostFile];
    if (!entry.versions.empty() && entry.checkedTick == tick) return entry.versions.back().get();

    std::error_code error;
    const fs::file_time_type time = fs::last_write_time(hostFile, error);
    if (error) return nullptr;
    const std::uintmax_t size = fs::file_size(hostFile, error);
    if (error) return nullptr;
    entry.checkedTick = tick;
    auto& versions = entry.versions;
    if (!versions.empty() && versions.back()->time == time && versions.back()->size == size)
        return versions.back().get();

    const std::optional<std::string> whole = ReadWholeFile(hostFile);
    if (!whole) return nullptr;
    const std::vector<std::uint8_t> bytes(whole->begin(), whole->end());
    auto file = std::make_unique<ResourceFile>();
    file->time = time;
    file->size = size;
    if (std::optional<std::vector<std::uint8_t>> block = FindResourceSection(bytes)) DecodeBlock(*block, *file);
    versions.push_back(std::move(file));
    return versions.back().get();
}

}  // namespace

const std::vector<std::uint8_t>* FindModuleResource(HMODULE module, std::uint16_t type, std::uint32_t id)
{
    const fs::path hostFile = module ? vexl::modules::HostFile(module) : fs::path();
    const ResourceFile* file = hostFile.empty() ? nullptr : ResourcesOf(hostFile);
    if (!file) return nullptr;
    const auto found = file->blobs.find({type, id});
    return found == file->blobs.end() ? nullptr : &found->second;
}

ResourceMiss WhyNoModuleResource(HMODULE module, std::uint16_t type)
{
    const fs::path hostFile = module ? vexl::modules::HostFile(module) : fs::path();
    const ResourceFile* file = hostFile.empty() ? nullptr : ResourcesOf(hostFile);
    if (!file || !file->hasResources) return ResourceMiss::NoResources;
    const auto first = file->blobs.lower_bound({type, 0});
    return first != file->blobs.end() && first->first.first == type ? ResourceMiss::NoId : ResourceMiss::NoType;
}

}  // namespace vexl::platform

using namespace vexl::platform;

int LoadStringW(HINSTANCE instance, UINT id, LPWSTR buffer, int bufferMax)
{
    if (!buffer || bufferMax < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (bufferMax > 0) buffer[0] = 0;
    const fs::path hostFile = instance ? vexl::modules::HostFile(instance) : fs::path();
    const ResourceFile* file = hostFile.empty() ? nullptr : ResourcesOf(hostFile);
    if (!file || !file->hasResources) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return 0;
    }
    const auto found = file->strings.find(id);
    if (found == file->strings.end()) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return 0;
    }
    const std::u16string& text = found->second;
    if (bufferMax == 0) {
        const WCHAR* start = text.data();
        std::memcpy(buffer, &start, sizeof(start));
        return static_cast<int>(text.size());
    }
    const std::size_t take = text.size() < std::size_t(bufferMax) - 1 ? text.size() : std::size_t(bufferMax) - 1;
    text.copy(buffer, take);
    buffer[take] = 0;
    return static_cast<int>(take);
}

namespace {

// The number a resource name or type stands for: MAKEINTRESOURCEW or "#123".
std::optional<std::uint32_t> ResourceNumber(LPCWSTR name)
{
    if (IS_INTRESOURCE(name)) return static_cast<std::uint32_t>(reinterpret_cast<ULONG_PTR>(name));
    if (name[0] != u'#' || name[1] == 0) return std::nullopt;
    std::uint32_t value = 0;
    for (const WCHAR* c = name + 1; *c; ++c) {
        if (*c < u'0' || *c > u'9' || value > 0xFFFF) return std::nullopt;
        value = value * 10 + static_cast<std::uint32_t>(*c - u'0');
    }
    return value;
}

}  // namespace

HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type)
{
    if (!name || !type) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const std::optional<std::uint32_t> typeNumber = ResourceNumber(type);
    const std::optional<std::uint32_t> id = ResourceNumber(name);
    if (typeNumber && *typeNumber <= 0xFFFF && id) {
        if (const auto* blob = FindModuleResource(module, static_cast<std::uint16_t>(*typeNumber), *id))
            return reinterpret_cast<HRSRC>(const_cast<std::vector<std::uint8_t>*>(blob));
    }
    switch (WhyNoModuleResource(module,
                                typeNumber && *typeNumber <= 0xFFFF ? static_cast<std::uint16_t>(*typeNumber) : 0)) {
    case ResourceMiss::NoResources:
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        break;
    case ResourceMiss::NoType:
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        break;
    case ResourceMiss::NoId:
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        break;
    }
    return nullptr;
}

HGLOBAL LoadResource(HMODULE, HRSRC resource)
{
    if (!resource) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return reinterpret_cast<std::vector<std::uint8_t>*>(resource)->data();
}

LPVOID LockResource(HGLOBAL data)
{
    return data;
}

DWORD SizeofResource(HMODULE, HRSRC resource)
{
    if (!resource) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return static_cast<DWORD>(reinterpret_cast<std::vector<std::uint8_t>*>(resource)->size());
}

BOOL FreeResource(HGLOBAL)
{
    return FALSE;
}
