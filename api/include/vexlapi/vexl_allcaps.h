/* The all-capabilities record: VEXLDrvGetCaps(h, VEXL_CAPS_ALL, NULL) builds
   it and answers its address as a u32, VEXLDrvGetCaps(h, VEXL_CAPS_FREE_ALL,
   record) hands it back. The record and every array it names are allocated
   by the settings library below 2 GB, so every address field (and the
   answer itself) is a real address that fits its 32 bits:
       const VEXLALLCAPS* all = (const VEXLALLCAPS*)(uintptr_t)answer;
       const uint32_t* papers = (const uint32_t*)(uintptr_t)all->cap10.address;
   A record must be freed by the library that built it, and only with the
   request below; it answers 1 and frees nothing for a pointer it did not issue.

   Fields are named after the capability that fills them (VEXLDrvGetCaps
   identifiers). A field whose status is not enabled, or whose capability is
   newer than the API version in force, stays 0. A list is a count followed
   by the address of its array: values are u32, sizes {i32 width, i32 length}
   in 0.1 mm, names fixed zero-terminated ANSI slots of the size given. An
   empty list leaves both words 0. The packed answers of capabilities 13, 14,
   20 and 21 are kept as their two 16-bit halves, low half first.
   Little-endian and packed: 812 bytes. */
#pragma once

#include <stdint.h>

#define VEXL_CAPS_ALL 0x80000001u
#define VEXL_CAPS_FREE_ALL 0x80000002u

/* Name slot sizes of the lists in the record. */
#define VEXL_CAPS_NAME24 24
#define VEXL_CAPS_NAME64 64
#define VEXL_CAPS_NAME260 260

typedef struct VEXLCAPSLIST {
    uint32_t count;
    uint32_t address; /* of count entries, or 0 */
} VEXLCAPSLIST;

typedef struct VEXLALLCAPS {
    uint32_t enabledBitmap;  /* +0: address of the status-enabled bitmap (32 or 64 bytes) */
    uint32_t cap1;           /* +4 */
    VEXLCAPSLIST cap2;       /* +8 values */
    VEXLCAPSLIST cap3;       /* +16 24-byte names */
    VEXLCAPSLIST cap4;       /* +24 values */
    VEXLCAPSLIST cap5;       /* +32 64-byte names */
    VEXLCAPSLIST cap6;       /* +40 values */
    VEXLCAPSLIST cap7;       /* +48 64-byte names */
    uint32_t cap8;           /* +56 */
    uint32_t cap9;           /* +60 */
    VEXLCAPSLIST cap10;      /* +64 values */
    VEXLCAPSLIST cap11;      /* +72 64-byte names */
    VEXLCAPSLIST cap12;      /* +80 sizes */
    uint16_t cap13Width;     /* +88 maximum width */
    uint16_t cap13Length;    /* +90 maximum length */
    uint16_t cap14Width;     /* +92 minimum width */
    uint16_t cap14Length;    /* +94 minimum length */
    VEXLCAPSLIST cap15;      /* +96 values */
    VEXLCAPSLIST cap16;      /* +104 64-byte names */
    uint32_t cap17;          /* +112 */
    VEXLCAPSLIST cap18;      /* +116 values */
    uint32_t cap19;          /* +124 */
    uint16_t cap20H;         /* +128 maximum horizontal scale */
    uint16_t cap20V;         /* +130 maximum vertical scale */
    uint16_t cap21H;         /* +132 minimum horizontal scale */
    uint16_t cap21V;         /* +134 minimum vertical scale */
    uint32_t cap22;          /* +136 */
    uint32_t cap23;          /* +140 */
    uint32_t cap24;          /* +144 */
    uint32_t cap25to29[5];   /* +148 */
    VEXLCAPSLIST cap30;      /* +168 values */
    uint32_t cap31;          /* +176 */
    VEXLCAPSLIST cap32;      /* +180 values, only when cap31 is not 0 */
    VEXLCAPSLIST cap33;      /* +188 64-byte names, only when cap31 is not 0 */
    uint32_t cap34;          /* +196 */
    uint32_t cap35to38[4];   /* +200, only when cap34 is not 0 */
    VEXLCAPSLIST cap39;      /* +216 values */
    VEXLCAPSLIST cap40;      /* +224 values */
    VEXLCAPSLIST cap41;      /* +232 values */
    uint32_t cap42;          /* +240 */
    uint32_t cap43;          /* +244 */
    uint32_t cap44;          /* +248 */
    VEXLCAPSLIST cap45;      /* +252 values */
    uint32_t cap46;          /* +260 */
    VEXLCAPSLIST cap47;      /* +264 values */
    uint32_t cap48;          /* +272 */
    uint32_t cap49to52[4];   /* +276 */
    uint32_t cap53;          /* +292 */
    VEXLCAPSLIST cap54;      /* +296 values */
    uint32_t cap55;          /* +304 */
    VEXLCAPSLIST cap56;      /* +308 values */
    uint32_t cap57;          /* +316 */
    /* From here on, only under API version 6 or later. */
    VEXLCAPSLIST cap66;      /* +320 values */
    VEXLCAPSLIST cap67;      /* +328 values */
    uint32_t cap60;          /* +336 */
    uint32_t cap257;         /* +340 */
    VEXLCAPSLIST cap61;      /* +344 values */
    uint32_t cap62_258_259[3]; /* +352 */
    uint32_t cap63_260_261[3]; /* +364 */
    uint32_t cap64_262_263[3]; /* +376 */
    uint32_t cap65_264_265[3]; /* +388 */
    VEXLCAPSLIST cap266;     /* +400 values */
    VEXLCAPSLIST cap267;     /* +408 64-byte names */
    VEXLCAPSLIST cap268;     /* +416 values */
    VEXLCAPSLIST cap269;     /* +424 64-byte names */
    uint32_t cap270;         /* +432 */
    VEXLCAPSLIST cap271;     /* +436 values */
    VEXLCAPSLIST cap272;     /* +444 64-byte names */
    uint32_t cap69;          /* +452 */
    uint32_t cap273;         /* +456 */
    uint32_t cap274;         /* +460 */
    VEXLCAPSLIST cap275;     /* +464 values */
    uint32_t cap70to72[3];   /* +472 */
    uint32_t cap73;          /* +484 */
    uint32_t cap74;          /* +488 */
    VEXLCAPSLIST cap75;      /* +492 values */
    uint32_t cap76;          /* +500 */
    VEXLCAPSLIST cap77;      /* +504 values */
    uint32_t cap78;          /* +512 */
    uint32_t cap79;          /* +516 */
    uint32_t cap80to82[3];   /* +520 */
    uint32_t cap83;          /* +532 */
    uint32_t cap276;         /* +536 */
    VEXLCAPSLIST cap277;     /* +540 values */
    VEXLCAPSLIST cap278;     /* +548 values */
    VEXLCAPSLIST cap279;     /* +556 64-byte names */
    uint32_t cap280;         /* +564 */
    VEXLCAPSLIST cap281;     /* +568 values */
    VEXLCAPSLIST cap282;     /* +576 64-byte names */
    VEXLCAPSLIST cap85;      /* +584 values */
    VEXLCAPSLIST cap86;      /* +592 64-byte names */
    uint32_t cap84;          /* +600 */
    uint32_t cap87;          /* +604 */
    uint32_t cap88;          /* +608 */
    uint32_t cap89to91[3];   /* +612 */
    VEXLCAPSLIST cap92;      /* +624 values */
    VEXLCAPSLIST cap93;      /* +632 values */
    uint32_t cap94to98[5];   /* +640 */
    uint32_t cap99;          /* +660 */
    uint32_t cap100;         /* +664 */
    uint32_t cap101;         /* +668, API 14 or later */
    uint32_t cap102;         /* +672, API 14 or later */
    VEXLCAPSLIST cap103;     /* +676 values, API 14 or later */
    VEXLCAPSLIST cap104;     /* +684 values, API 14 or later */
    VEXLCAPSLIST cap105;     /* +692 values, API 14 or later */
    VEXLCAPSLIST cap106;     /* +700 values, API 14 or later */
    VEXLCAPSLIST cap107;     /* +708 values, API 14 or later */
    uint32_t cap108;         /* +716 */
    VEXLCAPSLIST cap109;     /* +720 values */
    uint32_t cap110;         /* +728 */
    uint32_t cap111;         /* +732 */
    uint32_t cap112;         /* +736 */
    uint32_t cap113to116[4]; /* +740, only when cap112 is not 0 */
    uint32_t cap117;         /* +756 */
    uint32_t cap118to123[6]; /* +760 */
    int32_t cap124Width;     /* +784 maximum width, API 16 or later */
    int32_t cap124Length;    /* +788 */
    int32_t cap125Width;     /* +792 minimum width, API 16 or later */
    int32_t cap125Length;    /* +796 */
    uint32_t cap126;         /* +800 */
    VEXLCAPSLIST cap127;     /* +804 260-byte names, API 16 or later */
} VEXLALLCAPS;

