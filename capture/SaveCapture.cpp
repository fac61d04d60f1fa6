#include "SaveCapture.h"

#include <filesystem>
#include <future>
#include <new>
#include <optional>
#include <system_error>

#include "kestrel/codepage.h"
#include "kestrel/component_error.h"
#include "kestrel/paths.h"

namespace shutterbox {

namespace {

namespace cp = kestrel::codepage;
using kestrel::ComponentError;

struct Writer {
  const char16_t* name;
  std::optional<FreeImage::Format> format;  // none: a copy of the bitmap file
};

// Tested in this order against the lower-cased format name.
constexpr Writer kWriters[] = {
    {u"bmp", std::nullopt},          {u"jpg", FreeImage::FIF_JPEG}, {u"jpeg", FreeImage::FIF_JPEG},
    {u"gif", FreeImage::FIF_GIF},    {u"png", FreeImage::FIF_PNG},  {u"pcx", FreeImage::FIF_PCX},
    {u"tiff", FreeImage::FIF_TIFF},
};

const char16_t* FormatTitle(FreeImage::Format format) {
  switch (format) {
    case FreeImage::FIF_JPEG: return u"JPEG";
    case FreeImage::FIF_GIF: return u"GIF";
    case FreeImage::FIF_PNG: return u"PNG";
    case FreeImage::FIF_PCX: return u"PCX";
    case FreeImage::FIF_TIFF: return u"TIFF";
    default: return u"BMP";
  }
}

std::u16string Lower(std::u16string text) {
  for (char16_t& c : text)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  return text;
}

// The system's text for an error code, without its line end.
std::u16string SystemText(DWORD code) {
  char buffer[512];
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, buffer,
                           sizeof buffer, nullptr);
  std::string text(buffer, n);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text.empty() ? u"Error " + cp::FromAnsi(std::to_string(code)) : cp::FromAnsi(text);
}

std::u16string TextOfResult(HRESULT hr) {
  return HRESULT_FACILITY(hr) == FACILITY_WIN32 ? SystemText(static_cast<DWORD>(HRESULT_CODE(hr)))
                                                : u"Error " + cp::FromAnsi(std::to_string(hr));
}

[[noreturn]] void RaiseWin32(DWORD code, const std::u16string& what) {
  throw ComponentError(HRESULT_FROM_WIN32(code), u"", what + u": " + SystemText(code));
}

std::string Native(const std::string& windowsPath) { return kestrel::paths::ToNative(windowsPath).string(); }

// Deletes a file (a Windows path) on every way out unless released.
class FileGuard {
 public:
  explicit FileGuard(std::string path) : path_(std::move(path)) {}
  ~FileGuard() {
    if (!path_.empty()) DeleteFileA(path_.c_str());
  }
  FileGuard(const FileGuard&) = delete;
  FileGuard& operator=(const FileGuard&) = delete;
  const std::string& path() const { return path_; }
  void release() { path_.clear(); }
  void reset() {
    if (!path_.empty()) DeleteFileA(path_.c_str());
    release();
  }

