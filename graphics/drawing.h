// The state a drawing call needs before its drawing record: brushes, colour
// states from mixes, clips, raster operations and line attributes. Each
// state goes through the page's caches, so a run of calls with the same
// state sends only the drawing records.
#pragma once

#include "graphics/records.h"
#include "platform/ddi.h"

namespace vexl {

struct Pdev;

// The colour kinds of ColorState.
inline constexpr BYTE kColorKindFill = 0;
inline constexpr BYTE kColorKindStroke = 1;
inline constexpr BYTE kColorKindStrokeAndFill = 3;
inline constexpr BYTE kColorKindBlit = 4;

// Background modes.
inline constexpr BYTE kBackgroundTransparent = 1;
inline constexpr BYTE kBackgroundOpaque = 2;

inline constexpr DWORD kPatternBrushColor = 0xFFFFFFFF;
inline constexpr DWORD kWhite = 0xFFFFFF;

// Whether a valid Pdev draws a vector call: FALSE with the hook's answer in
// `answer` when the draw-nothing switch is on (TRUE) or the output already
// failed (FALSE).
BOOL DrawsVectorCall(const Pdev* pdev, BOOL* answer);

// The ROP2 (1 to 16) of a ROP3 that uses only the pattern and the
// destination; 0 for every other ROP3.
BYTE Rop3ToRop2(BYTE rop3);
// The device ROP3 of a ROP2; 0xCC for 0 and anything above 16.
BYTE Rop2ToRop3(BYTE rop2);

// The brush of a call: the engine's realisation of a pattern brush with the
// call's origin, or the Pdev's solid brush refilled with the colour. Null
// without a brush or when the engine cannot realise it.
RealizedBrush* SelectBrush(Pdev* pdev, SURFOBJ* surface, BRUSHOBJ* brush, const POINTL* origin);

// ROP2, background mode and pen-colour flag of a MIX.
void ColorStateFromMix(Pdev* pdev, MIX mix, ColorState* state, BOOL strokeAndFill);

// Exchanges red and blue of the foreground and background colours, and of
// the pen colour when it is not 0.
void SwapColorStateRedBlue(ColorState* state);

// Sends the clip of the call unless the page already has it: 1, or -1 when
// a clip record could not be sent.
LONG SelectClip(Pdev* pdev, CLIPOBJ* clip);

// The line attributes of a stroke. FALSE when the line cannot be drawn as
// the device draws lines; `geometric` then tells whether the failure is one
// of a geometric line, which the caller leaves to the engine. A cosmetic
// line whose style does not fit the dash mask is drawn solid.
BOOL BuildLineState(Pdev* pdev, const LINEATTRS* line, DWORD color, XFORMOBJ* xform, LineState* out, BOOL* geometric);

// The scale of a transform x 256 (the mean of |eM11| and |eM22|); FALSE for
// the identity transform or none.
BOOL XformScale(XFORMOBJ* xform, LONG* scale);

}  // namespace vexl
