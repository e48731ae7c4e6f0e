#include "graphics/job_frames.h"

#include <cstring>
#include <vector>

namespace vexl {
namespace {

// A group's text, built whole by the measuring call of the frame writer and
// copied by the writing call.
struct GroupText {
    Pdev* pdev;
    model::CommandGroup group;
    std::vector<char> text;
};

long EmitGroup(void* state, BYTE* buffer)
{
    auto* group = static_cast<GroupText*>(state);
    if (!buffer) {
        if (!graphics::BuildCommandGroupText(group->pdev->context, &group->pdev->jobCommands, group->group,
                                             &group->text)) {
            return -1;
        }
    } else if (!group->text.empty()) {
        std::memcpy(buffer, group->text.data(), group->text.size());
    }
    return static_cast<long>(group->text.size());
}

}  // namespace

BOOL WriteJobStartGroupFrame(Pdev* pdev)
{
    GroupText group{pdev, model::kJobStart, {}};
    return WriteJobStartFrame(pdev->stream, &group, EmitGroup);
}

BOOL WritePageStartGroupFrame(Pdev* pdev)
{
    GroupText group{pdev, model::kPageStart, {}};
    return WritePageStartFrame(pdev->stream, &group, EmitGroup);
}

BOOL WritePageEndGroupFrame(Pdev* pdev)
{
    GroupText group{pdev, model::kPageEnd, {}};
    return WritePageEndFrame(pdev->stream, &group, EmitGroup);
}

}  // namespace vexl
