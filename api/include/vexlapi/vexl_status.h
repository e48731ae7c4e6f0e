/* The status structures of the settings interface: what VEXLDrvGetStatus
   fills and VEXLDrvSetStatus takes. Every structure is caller-allocated,
   byte-packed and little-endian; +0 is the structure version (on return of a
   read: the version that was filled; 0 asks for the latest). Texts are
   zero-terminated 8-bit ANSI; a char[n] field holds at most n-1 characters.

   A read writes only the fields its status fills; every other byte of the
   caller's buffer stays as it was passed. A buffer of an earlier version is
   never written past that version's size.

   Statuses with more than one structure version: the size and the API
   version each version needs are the VEXL_STATUS_*_SIZE_V* constants below
   (statuses 7, 8, 11, 14, 19 and 28 keep 32 bytes in every version). */
#pragma once

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
#define VEXL_STATUS_ASSERT(condition, text) static_assert(condition, text)
#else
#define VEXL_STATUS_ASSERT(condition, text) _Static_assert(condition, text)
#endif

/* The status identifiers are the VEXLDRV_STATUS_* constants of vexldrv.h. */

#pragma pack(push, 1)

/* The common 32-byte form: +4 to +24 up to six u32 values, +28 the on/off
   switch of the function the status belongs to. Every status not listed
   with a structure of its own below uses it; what each value means is the
   status's own (for example status 7 and 8: +4 paper, +8 width, +12 length
   in 0.1 mm, +16 orientation; status 15: +4 duplex type, +8 and +12 the
   binding margins; status 79: +4 folding type, +8 sub-type, +12 flags). */
typedef struct VEXL_STATUS_VALUE {
    uint32_t version;        /* +0 */
    uint32_t values[6];      /* +4 .. +24 */
    uint32_t functionSwitch; /* +28 */
} VEXL_STATUS_VALUE;

/* Colour adjustment (statuses 39, 40, 41, 42, 46, 267, 269): 16-bit values of
   the item and its variants for the text, line and image objects. */
typedef struct VEXL_STATUS_COLOR_ADJUST {
    uint32_t version; /* +0 */
    uint32_t unused4; /* +4, never written */
    uint16_t value;   /* +8 */
    uint16_t text;    /* +10 */
    uint16_t line;    /* +12 */
    uint16_t image;   /* +14 */
    uint8_t unused16[16];
} VEXL_STATUS_COLOR_ADJUST;

/* Colour balance (status 43): red, green and blue of the item and of its
   text, line and image variants, 16 bits each. */
typedef struct VEXL_STATUS_COLOR_BALANCE {
    uint32_t version;    /* +0 */
    uint32_t unused4;    /* +4, never written */
    uint16_t red;        /* +8 */
    uint16_t green;      /* +10 */
    uint16_t blue;       /* +12 */
    uint16_t redText;    /* +14 */
    uint16_t greenText;  /* +16 */
    uint16_t blueText;   /* +18 */
    uint16_t redLine;    /* +20 */
    uint16_t greenLine;  /* +22 */
    uint16_t blueLine;   /* +24 */
    uint16_t redImage;   /* +26 */
    uint16_t greenImage; /* +28 */
    uint16_t blueImage;  /* +30 */
} VEXL_STATUS_COLOR_BALANCE;

/* Preset file (status 1) and preset by number (status 56). */
typedef struct VEXL_STATUS_PRESET {
    uint32_t version;   /* +0 */
    char path[260];     /* +4, status 1: absolute path of a preset file (input) */
    char name[37];      /* +264 */
    char comment[513];  /* +301, a "\n" in the stored comment comes back as CR LF */
    uint8_t padding[2]; /* +814 */
    uint32_t number;    /* +816, status 56: 1-based preset number (input); 0 the preset in use */
    uint32_t reserved;  /* +820 */
} VEXL_STATUS_PRESET;

#define VEXL_STATUS_PRESET_SIZE 824u

/* Job information (status 10; status 26 uses the version-1 frame). Version 1
   ends at +392 (the first two bytes of jobPassword are its padding), version 2
   at +408, version 3 at +484. */
