// The image library, loaded by its file name at the first call of one of its
// functions, each function bound by name at its own first call, as the
// capture library's declarations of it are.
#pragma once

#include <mutex>
#include <string>

#include "windows.h"

namespace FreeImage {

struct FIBITMAP;  // an image of the library, opaque here

// Format identifiers of the library.
enum Format : int { FIF_BMP = 0, FIF_JPEG = 2, FIF_PCX = 10, FIF_PNG = 13, FIF_TIFF = 18, FIF_GIF = 25 };

// Error numbers raised when the library or one of its functions is missing.
constexpr int32_t kFileNotFound = 53;
constexpr int32_t kEntryPointNotFound = 453;

class Library {
 public:
  // The Debian library's file name; a test may name another.
  explicit Library(std::string fileName = "libfreeimage.so.3");
  ~Library();
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;

  // Each throws kestrel::ComponentError with kFileNotFound when the library
  // cannot be loaded, kEntryPointNotFound when it lacks the function.
  // File names are native paths.
  FIBITMAP* Load(Format format, const std::string& fileName, int flags);
  bool Save(Format format, FIBITMAP* image, const std::string& fileName, int flags);
  void Unload(FIBITMAP* image);
  unsigned GetBPP(FIBITMAP* image);
  unsigned GetWidth(FIBITMAP* image);
  unsigned GetHeight(FIBITMAP* image);
  // New images (the caller unloads them); NULL on failure.
  FIBITMAP* ConvertTo24Bits(FIBITMAP* image);
  FIBITMAP* ColorQuantize(FIBITMAP* image);  // 24 bits to an 8-bit palette image

  const std::string& fileName() const { return file_name_; }

 private:
  // The address of a function, loading the library first if need be.
  void* Bind(const char* name, void** slot);

  std::string file_name_;
  std::mutex mutex_;
  HMODULE module_ = nullptr;
  void* load_ = nullptr;
  void* save_ = nullptr;
  void* unload_ = nullptr;
  void* get_bpp_ = nullptr;
  void* get_width_ = nullptr;
  void* get_height_ = nullptr;
  void* convert_24_ = nullptr;
  void* quantize_ = nullptr;
};

// The library the capture library uses.
Library& Default();

// Unloads an image when it goes out of scope.
class Image {
 public:
  Image(Library& library, FIBITMAP* image) : library_(library), image_(image) {}
  ~Image() { reset(); }
  Image(const Image&) = delete;
  Image& operator=(const Image&) = delete;

  FIBITMAP* get() const { return image_; }
  explicit operator bool() const { return image_ != nullptr; }
  void reset(FIBITMAP* image = nullptr) {
    if (image_) library_.Unload(image_);
    image_ = image;
  }

 private:
  Library& library_;
  FIBITMAP* image_;
};

}  // namespace FreeImage
