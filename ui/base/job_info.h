// The interface library's client of the job-control plug-in: the
// job-information table with its mask bits, the named requests, the
// notification and locale calls over an open connection, the job-information
// settings in printer data, and the install-time synchronisation.
#pragma once

#include "common/core/context.h"
#include "platform/win32.h"

#include <cstdint>

namespace vexl::ui {

struct JobInfoRow {
    std::uint32_t id;
    std::uint32_t maskBit;
    std::uint16_t item;  // 0: the id has no setting
};
// The fourteen rows in table order.
const JobInfoRow* GetJobInfoTable(int* count);

inline constexpr std::uint32_t kJobInfoUserCodeMask = 0x1;
inline constexpr std::uint32_t kJobInfoDriverMask = 0x700;  // family, version and language

void RegisterJobControlPrinter(DriverContext* context);
void OpenJobInfoSession(DriverContext* context);
void CloseJobInfoSession(DriverContext* context);
void RequestReadJobInfoItems(DriverContext* context, std::uint32_t mask);
void WriteJobInfoItems(DriverContext* context, std::uint32_t mask);
void ClearJobInfoItems(DriverContext* context, std::uint32_t mask);
// The plug-in's notify entry with (connection, code) and its answer; 0 and no
// call without an open connection.
int NotifyJobInfoPlugin(DriverContext* context, int code);
// The locale entry with {8, primary language, LANGID} of rdmLanguageID; no
// call without an open connection.
void SendJobInfoLocale(DriverContext* context);

// The settings of the mask's rows to or from printer data under their item
// names (rows without a setting are skipped); 0.
int LoadJobInfoItemsFromPrinterData(DriverContext* context, std::uint32_t mask);
int StoreJobInfoItems(DriverContext* context, std::uint32_t mask);
// Empties the settings of the mask's rows.
void EmptyJobInfoSettings(DriverContext* context, std::uint32_t mask);

// TRUE when the plug-in opens a connection for the printer (which is closed
// again at once); FALSE without the plug-in or when it refuses.
BOOL ProbeJobControlConnection(DriverContext* context);
// The print server's user code for a local printer whose data says it uses
// one; else the user code of the per-user settings.
BOOL ReadServerUserCode(DriverContext* context);
// With a server user code in use, rdmUserCode := that code and the plug-in
// is told; 1.
int LoadUserCodeFromPrinterData(DriverContext* context);
// A printer the plug-in does not know yet is registered with its user code;
// then the driver's family, version and language are written.
void SyncJobControlAtInstall(DriverContext* context);

}  // namespace vexl::ui
