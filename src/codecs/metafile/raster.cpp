#include "codecs/metafile/detail/raster.h"

#include <cstring>

namespace pix::metafile {

namespace {

// Binary raster operation on one byte of each channel: code 1..16 is a truth
// table over pen (P) and destination (D) bits, bit P*2+D of code-1.
uint8_t Rop2Byte(int code, uint8_t p, uint8_t d) {
  const int t = code - 1;
  uint8_t r = 0;
  if (t & 1) r |= static_cast<uint8_t>(~p & ~d);
  if (t & 2) r |= static_cast<uint8_t>(~p & d);
  if (t & 4) r |= static_cast<uint8_t>(p & ~d);
  if (t & 8) r |= static_cast<uint8_t>(p & d);
  return r;
}

// Ternary raster operation: bit P*4+S*2+D of rop.
uint8_t Rop3Byte(uint8_t rop, uint8_t p, uint8_t s, uint8_t d) {
  uint8_t r = 0;
  for (int i = 0; i < 8; ++i) {
    if (!(rop & (1 << i))) continue;
    r |= static_cast<uint8_t>(((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d));
  }
  return r;
}

void PutColor(uint8_t* px, uint32_t c) {
  px[0] = static_cast<uint8_t>(c >> 16);
  px[1] = static_cast<uint8_t>(c >> 8);
  px[2] = static_cast<uint8_t>(c);
}

void PutRop2(uint8_t* px, uint32_t c, int rop2) {
  if (rop2 == 13) {
    PutColor(px, c);
    return;
  }
  px[0] = Rop2Byte(rop2, static_cast<uint8_t>(c >> 16), px[0]);
  px[1] = Rop2Byte(rop2, static_cast<uint8_t>(c >> 8), px[1]);
  px[2] = Rop2Byte(rop2, static_cast<uint8_t>(c), px[2]);
}

bool HatchOn(int style, int32_t x, int32_t y) {
  const int32_t hx = x & 7, hy = y & 7;
  const bool horizontal = hy == 7, vertical = hx == 7;
  const bool forward = ((x - y) & 7) == 0, backward = ((x + y) & 7) == 7;
  switch (style) {
    case 0: return horizontal;
    case 1: return vertical;
    case 2: return forward;
    case 3: return backward;
    case 4: return horizontal || vertical;
    case 5: return forward || backward;
    default: return true;
  }
}

int32_t FloorMod(int64_t v, int32_t m) {
  const int64_t r = v % m;
  return static_cast<int32_t>(r < 0 ? r + m : r);
}

bool Finite(TPt p) { return std::isfinite(p.X) && std::isfinite(p.Y); }

// Liang-Barsky: the part [t0, t1] of a-b inside the box; false when none.
bool ClipSegment(TPt a, TPt b, double x0, double y0, double x1, double y1, double& t0, double& t1) {
  t0 = 0.0;
  t1 = 1.0;
  const double dx = b.X - a.X, dy = b.Y - a.Y;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {a.X - x0, x1 - a.X, a.Y - y0, y1 - a.Y};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0.0) {
      if (q[i] < 0.0) return false;
      continue;
    }
    const double r = q[i] / p[i];
    if (p[i] < 0.0)
      t0 = std::max(t0, r);
    else
      t1 = std::min(t1, r);
    if (t0 > t1) return false;
  }
  return true;
}

bool DashOn(const std::vector<int>& dash, int64_t pos) {
  int64_t period = 0;
  for (int d : dash) period += d;
  if (period <= 0) return true;
  int64_t at = pos % period;
  for (size_t i = 0; i < dash.size(); ++i) {
    if (at < dash[i]) return (i % 2) == 0;
    at -= dash[i];
  }
  return true;
}

}  // namespace

void SortCrossings(std::vector<std::pair<double, int>>& crossings) {
  std::sort(crossings.begin(), crossings.end(),
            [](const std::pair<double, int>& a, const std::pair<double, int>& b) { return a.first < b.first; });
}

TBox TBox::Intersect(const TBox& o) const {
  return TBox{std::max(X0, o.X0), std::max(Y0, o.Y0), std::min(X1, o.X1), std::min(Y1, o.Y1)};
}

// ---- clip areas ----

