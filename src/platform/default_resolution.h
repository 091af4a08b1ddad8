#pragma once
// The screen resolution that readers of formats without one store in DpiX/DpiY.
// Process-wide; the application sets it from the screen at start-up.
namespace pix {

struct TResolution {
  int DpiX;
  int DpiY;
};

TResolution DefaultResolution();                 // 96 x 96 until set
void SetDefaultResolution(int dpiX, int dpiY);   // values below 1 are ignored

}  // namespace pix
