#include <algorithm>
#include <cmath>
#include <cstdint>
#include <new>
#include <numbers>
#include <vector>

#include "imaging/extended_trig.h"
#include "imaging/rotate.h"

namespace pix {

namespace {

using ext = long double;

// Rounds half to even. Saturates, so absurd sizes reach the size check below
// instead of overflowing.
int32_t Nearest(ext v) {
  const ext r = std::nearbyint(v);
  if (!(r > INT32_MIN)) return INT32_MIN;
  if (!(r < INT32_MAX)) return INT32_MAX;
  return static_cast<int32_t>(r);
}

// Sizes and shear factors of a three-shear rotation of a W x H image.
struct TShearGeometry {
  bool Positive = true;
  double Tn = 0;   // |tan(theta / 2)|, the horizontal shear
  double Sn = 0;   // |sin(theta)|, the vertical shear
  int32_t W1 = 0;  // width after the first shear
  int32_t Off1 = 0;
  int32_t H2 = 0;  // height the second shear would need, before trimming
  int32_t Off2 = 0;
  int32_t Height = 0;  // final height, H2 - 2 Off1
  int32_t Width = 0;   // final width
};

TShearGeometry GeometryFor(int32_t w, int32_t h, double angle) {
  TShearGeometry g;
  const double theta = static_cast<double>(angle * std::numbers::pi_v<ext> / 180);
  g.Positive = theta > 0;
  const ext half = static_cast<ext>(theta) / 2;
  g.Tn = static_cast<double>(std::fabs(ExtendedSin(half) / ExtendedCos(half)));
  g.Sn = static_cast<double>(std::fabs(ExtendedSin(theta)));
  g.W1 = Nearest(static_cast<ext>(h) * g.Tn + w + 1);
  g.Off1 = Nearest(static_cast<ext>(g.W1 - w) * g.Sn);
  g.H2 = Nearest(static_cast<ext>(g.W1) * g.Sn + h + 1);
  g.Off2 = Nearest((static_cast<ext>(g.H2) - h - g.Off1) * g.Tn);
  g.Height = Nearest(std::max(static_cast<ext>(g.H2) - 2 * static_cast<ext>(g.Off1), 0.0L));
  g.Width = Nearest(std::max(static_cast<ext>(g.Height) * g.Tn + g.W1 + 1 - 2 * static_cast<ext>(g.Off2), 0.0L));
  g.W1 = std::max(g.W1, 0);
  if (g.W1 == INT32_MAX || g.H2 == INT32_MAX || g.Width == INT32_MAX)
    throw EPixOutOfMemory("Rotated image too large");
  return g;
}

static_assert(sizeof(TPixelTriple) == 3, "shear buffers hold 3-byte pixels");

// A W x H array of pixels, rows from the top, no padding.
class TPixelBuffer {
public:
  TPixelBuffer(int32_t width, int32_t height) : m_width(width) {
    const int64_t count = static_cast<int64_t>(width) * height;
    if (count > MaxBitmapBytes() / 3) throw EPixOutOfMemory("Rotation buffer too large");
    try {
      m_pixels.resize(static_cast<size_t>(count));
    } catch (const std::bad_alloc&) {
      throw EPixOutOfMemory();
    }
  }
  TPixelTriple& At(int64_t x, int64_t y) { return m_pixels[static_cast<size_t>(y * m_width + x)]; }

private:
  int64_t m_width;
  std::vector<TPixelTriple> m_pixels;
};

TPixelTriple PixelAt(const uint8_t* row, int64_t x) { return {row[3 * x], row[3 * x + 1], row[3 * x + 2]}; }

void PutPixel(uint8_t* row, int64_t x, TPixelTriple p) {
  row[3 * x] = p.B;
  row[3 * x + 1] = p.G;
  row[3 * x + 2] = p.R;
}

// Where one shear puts a line of pixels: the line starts at Shift, and the
// antialiased edge pixel after it is blended with weight G.
struct TLineShift {
  int32_t Shift;
  int32_t G;
};

// The second and third shears round their fractional weight to nearest.
TLineShift RoundedShift(int64_t s, double factor, int32_t offset) {
  const double m = static_cast<double>(static_cast<ext>(s) * factor);
  const int32_t q = Nearest(m);
  return {q - offset, Nearest((static_cast<ext>(m) - q) * 4096)};
}

// What the three passes share: the geometry, the fill, and the progress step
// counter that runs over the rows, columns and rows of the three passes.
struct TShearPass {
  const TShearGeometry& Geometry;
  bool Antialias;
  TPixelTriple Background;
  const TProgressRecord& Progress;
  int32_t SourceHeight;
  int64_t Step = 0;