std::shared_ptr<std::vector<uint8_t>> TClip::FullMask(TWorkBudget& budget) const {
  const size_t w = static_cast<size_t>(m_width);
  budget.Spend(static_cast<int64_t>(m_width) * m_height);
  auto mask = std::make_shared<std::vector<uint8_t>>(w * static_cast<size_t>(m_height), 0);
  if (m_box.Empty()) return mask;
  for (int32_t y = m_box.Y0; y < m_box.Y1; ++y) {
    uint8_t* row = mask->data() + static_cast<size_t>(y) * w;
    if (m_mask)
      std::memcpy(row + m_box.X0, m_mask->data() + static_cast<size_t>(y) * w + m_box.X0,
                  static_cast<size_t>(m_box.X1 - m_box.X0));
    else
      std::memset(row + m_box.X0, 1, static_cast<size_t>(m_box.X1 - m_box.X0));
  }
  return mask;
}

void TClip::Tighten() {
  if (!m_mask) return;
  TBox box{m_width, m_height, 0, 0};
  for (int32_t y = m_box.Y0; y < m_box.Y1; ++y) {
    const uint8_t* row = MaskRow(y);
    for (int32_t x = m_box.X0; x < m_box.X1; ++x) {
      if (!row[x]) continue;
      box.X0 = std::min(box.X0, x);
      box.X1 = std::max(box.X1, x + 1);
      box.Y0 = std::min(box.Y0, y);
      box.Y1 = y + 1;
    }
  }
  m_box = box.Empty() ? TBox{} : box;
}

void TClip::Combine(const TClip& other, int mode, TWorkBudget& budget) {
  if (mode == ccCopy) {
    *this = other;
    return;
  }
  if (mode == ccAnd && !m_mask && !other.m_mask) {
    m_box = m_box.Intersect(other.m_box);
    if (m_box.Empty()) m_box = TBox{};
    return;
  }
  auto mine = FullMask(budget);
  auto theirs = other.FullMask(budget);
  for (size_t i = 0; i < mine->size(); ++i) {
    const uint8_t a = (*mine)[i], b = (*theirs)[i];
    switch (mode) {
      case ccAnd: (*mine)[i] = a & b; break;
      case ccOr: (*mine)[i] = a | b; break;
      case ccXor: (*mine)[i] = a ^ b; break;
      case ccDiff: (*mine)[i] = a & static_cast<uint8_t>(!b); break;
      default: break;
    }
  }
  m_mask = std::move(mine);
  m_box = TBox{0, 0, m_width, m_height};
  Tighten();
}

