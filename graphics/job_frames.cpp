#include "graphics/job_frames.h"

namespace vexl {
namespace {

graphics::GroupEmission Emission(Pdev* pdev, model::CommandGroup group)
{
    return graphics::GroupEmission{pdev->context, &pdev->jobCommands, group, 0};
}

}  // namespace

BOOL WriteJobStartGroupFrame(Pdev* pdev)
{
    graphics::GroupEmission emission = Emission(pdev, model::kJobStart);
    return WriteJobStartFrame(pdev->stream, &emission, graphics::EmitCommandGroupText);
}

BOOL WritePageStartGroupFrame(Pdev* pdev)
{
    graphics::GroupEmission emission = Emission(pdev, model::kPageStart);
    return WritePageStartFrame(pdev->stream, &emission, graphics::EmitCommandGroupText);
}

BOOL WritePageEndGroupFrame(Pdev* pdev)
{
    graphics::GroupEmission emission = Emission(pdev, model::kPageEnd);
    return WritePageEndFrame(pdev->stream, &emission, graphics::EmitCommandGroupText);
}

}  // namespace vexl
