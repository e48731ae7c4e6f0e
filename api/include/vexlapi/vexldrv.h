/* The VEXLDrv settings interface of TZ16E140.DLL: settings instances on a
   printer, the API version, the last-error code, capabilities and statuses.

   Calling order: VEXLDrvCheckAPIVer (optional), VEXLDrvEnable, VEXLDrvInit
   with the application's own API version, then any number of requests, and
   finally VEXLDrvDisable. Every request takes the instance handle first; a
   handle that is NULL, already disabled or not one of this library's is
   refused (-1, 0 for the quality-data pair, 1 for VEXLDrvDisable) and sets
   no code.

   Texts are 8-bit ANSI. Identifier bitmaps put identifier n at byte
   (n - 1) / 8 under the mask 0x80 >> ((n - 1) % 8); they are 32 bytes under
   an API version below 6 and 64 bytes from 6 on. The API version in force is
   shared by every instance of the process (the last VEXLDrvCheckAPIVer,
   VEXLDrvEnable or VEXLDrvInit decides), so an application that keeps
   several instances should size its bitmaps for 64 bytes. */
#pragma once

#include <stdint.h>

#ifndef VEXL_CALL
#define VEXL_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- handles and records ---------------------------------------------------- */

/* A settings instance: opaque, valid from VEXLDrvEnable to VEXLDrvDisable. */
typedef struct VexlDrvInstance* VEXLDRVHANDLE;

/* The record an application hands to VEXLDrvInit; only the API version at
   byte 4 is read. */
typedef struct VEXLDRVINITRECORD {
    uint32_t reserved;
    uint32_t apiVersion;
} VEXLDRVINITRECORD;

/* ---- API versions --------------------------------------------------------------- */

#define VEXLAPI_VERSION_LATEST 16
#define VEXLAPI_VERSION_DEFAULT 3   /* a model that states no version */
#define VEXLAPI_VERSION_LAST_ERROR 9 /* from this version on codes are kept */
#define VEXLAPI_VERSION_WIDE_BITMAPS 6

#define VEXLDRV_BITMAP_BYTES_NARROW 32
#define VEXLDRV_BITMAP_BYTES 64
#define VEXLDRV_ID_BYTE(id) (((id) - 1u) / 8u)
#define VEXLDRV_ID_MASK(id) (0x80u >> (((id) - 1u) % 8u))

/* ---- last-error codes (VEXLDrvGetLastError) --------------------------------------- */

#define VEXLDRV_ERROR_NONE 0
#define VEXLDRV_ERROR_UNKNOWN_REQUEST 1     /* no DEVMODE request flag known */
#define VEXLDRV_ERROR_NOT_ENABLED 2         /* status not enabled or not offered */
#define VEXLDRV_ERROR_MACHINE_SUB_CODE 3    /* capability 45 on a model without it */
#define VEXLDRV_ERROR_NO_INPUT 5            /* no input structure or DEVMODE */
#define VEXLDRV_ERROR_VERSION 6             /* structure version above the latest */
#define VEXLDRV_ERROR_REFUSED 7             /* a write or value refused */
#define VEXLDRV_ERROR_FONT_MISSING 8        /* a named font is not installed */
#define VEXLDRV_ERROR_STAMP_NOT_STORED 9    /* the interface's watermark is not stored */
#define VEXLDRV_ERROR_BAD_FILE 10           /* a file is not usable */
#define VEXLDRV_ERROR_BAD_CHARACTER 11      /* a text holds a character not allowed */
#define VEXLDRV_ERROR_SELECTOR_RETIRED 12   /* status 50 selectors 248-253 written from API 12 */
#define VEXLDRV_ERROR_SELECTOR_WRITE_ONLY 13 /* status 50 selector 247 read from API 12 */
#define VEXLDRV_ERROR_NEEDS_ADMINISTRATOR 14
#define VEXLDRV_ERROR_COMBINATION_REFUSED 15
#define VEXLDRV_ERROR_FAILURE 100           /* no handler, no printer, no memory, a failed capability */
#define VEXLDRV_ERROR_QUALITY_MACRO 1000
#define VEXLDRV_ERROR_PRESET_LOAD 1001
#define VEXLDRV_ERROR_PER_USER_ACTION 1002

