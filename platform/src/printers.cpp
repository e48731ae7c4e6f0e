// The machine API for the spooler's printers, forms, jobs and injected
// failures (printers.h), over the files of printer_store.h.
#include "platform/printers.h"

#include "printer_store.h"
#include "storage.h"
#include "unicode.h"

#include <cstring>
#include <stdexcept>

namespace vexl::machine {
namespace {

using platform::StoredPrinter;

void Check(int error, const char* what)
{
    if (error != 0) throw std::runtime_error(std::string(what) + ": " + std::strerror(error));
}

// Runs a change of a stored printer under the spooler lock; false when there
// is no such printer.
template <typename Change> bool ChangePrinter(std::u16string_view name, Change change)
{
    platform::FileLock lock(platform::SpoolerLockFile());
    const std::shared_ptr<const StoredPrinter> stored = platform::LoadPrinter(name);
    if (!stored) return false;
    StoredPrinter printer = *stored;
    change(printer);
    Check(platform::SavePrinter(printer), "cannot store the printer");
    return true;
}

void CheckDevmode(const std::string& devmode)
{
    if (!devmode.empty() && !platform::IsWholeDevmode(devmode))
        throw std::invalid_argument("DEVMODE bytes do not match their dmSize + dmDriverExtra");
}

}  // namespace

void AddPrinter(const PrinterSetup& setup)
{
    if (platform::PrinterFile(setup.name).empty())
        throw std::invalid_argument("the printer needs a name of a usable length");
    CheckDevmode(setup.devmode);
    platform::FileLock lock(platform::SpoolerLockFile());
    Check(platform::SavePrinter(StoredPrinter{setup, {}, {}}), "cannot store the printer");
}

bool RemovePrinter(std::u16string_view printer)
{
    if (platform::PrinterFile(printer).empty()) return false;
    platform::FileLock lock(platform::SpoolerLockFile());
    return platform::RemovePrinterFile(printer);
}

void AddForm(std::u16string_view name, SIZEL size, std::optional<RECTL> imageableArea, DWORD flags)
{
    platform::FileLock lock(platform::SpoolerLockFile());
    std::vector<platform::StoredForm> forms = platform::LoadForms();
    const platform::StoredForm form{std::u16string(name), flags, size,
                                    imageableArea.value_or(RECTL{0, 0, size.cx, size.cy})};
    bool replaced = false;
    for (platform::StoredForm& existing : forms) {
        if (platform::EqualNoCase(existing.name, name)) {
            existing = form;
            replaced = true;
        }
    }
    if (!replaced) forms.push_back(form);
    Check(platform::SaveForms(forms), "cannot store the forms");
}

void AddJob(std::u16string_view printer, const JobSetup& job)
{
    CheckDevmode(job.devmode);
    const bool found = ChangePrinter(printer, [&](StoredPrinter& stored) {
        std::erase_if(stored.jobs, [&](const JobSetup& existing) { return existing.id == job.id; });
        stored.jobs.push_back(job);
    });
    if (!found) throw std::invalid_argument("no such printer");
}

void SetSpoolerFailure(std::u16string_view printer, std::string_view function, DWORD error)
{
    const bool found = ChangePrinter(printer, [&](StoredPrinter& stored) {
        std::erase_if(stored.failures, [&](const platform::SpoolerFailure& f) { return f.function == function; });
        stored.failures.push_back({std::string(function), error});
    });
    if (!found) throw std::invalid_argument("no such printer");
}

void ClearSpoolerFailures(std::u16string_view printer)
{
    ChangePrinter(printer, [](StoredPrinter& stored) { stored.failures.clear(); });
}

std::optional<PrinterData> ReadPrinterData(std::u16string_view printer, std::u16string_view valueName)
{
    const std::shared_ptr<const StoredPrinter> stored = platform::LoadPrinter(printer);
    if (!stored) return std::nullopt;
    for (const auto& [name, value] : stored->setup.printerData) {
        if (platform::EqualNoCase(name, valueName)) return value;
    }
    return std::nullopt;
}

}  // namespace vexl::machine
