// modTrace: the band library's only diagnostic channel. Each traced event
// becomes one record handed synchronously to the outside log viewer (a
// top-level window titled trace_viewer::kTitle) by WM_COPYDATA; without a
// viewer records are built and dropped. The viewer's reply to a first level
// query sets the highest level still sent. State is kept once per thread.
// Nothing here reports an error to its caller.
#pragma once

#include <cstdint>
#include <string>

namespace modTrace {

// Stores the source name, the level that -1 stands for and whether every
// record's reply becomes the new highest level. Leaves the viewer state.
void InitTrace(const std::u16string& sourceName, int16_t defaultLevel, bool followViewerLevel);

// Sends one record; level -1 stands for the default level.
void WriteTrace(const std::u16string& message, const std::u16string& className, const std::u16string& procedureName,
                int16_t level, int32_t number, const std::u16string& extra1, const std::u16string& extra2);

// The default source name, the band library's project name.
std::u16string GetTraceSource();

// The band library's version, "major.minor.revision".
std::u16string GetVersionText();

// The record that WriteTrace sends for these fields (the application is the
// band library's file name without its extension).
std::u16string BuildRecord(const std::u16string& message, const std::u16string& className,
                           const std::u16string& procedureName, const std::u16string& source, int16_t level,
                           int32_t number, const std::u16string& extra1, const std::u16string& extra2,
                           int16_t reserved);

}  // namespace modTrace
