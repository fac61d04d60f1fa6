#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "kestrel/icon_pixels.h"
#include "kestrel/machine.h"
#include "machine_test.h"
#include "resource_support.h"

namespace {

using kestrel::test::GroupOf;
using kestrel::test::MachineTest;

class Resources : public MachineTest {
 protected:
  HMODULE library_ = ResourceLibraryModule();
};

std::string Bytes(HMODULE module, LPCSTR name, LPCSTR type) {
  HRSRC found = FindResourceA(module, name, type);
  if (!found) return "<not found>";
  const void* data = LockResource(LoadResource(module, found));
  return data ? std::string(static_cast<const char*>(data), SizeofResource(module, found)) : "<no data>";
}

TEST_F(Resources, TheLibraryFindsItsOwnModule) {
  ASSERT_NE(library_, nullptr);
  char path[MAX_PATH];
  ASSERT_GT(GetModuleFileNameA(library_, path, sizeof path), 0u);
  EXPECT_NE(std::string(path).find("libresource_library.so"), std::string::npos) << path;
  // Loading it by name gives the same module and the same resources.
  HMODULE loaded = LoadLibraryA("libresource_library.so");
  EXPECT_EQ(loaded, library_);
  EXPECT_EQ(Bytes(loaded, MAKEINTRESOURCEA(7), RT_RCDATA), std::string("data\0with a zero\n", 17));
  FreeLibrary(loaded);
  // An address outside every module names none.
  std::string heap(100, 'x');
  HMODULE none = reinterpret_cast<HMODULE>(0x55);
  SetLastError(0);
  EXPECT_FALSE(GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                  heap.data(), &none));
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
}