/* ---- capability requests (VEXLDrvGetCaps) ------------------------------------------ */

#define VEXLDRV_CAPS_ENABLED_STATUSES 0u  /* the status-enabled bitmap; NULL buffer: its size */
#define VEXLDRV_CAPS_SUPPORTED 1u         /* 1 */
#define VEXLDRV_CAPS_EXTRA 0x30000u       /* enabled under every version */
#define VEXLDRV_CAPS_ALL 0x80000001u      /* the all-capabilities record */
#define VEXLDRV_CAPS_ALL_RELEASE 0x80000002u
#define VEXLDRV_CAPS_FAILED 0xFFFFFFFFu   /* no instance, or the capability failed */

/* ---- status identifiers (VEXLDrvGetStatus, VEXLDrvSetStatus) --------------------------- */

#define VEXLDRV_STATUS_PRESET_FILE 1
#define VEXLDRV_STATUS_PAPER_SOURCE 2
#define VEXLDRV_STATUS_MEDIA_TYPE 3
#define VEXLDRV_STATUS_OUTPUT_TRAY 4
#define VEXLDRV_STATUS_COLOR 5
#define VEXLDRV_STATUS_ORIENTATION 6
#define VEXLDRV_STATUS_PAPER_SIZE 7
#define VEXLDRV_STATUS_OUTPUT_PAPER_SIZE 8
#define VEXLDRV_STATUS_COPIES 9
#define VEXLDRV_STATUS_JOB_INFORMATION 10
#define VEXLDRV_STATUS_SCALE 11
#define VEXLDRV_STATUS_COVER 12
#define VEXLDRV_STATUS_MARK_PAPER 13
#define VEXLDRV_STATUS_NUP 14
#define VEXLDRV_STATUS_DUPLEX 15
#define VEXLDRV_STATUS_WATERMARK 16
#define VEXLDRV_STATUS_WATERMARK_SELECT 17
#define VEXLDRV_STATUS_MARGIN 18
#define VEXLDRV_STATUS_SORT 19
#define VEXLDRV_STATUS_STAPLE 20
#define VEXLDRV_STATUS_PUNCH 21
#define VEXLDRV_STATUS_OUTPUT_DIRECTION 22
#define VEXLDRV_STATUS_OUTPUT_ORDER 23
#define VEXLDRV_STATUS_WHITE_PAPER 24
#define VEXLDRV_STATUS_EMULATION 25
#define VEXLDRV_STATUS_USER_ID 26
#define VEXLDRV_STATUS_PRINT_AREA 27
#define VEXLDRV_STATUS_PAPER_ROTATION 28
#define VEXLDRV_STATUS_ACTION_MERGE 29
#define VEXLDRV_STATUS_ACTION_PROOF 30
#define VEXLDRV_STATUS_ACTION_SECURITY 31
#define VEXLDRV_STATUS_ACTION_STORED 32
#define VEXLDRV_STATUS_ACTION_OVERLAY 33
#define VEXLDRV_STATUS_RESOLUTION 34
#define VEXLDRV_STATUS_CMYK_PLANES 35
#define VEXLDRV_STATUS_RESERVED_36 36
#define VEXLDRV_STATUS_ADJUST_MODE 38
#define VEXLDRV_STATUS_COLOR_MODE 39
#define VEXLDRV_STATUS_BRIGHTNESS 40
#define VEXLDRV_STATUS_CONTRAST 41
#define VEXLDRV_STATUS_SATURATION 42
#define VEXLDRV_STATUS_COLOR_BALANCE 43
#define VEXLDRV_STATUS_A4_FIT 45
#define VEXLDRV_STATUS_COLOR_REVISION 46
#define VEXLDRV_STATUS_HEADER_FOOTER 47
#define VEXLDRV_STATUS_EMF_SPOOL 48
#define VEXLDRV_STATUS_IMAGE_PRINT 49
#define VEXLDRV_STATUS_SELECTORS 50
#define VEXLDRV_STATUS_FOLD 51
#define VEXLDRV_STATUS_JOB_COMPLETE_NOTICE 52
#define VEXLDRV_STATUS_JOB_ERROR_NOTICE 53
#define VEXLDRV_STATUS_AUTHENTICATION_MODE 54
#define VEXLDRV_STATUS_COPY_PROTECT 55
#define VEXLDRV_STATUS_PRESET_NUMBER 56
#define VEXLDRV_STATUS_PREVIEW 57
#define VEXLDRV_STATUS_MANUAL_TRAY_ORIENTATION 58
#define VEXLDRV_STATUS_AUTHENTICATION 59
#define VEXLDRV_STATUS_NETWORK_KEY 60
#define VEXLDRV_STATUS_LOAD_SHARE 61
#define VEXLDRV_STATUS_INDEX_ROTATION 62
#define VEXLDRV_STATUS_TRAY_INFORMATION 63
#define VEXLDRV_STATUS_BACK_COVER 64
#define VEXLDRV_STATUS_REVERSE_COVER 65
#define VEXLDRV_STATUS_COVER_MEDIA_TYPES 66
#define VEXLDRV_STATUS_CHAPTERS 67
#define VEXLDRV_STATUS_EDGE_CORNER 68
#define VEXLDRV_STATUS_MARGIN_OVERLAP 69
#define VEXLDRV_STATUS_CROP_MARKS 70
#define VEXLDRV_STATUS_CREEP_MARGIN 71
#define VEXLDRV_STATUS_PAPER_FACE 72
#define VEXLDRV_STATUS_PAGE_SEPARATION 73
#define VEXLDRV_STATUS_NEAR_STANDARD 74
#define VEXLDRV_STATUS_REDUCE_FONT 75
#define VEXLDRV_STATUS_ACTION_PAUSE 76
#define VEXLDRV_STATUS_ACTION_SAVE 77
#define VEXLDRV_STATUS_ACTION_PRINT_AND_SAVE 78
#define VEXLDRV_STATUS_FOLDING 79
#define VEXLDRV_STATUS_ADJUST_OBJECT 257
#define VEXLDRV_STATUS_USE_USER_MACRO 258
#define VEXLDRV_STATUS_PRINT_MACRO 259
#define VEXLDRV_STATUS_BALANCE_MACRO 260
#define VEXLDRV_STATUS_USER_PRINT_MACRO 261
#define VEXLDRV_STATUS_QUALITY_MACROS 262
#define VEXLDRV_STATUS_ECO_COLOR 263
#define VEXLDRV_STATUS_TONER_SAVE 264
#define VEXLDRV_STATUS_COLOR_MATCHING 265
#define VEXLDRV_STATUS_ICM_TYPE 266
#define VEXLDRV_STATUS_ICM_INTENT 267
#define VEXLDRV_STATUS_PRINTER_SIDE 268
#define VEXLDRV_STATUS_COLOR_MATCHING_MODE 269

