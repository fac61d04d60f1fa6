// Writing captures to image files.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include <unistd.h>

#include "FreeImageLibrary.h"
#include "com/com.h"
#include "kestrel/codepage.h"
#include "SaveCapture.h"
#include "kestrel/canvas.h"
#include "kestrel/machine.h"
#include "kestrel/paths.h"
#include "machine_test.h"

namespace {
namespace fs = std::filesystem;
using kestrel::ComPtr;
using kestrel::ComponentError;

constexpr COLORREF kLeft = RGB(200, 30, 30);
constexpr COLORREF kRight = RGB(30, 30, 200);

// A picture of width x height at the screen's depth: its left half kLeft,
// its right half kRight.
ComPtr<IPictureDisp> TwoColourPicture(int width, int height) {
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  PICTDESC desc{};
  desc.cbSizeofstruct = sizeof desc;
  desc.picType = PICTYPE_BITMAP;
  desc.bmp.hbitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ previous = SelectObject(dc, desc.bmp.hbitmap);
  {
    kestrel::gdi::Canvas canvas(dc);
    canvas.FillRect(0, 0, width / 2, height, kLeft);
    canvas.FillRect(width / 2, 0, width, height, kRight);
  }
  SelectObject(dc, previous);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  ComPtr<IPictureDisp> picture;
  EXPECT_EQ(OleCreatePictureIndirect(&desc, IID_IPictureDisp, TRUE, picture.put_void()), S_OK);
  return picture;
}

std::string Read(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// What the image library reads back from a file.
struct Decoded {
  unsigned width = 0, height = 0, bpp = 0;
  COLORREF left = CLR_INVALID, right = CLR_INVALID;  // at the middle of each half
};

Decoded ReadBack(FreeImage::Library& library, FreeImage::Format format, const fs::path& file) {
  using GetPixelColor = int32_t (*)(FreeImage::FIBITMAP*, unsigned, unsigned, RGBQUAD*);
  static auto get_pixel =
      reinterpret_cast<GetPixelColor>(dlsym(dlopen("libfreeimage.so.3", RTLD_NOW), "FreeImage_GetPixelColor"));
  Decoded d;
  FreeImage::Image image(library, library.Load(format, file.string(), 0));
  if (!image) return d;
  d.width = library.GetWidth(image.get());
  d.height = library.GetHeight(image.get());
  d.bpp = library.GetBPP(image.get());
  FreeImage::Image rgb(library, library.ConvertTo24Bits(image.get()));
  RGBQUAD q{};
  if (get_pixel(rgb.get(), d.width / 4, d.height / 2, &q)) d.left = RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
  if (get_pixel(rgb.get(), d.width * 3 / 4, d.height / 2, &q)) d.right = RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
  return d;
}

bool Near(COLORREF a, COLORREF b, int tolerance) {
  return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance && std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
         std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

class SaveCapture : public kestrel::test::MachineTest {
 protected:
  void TearDown() override {
    EXPECT_EQ(QscFiles(TempFolder()), 0) << "a temporary file was left behind";
    EXPECT_EQ(QscFiles(Folder()), 0);
  }
  static fs::path TempFolder() { return kestrel::paths::ToNative("C:\\Temp"); }
  fs::path Folder() const { return home_ / "out"; }
  // The Windows path of a file in the destination folder.
  std::u16string Destination(const std::string& name) {
    fs::create_directories(Folder());
    return kestrel::codepage::FromAnsi(kestrel::paths::FromNative(Folder() / name));
  }
  static int QscFiles(const fs::path& folder) {
    int n = 0;
    std::error_code ec;
    for (auto& e : fs::directory_iterator(folder, ec)) n += e.path().filename().string().starts_with("QSC");
    return n;
  }
  bool Save(IUnknown* picture, const std::u16string& file, const std::u16string& format) {
    return shutterbox::SaveCaptureToFile(picture, file, format, library_);
  }
  // The error a save raises (number 0 when it raises none).
  ComponentError SaveError(IUnknown* picture, const std::u16string& file, const std::u16string& format,
                           FreeImage::Library& library) {
    try {
      shutterbox::SaveCaptureToFile(picture, file, format, library);
    } catch (const ComponentError& e) {
      return e;
    }
    return ComponentError(0, u"", u"");
  }
  FreeImage::Library library_;
};

TEST_F(SaveCapture, EachFormatReadsBackAtItsSize) {
  struct Case {
    const char16_t* format;
    FreeImage::Format read_as;
    unsigned bpp;
    int tolerance;
  } cases[] = {
      {u"bmp", FreeImage::FIF_BMP, 32, 0},   {u"jpg", FreeImage::FIF_JPEG, 24, 10},
      {u"JPG", FreeImage::FIF_JPEG, 24, 10}, {u"Jpeg", FreeImage::FIF_JPEG, 24, 10},
      {u"gif", FreeImage::FIF_GIF, 8, 0},    {u"png", FreeImage::FIF_PNG, 24, 0},
      {u"TIFF", FreeImage::FIF_TIFF, 24, 0},
  };
  ComPtr<IPictureDisp> picture = TwoColourPicture(64, 40);
  for (const Case& c : cases) {
    SCOPED_TRACE(kestrel::codepage::ToUtf8(c.format));
    // The name's extension plays no part, and an existing file is replaced.
    std::u16string file = Destination("shot.txt");
    std::ofstream(Folder() / "shot.txt") << "old contents";
    ASSERT_TRUE(Save(picture.get(), file, c.format));
    Decoded d = ReadBack(library_, c.read_as, Folder() / "shot.txt");
    EXPECT_EQ(d.width, 64u);
    EXPECT_EQ(d.height, 40u);
    EXPECT_EQ(d.bpp, c.bpp);
    EXPECT_TRUE(Near(d.left, kLeft, c.tolerance)) << std::hex << d.left;
    EXPECT_TRUE(Near(d.right, kRight, c.tolerance)) << std::hex << d.right;
  }
}

TEST_F(SaveCapture, BmpIsTheTemporaryBitmapFile) {
  ComPtr<IPictureDisp> picture = TwoColourPicture(5, 3);
  ASSERT_TRUE(Save(picture.get(), Destination("a.bmp"), u"bmp"));
  ASSERT_EQ(kestrel::ole::SavePicture(picture.get(), "C:\\Temp\\reference.bmp"), S_OK);
  EXPECT_EQ(Read(Folder() / "a.bmp"), Read(TempFolder() / "reference.bmp"));
}

TEST_F(SaveCapture, UnknownFormatsWriteNothing) {
  ComPtr<IPictureDisp> picture = TwoColourPicture(8, 8);
  for (const char16_t* format : {u"tif", u"", u"jpg "}) {
    EXPECT_TRUE(Save(picture.get(), Destination("none.tif"), format));
    EXPECT_FALSE(fs::exists(Folder() / "none.tif"));
  }
}

TEST_F(SaveCapture, FailuresKeepTheExistingFileAndSayWhy) {
  ComPtr<IPictureDisp> picture = TwoColourPicture(8, 8);
  FreeImage::Library refusing((kestrel::test::BinDir() / "FakeImageLibrary.so").string());
  FreeImage::Library missing("libnothere.so.9"), lacking("libz.so.1");
  struct Case {
    const char* name;
    IUnknown* picture;
    const char* file;
    const char16_t* format;
    FreeImage::Library* library;
    int32_t number;
    std::u16string says;
  } cases[] = {
      {"pcx", picture.get(), "keep.pcx", u"pcx", &library_, shutterbox::kCannotWrite, u"PCX"},
      {"refused write", picture.get(), "keep.jpg", u"jpg", &refusing, shutterbox::kCannotWrite, u"as JPEG"},
      {"no capture", nullptr, "keep.jpg", u"jpg", &library_, shutterbox::kNoCapture, u"no capture"},
      {"no library", picture.get(), "keep.png", u"png", &missing, FreeImage::kFileNotFound, u"libnothere.so.9"},
      {"no function", picture.get(), "keep.png", u"png", &lacking, FreeImage::kEntryPointNotFound,
       u"FreeImage_Load"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::u16string file = Destination(c.file);
    std::ofstream(Folder() / c.file) << "precious";
    ComponentError e = SaveError(c.picture, file, c.format, *c.library);
    EXPECT_EQ(e.number(), c.number);
    EXPECT_EQ(e.source(), u"CCapture.SaveCaptureToFile");
    EXPECT_NE(e.description().find(c.says), std::u16string::npos) << kestrel::codepage::ToUtf8(e.description());
    EXPECT_EQ(Read(Folder() / c.file), "precious");
  }
}

TEST_F(SaveCapture, DestinationsTheFileSystemRefuses) {
  ComPtr<IPictureDisp> picture = TwoColourPicture(8, 8);
  fs::create_directories(Folder() / "locked");
  fs::permissions(Folder() / "locked", fs::perms::owner_read | fs::perms::owner_exec);
  fs::create_directories(Folder() / "a folder.png");
  std::u16string folder = Destination("");
  struct Case {
    std::u16string file;
    int32_t number;
  } cases[] = {
      {folder + u"missing\\x.png", HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND)},
      {folder + u"locked\\x.png", HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED)},
      {folder + u"a folder.png", HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED)},
      {folder + std::u16string(300, u'n') + u".png", HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE)},
      {u"relative.png", HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND)},
  };
  bool root = ::geteuid() == 0;  // root writes into read-only folders
  for (const Case& c : cases) {
    SCOPED_TRACE(kestrel::codepage::ToUtf8(c.file));
    for (const char16_t* format : {u"png", u"bmp"}) {
      ComponentError e = SaveError(picture.get(), c.file, format, library_);
      if (root && c.file.ends_with(u"locked\\x.png")) continue;
      EXPECT_EQ(e.number(), c.number);
      EXPECT_NE(e.description().find(u"Could not write"), std::u16string::npos);
    }
  }
  fs::permissions(Folder() / "locked", fs::perms::owner_all);
  EXPECT_EQ(QscFiles(Folder() / "locked"), 0);
  EXPECT_TRUE(fs::is_directory(Folder() / "a folder.png"));
}

