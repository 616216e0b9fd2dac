#include "ScreenPicture.h"

// GDI+ declares its classes with the COM types that WIN32_LEAN_AND_MEAN
// leaves out of windows.h.
#include <objidl.h>
#include <gdiplus.h>

#include <cstring>
#include <memory>

#include "text/ScopeGuard.h"

ScreenPicture CaptureScreen(const RECT& rect) {
  ScreenPicture picture;
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return picture;
  HDC screen = CreateDCW(L"DISPLAY", nullptr, nullptr, nullptr);
  ScopeGuard deleteScreen(DeleteDC, screen);
  HDC memory = CreateCompatibleDC(screen);
  ScopeGuard deleteMemory(DeleteDC, memory);
  BITMAPINFO format{};
  format.bmiHeader.biSize = sizeof(format.bmiHeader);
  format.bmiHeader.biWidth = width;
  format.bmiHeader.biHeight = -height;  // top-down rows
  format.bmiHeader.biPlanes = 1;
  format.bmiHeader.biBitCount = 32;
  format.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP section = CreateDIBSection(screen, &format, DIB_RGB_COLORS, &bits, nullptr, 0);
  ScopeGuard deleteSection(DeleteObject, static_cast<HGDIOBJ>(section));
  if (!screen || !memory || !section) return picture;
  const HGDIOBJ previous = SelectObject(memory, section);
  const BOOL copied =
      BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY | CAPTUREBLT);
  SelectObject(memory, previous);
  if (!copied) return picture;
  GdiFlush();
  picture.width = width;
  picture.height = height;
  picture.pixels.resize(static_cast<size_t>(width) * height);
  std::memcpy(picture.pixels.data(), bits, picture.pixels.size() * sizeof(DWORD));
  for (DWORD& pixel : picture.pixels) pixel &= 0x00FFFFFF;  // the screen has no alpha
  return picture;
}

namespace {

bool FindPngEncoder(CLSID* encoder) {
  UINT count = 0, size = 0;
  if (Gdiplus::GetImageEncodersSize(&count, &size) != Gdiplus::Ok || size == 0) return false;
  auto buffer = std::make_unique<BYTE[]>(size);
  auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.get());
  if (Gdiplus::GetImageEncoders(count, size, codecs) != Gdiplus::Ok) return false;
  for (UINT i = 0; i < count; ++i) {
    if (std::wcscmp(codecs[i].MimeType, L"image/png") == 0) {
      *encoder = codecs[i].Clsid;
      return true;
    }
  }
  return false;
}

}  // namespace

bool SavePng(const ScreenPicture& picture, const std::wstring& path) {
  if (picture.pixels.empty()) return false;
  const Gdiplus::GdiplusStartupInput input;
  ULONG_PTR token = 0;
  if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) return false;
  bool saved = false;
  {
    // The bitmap only borrows the pixels, and never writes them.
    Gdiplus::Bitmap bitmap(picture.width, picture.height, picture.width * 4, PixelFormat32bppRGB,
                           reinterpret_cast<BYTE*>(const_cast<DWORD*>(picture.pixels.data())));
    CLSID png;
    saved = FindPngEncoder(&png) && bitmap.Save(path.c_str(), &png, nullptr) == Gdiplus::Ok;
  }
  Gdiplus::GdiplusShutdown(token);
  return saved;
}