/* ---- exports ------------------------------------------------------------------------ */

/* The printer's API version (its model's, 3 when the model states none, at
   most 16); it becomes the requested version. 0 for a NULL or empty name. */
int VEXLDrvCheckAPIVer(const char* printerName);
/* A settings instance on the printer, or NULL. */
VEXLDRVHANDLE VEXLDrvEnable(const char* printerName);
/* enable non-zero: the requested version, lowered to the record's when that
   is smaller, goes in force; 1. enable 0: 0. */
int VEXLDrvInit(int enable, const void* callerRecord); /* a VEXLDRVINITRECORD */
/* Ends the instance; 1. */
int VEXLDrvDisable(VEXLDRVHANDLE instance);
/* The instance's last code, -1 below API version 9. */
int VEXLDrvGetLastError(VEXLDRVHANDLE instance);
/* A capability answer (forms per capability), 0 for an identifier that is
   not enabled, VEXLDRV_CAPS_FAILED without an instance or on failure. */
uint32_t VEXLDrvGetCaps(VEXLDRVHANDLE instance, uint32_t capabilityId, void* buffer);
/* Reads a status structure of the version asked (0: the latest); a NULL
   structure asks for its size. -1 on failure. */
int VEXLDrvGetStatus(VEXLDRVHANDLE instance, uint32_t statusId, void* structure, uint32_t version);
/* Writes a status structure. The library only reads the structure and
   never writes into it; read the status back to see what was stored.
   changedBitmap, when given, gets the statuses the write changed (32 or 64
   bytes, see above). -1 on failure. */
int VEXLDrvSetStatus(VEXLDRVHANDLE instance, uint32_t statusId, const void* structure, uint8_t* changedBitmap,
                     uint32_t mode);

