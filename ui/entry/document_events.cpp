// The document events of the interface library.
#include "ui/entry/document_events.h"

#include "ui/base/job_strings.h"
#include "ui/install/upgrade_check.h"

namespace vexl::ui {

int HandleDocumentEvent(HANDLE printer, HDC hdc, int escape, ULONG, PVOID, ULONG, PVOID)
{
    switch (escape & 0xFFFF) {
    case DOCUMENTEVENT_CREATEDCPRE:
    case DOCUMENTEVENT_CREATEDCPOST:
    case DOCUMENTEVENT_STARTDOCPOST:
        return DOCUMENTEVENT_SUCCESS;
    case DOCUMENTEVENT_STARTDOC:
        CheckPrinterUpgrade(printer);
        SendJobStringsToGraphicsDriver(printer, hdc);
        return DOCUMENTEVENT_SUCCESS;
    case DOCUMENTEVENT_STARTPAGE:
        CheckPrinterUpgrade(printer);
        return DOCUMENTEVENT_SUCCESS;
    default:
        return DOCUMENTEVENT_UNSUPPORTED;
    }
}

}  // namespace vexl::ui
