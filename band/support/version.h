// The band library's version resource.
#pragma once

namespace band_version {
inline constexpr int kMajor = 1;
inline constexpr int kMinor = 0;
inline constexpr int kRevision = 0;
}  // namespace band_version
