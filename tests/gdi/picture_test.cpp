#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "com/com.h"
#include "com/picture.h"
#include "kestrel/bitmap_file.h"
#include "kestrel/paths.h"
#include "machine_test.h"
#include "windows.h"

namespace {
using kestrel::ComPtr;

HBITMAP NewBitmap(int w, int h) {
  HDC screen = GetDC(nullptr);
  HBITMAP b = CreateCompatibleBitmap(screen, w, h);
  ReleaseDC(nullptr, screen);
  return b;
}

HPALETTE NewPalette() {
  LOGPALETTE one{0x300, 1, {{1, 2, 3, 0}}};
  return CreatePalette(&one);
}

ComPtr<IPicture> MakePicture(HBITMAP bitmap, HPALETTE palette, BOOL own) {
  PICTDESC desc{};
  desc.cbSizeofstruct = sizeof desc;
  desc.picType = PICTYPE_BITMAP;
  desc.bmp.hbitmap = bitmap;
  desc.bmp.hpal = palette;
  ComPtr<IPicture> picture;
  EXPECT_EQ(OleCreatePictureIndirect(&desc, IID_IPicture, own, picture.put_void()), S_OK);
  return picture;
}

class Picture : public kestrel::test::MachineTest {
 protected:
  void TearDown() override { EXPECT_EQ(kestrel::com::LiveObjects(), 0); }
};

TEST_F(Picture, OwnsItsHandlesOnlyWhenTold) {
  for (BOOL own : {TRUE, FALSE}) {
    HBITMAP bitmap = NewBitmap(4, 3);
    HPALETTE palette = NewPalette();
    MakePicture(bitmap, palette, own);  // released at once
    EXPECT_EQ(GetObjectType(bitmap) != 0, !own);
    EXPECT_EQ(GetObjectType(palette) != 0, !own);
    if (!own) DeleteObject(bitmap), DeleteObject(palette);
  }
}

TEST_F(Picture, AnswersItsPropertiesBothWays) {
  HBITMAP bitmap = NewBitmap(96, 48);
  ComPtr<IPicture> picture = MakePicture(bitmap, nullptr, TRUE);
  OLE_HANDLE handle = 0;
  SHORT type = 0;
  OLE_XSIZE_HIMETRIC width = 0;
  OLE_YSIZE_HIMETRIC height = 0;
  picture->get_Handle(&handle);
  picture->get_Type(&type);
  picture->get_Width(&width);
  picture->get_Height(&height);
  EXPECT_EQ(reinterpret_cast<HBITMAP>(static_cast<uintptr_t>(handle)), bitmap);
  EXPECT_EQ(type, PICTYPE_BITMAP);
  EXPECT_EQ(width, 2540) << "96 pixels are an inch";
  EXPECT_EQ(height, 1270);

  ComPtr<IPictureDisp> disp = picture.As<IPictureDisp>();
  ASSERT_TRUE(disp);
  EXPECT_EQ(kestrel::com::GetProperty(disp.get(), u"Handle").ToInt32(), static_cast<int32_t>(handle));
  EXPECT_EQ(kestrel::com::GetProperty(disp.get(), u"Width").ToInt32(), 2540);
  EXPECT_EQ(disp.As<IDispatch>().get(), static_cast<IDispatch*>(disp.get()));
}

TEST_F(Picture, RefusesWhatIsNotABitmap) {
  PICTDESC desc{};
  desc.cbSizeofstruct = sizeof desc;
  desc.picType = PICTYPE_BITMAP;
  ComPtr<IPicture> picture;
  EXPECT_EQ(OleCreatePictureIndirect(&desc, IID_IPicture, TRUE, picture.put_void()), E_INVALIDARG);
  EXPECT_FALSE(picture);
  desc.bmp.hbitmap = NewBitmap(1, 1);
  desc.cbSizeofstruct = 20;
  EXPECT_EQ(OleCreatePictureIndirect(&desc, IID_IPicture, TRUE, picture.put_void()), E_INVALIDARG);
  DeleteObject(desc.bmp.hbitmap);
  // No description: an uninitialised picture, which cannot be saved.
  ASSERT_EQ(OleCreatePictureIndirect(nullptr, IID_IPicture, TRUE, picture.put_void()), S_OK);
  EXPECT_EQ(kestrel::ole::SavePicture(picture.get(), "C:\\Temp\\x.bmp"), CTL_E_INVALIDPICTURE);
  EXPECT_EQ(kestrel::ole::SavePicture(nullptr, "C:\\Temp\\x.bmp"), E_POINTER);
}

TEST_F(Picture, SavesTheSameBitmapToFilesAndStreams) {
  HBITMAP bitmap = NewBitmap(5, 3);
  ComPtr<IPicture> picture = MakePicture(bitmap, nullptr, TRUE);
  ASSERT_EQ(kestrel::ole::SavePicture(picture.get(), "C:\\Temp\\p.bmp"), S_OK);
  std::ifstream in(kestrel::paths::ToNative("C:\\Temp\\p.bmp"), std::ios::binary);
  std::string file(std::istreambuf_iterator<char>(in), {});
  EXPECT_EQ(file.size(), 14u + 40 + 5 * 4 * 3);

  ComPtr<IStream> stream;
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, stream.put()), S_OK);
  LONG size = 0;
  ASSERT_EQ(picture->SaveAsFile(stream.get(), TRUE, &size), S_OK);
  EXPECT_EQ(static_cast<size_t>(size), file.size());
  std::string streamed(file.size(), '\0');
  stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr);
  ULONG read = 0;
  stream->Read(streamed.data(), static_cast<ULONG>(streamed.size()), &read);
  EXPECT_EQ(streamed, file);

  EXPECT_EQ(kestrel::ole::SavePicture(picture.get(), "C:\\NoSuchFolder\\p.bmp"),
            HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
}

}  // namespace
