#include "FreeImageLibrary.h"

#include "kestrel/codepage.h"
#include "kestrel/component_error.h"

namespace FreeImage {

namespace {

// The library's own signatures; its BOOL is a 32-bit int.
using LoadFn = FIBITMAP* (*)(int, const char*, int);
using SaveFn = int32_t (*)(int, FIBITMAP*, const char*, int);
using UnloadFn = void (*)(FIBITMAP*);
using InfoFn = unsigned (*)(FIBITMAP*);
using ConvertFn = FIBITMAP* (*)(FIBITMAP*);
using QuantizeFn = FIBITMAP* (*)(FIBITMAP*, int);
constexpr int kWuQuantizer = 0;

}  // namespace

Library::Library(std::string fileName) : file_name_(std::move(fileName)) {}

Library::~Library() {
  if (module_) FreeLibrary(module_);
}

void* Library::Bind(const char* name, void** slot) {
  std::lock_guard lock(mutex_);
  if (*slot) return *slot;
  if (!module_) {
    module_ = LoadLibraryA(file_name_.c_str());
    if (!module_)
      throw kestrel::ComponentError(kFileNotFound, u"", u"File not found: " + kestrel::codepage::FromAnsi(file_name_));
  }
  *slot = GetProcAddress(module_, name);
  if (!*slot)
    throw kestrel::ComponentError(kEntryPointNotFound, u"",
                                  u"Can't find DLL entry point " + kestrel::codepage::FromAnsi(name) + u" in " +
                                      kestrel::codepage::FromAnsi(file_name_));
  return *slot;
}

FIBITMAP* Library::Load(Format format, const std::string& fileName, int flags) {
  return reinterpret_cast<LoadFn>(Bind("FreeImage_Load", &load_))(format, fileName.c_str(), flags);
}

bool Library::Save(Format format, FIBITMAP* image, const std::string& fileName, int flags) {
  return reinterpret_cast<SaveFn>(Bind("FreeImage_Save", &save_))(format, image, fileName.c_str(), flags) != 0;
}

void Library::Unload(FIBITMAP* image) { reinterpret_cast<UnloadFn>(Bind("FreeImage_Unload", &unload_))(image); }

unsigned Library::GetBPP(FIBITMAP* image) {
  return reinterpret_cast<InfoFn>(Bind("FreeImage_GetBPP", &get_bpp_))(image);
}

unsigned Library::GetWidth(FIBITMAP* image) {
  return reinterpret_cast<InfoFn>(Bind("FreeImage_GetWidth", &get_width_))(image);
}

unsigned Library::GetHeight(FIBITMAP* image) {
  return reinterpret_cast<InfoFn>(Bind("FreeImage_GetHeight", &get_height_))(image);
}

FIBITMAP* Library::ConvertTo24Bits(FIBITMAP* image) {
  return reinterpret_cast<ConvertFn>(Bind("FreeImage_ConvertTo24Bits", &convert_24_))(image);
}

FIBITMAP* Library::ColorQuantize(FIBITMAP* image) {
  return reinterpret_cast<QuantizeFn>(Bind("FreeImage_ColorQuantize", &quantize_))(image, kWuQuantizer);
}

Library& Default() {
  static Library library;
  return library;
}

}  // namespace FreeImage