typedef struct VEXL_STATUS_JOB_INFO {
    uint32_t version;         /* +0 */
    uint32_t printMethod;     /* +4 */
    uint32_t fieldMask;       /* +8 */
    char userId[9];           /* +12 */
    char jobPassword4[5];     /* +21 */
    char storedPassword4[5];  /* +26 */
    char ownerName[17];       /* +31 */
    char documentName[17];    /* +48 */
    char mergeFileName[65];   /* +65 */
    char overlayPath[260];    /* +130 */
    char jobPassword[9];      /* +390, from version 2 */
    char storedPassword[9];   /* +399, from version 2; version 2 ends at 408 */
    char documentName8[17];   /* +408, version 3 (mask 0x200) */
    char documentName9[17];   /* +425 (mask 0x400) */
    char storedPassword9[9];  /* +442 (mask 0x800) */
    char documentName10[17];  /* +451 (mask 0x1000) */
    char storedPassword10[9]; /* +468 (mask 0x2000) */
    uint8_t padding477[3];    /* +477 */
    uint32_t sharedPrintData; /* +480 (mask 0x4000) */
} VEXL_STATUS_JOB_INFO;

#define VEXL_STATUS_JOB_INFO_SIZE_V1 392u /* API 1 */
#define VEXL_STATUS_JOB_INFO_SIZE_V2 408u /* API 10 */
#define VEXL_STATUS_JOB_INFO_SIZE_V3 484u /* API 14 */

#define VEXL_JOB_FIELD_USER_ID 0x1u
#define VEXL_JOB_FIELD_JOB_PASSWORD4 0x2u
#define VEXL_JOB_FIELD_STORED_PASSWORD4 0x4u
#define VEXL_JOB_FIELD_OWNER_NAME 0x8u
#define VEXL_JOB_FIELD_DOCUMENT_NAME 0x10u
#define VEXL_JOB_FIELD_MERGE_FILE 0x20u
#define VEXL_JOB_FIELD_OVERLAY_PATH 0x40u
#define VEXL_JOB_FIELD_JOB_PASSWORD 0x80u
#define VEXL_JOB_FIELD_STORED_PASSWORD 0x100u
#define VEXL_JOB_FIELD_DOCUMENT_NAME8 0x200u
#define VEXL_JOB_FIELD_DOCUMENT_NAME9 0x400u
#define VEXL_JOB_FIELD_STORED_PASSWORD9 0x800u
#define VEXL_JOB_FIELD_DOCUMENT_NAME10 0x1000u
#define VEXL_JOB_FIELD_STORED_PASSWORD10 0x2000u
#define VEXL_JOB_FIELD_SHARED_PRINT_DATA 0x4000u

/* Watermark (status 16). */
typedef struct VEXL_STATUS_WATERMARK {
    uint32_t version;       /* +0 */
    uint32_t kind;          /* +4: 1 text, 2 and 3 images, 128 (from version 2) */
    uint32_t position;      /* +8 */
    uint32_t opaque;        /* +12 */
    uint32_t page;          /* +16 */
    uint32_t fontStyle;     /* +20 */
    uint32_t effect;        /* +24 */
    uint32_t color;         /* +28 */
    uint32_t density;       /* +32 */
    uint32_t size;          /* +36: font point (text) or scale (kind 2) */
    uint32_t angle;         /* +40 */
    char text[33];          /* +44 */
    char fontName[32];      /* +77 */
    char image[260];        /* +109 */
    uint8_t padding369[3];  /* +369; version 1 ends at 372 */
    uint32_t linePitch;     /* +372, version 2 */
    uint32_t textPattern;   /* +376 */
    uint32_t tilePattern;   /* +380 */
    uint32_t tileColor;     /* +384 */
    uint32_t tileDensity;   /* +388 */
    uint32_t tileMask;      /* +392 */
    uint32_t flags;         /* +396, bit 0: tiles rotated */
    uint32_t secretPattern; /* +400 */
    uint32_t reserved404;   /* +404 */
    uint32_t reserved408;   /* +408; version 2 ends at 412 */
    uint32_t twoPlanePrint; /* +412, version 3 */
    uint32_t printOrder;    /* +416 */
} VEXL_STATUS_WATERMARK;