TClip TClip::FromContours(int32_t width, int32_t height, const std::vector<TContour>& contours, bool winding,
                          TWorkBudget& budget) {
  TClip clip(width, height);
  budget.Spend(static_cast<int64_t>(width) * height);
  auto mask = std::make_shared<std::vector<uint8_t>>(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
  ScanContours(contours, winding, clip.m_box, budget, [&](int32_t y, int32_t x0, int32_t x1) {
    std::memset(mask->data() + static_cast<size_t>(y) * static_cast<size_t>(width) + x0, 1,
                static_cast<size_t>(x1 - x0));
  });
  clip.m_mask = std::move(mask);
  clip.Tighten();
  return clip;
}

TClip TClip::FromBox(int32_t width, int32_t height, const TBox& box) {
  TClip clip(width, height);
  clip.m_box = clip.m_box.Intersect(box);
  if (clip.m_box.Empty()) clip.m_box = TBox{};
  return clip;
}

void TClip::Offset(int32_t dx, int32_t dy, TWorkBudget& budget) {
  if (!m_mask) {
    const TBox moved{m_box.X0 + dx, m_box.Y0 + dy, m_box.X1 + dx, m_box.Y1 + dy};
    m_box = moved.Intersect(TBox{0, 0, m_width, m_height});
    if (m_box.Empty()) m_box = TBox{};
    return;
  }
  budget.Spend(static_cast<int64_t>(m_width) * m_height);
  auto moved = std::make_shared<std::vector<uint8_t>>(m_mask->size(), 0);
  for (int32_t y = m_box.Y0; y < m_box.Y1; ++y) {
    const int64_t ty = static_cast<int64_t>(y) + dy;
    if (ty < 0 || ty >= m_height) continue;
    for (int32_t x = m_box.X0; x < m_box.X1; ++x) {
      const int64_t tx = static_cast<int64_t>(x) + dx;
      if (tx < 0 || tx >= m_width) continue;
      (*moved)[static_cast<size_t>(ty) * static_cast<size_t>(m_width) + static_cast<size_t>(tx)] = MaskRow(y)[x];
    }
  }
  m_mask = std::move(moved);
  m_box = TBox{0, 0, m_width, m_height};
  Tighten();
}

// ---- painting ----

bool TRaster::PatternAt(const TPaint& paint, int32_t x, int32_t y, uint32_t& color) {
  switch (paint.Kind) {
    case TPaint::pkSolid:
      color = paint.Color;
      return true;
    case TPaint::pkHatch:
      if (HatchOn(paint.Hatch, x - paint.OrgX, y - paint.OrgY)) {
        color = paint.Color;
        return true;
      }
      color = paint.BkColor;
      return paint.BkOpaque;
    case TPaint::pkPattern: {
      const TImage* img = paint.Pattern.get();
      if (!img || img->Width <= 0 || img->Height <= 0) {
        color = paint.Color;
        return true;
      }
      const uint8_t* px = img->At(FloorMod(static_cast<int64_t>(x) - paint.OrgX, img->Width),
                                  FloorMod(static_cast<int64_t>(y) - paint.OrgY, img->Height));
      color = ColorOf(px);
      return true;
    }
    default:
      return false;
  }
}

void TRaster::Span(int32_t y, int32_t x0, int32_t x1, const TPaint& paint, const TClip& clip) {
  if (paint.Kind == TPaint::pkNull) return;
  const TBox& box = clip.Box();
  if (y < box.Y0 || y >= box.Y1) return;
  x0 = std::max(x0, box.X0);
  x1 = std::min(x1, box.X1);
  if (x0 >= x1) return;
  if (!m_budget.Spend(x1 - x0)) return;
  uint8_t* row = m_target.ScanLine(y);
  const uint8_t* mask = clip.MaskRow(y);
  if (paint.Kind == TPaint::pkSolid && !mask) {
    if (paint.Rop2 == 13) {
      const uint8_t b = static_cast<uint8_t>(paint.Color >> 16), g = static_cast<uint8_t>(paint.Color >> 8),
                    r = static_cast<uint8_t>(paint.Color);
      for (int32_t x = x0; x < x1; ++x) {
        row[3 * x] = b;
        row[3 * x + 1] = g;
        row[3 * x + 2] = r;
      }
    } else {
      for (int32_t x = x0; x < x1; ++x) PutRop2(row + 3 * x, paint.Color, paint.Rop2);
    }
    return;
  }
  for (int32_t x = x0; x < x1; ++x) {
    if (mask && !mask[x]) continue;
    uint32_t c;
    if (PatternAt(paint, x, y, c)) PutRop2(row + 3 * x, c, paint.Rop2);
  }
}

void TRaster::Pixel(int32_t x, int32_t y, const TPaint& paint, const TClip& clip) {
  if (!clip.Inside(x, y)) return;
  uint32_t c;
  if (PatternAt(paint, x, y, c)) PutRop2(m_target.ScanLine(y) + 3 * x, c, paint.Rop2);
}

void TRaster::Fill(const std::vector<TContour>& contours, bool winding, const TPaint& paint, const TClip& clip) {
  if (paint.Kind == TPaint::pkNull) return;
  ScanContours(contours, winding, clip.Box(), m_budget,
               [&](int32_t y, int32_t x0, int32_t x1) { Span(y, x0, x1, paint, clip); });
}

void TRaster::Line(TPt a, TPt b, const TPaint& paint, const TClip& clip, const std::vector<int>& dash,
                   int64_t& dashPos) {
  if (!Finite(a) || !Finite(b)) return;
  const double steps = std::max(std::fabs(b.X - a.X), std::fabs(b.Y - a.Y));
  const TBox& box = clip.Box();
  double t0, t1;
  if (box.Empty() || !ClipSegment(a, b, box.X0 - 2.0, box.Y0 - 2.0, box.X1 + 2.0, box.Y1 + 2.0, t0, t1)) {
    dashPos += static_cast<int64_t>(std::min(steps, 1e12));
    return;
  }
  const TPt ca{a.X + t0 * (b.X - a.X), a.Y + t0 * (b.Y - a.Y)};
  const TPt cb{a.X + t1 * (b.X - a.X), a.Y + t1 * (b.Y - a.Y)};
  dashPos += static_cast<int64_t>(t0 * std::min(steps, 1e12));
  auto ix = static_cast<int64_t>(std::floor(ca.X)), iy = static_cast<int64_t>(std::floor(ca.Y));
  const auto ex = static_cast<int64_t>(std::floor(cb.X)), ey = static_cast<int64_t>(std::floor(cb.Y));
  const int64_t dx = std::llabs(ex - ix), dy = -std::llabs(ey - iy);
  const int64_t sx = ix < ex ? 1 : -1, sy = iy < ey ? 1 : -1;
  if (!m_budget.Spend(std::max(dx, -dy) + 1)) return;
  int64_t err = dx + dy;
  while (ix != ex || iy != ey) {
    if (paint.Kind != TPaint::pkNull && (dash.empty() || DashOn(dash, dashPos)))
      Pixel(static_cast<int32_t>(ix), static_cast<int32_t>(iy), paint, clip);
    ++dashPos;
    const int64_t e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      ix += sx;
    }
    if (e2 <= dx) {
      err += dx;
      iy += sy;
    }
  }
  dashPos += static_cast<int64_t>((1.0 - t1) * std::min(steps, 1e12));
}

