#include "common/model/constraints.h"

#include "common/core/items.h"
#include "common/model/judge_eval.h"

namespace vexl {

using namespace model;

namespace {

const CompiledModel* ModelOf(const DriverContext* context)
{
    return context ? context->compiledModel : nullptr;
}

BlockOffset ExclusiveOfEntry(DriverContext* context, BlockOffset entry)
{
    return entry ? ReadUiEntry(ModelOf(context), entry).exclusive : 0;
}

}  // namespace

BlockOffset FindExclusiveRecord(std::uint16_t symbolKey, DriverContext* context)
{
    const CompiledModel* model = ModelOf(context);
    for (BlockOffset at = GetFirstExclusive(model); at != 0;) {
        const ExclusiveBlockRecord record = ReadExclusiveRecord(model, at);
        if (record.symbolKey == symbolKey) return at;
        at = record.next;
    }
    return 0;
}

BlockOffset FindOptionRule(DriverContext* context, BlockOffset record, std::uint16_t optionId)
{
    const CompiledModel* model = ModelOf(context);
    if (!record) return 0;
    for (BlockOffset at = ReadExclusiveRecord(model, record).items; at != 0;) {
        const OptionRuleRecord rule = ReadOptionRule(model, at);
        if (rule.optionId == optionId) return at;
        at = rule.next;
    }
    return 0;
}

BlockOffset GetItemExclusiveRecord(std::uint16_t itemId, DriverContext* context)
{
    return ExclusiveOfEntry(context, LookupUiEntry(itemId, context));
}

std::uint32_t EvaluateOptionUnavailable(BlockOffset record, std::uint16_t optionId, DriverContext* context)
{
    if (!record) return 0;
    if (optionId == 0) return EvaluateJudge(ReadExclusiveRecord(ModelOf(context), record).j1, context);
    const BlockOffset rule = FindOptionRule(context, record, optionId);
    return rule ? EvaluateJudge(ReadOptionRule(ModelOf(context), rule).j1, context) : 0;
}

std::uint32_t EvaluateOptionUnavailableStrict(BlockOffset record, std::uint16_t optionId, DriverContext* context)
{
    if (!record) return 1;
    if (optionId == 0) return EvaluateJudge(ReadExclusiveRecord(ModelOf(context), record).j1, context);
    const BlockOffset rule = FindOptionRule(context, record, optionId);
    return rule ? EvaluateJudge(ReadOptionRule(ModelOf(context), rule).j1, context) : 1;
}

std::uint32_t EvaluateOptionRestricted(BlockOffset record, std::uint16_t optionId, DriverContext* context)
{
    if (!record) return 0;
    if (optionId == 0) return EvaluateJudge(ReadExclusiveRecord(ModelOf(context), record).j2, context);
    const BlockOffset rule = FindOptionRule(context, record, optionId);
    return rule ? EvaluateJudge(ReadOptionRule(ModelOf(context), rule).j2, context) : 0;
}

std::uint32_t IsUiOptionUnavailable(BlockOffset entry, std::uint16_t optionId, DriverContext* context)
{
    return EvaluateOptionUnavailable(ExclusiveOfEntry(context, entry), optionId, context);
}

std::uint32_t IsUiOptionRestricted(BlockOffset entry, std::uint16_t optionId, DriverContext* context)
{
    return EvaluateOptionRestricted(ExclusiveOfEntry(context, entry), optionId, context);
}

int IsKeyOptionUnavailable(std::uint16_t symbolKey, std::uint16_t optionId, DriverContext* context)
{
    const BlockOffset record = FindExclusiveRecord(symbolKey, context);
    return record ? static_cast<int>(EvaluateOptionUnavailable(record, optionId, context)) : -1;
}

int IsKeyOptionRestricted(std::uint16_t symbolKey, std::uint16_t optionId, DriverContext* context)
{
    const BlockOffset record = FindExclusiveRecord(symbolKey, context);
    return record ? static_cast<int>(EvaluateOptionRestricted(record, optionId, context)) : -1;
}

int IsItemOptionUnavailableStrict(std::uint16_t itemId, std::uint16_t optionId, DriverContext* context)
{
    const BlockOffset record = GetItemExclusiveRecord(itemId, context);
    return record ? static_cast<int>(EvaluateOptionUnavailableStrict(record, optionId, context)) : -1;
}

std::uint16_t FindFiringAlert(BlockOffset alertList, DriverContext* context)
{
    const CompiledModel* model = ModelOf(context);
    for (BlockOffset at = alertList; at != 0;) {
        const AlertRecordView alert = ReadAlertEntry(model, at);
        if (alert.judge && EvaluateJudge(alert.judge, context)) return alert.messageKey;
        at = alert.next;
    }
    return 0;
}

std::uint16_t GetUiAlertMessage(BlockOffset entry, DriverContext* context)
{
    const BlockOffset record = ExclusiveOfEntry(context, entry);
    return record ? FindFiringAlert(ReadExclusiveRecord(ModelOf(context), record).alerts, context) : 0;
}

std::uint16_t RunTransactList(BlockOffset transactList, DriverContext* context)
{
    const CompiledModel* model = ModelOf(context);
    BlockOffset lastJudge = 0;
    bool lastFalse = false;
    for (BlockOffset at = transactList; at != 0;) {
        const TransactRecordView transact = ReadTransactEntry(model, at);
        bool applies = true;
        if (transact.judge) {
            // An entry with the judge that was just false is skipped unasked.
            if (transact.judge == lastJudge && lastFalse) {
                applies = false;
            } else {
                applies = EvaluateJudge(transact.judge, context) != 0;
            }
        }
        lastJudge = transact.judge;
        lastFalse = !applies;
        if (applies) {
            for (BlockOffset a = transact.actions; a != 0;) {
                const ActionRecordView action = ReadActionEntry(model, a);
                if (action.kind == kActionPage) return action.target;
                if (action.kind == kActionSetting) SetItemModelValue(context, action.target, action.value);
                a = action.next;
            }
        }
        at = transact.next;
    }
    return 0;
}

std::uint16_t RunUiTransacts(BlockOffset entry, DriverContext* context)
{
    const BlockOffset record = ExclusiveOfEntry(context, entry);
    return record ? RunTransactList(ReadExclusiveRecord(ModelOf(context), record).transact1, context) : 0;
}

std::uint16_t RunKeyTransacts(std::uint16_t symbolKey, std::uint32_t /*unused*/, DriverContext* context)
{
    const BlockOffset record = FindExclusiveRecord(symbolKey, context);
    return record ? RunTransactList(ReadExclusiveRecord(ModelOf(context), record).transact1, context) : 0;
}

}  // namespace vexl
