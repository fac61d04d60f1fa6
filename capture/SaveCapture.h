// Writing a capture to an image file: the work of cls_Capture's
// SaveCaptureToFile and MakeTempFileName.
#pragma once

#include <string>

#include "FreeImageLibrary.h"
#include "com/picture.h"
#include "kestrel/component_error.h"

namespace shutterbox {

// The source of every error SaveCaptureToFile raises.
inline constexpr char16_t kSaveSource[] = u"CCapture.SaveCaptureToFile";

// Error numbers of the writer's own failures.
constexpr int32_t kNoCapture = kestrel::kObjectErrorBase + 0x201;
constexpr int32_t kNoTempFile = kestrel::kObjectErrorBase + 0x202;
constexpr int32_t kUnreadable = kestrel::kObjectErrorBase + 0x203;
constexpr int32_t kCannotWrite = kestrel::kObjectErrorBase + 0x204;

// The full path of a new, empty, uniquely named file in the temporary folder
// whose name begins with prefix; "" when none could be made.
std::u16string MakeTempFileName(const std::u16string& prefix);

// Writes picture to filename (a Windows path) in the format named by format
// (bmp, jpg, jpeg, gif, png, pcx or tiff, in any case; any other name writes
// nothing). The picture is first written as a bitmap file into the
// temporary folder and read back with the image library; depths a format
// cannot take are converted (32 bits to 24 for every format, 24 to an 8-bit
// palette for GIF). The destination is written beside its final name and
// renamed over it, so a failed write leaves an existing file as it was.
// Returns true. Throws kestrel::ComponentError with the source kSaveSource;
// no temporary file is left on any way out.
bool SaveCaptureToFile(IUnknown* picture, const std::u16string& filename, const std::u16string& format,
                       FreeImage::Library& library);

}  // namespace shutterbox
