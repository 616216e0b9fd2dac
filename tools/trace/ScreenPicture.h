#pragma once

#include <windows.h>

#include <string>
#include <vector>

// A rectangle of the screen as it is drawn now: top-down rows, one
// 0x00RRGGBB value a pixel.
struct ScreenPicture {
  int width = 0;
  int height = 0;
  std::vector<DWORD> pixels;

  bool operator==(const ScreenPicture& other) const {
    return width == other.width && height == other.height && pixels == other.pixels;
  }
};

// Copies `rect` (screen coordinates) off the display; an empty picture when
// the rectangle is empty or the copy fails. Whatever covers the rectangle on
// the screen is in the picture too.
ScreenPicture CaptureScreen(const RECT& rect);

// Writes the picture as a PNG file through GDI+. False when it could not be
// written; a partly written file may then remain.
bool SavePng(const ScreenPicture& picture, const std::wstring& path);
