// What the band's trace log and the outside log viewer agree on.
//
// The viewer owns a top-level window with kTitle. Records and level queries
// arrive as WM_COPYDATA, wParam = the viewer's own window:
//   dwData kLevelQuery, no data         → reply: the highest level still sent
//   dwData kRecord, a record            → reply: a level (used only by a
//                                          band that follows the viewer)
// A record is UTF-16, kFieldCount fields each followed by U+0000: version,
// message, procedure, class, application, source, extra 1, extra 2, (empty),
// number, level, reserved.
#pragma once

namespace trace_viewer {

inline constexpr char kTitle[] = "Kestrel Trace Viewer";
inline constexpr unsigned long kRecord = 0;
inline constexpr unsigned long kLevelQuery = 1;
inline constexpr int kFieldCount = 12;

}  // namespace trace_viewer