/* Saves the instance's settings as its quality data; 1, or 0 for a handle
   that is not a live instance. */
int VEXLDrvSaveQualityData(VEXLDRVHANDLE instance);
/* Puts the quality items and the print, balance and user macro switches
   back to the values of the last save (the instance's start before any);
   nothing is stored in the printer's data or files. 1, or 0 for a handle
   that is not a live instance. */
int VEXLDrvRestoreQualityData(VEXLDRVHANDLE instance);

/* ---- DEVMODE requests (VEXLDrvGetDevmode, VEXLDrvGetDevmodeEx) ------------------------ */

#define VEXLDRV_DEVMODE_BYTES 1236          /* DEVMODEW and the driver's part (1172 on Windows 9x) */
#define VEXLDRV_DEVMODE_DEFAULTS 0x1u       /* the model's defaults and the printer's stored items */
#define VEXLDRV_DEVMODE_REBUILD 0x2u        /* rebuilt from the printer's stored settings */
#define VEXLDRV_DEVMODE_REDERIVE 0x4u       /* the current settings made consistent */
#define VEXLDRV_DEVMODE_MERGE 0x8u          /* Ex only, alone: the caller's DEVMODE merged */
#define VEXLDRV_DEVMODE_BIDI 0x10u          /* with 1 or 2: the printer's configuration asked now */
#define VEXLDRV_DEVMODE_NOTIFICATION 0x20u  /* API version 10 on: print notification support */
#define VEXLDRV_DEVMODE_PRESETS 0x40u       /* API version 11 on: the installed presets */

/* Brings the instance's settings into a consistent state by the request
   (the first of 1, 2 and 4 in flags) and copies the DEVMODE to devmode
   (VEXLDRV_DEVMODE_BYTES bytes) when it is not NULL. The DEVMODE size, or -1
   (code 1 no request known, 100 no printer). */
int VEXLDrvGetDevmode(VEXLDRVHANDLE instance, uint32_t flags, void* devmode);
/* As VEXLDrvGetDevmode for flags with 1, 2 or 4; flags 8 merges the
   DEVMODE callerDevmode into the instance's settings first. Its dmSize and
   dmDriverExtra say how much of it is read: a public part smaller than its
   header or larger than 220 bytes is refused (code 5, as for NULL), and a
   driver part that does not fit a DEVMODE of this driver is left out.
   reserved is not read. */
int VEXLDrvGetDevmodeEx(VEXLDRVHANDLE instance, uint32_t flags, void* devmode, const void* callerDevmode,
                        uint32_t reserved);

/* ---- the exports as an application finds them (GetProcAddress) ----------------------- */

typedef int(VEXL_CALL* PFN_VEXLDrvCheckAPIVer)(const char*);
typedef VEXLDRVHANDLE(VEXL_CALL* PFN_VEXLDrvEnable)(const char*);
typedef int(VEXL_CALL* PFN_VEXLDrvInit)(int, const void*);
typedef int(VEXL_CALL* PFN_VEXLDrvDisable)(VEXLDRVHANDLE);
typedef int(VEXL_CALL* PFN_VEXLDrvGetLastError)(VEXLDRVHANDLE);
typedef uint32_t(VEXL_CALL* PFN_VEXLDrvGetCaps)(VEXLDRVHANDLE, uint32_t, void*);
typedef int(VEXL_CALL* PFN_VEXLDrvGetStatus)(VEXLDRVHANDLE, uint32_t, void*, uint32_t);
typedef int(VEXL_CALL* PFN_VEXLDrvSetStatus)(VEXLDRVHANDLE, uint32_t, const void*, uint8_t*, uint32_t);
typedef int(VEXL_CALL* PFN_VEXLDrvSaveQualityData)(VEXLDRVHANDLE);
typedef int(VEXL_CALL* PFN_VEXLDrvRestoreQualityData)(VEXLDRVHANDLE);
typedef int(VEXL_CALL* PFN_VEXLDrvGetDevmode)(VEXLDRVHANDLE, uint32_t, void*);
typedef int(VEXL_CALL* PFN_VEXLDrvGetDevmodeEx)(VEXLDRVHANDLE, uint32_t, void*, const void*, uint32_t);

#ifdef __cplusplus
}
#endif
