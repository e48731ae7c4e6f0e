// The spooler's state in the machine, shared by the spooler functions and the
// machine API of printers.h:
//
//   <root>/spooler/printers/<name>.printer   one file per printer
//   <root>/spooler/forms                     the machine's forms
//   <root>/spooler/spooler.lock              taken for every change
//   <root>/spooler/generation                the change counter, a shared word
//
// A printer's file name is its name folded to upper case with every byte
// other than A-Z, 0-9, '-' and '_' written as %XX ("\\SRV\P 1" ->
// %5C%5CSRV%5CP%201), so names are matched without case and connections'
// backslashes are safe. Files use the record format of record_file.h; a
// change is read-modify-write under the lock and replaces the file at once.
#pragma once

#include "platform/printers.h"

#include "storage.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexl::platform {

struct SpoolerFailure {
    std::string function;
    DWORD error = 0;
};

struct StoredPrinter {
    machine::PrinterSetup setup;
    std::vector<SpoolerFailure> failures;
    std::vector<machine::JobSetup> jobs;
};

struct StoredForm {
    std::u16string name;
    DWORD flags = FORM_USER;
    SIZEL size{};
    RECTL imageableArea{};
};

// The lock file for changes; empty when the process has no machine.
std::filesystem::path SpoolerLockFile();

// The printer file of a name; empty when the name cannot have one.
std::filesystem::path PrinterFile(std::u16string_view name);

// The printer as stored now, or null when there is none. The record is
// shared with other readers: copy it to change it. The stamp of the file's
// version it was read from goes to version, when that is known.
std::shared_ptr<const StoredPrinter> LoadPrinter(std::u16string_view name,
                                                 std::optional<FileStamp>* version = nullptr);
// Answers 0 or the errno of the failure.
int SavePrinter(const StoredPrinter& printer);
// Writes the printer's new file beside its file and flushes it to disk, for
// CommitPrinterFile. Answers 0 or the errno of the failure.
int PreparePrinterFile(const StoredPrinter& printer, PreparedReplace& replace);
// Puts in place a printer file prepared by PreparePrinterFile from
// the file's version of the given stamp, when that is still the file's; one
// prepared with nothing (the change changed nothing) leaves the file as it
// is. The caller holds the spooler lock. False when the file changed since or
// the rename failed: then nothing is done.
bool CommitPrinterFile(std::u16string_view name, const FileStamp& version, PreparedReplace& replace);
// Removes the printer's file; false when there was none. Every change of a
// printer file goes through SavePrinter or this, so that the other
// processes' parses are dropped.
bool RemovePrinterFile(std::u16string_view name);
// Drops every parse and the counter's mapping: the machine root changed.
void ForgetSpoolerState();

std::vector<StoredForm> LoadForms();
int SaveForms(const std::vector<StoredForm>& forms);

// True when the bytes are one whole DEVMODE: long enough for its header, and
// dmSize + dmDriverExtra is exactly their length.
bool IsWholeDevmode(std::string_view bytes);

// The error a test asked this printer's function to fail with, if any.
std::optional<DWORD> InjectedFailure(const StoredPrinter& printer, std::string_view function);

void CountSpoolerCall(std::string_view function);

}  // namespace vexl::platform