  // Reported before each row or column, so the first report is 0.
  void NextStep() {
    Progress.ReportStep(Step, static_cast<int64_t>(SourceHeight) + Geometry.W1 + Geometry.Height);
    ++Step;
  }
};

// Shears one line: pixel i of `get` goes to position shift + i when inside
// 0..limit-1. With antialiasing each pixel is blended with its predecessor, and
// a trailing edge pixel with the background when g > 0.
template <typename Get, typename Put>
void ShearLine(int32_t count, TLineShift at, int32_t limit, const TShearPass& pass, Get get, Put put) {
  TPixelTriple prev = pass.Background;
  for (int32_t i = 0; i < count; ++i) {
    const int64_t t = static_cast<int64_t>(at.Shift) + i;
    if (t < 0 || t >= limit) continue;
    const TPixelTriple p = get(i);
    put(t, pass.Antialias ? Blend(prev, p, at.G) : p);
    prev = p;
  }
  const int64_t edge = static_cast<int64_t>(at.Shift) + count;
  if (pass.Antialias && at.G > 0 && edge >= 0 && edge < limit) put(edge, Blend(prev, pass.Background, at.G));
}

void FirstShear(const TBitmap& source, TPixelBuffer& b, TShearPass& pass) {
  const TShearGeometry& g = pass.Geometry;
  const int32_t w = source.Width(), h = source.Height();
  for (int32_t r = 0; r < h; ++r) {
    pass.NextStep();
    const int64_t s = g.Positive ? r : h - r;
    const double m = static_cast<double>(static_cast<ext>(s) * g.Tn);
    const int32_t shift = Nearest(m);
    // The first shear truncates its fractional weight.
    const auto weight = static_cast<int32_t>(std::trunc((static_cast<ext>(m) - shift) * 4096));
    for (int32_t x = 0; x < g.W1; ++x) b.At(x, r) = pass.Background;
    const uint8_t* row = source.ScanLine(r);
    ShearLine(w, {shift, weight}, g.W1, pass, [&](int32_t i) { return PixelAt(row, i); },
              [&](int64_t t, TPixelTriple p) { b.At(t, r) = p; });
  }
}

void SecondShear(TPixelBuffer& b, TPixelBuffer& c, int32_t h, TShearPass& pass) {
  const TShearGeometry& g = pass.Geometry;
  for (int32_t x = 0; x < g.W1; ++x) {
    pass.NextStep();
    const TLineShift at = RoundedShift(g.Positive ? g.W1 - x : x, g.Sn, g.Off1);
    for (int32_t y = 0; y < g.Height; ++y) c.At(x, y) = pass.Background;
    ShearLine(h, at, g.Height, pass, [&](int32_t i) { return b.At(x, i); },
              [&](int64_t t, TPixelTriple p) { c.At(x, t) = p; });
  }
}

void ThirdShear(TPixelBuffer& c, TBitmap& dest, TShearPass& pass) {
  const TShearGeometry& g = pass.Geometry;
  for (int32_t e = 0; e < g.Height; ++e) {
    pass.NextStep();
    const TLineShift at = RoundedShift(g.Positive ? e : g.Height - e, g.Tn, g.Off2);
    uint8_t* row = dest.ScanLine(e);
    ShearLine(g.W1, at, g.Width, pass, [&](int32_t i) { return c.At(i, e); },
              [&](int64_t t, TPixelTriple p) { PutPixel(row, t, p); });
  }
}

}  // namespace

TPixelTriple Blend(TPixelTriple a, TPixelTriple b, int g) {
  const auto channel = [g](int x, int y) {
    const double v = std::nearbyint(static_cast<double>(x * g + y * (4096 - g) + 2048) / 4096);
    return static_cast<uint8_t>(std::clamp(v, 0.0, 255.0));
  };
  return {channel(a.B, b.B), channel(a.G, b.G), channel(a.R, b.R)};
}

void ShearRotate(const TBitmap& source, TBitmap& dest, double angle, bool antialias, TPixelTriple background,
                 const TProgressRecord& progress) {
  if (source.PixelFormat() != TPixelFormat::TrueColor || &source == &dest) return;
  const int32_t w = source.Width(), h = source.Height();
  const TShearGeometry g = GeometryFor(w, h, angle);
  TShearPass pass{g, antialias, background, progress, h};
  TPixelBuffer c(g.W1, g.Height);
  {
    TPixelBuffer b(g.W1, h);
    FirstShear(source, b, pass);
    SecondShear(b, c, h, pass);
  }
  dest.Allocate(g.Width, g.Height, TPixelFormat::TrueColor);
  dest.Canvas().Brush.Color = RGBColor(background.R, background.G, background.B);
  dest.Canvas().FillRect({0, 0, g.Width, g.Height});
  ThirdShear(c, dest, pass);
}

}  // namespace pix
