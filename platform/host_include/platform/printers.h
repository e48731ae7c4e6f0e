// Setting up the spooler of a machine for tests and tools: printers with
// their driver, default DEVMODE, access policy and printer data; forms; jobs;
// spooler calls made to fail; and the count of spooler calls this process
// made. The spooler functions of spooler.h read what these write.
#pragma once

#include "platform/spooler.h"
#include "platform/types.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

VEXL_HOST_FACE_BEGIN
namespace vexl::machine {

// A typed printer-data value: the registry type and the bytes, kept exactly.
struct PrinterData {
    DWORD type = REG_BINARY;
    std::string bytes;

    bool operator==(const PrinterData&) const = default;
};

// Printer-data values by name (names are matched without case by the spooler).
using PrinterDataMap = std::map<std::u16string, PrinterData>;

struct PrinterSetup {
    std::u16string name;        // a connection's name is "\\server\printer"
    std::u16string serverName;  // empty: a local printer; "\\server": a connection
    std::u16string shareName;
    std::u16string portName = u"LPT1:";
    std::u16string driverName;
    std::u16string comment;
    std::u16string location;
    DWORD attributes = PRINTER_ATTRIBUTE_LOCAL;
    DWORD priority = 1;
    DWORD defaultPriority = 0;
    DWORD startTime = 0;
    DWORD untilTime = 0;
    DWORD status = 0;
    std::u16string sepFile;
    std::u16string printProcessor = u"WinPrint";
    std::u16string datatype = u"RAW";
    std::u16string parameters;

    // The driver: its folder (a Windows path) and its files in that folder.
    DWORD driverVersion = 3;
    std::u16string environment = u"Windows NT x86";
    std::u16string driverDirectory = u"C:\\WINDOWS\\system32\\spool\\drivers\\w32x86\\3";
    std::u16string driverFile;  // the graphics library
    std::u16string dataFile;    // the model description file
    std::u16string configFile;  // the printer interface library
    std::u16string helpFile;
    std::vector<std::u16string> dependentFiles;
    std::u16string monitorName;
    std::u16string defaultDataType = u"RAW";

    // The default DEVMODE as bytes (dmSize + dmDriverExtra), or empty for none.
    std::string devmode;

    // Directory service (PRINTER_INFO_7).
    std::u16string objectGuid;
    DWORD dsAction = 0;

    // Access policy.
    bool administrationAllowed = true;
    bool printerDataReadOnly = false;

    PrinterDataMap printerData;
};

struct JobSetup {
    DWORD id = 1;
    std::u16string document;
    std::u16string userName = u"user";
    std::u16string machineName = u"\\\\VEXLHOST";
    std::u16string notifyName;
    std::u16string datatype = u"RAW";
    std::u16string printProcessor = u"WinPrint";
    std::u16string parameters;
    std::u16string statusText;
    DWORD status = 0;
    DWORD priority = 1;
    DWORD position = 1;
    DWORD totalPages = 0;
    DWORD pagesPrinted = 0;
    DWORD size = 0;
    DWORD startTime = 0;
    DWORD untilTime = 0;
    DWORD time = 0;
    SYSTEMTIME submitted{};
    std::string devmode;  // the job's DEVMODE bytes, or empty
};

// Adds the printer, or replaces the one of that name (its jobs and failures go).
// Throws std::invalid_argument for a setup the spooler could not hand out: no
// name, a name too long, or DEVMODE bytes whose header does not match them.
void AddPrinter(const PrinterSetup& setup);
// Answers whether there was such a printer.
bool RemovePrinter(std::u16string_view printer);

// Adds a form of the machine, or replaces the one of that name. The imageable
// area defaults to the whole sheet.
void AddForm(std::u16string_view name, SIZEL size, std::optional<RECTL> imageableArea = std::nullopt,
             DWORD flags = FORM_USER);

// Adds a job to the printer (or replaces the job with that id).
void AddJob(std::u16string_view printer, const JobSetup& job);

// Makes a spooler function ("GetPrinterW", "OpenPrinterW", "GetPrinterDataW",
// ...) fail on this printer with the error, for every process, until cleared.
void SetSpoolerFailure(std::u16string_view printer, std::string_view function, DWORD error);
void ClearSpoolerFailures(std::u16string_view printer);

// Calls of a spooler function made by this process, failed ones included.
unsigned SpoolerCallCount(std::string_view function);
void ResetSpoolerCallCounts();

// Whether the process runs as the spooler (between RevertToPrinterSelf and
// ImpersonatePrinterClient), and a revert that fails from now on.
bool IsSpoolerIdentity();
void SetRevertFailure(bool fail);

// A printer-data value as stored, for assertions.
std::optional<PrinterData> ReadPrinterData(std::u16string_view printer, std::u16string_view valueName);

}  // namespace vexl::machine
VEXL_HOST_FACE_END
