// Reading and writing the pixels behind a device context.
#pragma once

#include "gdi/objects.h"

namespace kestrel::gdi {

// Where a DC's drawing lands: DC coordinates + (dx, dy) are coordinates in
// pixels, and only clip (in those coordinates) may be written.
struct Target {
  Pixels* pixels = nullptr;
  int dx = 0, dy = 0;
  Box clip;
};
// False for a DC whose window is gone. Call with the lock held.
bool TargetOf(DC* dc, Target* out);

// The colour depth a DC produces and takes: its bitmap's for a memory DC,
// the screen's otherwise.
int DepthOf(DC* dc);

// Reads the area (DC coordinates) of a DC into out, a buffer of the area's
// size at out's depth. read receives the part of out that was filled: a
// memory DC fills only what lies inside its bitmap; screen and window DCs
// fill everything, black outside the screen. False when the DC's window is gone.
bool Read(DC* dc, const Box& area, Pixels* out, Box* read);

// Copies n pixels between rows of the given depths (8: system palette indices).
void CopyRow(const uint8_t* src, int srcBpp, uint8_t* dst, int dstBpp, int n);

}  // namespace kestrel::gdi