void TRaster::Blit(const TContour& dest, const TBlit& blit, const TPaint& brush, const TClip& clip) {
  const TImage* src = blit.Source;
  const bool needsSource = ((blit.Rop3 >> 2) & 0x33) != (blit.Rop3 & 0x33);
  if (needsSource && (!src || src->Width <= 0 || src->Height <= 0)) return;
  const int32_t sx0 = std::max(0, blit.SrcX0), sy0 = std::max(0, blit.SrcY0);
  const int32_t sx1 = src ? std::min(src->Width, blit.SrcX1) : 0, sy1 = src ? std::min(src->Height, blit.SrcY1) : 0;
  if (needsSource && (sx0 >= sx1 || sy0 >= sy1)) return;
  const bool blend = blit.ConstantAlpha >= 0;
  if (needsSource && blit.Rop3 == 0xCC && !blend && blit.TransparentKey < 0 && blit.B == 0 && blit.D == 0) {
    // A plain copy that keeps the axes: one source row per row, and where the
    // scale is one, one copy per run. Same samples as the general loop below.
    ScanContours({dest}, false, clip.Box(), m_budget, [&](int32_t y, int32_t x0, int32_t x1) {
      if (!m_budget.Spend(x1 - x0)) return;
      const double fy = blit.E * (y + 0.5) + blit.F;
      if (!(fy > -1.0 && fy < src->Height + 1.0)) return;
      const auto py = std::clamp(static_cast<int32_t>(std::floor(fy)), sy0, sy1 - 1);
      const uint8_t* srow = src->Pixels.ScanLine(py);
      uint8_t* row = m_target.ScanLine(y);
      const uint8_t* mask = clip.MaskRow(y);
      auto sample = [&](int32_t x) { return std::floor(blit.A * (x + 0.5) + blit.C); };
      if (blit.A == 1.0 && !mask) {
        const double first = sample(x0), last = sample(x1 - 1);
        if (first >= sx0 && last < sx1 && last - first == x1 - 1 - x0) {
          std::memcpy(row + 3 * static_cast<int64_t>(x0), srow + 3 * static_cast<int64_t>(first),
                      3 * static_cast<size_t>(x1 - x0));
          return;
        }
      }
      for (int32_t x = x0; x < x1; ++x) {
        if (mask && !mask[x]) continue;
        const double fx = blit.A * (x + 0.5) + blit.C;
        if (!(fx > -1.0 && fx < src->Width + 1.0)) continue;
        const auto px = std::clamp(static_cast<int32_t>(std::floor(fx)), sx0, sx1 - 1);
        std::memcpy(row + 3 * static_cast<int64_t>(x), srow + 3 * static_cast<int64_t>(px), 3);
      }
    });
    return;
  }
  ScanContours({dest}, false, clip.Box(), m_budget, [&](int32_t y, int32_t x0, int32_t x1) {
    if (!m_budget.Spend(x1 - x0)) return;
    uint8_t* row = m_target.ScanLine(y);
    const uint8_t* mask = clip.MaskRow(y);
    const double yc = y + 0.5;
    for (int32_t x = x0; x < x1; ++x) {
      if (mask && !mask[x]) continue;
      uint8_t* d = row + 3 * x;
      const uint8_t* s = nullptr;
      uint8_t alpha = 255;
      if (needsSource) {
        const double xc = x + 0.5;
        const double fx = blit.A * xc + blit.B * yc + blit.C, fy = blit.D * xc + blit.E * yc + blit.F;
        if (!(fx > -1.0 && fy > -1.0 && fx < src->Width + 1.0 && fy < src->Height + 1.0)) continue;
        const auto px = std::clamp(static_cast<int32_t>(std::floor(fx)), sx0, sx1 - 1);
        const auto py = std::clamp(static_cast<int32_t>(std::floor(fy)), sy0, sy1 - 1);
        s = src->At(px, py);
        if (blit.TransparentKey >= 0 && ColorOf(s) == static_cast<uint32_t>(blit.TransparentKey)) continue;
        if (!src->Alpha.empty())
          alpha = src->Alpha[static_cast<size_t>(py) * static_cast<size_t>(src->Width) + static_cast<size_t>(px)];
      }
      if (blend) {
        // Source pixels are premultiplied when they carry alpha, as AlphaBlend expects.
        const int ca = blit.ConstantAlpha;
        const int a = blit.PerPixelAlpha ? alpha * ca / 255 : ca;
        for (int i = 0; i < 3; ++i) {
          const int v = (s[i] * ca + d[i] * (255 - a) + 127) / 255;
          d[i] = static_cast<uint8_t>(std::min(v, 255));
        }
        continue;
      }
      uint32_t p = 0;
      if (!TRaster::PatternAt(brush, x, y, p)) p = brush.BkColor;
      if (blit.Rop3 == 0xCC) {
        std::memcpy(d, s, 3);
        continue;
      }
      const uint8_t pb[3] = {static_cast<uint8_t>(p >> 16), static_cast<uint8_t>(p >> 8), static_cast<uint8_t>(p)};
      for (int i = 0; i < 3; ++i) d[i] = Rop3Byte(blit.Rop3, pb[i], s ? s[i] : 0, d[i]);
    }
  });
}

