// INI file bytes through the platform's profile functions: every section,
// key and value read back into buffers of exact sizes, large and small,
// then written, deleted and rewritten. A key written into any file reads
// back as written.
#include "fuzz_support.h"

#include "platform/inifile.h"
#include "platform/machine.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace vexl;

namespace {

constexpr const WCHAR* kFile = u"C:\\WINDOWS\\fuzz.ini";
constexpr DWORD kSmallSizes[] = {1, 2, 3, 5, 8, 17, 64};
constexpr std::size_t kMaxNames = 4;
constexpr DWORD kLarge = 1024;

// A list of names as the profile functions answer it.
std::vector<std::u16string> SplitList(const std::vector<WCHAR>& buffer, DWORD copied)
{
    std::vector<std::u16string> names;
    std::u16string name;
    for (DWORD i = 0; i < copied && i < buffer.size(); ++i) {
        if (buffer[i] == 0) {
            if (name.empty()) break;
            names.push_back(name);
            name.clear();
            if (names.size() == kMaxNames) break;
        } else {
            name.push_back(buffer[i]);
        }
    }
    if (!name.empty() && names.size() < kMaxNames) names.push_back(name);
    return names;
}

// A read into a buffer of exactly size units, so that a write past it is seen.
template <typename Read> std::vector<WCHAR> ReadSized(DWORD size, DWORD* copied, Read read)
{
    std::vector<WCHAR> buffer(size, 0);
    *copied = read(buffer.data(), size);
    if (*copied > size) {
        std::fprintf(stderr, "a profile read answered %u characters for a buffer of %u\n", *copied, size);
        std::abort();
    }
    return buffer;
}

void ReadEverything(DWORD small)
{
    DWORD copied = 0;
    ReadSized(small, &copied, [](WCHAR* b, DWORD n) { return GetPrivateProfileSectionNamesW(b, n, kFile); });
    const std::vector<WCHAR> list =
        ReadSized(kLarge, &copied, [](WCHAR* b, DWORD n) { return GetPrivateProfileSectionNamesW(b, n, kFile); });
    for (const std::u16string& section : SplitList(list, copied)) {
        const WCHAR* app = section.c_str();
        ReadSized(small, &copied, [app](WCHAR* b, DWORD n) { return GetPrivateProfileSectionW(app, b, n, kFile); });
        ReadSized(kLarge, &copied, [app](WCHAR* b, DWORD n) { return GetPrivateProfileSectionW(app, b, n, kFile); });
        ReadSized(small, &copied,
                  [app](WCHAR* b, DWORD n) { return GetPrivateProfileStringW(app, nullptr, u"", b, n, kFile); });
        const std::vector<WCHAR> keys = ReadSized(kLarge, &copied, [app](WCHAR* b, DWORD n) {
            return GetPrivateProfileStringW(app, nullptr, u"", b, n, kFile);
        });
        for (const std::u16string& key : SplitList(keys, copied)) {
            const WCHAR* name = key.c_str();
            ReadSized(small, &copied, [app, name](WCHAR* b, DWORD n) {
                return GetPrivateProfileStringW(app, name, u"default", b, n, kFile);
            });
            ReadSized(kLarge, &copied, [app, name](WCHAR* b, DWORD n) {
                return GetPrivateProfileStringW(app, name, nullptr, b, n, kFile);
            });
            GetPrivateProfileIntW(app, name, -7, kFile);
        }
    }
}

std::u16string ReadValue(const WCHAR* section, const WCHAR* key)
{
    WCHAR value[64] = {};
    GetPrivateProfileStringW(section, key, u"(missing)", value, 64, kFile);
    return value;
}

// A name that a line of the file can carry: no control characters, no
// brackets, no blanks at its ends.
bool IsPlainName(std::u16string_view name)
{
    if (name.empty() || name.front() == u' ' || name.back() == u' ' || name.front() == u';') return false;
    for (char16_t c : name)
        if (c < 0x20 || c == u'[' || c == u']' || c == u'=' || c == 0x7F) return false;
    return true;
}

void CheckWrittenKey(const WCHAR* section, const WCHAR* key, const WCHAR* value)
{
    if (!WritePrivateProfileStringW(section, key, value, kFile) || !IsPlainName(section)) return;
    if (ReadValue(section, key) != value) {
        std::fprintf(stderr, "a written key does not read back\n");
        std::abort();
    }
}

// A whole-file rewrite that puts a section of its own in front of the file's
// bytes as they are: the section's key reads back.
BOOL PutSectionFirst(void* state, const char* bytes, DWORD length, const char** text, DWORD* textLength)
{
    auto* composed = static_cast<std::string*>(state);
    *composed = "[FuzzRewrite]\r\nk=v\r\n";
    composed->append(bytes ? bytes : "", bytes ? length : 0);
    *text = composed->data();
    *textLength = static_cast<DWORD>(composed->size());
    return TRUE;
}

void CheckRewrite()
{
    std::string composed;
    if (!RewriteProfileFile(kFile, PutSectionFirst, &composed)) return;
    if (ReadValue(u"FuzzRewrite", u"k") != u"v") {
        std::fprintf(stderr, "a section rewritten first does not read back\n");
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::UseFuzzMachine();
    fuzz::InputReader input(data, size);
    const DWORD small = kSmallSizes[input.Byte() % std::size(kSmallSizes)];
    machine::WriteFile(kFile, input.Rest());

    ReadEverything(small);
    CheckRewrite();
    CheckWrittenKey(u"FuzzSection", u"FuzzKey", u"value one");
    // The first section and key of the file, changed, deleted and replaced.
    std::vector<WCHAR> list(kLarge, 0);
    const DWORD copied = GetPrivateProfileSectionNamesW(list.data(), kLarge, kFile);
    const std::vector<std::u16string> sections = SplitList(list, copied);
    if (!sections.empty()) {
        const WCHAR* first = sections.front().c_str();
        CheckWrittenKey(first, u"FuzzKey", u"value two");
        WritePrivateProfileStringW(first, u"FuzzKey", nullptr, kFile);
        WritePrivateProfileSectionW(first, u"a=1\0b = \"2\"\0\0", kFile);
        ReadEverything(small);
        WritePrivateProfileStringW(first, nullptr, nullptr, kFile);
    }
    return 0;
}