 private:
  std::string path_;
};

// A new empty file beside destination, in its folder, to be renamed over it.
std::string MakeSibling(const std::string& destination) {
  size_t slash = destination.find_last_of('\\');
  std::string folder = slash == std::string::npos ? std::string() : destination.substr(0, slash + 1);
  char name[MAX_PATH + 16] = {};
  if (folder.empty() || !GetTempFileNameA(folder.c_str(), "QSC", 0, name))
    RaiseWin32(folder.empty() ? ERROR_PATH_NOT_FOUND : GetLastError(), u"Could not write " + cp::FromAnsi(destination));
  return name;
}

void PutInPlace(FileGuard& sibling, const std::string& destination) {
  if (!MoveFileExA(sibling.path().c_str(), destination.c_str(), MOVEFILE_REPLACE_EXISTING))
    RaiseWin32(GetLastError(), u"Could not write " + cp::FromAnsi(destination));
  sibling.release();
}

// Runs work beside the caller; the returned future waits for it when
// destroyed. Where no thread can be had the work does not run, and the
// owners it would have let go do so in their destructors.
template <class Work>
std::future<void> Beside(Work work) {
  return std::async(std::launch::async | std::launch::deferred, std::move(work));
}

void CopyInPlace(const std::string& temp, const std::string& destination) {
  FileGuard sibling(MakeSibling(destination));
  std::error_code ec;
  std::filesystem::copy_file(Native(temp), Native(sibling.path()), std::filesystem::copy_options::overwrite_existing,
                             ec);
  if (ec)
    throw ComponentError(HRESULT_FROM_WIN32(ERROR_WRITE_FAULT), u"",
                         u"Could not write " + cp::FromAnsi(destination) + u": " + cp::FromUtf8(ec.message()));
  PutInPlace(sibling, destination);
}

// The image at a depth the format's writer takes: the loaded one, or a
// converted copy held in converted (the loaded one is then let go).
FreeImage::FIBITMAP* Writable(FreeImage::Library& library, FreeImage::Format format, FreeImage::Image& image,
                              FreeImage::Image& converted) {
  unsigned bpp = library.GetBPP(image.get());
  // 32 bits would carry the reserved byte as alpha: every writer gets 24.
  bool fits = format == FreeImage::FIF_GIF ? bpp <= 8 : bpp <= 8 || bpp == 24;
  if (fits) return image.get();
  auto cannot = [&](const char16_t* depth) {
    return ComponentError(kCannotWrite, u"",
                          u"The image library could not convert the picture to " + std::u16string(depth) + u" for " +
                              FormatTitle(format));
  };
  if (bpp != 24) {
    converted.reset(library.ConvertTo24Bits(image.get()));
    if (!converted) throw cannot(u"24 bits");
    image.reset();
  }
  if (format == FreeImage::FIF_GIF) {
    FreeImage::FIBITMAP* quantised = library.ColorQuantize(converted ? converted.get() : image.get());
    if (!quantised) throw cannot(u"256 colours");
    converted.reset(quantised);
    image.reset();
  }
  return converted.get();
}

void WriteWithLibrary(FreeImage::Library& library, FreeImage::Format format, FreeImage::Image& image,
                      const std::string& destination) {
  FreeImage::Image converted(library, nullptr);
  FreeImage::FIBITMAP* ready = Writable(library, format, image, converted);
  FileGuard sibling(MakeSibling(destination));
  if (!library.Save(format, ready, Native(sibling.path()), 0))
    throw ComponentError(kCannotWrite, u"",
                         u"The image library could not write " + cp::FromAnsi(destination) + u" as " +
                             FormatTitle(format));
  // The images go while the file is put in place.
  std::future<void> unloading = Beside([&] {
    converted.reset();
    image.reset();
  });
  PutInPlace(sibling, destination);
}

void Save(IUnknown* picture, const std::string& destination, const std::u16string& format,
          FreeImage::Library& library) {
  const Writer* writer = nullptr;
  std::u16string name = Lower(format);
  for (const Writer& w : kWriters)
    if (name == w.name) {
      writer = &w;
      break;
    }
  if (writer && writer->format == FreeImage::FIF_PCX)
    throw ComponentError(kCannotWrite, u"", u"The image library cannot write PCX files; nothing was written to " +
                                                cp::FromAnsi(destination));

  std::string temp = cp::ToAnsi(MakeTempFileName(u"QSC"));
  if (temp.empty())
    throw ComponentError(kNoTempFile, u"", u"Could not create a temporary file: " + SystemText(GetLastError()));
  FileGuard temp_file(temp);
  if (!picture) throw ComponentError(kNoCapture, u"", u"There is no capture to save");
  // A 32-bit capture goes to the image library's writers as 24 bits: the
  // screen has no alpha, and the library takes the reserved byte for one.
  // Converting while the bitmap file is written costs least.
  bool to_writer = writer && writer->format;
  int depth = to_writer && kestrel::ole::PictureDepth(picture) == 32 ? 24 : 0;
  if (HRESULT hr = kestrel::ole::SavePicture(picture, temp, depth); FAILED(hr)) {
    if (hr == CTL_E_INVALIDPICTURE) throw ComponentError(kNoCapture, u"", u"The capture holds no picture to save");
    throw ComponentError(hr, u"",
                         u"Could not write the temporary bitmap " + cp::FromAnsi(temp) + u": " + TextOfResult(hr));
  }
  FreeImage::Image image(library, library.Load(FreeImage::FIF_BMP, Native(temp), 0));
  if (!image) throw ComponentError(kUnreadable, u"", u"The image library could not read " + cp::FromAnsi(temp));
  if (!writer) return;
  if (to_writer) {
    // The bitmap file has served once loaded: it goes while the writer works.
    std::future<void> removal = Beside([&] { temp_file.reset(); });
    WriteWithLibrary(library, *writer->format, image, destination);
  } else {
    CopyInPlace(temp, destination);
  }
}

}  // namespace

std::u16string MakeTempFileName(const std::u16string& prefix) {
  char path[512];
  DWORD n = GetTempPathA(sizeof path, path);
  if (n == 0 || n >= sizeof path) return u"";
  char name[576];
  if (GetTempFileNameA(path, cp::ToAnsi(prefix).c_str(), 0, name) == 0) return u"";
  return cp::FromAnsi(name);
}

bool SaveCaptureToFile(IUnknown* picture, const std::u16string& filename, const std::u16string& format,
                       FreeImage::Library& library) {
  try {
    Save(picture, cp::ToAnsi(filename), format, library);
  } catch (const ComponentError& e) {
    throw ComponentError(e.number(), kSaveSource, e.description());
  } catch (const std::bad_alloc&) {
    throw ComponentError(7, kSaveSource, u"Out of memory");
  }
  return true;
}

}  // namespace shutterbox
