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

#include <cstring>
#include <string>
#include <vector>

namespace trace_viewer {

inline constexpr char kTitle[] = "Kestrel Trace Viewer";
inline constexpr unsigned long kRecord = 0;
inline constexpr unsigned long kLevelQuery = 1;
inline constexpr int kFieldCount = 12;

// The fields of a record of bytes bytes; false (fields then partial) when
// it is not kFieldCount fields each followed by U+0000.
inline bool SplitRecord(const void* data, size_t bytes, std::vector<std::u16string>& fields) {
  fields.clear();
  if (!data || bytes == 0 || bytes % 2 != 0) return false;
  std::u16string text(bytes / 2, u'\0');
  std::memcpy(text.data(), data, bytes);
  if (text.back() != u'\0') return false;
  for (size_t start = 0, i = 0; i < text.size(); ++i)
    if (text[i] == u'\0') fields.push_back(text.substr(start, i - start)), start = i + 1;
  return fields.size() == static_cast<size_t>(kFieldCount);
}

}  // namespace trace_viewer