#define VEXL_STATUS_WATERMARK_SIZE_V1 372u /* API 1 */
#define VEXL_STATUS_WATERMARK_SIZE_V2 412u /* API 3 */
#define VEXL_STATUS_WATERMARK_SIZE_V3 420u /* API 10 */

/* Header and footer (status 47). */
typedef struct VEXL_STATUS_HEADER_FOOTER {
    uint32_t version;        /* +0 */
    uint32_t flags;          /* +4: 1 date, 2 page, 4 string */
    char fontName[32];       /* +8 */
    uint32_t fontPoint;      /* +40 */
    uint32_t datePosition;   /* +44 */
    uint32_t dateForm;       /* +48 */
    uint32_t pagePosition;   /* +52 */
    uint32_t pageForm;       /* +56 */
    uint32_t stringPosition; /* +60 */
    uint32_t stringForm;     /* +64 */
    char string[33];         /* +68 */
    uint8_t padding101[3];   /* +101; version 1 ends at 104 */
    uint32_t order;          /* +104, version 2 */
} VEXL_STATUS_HEADER_FOOTER;

#define VEXL_STATUS_HEADER_FOOTER_SIZE_V1 104u /* API 8 */
#define VEXL_STATUS_HEADER_FOOTER_SIZE_V2 108u /* API 10 */

/* Driver information (status 50), by the selector at +4. The fields overlap:
   selector 0 fills text (+8) and secondText (+40); the others use value
   (+24), listSize (+28), listAddress (+32) and secondText.
   Selector 248 is a two-pass list: value 0 asks the size (answered in
   listSize); value 1 fills the list into the caller's memory at listAddress,
   whose capacity in bytes the caller gives in listSize. A list that does not
   fit is not written: listSize then receives the size needed and the read
   fails with last error 7. */
typedef struct VEXL_STATUS_DRIVER_INFO {
    uint32_t version;  /* +0 */
    uint32_t selector; /* +4 */
    union {
        char text[32]; /* +8 */
        struct {
            uint8_t unused8[16];
            uint32_t value;       /* +24 */
            uint32_t listSize;    /* +28 */
            uint64_t listAddress; /* +32 */
        } list;
    } u;
    char secondText[260]; /* +40 */
} VEXL_STATUS_DRIVER_INFO;

#define VEXL_STATUS_DRIVER_INFO_SIZE 300u

#define VEXL_DRIVER_INFO_VERSIONS 0u
#define VEXL_DRIVER_INFO_USER_CODE 246u
#define VEXL_DRIVER_INFO_STAMP 247u
#define VEXL_DRIVER_INFO_FINISHING_LIST 248u
#define VEXL_DRIVER_INFO_INDEX_ROTATION 249u
#define VEXL_DRIVER_INFO_REVERSE_COVER 250u
#define VEXL_DRIVER_INFO_SCALE_CENTERING 251u
#define VEXL_DRIVER_INFO_CHAPTERS 252u
#define VEXL_DRIVER_INFO_BACK_COVER 253u
#define VEXL_DRIVER_INFO_JOB_BINDER 254u
#define VEXL_DRIVER_INFO_SEQUENCE_MARK 256u

/* Anti-copy pattern (status 55). */
typedef struct VEXL_STATUS_ANTI_COPY {
    uint32_t version;       /* +0 */
    uint32_t mode;          /* +4: 0 off, 1 copy guard, 2 text, 3 both */
    uint32_t color;         /* +8 */
    uint32_t density;       /* +12 */
    uint32_t tileMask;      /* +16 */
    uint32_t switchPattern; /* +20 */
    char text[65];          /* +24 */
    char fontName[32];      /* +89 */
    uint8_t padding121[3];  /* +121 */
    uint32_t fontPoint;     /* +124 */
    uint32_t fontStyle;     /* +128 */
    uint32_t angle;         /* +132 */
    uint32_t position;      /* +136, 64 repeated */
    uint32_t linePitch;     /* +140 */
    uint32_t reverse;       /* +144 */
    uint32_t background;    /* +148: 0, 3 outline, 255 white */
    uint8_t unused152[20];  /* +152 */
} VEXL_STATUS_ANTI_COPY;

