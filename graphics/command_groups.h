// The job command groups: the JobStart, PageStart and PageEnd blocks of the
// compiled model turned into the 8-bit text (PJL lines) that stands around a
// job and each page, for the current settings of a context.
//
// Every group runs in two passes: first without a buffer, to measure, then
// with a buffer of the measured size, to write. Both passes give the same
// count. The writer never writes past the buffer it is given: a group whose
// second pass would not fit fails.
#pragma once

#include "common/core/context.h"
#include "common/model/compiled_model.h"
#include "platform/win32.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vexl::graphics {

// Rows of the option-text table: the option texts of a job, reloaded from
// the UI resource library by their string ids when the option is emitted.
inline constexpr int kOptionTextRows = 3;
inline constexpr int kOptionTextChars = 261;
struct OptionTextRow {
    std::uint16_t optionId;
    std::uint16_t stringId;
    WCHAR text[kOptionTextChars];
};

// One chapter as the chapter lines read it.
struct ChapterEntry {
    std::int16_t page;
    std::int16_t tray;
    std::uint8_t kind;   // 0 to 3; 3: a page range
    std::uint8_t print;  // 0, 1 or 2
    WCHAR pageRange[16];
};
// Reads chapter index (0-based) of the context; false when there is none.
using ChapterReader = bool (*)(DriverContext* context, int index, ChapterEntry* out);

// The per-job state of the group interpreter; a Pdev embeds it. Start it
// with InitJobCommandState.
struct JobCommandState {
    OptionTextRow optionTexts[kOptionTextRows];
    // Where the chapter lines read the chapters; null: the job has none.
    ChapterReader readChapter;
};
// Starts the option texts and reads the chapters of the context's chapter
// list (ReadStoredChapter).
void InitJobCommandState(JobCommandState* job);
bool ReadStoredChapter(DriverContext* context, int index, ChapterEntry* out);

// Where an emitter writes: a buffer of capacity bytes, or none (measure).
struct CommandSink {
    char* buffer = nullptr;
    std::int32_t capacity = 0;
    std::int32_t count = 0;
    bool overflow = false;

    void Put(std::string_view bytes);
};

// Results of the runners.
inline constexpr int kGroupFailed = -1;

// "@PJL SET " name " = " value " \r\n".
void WritePjlSetLine(std::string_view name, std::string_view value, CommandSink* sink);
// The before text, the text and the after text, each when present.
void EmitWithOptionCommand(DriverContext* context, model::BlockOffset optionCommand, std::string_view text,
                           bool hasText, CommandSink* sink);

// A block, a list of statements, a whole group. -1 when a statement names an
// item or UI entry that does not exist, or has a kind the interpreter does
// not know; the whole group fails then.
int RunCommandBlock(DriverContext* context, JobCommandState* job, model::BlockOffset block, CommandSink* sink);
int RunCommandList(DriverContext* context, JobCommandState* job, model::BlockOffset first, CommandSink* sink);

// One pass over a group. Without a buffer it measures: -1 on failure, else 0,
// or 1 when it counted at least one byte. With a buffer it writes: -1 on
// failure (also when the text does not fit), else the last statement's
// result. *count receives the bytes counted or written.
int RunCommandGroup(DriverContext* context, JobCommandState* job, model::BlockOffset block, char* buffer,
                    std::int32_t capacity, std::int32_t* count);
int RunJobStartGroup(DriverContext* context, JobCommandState* job, char* buffer, std::int32_t capacity,
                     std::int32_t* count);
int RunPageStartGroup(DriverContext* context, JobCommandState* job, char* buffer, std::int32_t capacity,
                      std::int32_t* count);
int RunPageEndGroup(DriverContext* context, JobCommandState* job, char* buffer, std::int32_t capacity,
                    std::int32_t* count);

// Both passes into out: the group's bytes (possibly none). FALSE when the
// group fails; out is then empty. This is what the frame writer calls.
BOOL BuildCommandGroupText(DriverContext* context, JobCommandState* job, model::CommandGroup group,
                           std::vector<char>* out);

// One group of one context, in the shape of the frame writer's emitter: the
// frame writer calls EmitCommandGroupText(&emission, nullptr) to measure,
// then with a buffer of at least the measured size to write. Answers the
// length, or -1 when the group fails. The write pass never writes more than
// the measure counted.
struct GroupEmission {
    DriverContext* context;
    JobCommandState* job;
    model::CommandGroup group;
    std::int32_t measured;  // left by the measuring call
};
long EmitCommandGroupText(void* emission, BYTE* buffer);

}  // namespace vexl::graphics
