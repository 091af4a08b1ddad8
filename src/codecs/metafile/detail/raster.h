#pragma once
// The small rasteriser the metafile players draw with: scan conversion of
// closed contours (alternate or winding rule), one-pixel lines, clip areas
// and the painting of spans with a brush or pen under a raster operation, on
// a 24-bit picture. Coordinates are output pixels (doubles); a pixel is
// covered when its centre is inside. Internal to the metafile codec.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "imaging/bitmap.h"

namespace pix::metafile {

struct TPt {
  double X = 0.0;
  double Y = 0.0;
};
using TContour = std::vector<TPt>;

// v rounded toward zero into [lo, hi]; a value that is not a number gives lo.
inline int32_t ClampToInt(double v, double lo, double hi) {
  if (!(v >= lo)) return static_cast<int32_t>(lo);
  if (!(v <= hi)) return static_cast<int32_t>(hi);
  return static_cast<int32_t>(v);
}

// A cap on the work one file may cause (pixels painted, edge crossings
// computed), so that a small hostile file cannot keep the reader busy for
// minutes. Spend returns false once the cap is passed.
class TWorkBudget {
public:
  explicit TWorkBudget(int64_t units) : m_left(units) {}
  bool Spend(int64_t units) {
    m_left -= units;
    return m_left >= 0;
  }
  bool Exhausted() const { return m_left < 0; }

private:
  int64_t m_left;
};

// Half-open pixel box.
struct TBox {
  int32_t X0 = 0, Y0 = 0, X1 = 0, Y1 = 0;
  bool Empty() const { return X0 >= X1 || Y0 >= Y1; }
  TBox Intersect(const TBox& o) const;
};

// Where drawing may land: a box, and optionally a per-pixel mask (1 = inside)
// over the whole picture, shared between saved states until it changes.
class TClip {
public:
  TClip() = default;
  TClip(int32_t width, int32_t height) : m_width(width), m_height(height), m_box{0, 0, width, height} {}

  const TBox& Box() const { return m_box; }
  bool HasMask() const { return m_mask != nullptr; }
  bool Inside(int32_t x, int32_t y) const {
    if (x < m_box.X0 || x >= m_box.X1 || y < m_box.Y0 || y >= m_box.Y1) return false;
    return !m_mask || (*m_mask)[static_cast<size_t>(y) * static_cast<size_t>(m_width) + static_cast<size_t>(x)];
  }
  const uint8_t* MaskRow(int32_t y) const {
    return m_mask ? m_mask->data() + static_cast<size_t>(y) * static_cast<size_t>(m_width) : nullptr;
  }