/* Authentication user (status 59). */
typedef struct VEXL_STATUS_AUTH_USER {
    uint32_t version;   /* +0 */
    uint32_t level;     /* +4 */
    char userName[257]; /* +8 */
    char password[259]; /* +265 */
} VEXL_STATUS_AUTH_USER;

/* Authentication level (status 60). */
typedef struct VEXL_STATUS_AUTH_LEVEL {
    uint32_t version;     /* +0 */
    uint32_t level;       /* +4: 0, 1 or 2 */
    char networkKey[33];  /* +8 */
    uint8_t padding41[3]; /* +41 */
} VEXL_STATUS_AUTH_LEVEL;

/* Tray information (status 63). */
typedef struct VEXL_STATUS_TRAY {
    uint32_t version;        /* +0 */
    uint32_t trayCode;       /* +4, a dmDefaultSource value (input) */
    uint32_t paper;          /* +8 */
    uint32_t orientation;    /* +12 */
    uint32_t media;          /* +16 */
    uint32_t lock;           /* +20 */
    uint32_t limits[4];      /* +24, paper limits for orientation 1, display units */
    uint32_t otherLimits[4]; /* +40, paper limits for the other orientation */
} VEXL_STATUS_TRAY;

/* Chapters (status 67). */
typedef struct VEXL_STATUS_CHAPTERS {
    uint32_t version;       /* +0 */
    uint32_t chapterSwitch; /* +4 */
    uint32_t operation;     /* +8, writes only: 0 switch, 1 add, 2 delete, 3 clear */
    uint32_t count;         /* +12, reads only */
    uint32_t index;         /* +16, 1-based; 0 reads only +4 and +12 */
    uint32_t startPage;     /* +20 */
    uint32_t kind;          /* +24 */
    uint32_t tray;          /* +28 */
    uint32_t printFlag;     /* +32; version 1 ends at 36 */
    uint32_t endPage;       /* +36, version 2 */
} VEXL_STATUS_CHAPTERS;

#define VEXL_STATUS_CHAPTERS_SIZE_V1 36u /* API 13 */
#define VEXL_STATUS_CHAPTERS_SIZE_V2 40u /* API 15 */

#pragma pack(pop)

/* The byte layouts, as they cross the boundary. */
VEXL_STATUS_ASSERT(sizeof(VEXL_STATUS_VALUE) == 32, "common form");
VEXL_STATUS_ASSERT(offsetof(VEXL_STATUS_VALUE, values) == 4, "common form");
VEXL_STATUS_ASSERT(offsetof(VEXL_STATUS_VALUE, functionSwitch) == 28, "common form");

VEXL_STATUS_ASSERT(sizeof(VEXL_STATUS_COLOR_ADJUST) == 32, "colour adjustment");
VEXL_STATUS_ASSERT(offsetof(VEXL_STATUS_COLOR_ADJUST, value) == 8, "colour adjustment");
VEXL_STATUS_ASSERT(offsetof(VEXL_STATUS_COLOR_ADJUST, image) == 14, "colour adjustment");

VEXL_STATUS_ASSERT(sizeof(VEXL_STATUS_COLOR_BALANCE) == 32, "colour balance");
VEXL_STATUS_ASSERT(offsetof(VEXL_STATUS_COLOR_BALANCE, red) == 8, "colour balance");
VEXL_STATUS_ASSERT(offsetof(VEXL_STATUS_COLOR_BALANCE, redText) == 14, "colour balance");
VEXL_STATUS_ASSERT(offsetof(VEXL_STATUS_COLOR_BALANCE, blueImage) == 30, "colour balance");

VEXL_STATUS_ASSERT(sizeof(VEXL_STATUS_PRESET) == VEXL_STATUS_PRESET_SIZE, "preset");
VEXL_STATUS_ASSERT(offsetof(VEXL_STATUS_PRESET, path) == 4, "preset");
VEXL_STATUS_ASSERT(offsetof(VEXL_STATUS_PRESET, name) == 264, "preset");
VEXL_STATUS_ASSERT(offsetof(VEXL_STATUS_PRESET, comment) == 301, "preset");
VEXL_STATUS_ASSERT(offsetof(VEXL_STATUS_PRESET, number) == 816, "preset");
VEXL_STATUS_ASSERT(offsetof(VEXL_STATUS_PRESET, reserved) == 820, "preset");

