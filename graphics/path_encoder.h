// The path records 0x11 and 0x12 and the path body of outline characters,
// read from the engine's PATHOBJ.
#pragma once

#include "graphics/records.h"
#include "platform/ddi.h"

#include <cstdint>

namespace vexl {

// Drawing modes of a path record.
inline constexpr BYTE kPathStroke = 0;
inline constexpr BYTE kPathFillAlternate = 1;
inline constexpr BYTE kPathFillWinding = 2;
inline constexpr BYTE kPathStrokeFillAlternate = 3;
inline constexpr BYTE kPathStrokeFillWinding = 4;
inline constexpr BYTE kPathClip = 5;

// How the encoder reads a path: the engine's PATHOBJ services, or a
// stand-in that hands out the same PATHDATA pieces.
struct PathEnumerator {
    void (*enumStart)(PATHOBJ* path);
    BOOL (*enumNext)(PATHOBJ* path, PATHDATA* data);  // FALSE with the last piece
    void (*getBounds)(PATHOBJ* path, RECTFX* bounds);
};

// PATHOBJ_vEnumStart, PATHOBJ_bEnum and PATHOBJ_vGetBounds of the engine.
extern const PathEnumerator kEnginePathEnumerator;

// Bytes a path record or a pool path buffer is first sized to, by the
// engine's curve count. The encoder never trusts it: when a path needs
// more, the reservation is given back and sized exactly.
std::uint64_t PathRecordBytes(ULONG curves);
std::uint64_t PathBufferBytes(ULONG curves);

// A path record reserved for `curves` curves, not yet filled.
BYTE* ReservePathRecord(OutputStream& stream, ULONG curves);
// A pool buffer for the body of a path of `curves` curves.
BYTE* AllocPathBuffer(PdevPool* pool, ULONG curves);

// The path as one record (0x11 with a curve, else 0x12). A stroked path
// with a closed figure and more than one subpath goes out as one record per
// subpath. Null when the record cannot be reserved or the path is malformed
// (a Bezier piece whose point count is not a multiple of 3, a subpath
// without a start point).
BYTE* EmitPathRecord(OutputStream& stream, PATHOBJ* path, BYTE mode,
                     const PathEnumerator& enumerator = kEnginePathEnumerator);
BYTE* EmitPathPerSubpath(OutputStream& stream, PATHOBJ* path, BYTE mode,
                         const PathEnumerator& enumerator = kEnginePathEnumerator);

// The path body (u32 point-word count, then the subpaths) with dx and dy
// added to every point, into `buffer` of `capacity` bytes. Returns its size
// (a multiple of 4), or 0 when the path is malformed, has a piece without
// points, or does not fit; `needed` (when given) gets the size it needs.
std::uint32_t EncodePathBody(PATHOBJ* path, BOOL* closed, BYTE* buffer, std::uint32_t capacity, LONG dx, LONG dy,
                             std::uint32_t* needed = nullptr, const PathEnumerator& enumerator = kEnginePathEnumerator);

// The path body in a pool buffer sized by the curve count, or exactly when
// that is short; null on failure. The caller frees it with PdevPoolFree.
BYTE* EncodePathBodyInPool(PdevPool* pool, PATHOBJ* path, BOOL* closed, LONG dx, LONG dy, std::uint32_t* size,
                           const PathEnumerator& enumerator = kEnginePathEnumerator);

}  // namespace vexl