#ifdef __cplusplus
#include <cstddef>
#define VEXL_ALLCAPS_ASSERT(e, m) static_assert(e, m)
#else
#include <stddef.h>
#define VEXL_ALLCAPS_ASSERT(e, m) _Static_assert(e, m)
#endif

VEXL_ALLCAPS_ASSERT(sizeof(VEXLCAPSLIST) == 8, "a list is a count and an address");
VEXL_ALLCAPS_ASSERT(sizeof(VEXLALLCAPS) == 812, "the all-capabilities record is 812 bytes");
VEXL_ALLCAPS_ASSERT(offsetof(VEXLALLCAPS, cap1) == 4 && offsetof(VEXLALLCAPS, cap12) == 80 &&
                        offsetof(VEXLALLCAPS, cap13Width) == 88 && offsetof(VEXLALLCAPS, cap14Length) == 94 &&
                        offsetof(VEXLALLCAPS, cap20H) == 128 && offsetof(VEXLALLCAPS, cap25to29) == 148 &&
                        offsetof(VEXLALLCAPS, cap30) == 168 && offsetof(VEXLALLCAPS, cap35to38) == 200 &&
                        offsetof(VEXLALLCAPS, cap57) == 316 && offsetof(VEXLALLCAPS, cap66) == 320 &&
                        offsetof(VEXLALLCAPS, cap62_258_259) == 352 && offsetof(VEXLALLCAPS, cap266) == 400 &&
                        offsetof(VEXLALLCAPS, cap69) == 452 && offsetof(VEXLALLCAPS, cap83) == 532 &&
                        offsetof(VEXLALLCAPS, cap85) == 584 && offsetof(VEXLALLCAPS, cap94to98) == 640 &&
                        offsetof(VEXLALLCAPS, cap101) == 668 && offsetof(VEXLALLCAPS, cap107) == 708 &&
                        offsetof(VEXLALLCAPS, cap113to116) == 740 && offsetof(VEXLALLCAPS, cap118to123) == 760 &&
                        offsetof(VEXLALLCAPS, cap124Width) == 784 && offsetof(VEXLALLCAPS, cap126) == 800 &&
                        offsetof(VEXLALLCAPS, cap127) == 804,
                    "the all-capabilities record keeps its exported layout");
#undef VEXL_ALLCAPS_ASSERT