  // Region combination as GDI names it: 1 and, 2 or, 3 xor, 4 diff, 5 copy.
  enum TCombine { ccAnd = 1, ccOr = 2, ccXor = 3, ccDiff = 4, ccCopy = 5 };
  // Combines this area with other (of the same picture size); charges the
  // budget for the pixels it visits.
  void Combine(const TClip& other, int mode, TWorkBudget& budget);
  // The area covered by the contours.
  static TClip FromContours(int32_t width, int32_t height, const std::vector<TContour>& contours, bool winding,
                            TWorkBudget& budget);
  // The area of a box.
  static TClip FromBox(int32_t width, int32_t height, const TBox& box);
  // Moves the area by whole pixels.
  void Offset(int32_t dx, int32_t dy, TWorkBudget& budget);
  // Whole picture again.
  void Reset() { *this = TClip(m_width, m_height); }
  int32_t Width() const { return m_width; }
  int32_t Height() const { return m_height; }

private:
  // The mask of this area over the whole picture (made from the box if none).
  std::shared_ptr<std::vector<uint8_t>> FullMask(TWorkBudget& budget) const;
  void Tighten();
  int32_t m_width = 0, m_height = 0;
  TBox m_box;
  std::shared_ptr<std::vector<uint8_t>> m_mask;
};

// A source picture for pattern brushes and bitmap records (TrueColor), with
// an optional alpha byte per pixel (top row first).
struct TImage {
  TBitmap Pixels;
  std::vector<uint8_t> Alpha;
  int32_t Width = 0, Height = 0;
  const uint8_t* At(int32_t x, int32_t y) const { return Pixels.ScanLine(y) + 3 * static_cast<int64_t>(x); }
};

// How pixels are painted: a solid colour, a hatch or a pattern, under a
// binary raster operation (ROP2 code 1..16; 13 copies).
struct TPaint {
  enum TKind { pkNull, pkSolid, pkHatch, pkPattern };
  TKind Kind = pkSolid;
  uint32_t Color = 0;        // 0x00BBGGRR
  int Hatch = 0;             // HS_ style 0..5
  uint32_t BkColor = 0xFFFFFF;
  bool BkOpaque = true;      // hatch gaps painted with BkColor
  std::shared_ptr<const TImage> Pattern;
  int32_t OrgX = 0, OrgY = 0;  // brush origin in output pixels
  int Rop2 = 13;
};

// Scan-converts the contours (each closed implicitly) and calls span(y, x0,
// x1) for every covered run, x1 exclusive, within limit. Charges the budget;
// stops early once it is spent.
template <typename Span>
void ScanContours(const std::vector<TContour>& contours, bool winding, const TBox& limit, TWorkBudget& budget,
                  Span&& span);

class TRaster {
public:
  TRaster(TBitmap& target, TWorkBudget& budget) : m_target(target), m_budget(budget) {}
  int32_t Width() const { return m_target.Width(); }
  int32_t Height() const { return m_target.Height(); }
  TWorkBudget& Budget() { return m_budget; }
  const TWorkBudget& Budget() const { return m_budget; }

  // Fills the contours with paint inside clip.
  void Fill(const std::vector<TContour>& contours, bool winding, const TPaint& paint, const TClip& clip);
  // A one-pixel line from a to b, the end pixel left out as GDI does. dash
  // is the on/off pattern in pixels (empty = solid) and dashPos the running
  // position in it, carried from segment to segment.
  void Line(TPt a, TPt b, const TPaint& paint, const TClip& clip, const std::vector<int>& dash, int64_t& dashPos);
  // Paints one pixel.
  void Pixel(int32_t x, int32_t y, const TPaint& paint, const TClip& clip);
  // Paints the run [x0, x1) of row y.
  void Span(int32_t y, int32_t x0, int32_t x1, const TPaint& paint, const TClip& clip);
  // Copies src through the affine map from output to source pixel space
  // (sx = a*x + b*y + c, sy = d*x + e*y + f, at pixel centres) onto the
  // pixels of the quad dest, under the ternary raster operation rop3 with
  // brush as the pattern. With alpha blending (constant alpha 0..255 and
  // perPixel for the source's own alpha) the rop is ignored; transparentKey
  // >= 0 leaves source pixels of that colour out.
  struct TBlit {
    const TImage* Source = nullptr;
    double A = 1, B = 0, C = 0, D = 0, E = 1, F = 0;
    int32_t SrcX0 = 0, SrcY0 = 0, SrcX1 = 0, SrcY1 = 0;  // the source part that may be sampled
    uint8_t Rop3 = 0xCC;
    int ConstantAlpha = -1;
    bool PerPixelAlpha = false;
    int64_t TransparentKey = -1;  // 0x00BBGGRR
  };
  void Blit(const TContour& dest, const TBlit& blit, const TPaint& brush, const TClip& clip);
  // Flood fill from (x, y): with surface false, every pixel up to the border
  // colour; with surface true, every connected pixel of colour.
  void Flood(int32_t x, int32_t y, uint32_t color, bool surface, const TPaint& paint, const TClip& clip);

