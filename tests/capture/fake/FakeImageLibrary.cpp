// An image library whose every write fails the way the real one fails a
// write it refuses: the destination is opened (emptied) first, then FALSE.
#include <cstdio>

extern "C" {

struct FIBITMAP;
static char g_image;

FIBITMAP* FreeImage_Load(int, const char*, int) { return reinterpret_cast<FIBITMAP*>(&g_image); }
unsigned FreeImage_GetBPP(FIBITMAP*) { return 24; }
void FreeImage_Unload(FIBITMAP*) {}
int FreeImage_Save(int, FIBITMAP*, const char* fileName, int) {
  if (FILE* f = std::fopen(fileName, "wb")) std::fclose(f);
  return 0;
}

}  // extern "C"
