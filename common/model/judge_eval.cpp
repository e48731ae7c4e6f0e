#include "common/model/judge_eval.h"

#include "common/core/items.h"
#include "common/core/memory.h"
#include "common/core/modeldb.h"
#include "common/model/finishing_judges.h"
#include "common/core/item_layout.h"

#include <optional>
#include <vector>

namespace vexl {

namespace {

JudgeHooks g_judgeHooks{};

// Operator codes of judge code.
enum JudgeOperator : std::uint16_t {
    kOpEqual = 1,
    kOpNotEqual = 2,
    kOpAnd = 3,
    kOpOr = 4,
    kOpNot = 5,
    kOpGreater = 6,
    kOpLess = 7,
    kOpGreaterEqual = 8,
    kOpLessEqual = 9,
};

bool IsTextValueType(std::uint32_t code)
{
    switch (code) {
    case 7:
    case 8:
    case 10:
    case 11:
    case 13:
    case 14:
    case 15:
        return true;
    default:
        return false;
    }
}

// A text setting counts by its length in characters.
std::uint32_t TextItemLength(DriverContext* context, const SettingItemDescriptor* item)
{
    const std::uint32_t chars = ItemLength(*item);
    if (chars == 0) return 0;
    std::vector<WCHAR> text(chars, 0);
    GetItemString(context, item, text.data(), chars);
    std::uint32_t length = 0;
    while (length < chars && text[length] != 0) ++length;
    return length;
}

// The value of a setting as a judge sees it; none when the item is unknown.
std::optional<std::uint32_t> JudgeItemValue(DriverContext* context, std::uint16_t itemId)
{
    SettingItemDescriptor* item = FindItem(context, itemId);
    if (!item) return std::nullopt;
    if (itemId >= kFirstFinishingJudge && itemId <= kLastFinishingJudge)
        return g_judgeHooks.computeFinishingJudge ? g_judgeHooks.computeFinishingJudge(context, itemId) : 0;
    if (kModuleJudgeItems.Holds(itemId))
        return g_judgeHooks.evaluateModuleJudge ? g_judgeHooks.evaluateModuleJudge(context, itemId) : 0;
    if (kCoreJudgeItems.Holds(itemId)) return EvaluateCoreJudge(context, itemId);
    if (IsTextValueType(ItemTypeCode(*item))) return TextItemLength(context, item);
    return ReadItemOption(context, item);
}

std::uint32_t Compare(std::uint16_t op, std::uint32_t left, std::uint32_t right)
{
    switch (op) {
    case kOpEqual:
        return left == right;
    case kOpNotEqual:
        return left != right;
    case kOpAnd:
        return left != 0 && right != 0;
    case kOpOr:
        return left != 0 || right != 0;
    case kOpGreater:
        return left > right;
    case kOpLess:
        return left < right;
    case kOpGreaterEqual:
        return left >= right;
    case kOpLessEqual:
        return left <= right;
    default:
        return 0;
    }
}

// The context's stack from the index at which one evaluation began. A push
// past the end or a pop below the start fails the evaluation instead of
// touching memory outside the stack.
class JudgeStack {
public:
    explicit JudgeStack(ContextWorkArea* work) : work_(work), base_(work->judgeStackIndex) {}
    ~JudgeStack() { work_->judgeStackIndex = base_; }

    bool Push(std::uint32_t value)
    {
        if (work_->judgeStackIndex >= kJudgeStackSize) return false;
        work_->judgeStack[work_->judgeStackIndex++] = value;
        return true;
    }
    bool Pop(std::uint32_t* value)
    {
        if (work_->judgeStackIndex <= base_) return false;
        *value = work_->judgeStack[--work_->judgeStackIndex];
        return true;
    }

private:
    ContextWorkArea* work_;
    std::uint16_t base_;
};

}  // namespace

const JudgeHooks& GetJudgeHooks()
{
    return g_judgeHooks;
}
void SetJudgeHooks(const JudgeHooks& hooks)
{
    g_judgeHooks = hooks;
}

std::uint32_t EvaluateJudge(model::BlockOffset code, DriverContext* context)
{
    using namespace model;
    if (code == 0 || !context || !context->compiledModel || !context->workArea || !context->workArea->judgeStack)
        return 0;
    const CompiledModel* block = context->compiledModel;
    JudgeStack stack(context->workArea);
    std::optional<std::uint16_t> lastItem;
    std::uint32_t lastValue = 0;
    for (std::uint64_t at = code; at + kJudgeOpSize <= block->totalSize; at += kJudgeOpSize) {
        const JudgeOpRecord op = ReadJudgeOp(block, static_cast<std::uint32_t>(at));
        std::uint32_t left = 0, right = 0;
        switch (op.kind) {
        case kJudgeItem:
            // Consecutive references to one setting read it once.
            if (lastItem != op.operand) {
                std::optional<std::uint32_t> value = JudgeItemValue(context, op.operand);
                if (!value) return 0;
                lastItem = op.operand;
                lastValue = *value;
            }
            if (!stack.Push(lastValue)) return 0;
            break;
        case kJudgeConstant:
            if (!stack.Push(op.operand)) return 0;
            break;
        case kJudgeOperator:
            if (op.operand == kJudgeEndCode) return stack.Pop(&left) ? left : 0;
            if (op.operand == kOpNot) {
                if (!stack.Pop(&left) || !stack.Push(left == 0)) return 0;
            } else if (op.operand >= kOpEqual && op.operand <= kOpLessEqual) {
                if (!stack.Pop(&right) || !stack.Pop(&left) || !stack.Push(Compare(op.operand, left, right))) return 0;
            }
            break;
        default:
            break;
        }
    }
    return 0;
}

std::uint32_t EvaluateCoreJudge(DriverContext* context, std::uint16_t judgeItemId)
{
    if (judgeItemId != wdmJudgeHookCore00) return 0;
    return (GetItemValue(context, rdmFrontFunc) & 0xFFFF & 0x100) != 0 && GetItemValue(context, rdmAPIUseFlag) == 0 &&
           (GetItemValue(context, rdmJobBinder) & 1) == 0 && (GetItemValue(context, rdmPreviewPrint) & 0xFF) != 0 &&
           (GetItemValue(context, rdmPLInstalled) & 0xFF) != 0;
}

int AllocJudgeStack(DriverContext* context)
{
    if (!context || !context->workArea) return -1;
    ContextWorkArea* work = context->workArea;
    work->judgeStackIndex = 0;
    work->judgeStack = static_cast<std::uint32_t*>(AllocZeroed(kJudgeStackSize * sizeof(std::uint32_t)));
    return work->judgeStack ? 0 : -1;
}

void FreeJudgeStack(DriverContext* context)
{
    if (!context || !context->workArea) return;
    FreeIfNotNull(context->workArea->judgeStack);
    context->workArea->judgeStack = nullptr;
    context->workArea->judgeStackIndex = 0;
}

}  // namespace vexl