TEST_F(SaveCapture, TempFileNamesAreNewEmptyFiles) {
  std::u16string a = shutterbox::MakeTempFileName(u"QSC"), b = shutterbox::MakeTempFileName(u"QSC");
  EXPECT_TRUE(a.starts_with(u"C:\\Temp\\QSC")) << kestrel::codepage::ToUtf8(a);
  EXPECT_TRUE(a.ends_with(u".TMP"));
  EXPECT_NE(a, b);
  fs::path native = kestrel::paths::ToNative(kestrel::codepage::ToAnsi(a));
  EXPECT_TRUE(fs::exists(native));
  EXPECT_EQ(fs::file_size(native), 0u);
  fs::remove(native);
  fs::remove(kestrel::paths::ToNative(kestrel::codepage::ToAnsi(b)));
}

class PaletteSave : public SaveCapture {
 protected:
  void SetUp() override {
    SaveCapture::SetUp();
    kestrel::machine::SetSetting("screen", "8");
  }
};

TEST_F(PaletteSave, EightBitCapturesGoToEveryWriterAsTheyAre) {
  ComPtr<IPictureDisp> picture = TwoColourPicture(16, 8);
  // Palette colours nearest to the two halves.
  constexpr COLORREF kLeftNear = RGB(204, 51, 51), kRightNear = RGB(51, 51, 204);
  struct Case {
    const char16_t* format;
    FreeImage::Format read_as;
    unsigned bpp;  // the JPEG writer spreads a palette out to colour
    int tolerance;
  } cases[] = {{u"jpg", FreeImage::FIF_JPEG, 24, 12},
               {u"gif", FreeImage::FIF_GIF, 8, 0},
               {u"png", FreeImage::FIF_PNG, 8, 0},
               {u"bmp", FreeImage::FIF_BMP, 8, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(kestrel::codepage::ToUtf8(c.format));
    ASSERT_TRUE(Save(picture.get(), Destination("p.img"), c.format));
    Decoded d = ReadBack(library_, c.read_as, Folder() / "p.img");
    EXPECT_EQ(d.width, 16u);
    EXPECT_EQ(d.bpp, c.bpp);
    EXPECT_TRUE(Near(d.left, kLeftNear, c.tolerance)) << std::hex << d.left;
    EXPECT_TRUE(Near(d.right, kRightNear, c.tolerance)) << std::hex << d.right;
  }
}

}  // namespace
