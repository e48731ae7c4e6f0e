/* The Exc interface of the settings library TZ16E140.DLL: exclusive
   handles through which an application checks the "@PJL SET" lines of a
   print job against the printer model's constraints.

   Typical use:
     EXCHANDLE h = ExcGetExclusive("Office printer");
     int32_t needed = 0;
     int r = ExcSetCommandBase(h, base, &needed);   base: the job's lines
     if (r == 1) { char* change = malloc(needed);
                   ExcGetCommandChange(h, needed, change, &needed); }
     r = ExcUpdateCommand(h, "@PJL SET TRAY = TRAY2 \r\n", &needed);
     ...
     ExcFreeExclusive(h);

   Lines have the form "@PJL SET NAME = VALUE \r\n": the words "@PJL",
   "SET", the name, "=" and the value are separated by blanks (space or
   tab; the blanks after "=" and before CR LF may be left out), the value
   is one word without blanks, and every line ends with CR LF. A base text
   must name APLPAGESIZE, APLPAGELAYOUT, PAPER and TRAY.

   Results: EXC_DONE (also when there is nothing to report), EXC_MORE (the
   buffer is too small, the needed size is in the last argument; for
   ExcSetCommandBase and ExcUpdateCommand: a change text waits),
   EXC_FAILED (a handle that is NULL, freed or never issued, no memory, a
   printer that cannot be opened, a malformed line), EXC_NO_BASE (the base
   text is missing or lacks a required variable).

   Buffers: the last argument (needed, may be NULL) receives the bytes the
   output needs, terminators included; a size below that copies nothing
   and answers EXC_MORE; a NULL buffer with size 0 asks for the size only.
   Lists are zero-terminated words followed by one more terminator. Text is
   8-bit ANSI. A handle must not be used by two threads at the same time;
   different handles are independent. */
#pragma once

#include <stdint.h>

#ifndef VEXL_CALL
#define VEXL_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef struct VexlExclusive* EXCHANDLE;
/* The 156-byte ANSI DEVMODE: device name char[32] at 0, dmSpecVersion 32,
   dmDriverVersion 34, dmSize 36 (156), dmDriverExtra 38, dmFields 40, the
   printer fields from dmOrientation 44 to dmCollate 68, form name char[32]
   at 70, dmLogPixels 102 and the rest of the record to 156; the driver's
   private part follows it. */
typedef struct DEVMODEA DEVMODEA;

#define EXC_DONE 0
#define EXC_MORE 1
#define EXC_FAILED (-1)
#define EXC_NO_BASE (-2)

/* ExcGetDriverDevmode: the only request, the driver's default settings. */
#define EXC_DEVMODE_DEFAULTS 1
/* The size of a DEVMODEA with the driver's private part. */
#define EXC_DRIVER_DEVMODE_SIZE 1172
#define EXC_DEVMODEA_SIZE 156

/* ExcGetWaterMarkList kinds. */
#define EXC_WATERMARK_TEXT 0
#define EXC_WATERMARK_IMAGE 1

/* Opens a handle on the printer; NULL on failure. */
EXCHANDLE ExcGetExclusive(const char* printerName);
/* Frees the handle; NULL and unknown handles are ignored. */
void ExcFreeExclusive(EXCHANDLE handle);
/* Evaluates the base text from the printer's stored settings: EXC_MORE
   when the model changes lines (needed: the change text's size). */
int ExcSetCommandBase(EXCHANDLE handle, const char* baseText, int32_t* needed);
/* Changes one variable of the base text (the first line of line is read);
   a variable the base text did not name changes nothing (EXC_DONE). */
int ExcUpdateCommand(EXCHANDLE handle, const char* line, int32_t* needed);
/* The base text as rebuilt with the values taken. */
int ExcGetCommandBase(EXCHANDLE handle, int32_t size, char* buffer, int32_t* needed);
/* The lines the caller must change besides its request; delivered once. */
int ExcGetCommandChange(EXCHANDLE handle, int32_t size, char* buffer, int32_t* needed);
/* The values a settable variable may take; with check only those the model
   takes without changing another line. */
int ExcGetCommandValue(EXCHANDLE handle, const char* name, int32_t check, int32_t size, char* buffer, int32_t* needed);
/* The options of a printer-side variable allowed now. */
int ExcGetPrinterOption(EXCHANDLE handle, const char* name, int32_t size, char* buffer, int32_t* needed);
/* The current value of a printer-side variable, one zero-terminated text. */
int ExcGetPrinterValue(EXCHANDLE handle, const char* name, int32_t size, char* buffer, int32_t* needed);
/* The lines of every watermark of the kind, one zero-terminated block per
   watermark, the list ended by an empty block. */
int ExcGetWaterMarkList(EXCHANDLE handle, int32_t kind, int32_t size, char* buffer, int32_t* needed);
/* The driver's default DEVMODE of the printer in the ANSI layout
   (EXC_DRIVER_DEVMODE_SIZE bytes); flags must be EXC_DEVMODE_DEFAULTS. */
int ExcGetDriverDevmode(const char* printerName, uint32_t flags, int32_t size, DEVMODEA* buffer, int32_t* needed);
/* The path of the printer's settings INI file. */
int ExcGetIniFileName(const char* printerName, int32_t size, char* buffer, int32_t* needed);

typedef EXCHANDLE(VEXL_CALL* PFN_ExcGetExclusive)(const char*);
typedef void(VEXL_CALL* PFN_ExcFreeExclusive)(EXCHANDLE);
typedef int(VEXL_CALL* PFN_ExcSetCommandBase)(EXCHANDLE, const char*, int32_t*);
typedef int(VEXL_CALL* PFN_ExcUpdateCommand)(EXCHANDLE, const char*, int32_t*);
typedef int(VEXL_CALL* PFN_ExcGetCommandBase)(EXCHANDLE, int32_t, char*, int32_t*);
typedef int(VEXL_CALL* PFN_ExcGetCommandChange)(EXCHANDLE, int32_t, char*, int32_t*);
typedef int(VEXL_CALL* PFN_ExcGetCommandValue)(EXCHANDLE, const char*, int32_t, int32_t, char*, int32_t*);
typedef int(VEXL_CALL* PFN_ExcGetPrinterOption)(EXCHANDLE, const char*, int32_t, char*, int32_t*);
typedef int(VEXL_CALL* PFN_ExcGetPrinterValue)(EXCHANDLE, const char*, int32_t, char*, int32_t*);
typedef int(VEXL_CALL* PFN_ExcGetWaterMarkList)(EXCHANDLE, int32_t, int32_t, char*, int32_t*);
typedef int(VEXL_CALL* PFN_ExcGetDriverDevmode)(const char*, uint32_t, int32_t, DEVMODEA*, int32_t*);
typedef int(VEXL_CALL* PFN_ExcGetIniFileName)(const char*, int32_t, char*, int32_t*);

#ifdef __cplusplus
}
#endif
