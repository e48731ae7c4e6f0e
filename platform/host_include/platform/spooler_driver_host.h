// The host face of spooler_driver.h: the spooler's calls of the printer interface library as a test
// makes them. For tests, host/ and the tools; the libraries never see it.
#pragma once

#include "platform/spooler_driver.h"

#include <string>
#include <vector>

VEXL_HOST_FACE_BEGIN
namespace vexl::spooler {

// A DEVMODE of another version converted by the printer's library
// (DrvConvertDevMode CDM_CONVERT) into a buffer of target bytes whose
// header names the target sizes (dmSize, dmDriverExtra, versions as given).
// The converted bytes, empty when the library refused.
std::vector<std::uint8_t> ConvertDevmode(const std::u16string& printerName, const DEVMODEW* in,
                                         const DEVMODEW& targetHeader);

// The job check at submission (DevQueryPrintEx): TRUE when the job may
// print; error holds the library's text when it refused with one.
BOOL CheckJob(HANDLE printer, DEVMODEW* job, std::u16string* error);

// DrvUpgradePrinter level 1 for the printer after its driver was replaced.
BOOL UpgradePrinterDriver(const std::u16string& printerName, const std::u16string& oldDriverDirectory);

}  // namespace vexl::spooler
VEXL_HOST_FACE_END