TEST_F(Resources, EveryIconGroupHoldsTheImagesOfItsButton) {
  struct Case {
    int id;
    std::vector<std::pair<int, int>> images;  // size, bits, in directory order
  } cases[] = {
      {101, {{32, 4}, {16, 4}}}, {102, {{32, 4}, {16, 4}}}, {103, {{32, 4}, {16, 4}}},
      {104, {{32, 4}, {16, 4}}}, {105, {{16, 8}, {24, 8}}}, {106, {{16, 8}, {32, 8}}},
      {107, {{32, 4}, {16, 4}}}, {108, {{32, 4}, {16, 4}, {48, 4}, {32, 8}, {48, 8}, {16, 8}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    auto group = GroupOf(c.id);
    ASSERT_EQ(group.size(), c.images.size());
    for (size_t i = 0; i < group.size(); ++i) {
      EXPECT_EQ(group[i].size, c.images[i].first);
      EXPECT_EQ(group[i].bits, c.images[i].second);
      EXPECT_EQ(group[i].colours, c.images[i].second == 4 ? 16 : 0);
      // The image the directory names: a bitmap of that size and depth with
      // its colour table, colour rows and AND mask.
      HRSRC image = FindResourceA(library_, MAKEINTRESOURCEA(group[i].id), RT_ICON);
      ASSERT_NE(image, nullptr);
      ASSERT_EQ(SizeofResource(library_, image), group[i].bytes);
      int n = group[i].size, bits = group[i].bits;
      size_t expected = 40 + 4 * (1u << bits) + ((n * bits + 31) / 32) * 4 * n + ((n + 31) / 32) * 4 * n;
      EXPECT_EQ(group[i].bytes, expected);
      {
        const BYTE* p = static_cast<const BYTE*>(LockResource(LoadResource(library_, image)));
        int32_t header[3];
        std::memcpy(header, p, sizeof header);
        WORD planes_bits[2];
        std::memcpy(planes_bits, p + 12, sizeof planes_bits);
        EXPECT_EQ(header[0], 40);
        EXPECT_EQ(header[1], n);
        EXPECT_EQ(header[2], 2 * n);
        EXPECT_EQ(planes_bits[0], 1);
        EXPECT_EQ(planes_bits[1], bits);
      }
      // Loaded at its size, the group gives that size at its deepest depth.
      int deepest = 0;
      for (const auto& other : c.images)
        if (other.first == n) deepest = std::max(deepest, other.second);
      kestrel::UniqueHIcon icon(static_cast<HICON>(LoadImageA(library_, MAKEINTRESOURCEA(c.id), IMAGE_ICON, n, n, 0)));
      kestrel::IconPixels pixels;
      ASSERT_TRUE(kestrel::GetIconPixels(icon.get(), &pixels));
      EXPECT_EQ(pixels.width, n);
      EXPECT_EQ(pixels.bits, deepest);
    }
  }
}

TEST_F(Resources, TheManifestReadsBackAsItsXmlText) {
  std::ifstream file(KESTREL_BAND_MANIFEST, std::ios::binary);
  std::string source((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  ASSERT_FALSE(source.empty());
  std::string text = Bytes(library_, MAKEINTRESOURCEA(ISOLATIONAWARE_MANIFEST_RESOURCE_ID), RT_MANIFEST);
  EXPECT_EQ(text, source);
  for (const char* part : {"name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
                           "processorArchitecture=\"X86\" publicKeyToken=\"6595b64144ccf1df\" language=\"*\"",
                           "type=\"win32\" name=\"Kestrel.IEToolbar\" version=\"1.0.0.0\" processorArchitecture=\"X86\""})
    EXPECT_NE(text.find(part), std::string::npos) << part;
  // The type can be named as "#24" too; names are case-insensitive.
  EXPECT_EQ(Bytes(library_, "#2", "#24"), source);
}

TEST_F(Resources, MissingResourcesFailWithTheirErrorCodes) {
  HMODULE program = GetModuleHandleA(nullptr);  // the test program carries none
  struct Case {
    HMODULE module;
    LPCSTR name, type;
    DWORD error;
  } cases[] = {
      {library_, MAKEINTRESOURCEA(999), RT_GROUP_ICON, ERROR_RESOURCE_NAME_NOT_FOUND},
      {library_, MAKEINTRESOURCEA(3), RT_GROUP_ICON, ERROR_RESOURCE_NAME_NOT_FOUND},  // an RT_ICON number
      {library_, "NOSUCH", RT_GROUP_ICON, ERROR_RESOURCE_NAME_NOT_FOUND},
      {library_, "#", RT_GROUP_ICON, ERROR_RESOURCE_NAME_NOT_FOUND},
      {library_, "#70000", RT_GROUP_ICON, ERROR_RESOURCE_NAME_NOT_FOUND},
      {library_, "", RT_GROUP_ICON, ERROR_RESOURCE_NAME_NOT_FOUND},
      {library_, nullptr, RT_GROUP_ICON, ERROR_RESOURCE_NAME_NOT_FOUND},
      {library_, MAKEINTRESOURCEA(101), MAKEINTRESOURCEA(77), ERROR_RESOURCE_TYPE_NOT_FOUND},
      {library_, MAKEINTRESOURCEA(101), RT_BITMAP, ERROR_RESOURCE_TYPE_NOT_FOUND},
      {library_, MAKEINTRESOURCEA(101), "ICONS", ERROR_RESOURCE_TYPE_NOT_FOUND},
      {library_, MAKEINTRESOURCEA(101), nullptr, ERROR_RESOURCE_TYPE_NOT_FOUND},
      {program, MAKEINTRESOURCEA(101), RT_GROUP_ICON, ERROR_RESOURCE_DATA_NOT_FOUND},
      {reinterpret_cast<HMODULE>(0x1234), MAKEINTRESOURCEA(101), RT_GROUP_ICON, ERROR_INVALID_HANDLE},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(IS_INTRESOURCE(c.name) ? std::to_string(reinterpret_cast<uintptr_t>(c.name)) : c.name);
    SetLastError(0xDEAD);
    EXPECT_EQ(FindResourceA(c.module, c.name, c.type), nullptr);
    EXPECT_EQ(GetLastError(), c.error);
    if (c.type == RT_GROUP_ICON) {
      SetLastError(0xDEAD);
      EXPECT_EQ(LoadIconA(c.module, c.name), nullptr);
      EXPECT_EQ(GetLastError(), c.error);
    }
  }
  HRSRC found = FindResourceA(library_, MAKEINTRESOURCEA(101), RT_GROUP_ICON);
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(FindResourceA(library_, "#101", "#14"), found);  // the same resource, the same handle
}

TEST_F(Resources, HandlesThatAreNoResourcesAreRefused) {
  HRSRC found = FindResourceA(library_, MAKEINTRESOURCEA(7), RT_RCDATA);
  ASSERT_NE(found, nullptr);
  HGLOBAL data = LoadResource(library_, found);
  ASSERT_NE(data, nullptr);
  for (HRSRC bad : {static_cast<HRSRC>(nullptr), reinterpret_cast<HRSRC>(0x1234),
                    reinterpret_cast<HRSRC>(data), reinterpret_cast<HRSRC>(0x7FFFFFF8)}) {
    SetLastError(0);
    EXPECT_EQ(LoadResource(library_, bad), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(SizeofResource(library_, bad), 0u);
  }
  EXPECT_EQ(LockResource(nullptr), nullptr);
  EXPECT_EQ(LockResource(reinterpret_cast<HGLOBAL>(found)), nullptr);
  EXPECT_NE(LockResource(data), nullptr);
}

}  // namespace