VEXL_STATUS_ASSERT(sizeof(VEXL_STATUS_JOB_INFO) == VEXL_STATUS_JOB_INFO_SIZE_V3, "job information");
VEXL_STATUS_ASSERT(offsetof(VEXL_STATUS_JOB_INFO, userId) == 12, "job information");
VEXL_STATUS_ASSERT(offsetof(VEXL_STATUS_JOB_INFO, jobPassword4) == 21, "job information");
VEXL_STATUS_ASSERT(offsetof(VEXL_STATUS_JOB_INFO, storedPassword4) == 26, "job information");
VEXL_STATUS_ASSERT(offsetof(VEXL_STATUS_JOB_INFO, ownerName) == 31, "job information");
VEXL_STATUS_ASSERT(offsetof(VEXL_STATUS_JOB_INFO, documentName) == 48, "job information");
VEXL_STATUS_ASSERT(offsetof(VEXL_STATUS_JOB_INFO, mergeFileName) == 65, "job information");
VEXL_STATUS_ASSERT(offsetof(VEXL_STATUS_JOB_INFO, overlayPath) == 130, "job information");
VEXL_STATUS_ASSERT(offsetof(VEXL_STATUS_JOB_INFO, jobPassword) == 390, "job information");
VEXL_STATUS_ASSERT(offsetof(VEXL_STATUS_JOB_INFO, storedPassword) == 399, "job information");
VEXL_STATUS_ASSERT(offsetof(VEXL_STATUS_JOB_INFO, documentName8) == VEXL_STATUS_JOB_INFO_SIZE_V2, "job information");
VEXL_STATUS_ASSERT(offsetof(VEXL_STATUS_JOB_INFO, documentName9) == 425, "job information");
VEXL_STATUS_ASSERT(offsetof(VEXL_STATUS_JOB_INFO, storedPassword9) == 442, "job information");
VEXL_STATUS_ASSERT(offsetof(VEXL_STATUS_JOB_INFO, documentName10) == 451, "job information");
VEXL_STATUS_ASSERT(offsetof(VEXL_STATUS_JOB_INFO, storedPassword10) == 468, "job information");
VEXL_STATUS_ASSERT(offsetof(VEXL_STATUS_JOB_INFO, sharedPrintData) == 480, "job information");

VEXL_STATUS_ASSERT(sizeof(VEXL_STATUS_WATERMARK) == VEXL_STATUS_WATERMARK_SIZE_V3, "watermark");
VEXL_STATUS_ASSERT(offsetof(VEXL_STATUS_WATERMARK, angle) == 40, "watermark");
VEXL_STATUS_ASSERT(offsetof(VEXL_STATUS_WATERMARK, text) == 44, "watermark");
VEXL_STATUS_ASSERT(offsetof(VEXL_STATUS_WATERMARK, fontName) == 77, "watermark");
VEXL_STATUS_ASSERT(offsetof(VEXL_STATUS_WATERMARK, image) == 109, "watermark");
VEXL_STATUS_ASSERT(offsetof(VEXL_STATUS_WATERMARK, linePitch) == VEXL_STATUS_WATERMARK_SIZE_V1, "watermark");
VEXL_STATUS_ASSERT(offsetof(VEXL_STATUS_WATERMARK, flags) == 396, "watermark");
VEXL_STATUS_ASSERT(offsetof(VEXL_STATUS_WATERMARK, secretPattern) == 400, "watermark");
VEXL_STATUS_ASSERT(offsetof(VEXL_STATUS_WATERMARK, twoPlanePrint) == VEXL_STATUS_WATERMARK_SIZE_V2, "watermark");
VEXL_STATUS_ASSERT(offsetof(VEXL_STATUS_WATERMARK, printOrder) == 416, "watermark");