  // The pattern colour (0x00BBGGRR) of paint at a pixel; false for a hatch
  // gap that is not painted.
  static bool PatternAt(const TPaint& paint, int32_t x, int32_t y, uint32_t& color);

private:
  TBitmap& m_target;
  TWorkBudget& m_budget;
};

// 0x00BBGGRR from the picture's BGR bytes and back.
inline uint32_t ColorOf(const uint8_t* bgr) {
  return static_cast<uint32_t>(bgr[2]) | (static_cast<uint32_t>(bgr[1]) << 8) | (static_cast<uint32_t>(bgr[0]) << 16);
}

// ---- template body ----

void SortCrossings(std::vector<std::pair<double, int>>& crossings);

template <typename Span>
void ScanContours(const std::vector<TContour>& contours, bool winding, const TBox& limit, TWorkBudget& budget,
                  Span&& span) {
  struct TEdge {
    double X0, Y0, X1, Y1;
    int Dir;
  };
  std::vector<TEdge> edges;
  double top = 1e300, bottom = -1e300;
  // Points far outside any picture are pulled in, so the arithmetic below
  // stays finite; edges with a point that is not a number are left out.
  static constexpr double kFar = 1e15;
  auto near = [](TPt p) { return TPt{std::clamp(p.X, -kFar, kFar), std::clamp(p.Y, -kFar, kFar)}; };
  for (const TContour& c : contours) {
    const size_t n = c.size();
    if (n < 2) continue;
    for (size_t i = 0; i < n; ++i) {
      if (std::isnan(c[i].X) || std::isnan(c[i].Y) || std::isnan(c[(i + 1) % n].X) || std::isnan(c[(i + 1) % n].Y))
        continue;
      const TPt p = near(c[i]);
      const TPt q = near(c[(i + 1) % n]);
      if (p.Y == q.Y) continue;
      if (p.Y < q.Y)
        edges.push_back({p.X, p.Y, q.X, q.Y, 1});
      else
        edges.push_back({q.X, q.Y, p.X, p.Y, -1});
      top = std::min(top, std::min(p.Y, q.Y));
      bottom = std::max(bottom, std::max(p.Y, q.Y));
    }
  }
  if (edges.empty() || limit.Empty()) return;
  // Rows whose centre lies in [top, bottom).
  const double firstRow = std::max<double>(limit.Y0, std::ceil(top - 0.5));
  const double endRow = std::min<double>(limit.Y1, std::ceil(bottom - 0.5));
  if (!(firstRow < endRow)) return;
  std::sort(edges.begin(), edges.end(), [](const TEdge& a, const TEdge& b) { return a.Y0 < b.Y0; });
  std::vector<const TEdge*> active;
  std::vector<std::pair<double, int>> crossings;
  size_t next = 0;
  for (auto y = static_cast<int32_t>(firstRow); y < static_cast<int32_t>(endRow); ++y) {
    const double yc = y + 0.5;
    while (next < edges.size() && edges[next].Y0 <= yc) active.push_back(&edges[next++]);
    std::erase_if(active, [yc](const TEdge* e) { return e->Y1 <= yc; });
    if (!budget.Spend(static_cast<int64_t>(active.size()) + 1)) return;
    crossings.clear();
    for (const TEdge* e : active) {
      if (e->Y0 > yc) continue;
      const double t = (yc - e->Y0) / (e->Y1 - e->Y0);
      crossings.emplace_back(e->X0 + t * (e->X1 - e->X0), e->Dir);
    }
    SortCrossings(crossings);
    int wind = 0;
    for (size_t i = 0; i + 1 < crossings.size(); ++i) {
      wind += crossings[i].second;
      const bool inside = winding ? wind != 0 : (i % 2) == 0;
      if (!inside) continue;
      const double xa = std::max<double>(limit.X0, std::ceil(crossings[i].first - 0.5));
      const double xb = std::min<double>(limit.X1, std::ceil(crossings[i + 1].first - 0.5));
      if (xa < xb) span(y, static_cast<int32_t>(xa), static_cast<int32_t>(xb));
    }
  }
}

}  // namespace pix::metafile
