#include "platform/default_resolution.h"

namespace pix {

namespace {
TResolution g_resolution{96, 96};
}

TResolution DefaultResolution() { return g_resolution; }

void SetDefaultResolution(int dpiX, int dpiY) {
  if (dpiX > 0) g_resolution.DpiX = dpiX;
  if (dpiY > 0) g_resolution.DpiY = dpiY;
}

}  // namespace pix