void TRaster::Flood(int32_t x, int32_t y, uint32_t color, bool surface, const TPaint& paint, const TClip& clip) {
  const int32_t w = Width(), h = Height();
  if (!clip.Inside(x, y)) return;
  auto fillable = [&](int32_t px, int32_t py) {
    const uint32_t c = ColorOf(m_target.ScanLine(py) + 3 * px);
    return surface ? c == color : c != color;
  };
  if (!fillable(x, y)) return;
  if (!m_budget.Spend(static_cast<int64_t>(w) * h)) return;
  std::vector<uint8_t> seen(static_cast<size_t>(w) * static_cast<size_t>(h), 0);
  auto at = [w](int32_t px, int32_t py) { return static_cast<size_t>(py) * static_cast<size_t>(w) + px; };
  // Spans are found first and painted afterwards, so the painted colour cannot
  // change which pixels count as part of the area.
  std::vector<std::pair<int32_t, int32_t>> stack{{x, y}};
  std::vector<std::array<int32_t, 3>> spans;
  while (!stack.empty()) {
    auto [sx, sy] = stack.back();
    stack.pop_back();
    if (seen[at(sx, sy)] || !clip.Inside(sx, sy) || !fillable(sx, sy)) continue;
    int32_t l = sx, r = sx;
    while (l > 0 && !seen[at(l - 1, sy)] && clip.Inside(l - 1, sy) && fillable(l - 1, sy)) --l;
    while (r + 1 < w && !seen[at(r + 1, sy)] && clip.Inside(r + 1, sy) && fillable(r + 1, sy)) ++r;
    std::memset(seen.data() + at(l, sy), 1, static_cast<size_t>(r - l + 1));
    spans.push_back({sy, l, r + 1});
    for (int32_t ny : {sy - 1, sy + 1}) {
      if (ny < 0 || ny >= h) continue;
      for (int32_t i = l; i <= r; ++i)
        if (!seen[at(i, ny)] && (i == l || seen[at(i - 1, ny)] || !fillable(i - 1, ny))) stack.emplace_back(i, ny);
    }
  }
  for (const auto& s : spans) Span(s[0], s[1], s[2], paint, clip);
}

}  // namespace pix::metafile
