// The job information a document starts with.
#include "graphics/job_info.h"

#include "common/core/appservices.h"
#include "common/core/item_ids.h"
#include "common/core/items.h"
#include "common/core/modeldb.h"
#include "common/storage/devmode_settings_merge.h"

namespace vexl {
namespace {

// The job strings that follow a job from one context to another.
constexpr std::uint16_t kJobStringItems[] = {
    rdmUserCode, rdmOwnerName, rdmJOBPassword, rdmUserID, rdmDocumentName, rdmTelNo, rdmTelLine, rdmStoredPassword,
};
constexpr std::uint16_t kAuthenticationItems[] = {
    wdmAuthenticationUserName,
    wdmAuthenticationNetworkKey,
    wdmAuthenticationPassword,
};

void CopyItem(DriverContext* to, DriverContext* from, std::uint16_t id)
{
    SettingItemDescriptor* source = FindItem(from, id);
    if (!source) return;
    switch (ItemTypeCode(*source)) {
    case kValueRaw:
    case kValueAnsiText:
    case kValueWideText:
    case kValueAnsiText2:
    case kValueWideText2:
        if (const std::uint8_t* bytes = GetItemAddress(from, source)) SetItemBytes(to, id, bytes, ItemLength(*source));
        break;
    default:
        SetItemValue(to, id, ReadItemValue(from, source));
        break;
    }
}

}  // namespace

int ReadJobInfoAtStartDoc(DriverContext* context, const DEVMODEW* devmodeCopy, std::uint32_t flags, HANDLE, DWORD)
{
    MergeDevmodeSettings(context, devmodeCopy, flags);
    return 1;
}

void CopyJobStrings(DriverContext* to, DriverContext* from)
{
    for (std::uint16_t id : kJobStringItems) CopyItem(to, from, id);
    if (IsFeatureClassOn(from, kFeatureAuthJobValues, 0)) {
        for (std::uint16_t id : kAuthenticationItems) CopyItem(to, from, id);
    }
}

}  // namespace vexl