VEXL_STATUS_ASSERT(sizeof(VEXL_STATUS_HEADER_FOOTER) == VEXL_STATUS_HEADER_FOOTER_SIZE_V2, "header and footer");
VEXL_STATUS_ASSERT(offsetof(VEXL_STATUS_HEADER_FOOTER, fontPoint) == 40, "header and footer");
VEXL_STATUS_ASSERT(offsetof(VEXL_STATUS_HEADER_FOOTER, stringForm) == 64, "header and footer");
VEXL_STATUS_ASSERT(offsetof(VEXL_STATUS_HEADER_FOOTER, string) == 68, "header and footer");
VEXL_STATUS_ASSERT(offsetof(VEXL_STATUS_HEADER_FOOTER, order) == VEXL_STATUS_HEADER_FOOTER_SIZE_V1,
                   "header and footer");

VEXL_STATUS_ASSERT(sizeof(VEXL_STATUS_DRIVER_INFO) == VEXL_STATUS_DRIVER_INFO_SIZE, "driver information");
VEXL_STATUS_ASSERT(offsetof(VEXL_STATUS_DRIVER_INFO, u.text) == 8, "driver information");
VEXL_STATUS_ASSERT(offsetof(VEXL_STATUS_DRIVER_INFO, u.list.value) == 24, "driver information");
VEXL_STATUS_ASSERT(offsetof(VEXL_STATUS_DRIVER_INFO, u.list.listSize) == 28, "driver information");
VEXL_STATUS_ASSERT(offsetof(VEXL_STATUS_DRIVER_INFO, u.list.listAddress) == 32, "driver information");
VEXL_STATUS_ASSERT(offsetof(VEXL_STATUS_DRIVER_INFO, secondText) == 40, "driver information");

VEXL_STATUS_ASSERT(sizeof(VEXL_STATUS_ANTI_COPY) == 172, "anti-copy pattern");
VEXL_STATUS_ASSERT(offsetof(VEXL_STATUS_ANTI_COPY, text) == 24, "anti-copy pattern");
VEXL_STATUS_ASSERT(offsetof(VEXL_STATUS_ANTI_COPY, fontName) == 89, "anti-copy pattern");
VEXL_STATUS_ASSERT(offsetof(VEXL_STATUS_ANTI_COPY, fontPoint) == 124, "anti-copy pattern");
VEXL_STATUS_ASSERT(offsetof(VEXL_STATUS_ANTI_COPY, background) == 148, "anti-copy pattern");

VEXL_STATUS_ASSERT(sizeof(VEXL_STATUS_AUTH_USER) == 524, "authentication user");
VEXL_STATUS_ASSERT(offsetof(VEXL_STATUS_AUTH_USER, userName) == 8, "authentication user");
VEXL_STATUS_ASSERT(offsetof(VEXL_STATUS_AUTH_USER, password) == 265, "authentication user");

VEXL_STATUS_ASSERT(sizeof(VEXL_STATUS_AUTH_LEVEL) == 44, "authentication level");
VEXL_STATUS_ASSERT(offsetof(VEXL_STATUS_AUTH_LEVEL, networkKey) == 8, "authentication level");

VEXL_STATUS_ASSERT(sizeof(VEXL_STATUS_TRAY) == 56, "tray information");
VEXL_STATUS_ASSERT(offsetof(VEXL_STATUS_TRAY, lock) == 20, "tray information");
VEXL_STATUS_ASSERT(offsetof(VEXL_STATUS_TRAY, limits) == 24, "tray information");
VEXL_STATUS_ASSERT(offsetof(VEXL_STATUS_TRAY, otherLimits) == 40, "tray information");

VEXL_STATUS_ASSERT(sizeof(VEXL_STATUS_CHAPTERS) == VEXL_STATUS_CHAPTERS_SIZE_V2, "chapters");
VEXL_STATUS_ASSERT(offsetof(VEXL_STATUS_CHAPTERS, index) == 16, "chapters");
VEXL_STATUS_ASSERT(offsetof(VEXL_STATUS_CHAPTERS, endPage) == VEXL_STATUS_CHAPTERS_SIZE_V1, "chapters");
