#include "codecs/metafile/detail/gdi_device.h"

#include <numbers>

namespace pix::metafile {

namespace {

constexpr double kPi = std::numbers::pi;
// Saved states beyond this are refused: each holds a clip area that may be a
// full-picture mask.
constexpr size_t kMaxSavedStates = 4096;
// Points a path may collect; more is a file built to exhaust memory.
constexpr int64_t kMaxPathPoints = int64_t{1} << 22;
// Pieces of a wide outline filled at once; a longer outline is filled in
// batches, so its memory stays bounded.
constexpr size_t kStrokeBatch = size_t{1} << 16;
// Points one curve is flattened into, at most.
constexpr int kMaxCurveSegments = 1024;

// Pen style bits.
constexpr int kPenStyleMask = 0x0F;
constexpr int kPenNull = 5;
constexpr int kPenEndCapMask = 0x0F00;
constexpr int kPenEndSquare = 0x0100;
constexpr int kPenEndFlat = 0x0200;
constexpr int kPenJoinMask = 0xF000;
constexpr int kPenJoinBevel = 0x1000;
constexpr int kPenJoinMiter = 0x2000;

bool Finite(double v) { return std::isfinite(v); }
bool FinitePt(TPt p) { return Finite(p.X) && Finite(p.Y); }

double Length(TPt v) { return std::hypot(v.X, v.Y); }

double SignedArea(const TContour& c) {
  double a = 0.0;
  for (size_t i = 0, n = c.size(); i < n; ++i) {
    const TPt& p = c[i];
    const TPt& q = c[(i + 1) % n];
    a += p.X * q.Y - q.X * p.Y;
  }
  return a / 2.0;
}

void MakePositive(TContour& c) {
  if (SignedArea(c) < 0.0) std::reverse(c.begin(), c.end());
}

TContour Circle(TPt c, double r) {
  const int n = ClampToInt(std::ceil(r * 1.5), 8, 64);
  TContour out;
  out.reserve(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    const double a = 2.0 * kPi * i / n;
    out.push_back({c.X + r * std::cos(a), c.Y + r * std::sin(a)});
  }
  return out;
}

int CurveSegments(double outputRadius, double sweep) {
  const double arc = std::fabs(outputRadius * sweep);
  if (!Finite(arc)) return kMaxCurveSegments;
  return ClampToInt(std::ceil(arc / 3.0), 4, kMaxCurveSegments);
}

// The axis-aligned box of a four-point contour that is a rectangle, by the
// pixel-centre rule.
std::optional<TBox> BoxOfRectangle(const TContour& c) {
  if (c.size() != 4) return std::nullopt;
  const bool axis = (c[0].Y == c[1].Y && c[1].X == c[2].X && c[2].Y == c[3].Y && c[3].X == c[0].X) ||
                    (c[0].X == c[1].X && c[1].Y == c[2].Y && c[2].X == c[3].X && c[3].Y == c[0].Y);
  if (!axis) return std::nullopt;
  const double x0 = std::min(c[0].X, c[2].X), x1 = std::max(c[0].X, c[2].X);
  const double y0 = std::min(c[0].Y, c[2].Y), y1 = std::max(c[0].Y, c[2].Y);
  auto edge = [](double v) { return ClampToInt(std::ceil(v - 0.5), -1e9, 1e9); };
  return TBox{edge(x0), edge(y0), edge(x1), edge(y1)};
}

TContour RectContour(double l, double t, double r, double b) { return {{l, t}, {r, t}, {r, b}, {l, b}}; }

}  // namespace

TXform TXform::After(const TXform& f) const {
  TXform r;
  r.M11 = f.M11 * M11 + f.M12 * M21;
  r.M12 = f.M11 * M12 + f.M12 * M22;
  r.M21 = f.M21 * M11 + f.M22 * M21;
  r.M22 = f.M21 * M12 + f.M22 * M22;
  r.Dx = f.Dx * M11 + f.Dy * M21 + Dx;
  r.Dy = f.Dx * M12 + f.Dy * M22 + Dy;
  return r;
}

bool TXform::Invert(TXform& out) const {
  const double det = Determinant();
  if (det == 0.0 || !Finite(det) || !Finite(1.0 / det)) return false;
  out.M11 = M22 / det;
  out.M12 = -M12 / det;
  out.M21 = -M21 / det;
  out.M22 = M11 / det;
  out.Dx = -(Dx * out.M11 + Dy * out.M21);
  out.Dy = -(Dx * out.M12 + Dy * out.M22);
  return Finite(out.M11) && Finite(out.M12) && Finite(out.M21) && Finite(out.M22) && Finite(out.Dx) &&
         Finite(out.Dy);
}

TGdiDevice::TGdiDevice(TBitmap& target, TWorkBudget& budget, const TDeviceSetup& setup, size_t objectSlots)
    : m_raster(target, budget), m_setup(setup), m_objects(objectSlots) {
  m_state.Clip = TClip(target.Width(), target.Height());
  if (setup.WindowToOutput) {
    m_state.MapMode = 8;
    m_state.WinOrgX = setup.WindowOrgX;
    m_state.WinOrgY = setup.WindowOrgY;
    m_state.WinExtX = setup.WindowExtX;
    m_state.WinExtY = setup.WindowExtY;
    m_state.VpExtX = target.Width();
    m_state.VpExtY = target.Height();
  }
  m_state.Pen.Color = 0;
  m_state.Brush.Color = 0xFFFFFF;
}

// ---- objects ----

void TGdiDevice::CreateObjectAt(uint32_t index, TGdiObject object) {
  if (index == 0 || index >= m_objects.size()) {
    NoteDamage(frCorruptData);
    return;
  }
  m_objects[index] = std::move(object);
}

void TGdiDevice::CreateObjectFree(TGdiObject object) {
  for (TGdiObject& slot : m_objects)
    if (std::holds_alternative<std::monostate>(slot)) {
      slot = std::move(object);
      return;
    }
  // A full table: GDI would fail the creation, and later selections of the
  // index it would have had draw with what is selected.
  NoteDamage(frCorruptData);
}

const TGdiObject* TGdiDevice::ObjectAt(uint32_t index) const {
  if (index >= m_objects.size() || std::holds_alternative<std::monostate>(m_objects[index])) return nullptr;
  return &m_objects[index];
}

void TGdiDevice::SelectObject(uint32_t index) {
  if (index & 0x80000000u) {
    switch (index & 0x7FFFFFFFu) {
      case 0: m_state.Brush = TBrush{0, 0xFFFFFF}; break;
      case 1: m_state.Brush = TBrush{0, 0xC0C0C0}; break;
      case 2: m_state.Brush = TBrush{0, 0x808080}; break;
      case 3: m_state.Brush = TBrush{0, 0x404040}; break;
      case 4: m_state.Brush = TBrush{0, 0x000000}; break;
      case 5: m_state.Brush = TBrush{1, 0}; break;
      case 6: m_state.Pen = TPen{0, 0, 0xFFFFFF}; break;
      case 7: m_state.Pen = TPen{0, 0, 0x000000}; break;
      case 8: m_state.Pen = TPen{kPenNull, 0, 0}; break;
      case 15: m_state.Palette.reset(); break;
      case 18: m_state.Brush = TBrush{0, 0xFFFFFF}; break;
      case 19: m_state.Pen = TPen{0, 0, 0x000000}; break;
      default: m_state.Font = TFont{}; break;
    }
    return;
  }
  const TGdiObject* object = ObjectAt(index);
  if (!object) {
    // GDI ignores a selection of an index it does not hold.
    NoteDamage(frCorruptData);
    return;
  }
  if (auto* pen = std::get_if<TPen>(object)) m_state.Pen = *pen;
  if (auto* brush = std::get_if<TBrush>(object)) m_state.Brush = *brush;
  if (auto* font = std::get_if<TFont>(object)) m_state.Font = *font;
  if (auto* region = std::get_if<TRegion>(object)) SelectClipRegion(region, TClip::ccCopy);
  if (auto* palette = std::get_if<TPalette>(object)) m_state.Palette = std::make_shared<TPalette>(*palette);
}

void TGdiDevice::SelectPalette(uint32_t index) {
  if (index & 0x80000000u) {
    m_state.Palette.reset();
    return;
  }
  const TGdiObject* object = ObjectAt(index);
  if (auto* palette = object ? std::get_if<TPalette>(object) : nullptr)
    m_state.Palette = std::make_shared<TPalette>(*palette);
}

void TGdiDevice::DeleteObject(uint32_t index) {
  if (index & 0x80000000u) return;
  if (index >= m_objects.size()) {
    NoteDamage(frCorruptData);
    return;
  }
  m_objects[index] = std::monostate{};
}

uint32_t TGdiDevice::Resolve(uint32_t colorref) const {
  if ((colorref >> 24) == 1) {
    const uint32_t index = colorref & 0xFFFF;
    if (m_state.Palette && index < m_state.Palette->Entries.size()) return m_state.Palette->Entries[index];
    return 0;
  }
  return colorref & 0xFFFFFF;
}

// ---- state ----

void TGdiDevice::SaveDC() {
  if (m_saved.size() >= kMaxSavedStates) {
    Fail(frSizeTooLarge);
    return;
  }
  m_saved.push_back(m_state);
}

void TGdiDevice::RestoreDC(int32_t relative) {
  // Negative: that many states back; positive: the absolute level (1 = first saved).
  int64_t level = relative < 0 ? static_cast<int64_t>(m_saved.size()) + relative : relative - 1;
  if (relative == 0 || level < 0 || level >= static_cast<int64_t>(m_saved.size())) {
    NoteDamage(frCorruptData);
    return;
  }
  m_state = m_saved[static_cast<size_t>(level)];
  m_saved.resize(static_cast<size_t>(level));
  m_mapDirty = true;
}

void TGdiDevice::SetMapMode(int mode) {
  if (m_setup.WindowToOutput || mode < 1 || mode > 8) return;
  m_state.MapMode = mode;
  m_mapDirty = true;
}

void TGdiDevice::SetWindowOrg(double x, double y) {
  if (!Finite(x) || !Finite(y)) return;
  m_state.WinOrgX = x;
  m_state.WinOrgY = y;
  m_mapDirty = true;
}

void TGdiDevice::SetWindowExt(double x, double y) {
  // GDI refuses zero extents, and only the scaling map modes take them.
  if (x == 0 || y == 0 || !Finite(x) || !Finite(y) || (!m_setup.WindowToOutput && m_state.MapMode < 7)) return;
  m_state.WinExtX = x;
  m_state.WinExtY = y;
  m_mapDirty = true;
}

void TGdiDevice::SetViewportOrg(double x, double y) {
  if (m_setup.WindowToOutput || !Finite(x) || !Finite(y)) return;
  m_state.VpOrgX = x;
  m_state.VpOrgY = y;
  m_mapDirty = true;
}

void TGdiDevice::SetViewportExt(double x, double y) {
  if (m_setup.WindowToOutput || x == 0 || y == 0 || !Finite(x) || !Finite(y) || m_state.MapMode < 7) return;
  m_state.VpExtX = x;
  m_state.VpExtY = y;
  m_mapDirty = true;
}

void TGdiDevice::OffsetWindowOrg(double dx, double dy) { SetWindowOrg(m_state.WinOrgX + dx, m_state.WinOrgY + dy); }

void TGdiDevice::OffsetViewportOrg(double dx, double dy) {
  SetViewportOrg(m_state.VpOrgX + dx, m_state.VpOrgY + dy);
}

void TGdiDevice::ScaleWindowExt(double xNum, double xDenom, double yNum, double yDenom) {
  if (xDenom == 0 || yDenom == 0) return;
  SetWindowExt(m_state.WinExtX * xNum / xDenom, m_state.WinExtY * yNum / yDenom);
}

void TGdiDevice::ScaleViewportExt(double xNum, double xDenom, double yNum, double yDenom) {
  if (xDenom == 0 || yDenom == 0) return;
  SetViewportExt(m_state.VpExtX * xNum / xDenom, m_state.VpExtY * yNum / yDenom);
}

void TGdiDevice::SetWorldTransform(const TXform& xf) {
  TXform inverse;
  if (!xf.Invert(inverse)) return;
  m_state.World = xf;
  m_mapDirty = true;
}

void TGdiDevice::ModifyWorldTransform(const TXform& xf, int mode) {
  switch (mode) {
    case 1: m_state.World = TXform{}; break;
    case 2: SetWorldTransform(m_state.World.After(xf)); break;   // MWT_LEFTMULTIPLY: xf first
    case 3: SetWorldTransform(xf.After(m_state.World)); break;   // MWT_RIGHTMULTIPLY: world first
    case 4: SetWorldTransform(xf); break;
    default: break;
  }
  m_mapDirty = true;
}

const TXform& TGdiDevice::Map() {
  if (!m_mapDirty) return m_map;
  const TState& s = m_state;
  double sx = 1.0, sy = 1.0;
  auto metric = [&](double mmPerUnit) {
    sx = m_setup.PixelsPerMmX * mmPerUnit;
    sy = -m_setup.PixelsPerMmY * mmPerUnit;
  };
  switch (s.MapMode) {
    case 2: metric(0.1); break;
    case 3: metric(0.01); break;
    case 4: metric(0.254); break;
    case 5: metric(0.0254); break;
    case 6: metric(25.4 / 1440.0); break;
    case 7:
    case 8:
      sx = s.VpExtX / s.WinExtX;
      sy = s.VpExtY / s.WinExtY;
      if (s.MapMode == 7 && !m_setup.WindowToOutput) {
        const double m = std::min(std::fabs(sx), std::fabs(sy));
        sx = std::copysign(m, sx);
        sy = std::copysign(m, sy);
      }
      break;
    default: break;
  }
  TXform page;
  page.M11 = sx;
  page.M22 = sy;
  page.Dx = s.VpOrgX - s.WinOrgX * sx;
  page.Dy = s.VpOrgY - s.WinOrgY * sy;
  m_map = m_setup.DeviceToOutput.After(page.After(s.World));
  m_mapDirty = false;
  return m_map;
}

// ---- paints ----

double TGdiDevice::PenWidthOut() {
  const TPen& pen = m_state.Pen;
  if (pen.Cosmetic && pen.Width <= 1.0) {
    const TXform& d = m_setup.DeviceToOutput;
    return std::sqrt(std::fabs(d.Determinant()));
  }
  return std::fabs(pen.Width) * std::sqrt(std::fabs(Map().Determinant()));
}

TPaint TGdiDevice::PenPaint() const {
  TPaint p;
  p.Kind = TPaint::pkSolid;
  p.Color = Resolve(m_state.Pen.Color);
  p.Rop2 = m_state.Rop2;
  return p;
}

TPaint TGdiDevice::BrushPaint(const TBrush& brush) {
  TPaint p;
  p.Color = Resolve(brush.Color);
  p.BkColor = Resolve(m_state.BkColor);
  p.BkOpaque = m_state.BkMode != 1;
  p.Rop2 = m_state.Rop2;
  const TPt org = m_setup.DeviceToOutput.Apply(m_state.BrushOrg);
  p.OrgX = ClampToInt(org.X, -1e6, 1e6);
  p.OrgY = ClampToInt(org.Y, -1e6, 1e6);
  switch (brush.Style) {
    case 0: p.Kind = TPaint::pkSolid; break;
    case 2: p.Kind = TPaint::pkHatch; p.Hatch = brush.Hatch; break;
    case 3: case 5: case 6:
      p.Kind = brush.Pattern ? TPaint::pkPattern : TPaint::pkSolid;
      p.Pattern = brush.Pattern;
      break;
    default: p.Kind = TPaint::pkNull; break;
  }
  return p;
}

// ---- figures ----

void TGdiDevice::SpendPoints(size_t n) {
  if (!Budget().Spend(static_cast<int64_t>(n))) Fail(frSizeTooLarge);
}

void TGdiDevice::LimitPath() {
  if (m_pathPoints > kMaxPathPoints) Fail(frSizeTooLarge);
}

void TGdiDevice::Emit(std::vector<TFigure> figures, bool fill, bool stroke) {
  if (Stopped()) return;
  size_t points = 0;
  for (const TFigure& f : figures) points += f.Points.size();
  SpendPoints(points);
  if (m_pathOpen) {
    m_pathPoints += static_cast<int64_t>(points);
    LimitPath();
    for (TFigure& f : figures) m_path.push_back(std::move(f));
    return;
  }
  if (fill) FillFigures(figures, BrushPaint(m_state.Brush), m_state.PolyFillMode == 2);
  if (stroke) StrokeFigures(figures);
}

void TGdiDevice::FillFigures(const std::vector<TFigure>& figures, const TPaint& paint, bool winding) {
  std::vector<TContour> contours;
  contours.reserve(figures.size());
  for (const TFigure& f : figures)
    if (f.Points.size() >= 3) contours.push_back(f.Points);
  m_raster.Fill(contours, winding, paint, m_state.Clip);
}

void TGdiDevice::StrokeFigures(const std::vector<TFigure>& figures) {
  const TPen& pen = m_state.Pen;
  const int style = pen.Style & kPenStyleMask;
  if (style == kPenNull) return;
  const double width = PenWidthOut();
  if (width > 1.5) {
    WideStroke(figures, width);
    return;
  }
  std::vector<int> dash;
  switch (style) {
    case 1: dash = {18, 6}; break;
    case 2: dash = {3, 3}; break;
    case 3: dash = {9, 6, 3, 6}; break;
    case 4: dash = {9, 3, 3, 3, 3, 3}; break;
    case 7: dash = pen.UserDash; break;
    case 8: dash = {1, 1}; break;
    default: break;
  }
  const TPaint paint = PenPaint();
  for (const TFigure& f : figures) {
    int64_t dashPos = 0;
    const size_t n = f.Points.size();
    for (size_t i = 0; i + 1 < n; ++i) m_raster.Line(f.Points[i], f.Points[i + 1], paint, m_state.Clip, dash, dashPos);
    if (f.Closed && n > 2) m_raster.Line(f.Points[n - 1], f.Points[0], paint, m_state.Clip, dash, dashPos);
    // A lone point or a closed figure still lights its last pixel.
    if (n >= 1 && (f.Closed || n == 1)) {
      const TPt& p = f.Points[f.Closed ? 0 : n - 1];
      if (FinitePt(p) && std::fabs(p.X) < 1e9 && std::fabs(p.Y) < 1e9)
        m_raster.Pixel(static_cast<int32_t>(std::floor(p.X)), static_cast<int32_t>(std::floor(p.Y)), paint,
                       m_state.Clip);
    }
  }
}

void TGdiDevice::WideStroke(const std::vector<TFigure>& figures, double width) {
  const TPen& pen = m_state.Pen;
  const double hw = std::min(width, 1e7) / 2.0;
  // Old-style pens always have round ends and joins.
  const int cap = pen.Cosmetic ? 0 : (pen.Style & kPenEndCapMask);
  const int join = pen.Cosmetic ? 0 : (pen.Style & kPenJoinMask);
  std::vector<TContour> pieces;
  for (const TFigure& f : figures) {
    std::vector<TPt> pts;
    for (const TPt& p : f.Points)
      if (pts.empty() || p.X != pts.back().X || p.Y != pts.back().Y) pts.push_back(p);
    if (pts.empty()) continue;
    const bool closed = f.Closed && pts.size() > 2;
    if (closed && pts.front().X == pts.back().X && pts.front().Y == pts.back().Y) pts.pop_back();
    if (pts.size() == 1) {
      if (cap == 0) pieces.push_back(Circle(pts[0], hw));
      continue;
    }
    const size_t n = pts.size();
    const size_t segments = closed ? n : n - 1;
    SpendPoints(segments * 8);
    if (Stopped()) return;
    for (size_t i = 0; i < segments; ++i) {
      if (pieces.size() >= kStrokeBatch) FlushPieces(pieces);
      TPt a = pts[i], b = pts[(i + 1) % n];
      const TPt d{b.X - a.X, b.Y - a.Y};
      const double len = Length(d);
      if (!(len > 0) || !Finite(len)) continue;
      const TPt u{d.X / len, d.Y / len};
      const TPt nrm{-u.Y * hw, u.X * hw};
      if (!closed && cap == kPenEndSquare) {
        if (i == 0) a = {a.X - u.X * hw, a.Y - u.Y * hw};
        if (i + 1 == segments) b = {b.X + u.X * hw, b.Y + u.Y * hw};
      }
      pieces.push_back({{a.X + nrm.X, a.Y + nrm.Y}, {b.X + nrm.X, b.Y + nrm.Y}, {b.X - nrm.X, b.Y - nrm.Y},
                        {a.X - nrm.X, a.Y - nrm.Y}});
    }
    // Joins at the inner vertices (all of them on a closed figure).
    for (size_t i = closed ? 0 : 1; i < (closed ? n : n - 1); ++i) {
      if (pieces.size() >= kStrokeBatch) FlushPieces(pieces);
      const TPt& v = pts[i];
      const TPt& p = pts[(i + n - 1) % n];
      const TPt& q = pts[(i + 1) % n];
      if (join == 0) {
        pieces.push_back(Circle(v, hw));
        continue;
      }
      const TPt d1{v.X - p.X, v.Y - p.Y}, d2{q.X - v.X, q.Y - v.Y};
      const double l1 = Length(d1), l2 = Length(d2);
      if (!(l1 > 0) || !(l2 > 0)) continue;
      const double cross = d1.X * d2.Y - d1.Y * d2.X;
      const double side = cross > 0 ? -1.0 : 1.0;  // the outer side of the turn
      const TPt n1{-d1.Y / l1 * hw * side, d1.X / l1 * hw * side};
      const TPt n2{-d2.Y / l2 * hw * side, d2.X / l2 * hw * side};
      TContour bevel{v, {v.X + n1.X, v.Y + n1.Y}, {v.X + n2.X, v.Y + n2.Y}};
      if (join == kPenJoinMiter) {
        const TPt m{n1.X + n2.X, n1.Y + n2.Y};
        const double ml = Length(m);
        if (ml > 0) {
          const double cosHalf = ml / (2.0 * hw);
          const double ratio = cosHalf > 0 ? 1.0 / cosHalf : 1e300;
          if (ratio <= m_state.MiterLimit) {
            const double k = hw / cosHalf / ml;
            bevel = {v, {v.X + n1.X, v.Y + n1.Y}, {v.X + m.X * k, v.Y + m.Y * k}, {v.X + n2.X, v.Y + n2.Y}};
          }
        }
      }
      pieces.push_back(std::move(bevel));
    }
    if (!closed && cap == 0) {
      pieces.push_back(Circle(pts.front(), hw));
      pieces.push_back(Circle(pts.back(), hw));
    }
  }
  FlushPieces(pieces);
}

void TGdiDevice::FlushPieces(std::vector<TContour>& pieces) {
  // Every piece turns the same way, so the winding rule paints their union once.
  for (TContour& c : pieces) MakePositive(c);
  SpendPoints(pieces.size() * 16);
  if (!Stopped()) m_raster.Fill(pieces, true, PenPaint(), m_state.Clip);
  pieces.clear();
}

// ---- drawing ----

void TGdiDevice::MoveTo(TPt p) { m_state.Current = p; }

void TGdiDevice::LineTo(TPt p) {
  const TPt from = m_state.Current;
  m_state.Current = p;
  if (m_pathOpen && !m_path.empty() && !m_path.back().Closed) {
    const TPt start = ToOutput(from);
    TContour& last = m_path.back().Points;
    if (!last.empty() && last.back().X == start.X && last.back().Y == start.Y) {
      last.push_back(ToOutput(p));
      ++m_pathPoints;
      LimitPath();
      return;
    }
  }
  Emit({TFigure{{ToOutput(from), ToOutput(p)}, false}}, false, true);
}

void TGdiDevice::Polyline(const std::vector<TPt>& pts) {
  if (pts.empty()) return;
  TFigure f;
  for (const TPt& p : pts) f.Points.push_back(ToOutput(p));
  Emit({std::move(f)}, false, true);
}

void TGdiDevice::PolylineTo(const std::vector<TPt>& pts) {
  for (const TPt& p : pts) {
    LineTo(p);
    if (Stopped()) return;
  }
}

void TGdiDevice::PolyPolyline(const std::vector<std::vector<TPt>>& lines) {
  std::vector<TFigure> figures;
  for (const auto& line : lines) {
    TFigure f;
    for (const TPt& p : line) f.Points.push_back(ToOutput(p));
    figures.push_back(std::move(f));
  }
  Emit(std::move(figures), false, true);
}

void TGdiDevice::PolyPolygon(const std::vector<std::vector<TPt>>& polygons) {
  std::vector<TFigure> figures;
  for (const auto& polygon : polygons) {
    TFigure f{{}, true};
    for (const TPt& p : polygon) f.Points.push_back(ToOutput(p));
    figures.push_back(std::move(f));
  }
  Emit(std::move(figures), true, true);
}

void TGdiDevice::AppendBezier(TContour& out, TPt p0, TPt p1, TPt p2, TPt p3) {
  const double len = Length({p1.X - p0.X, p1.Y - p0.Y}) + Length({p2.X - p1.X, p2.Y - p1.Y}) +
                     Length({p3.X - p2.X, p3.Y - p2.Y});
  const int n = ClampToInt(std::ceil(len / 4.0), 2, 64);
  SpendPoints(static_cast<size_t>(n));
  if (Stopped()) return;
  for (int i = 1; i <= n; ++i) {
    const double t = static_cast<double>(i) / n, s = 1.0 - t;
    const double a = s * s * s, b = 3 * s * s * t, c = 3 * s * t * t, d = t * t * t;
    out.push_back({a * p0.X + b * p1.X + c * p2.X + d * p3.X, a * p0.Y + b * p1.Y + c * p2.Y + d * p3.Y});
  }
}

void TGdiDevice::PolyBezier(const std::vector<TPt>& pts) {
  if (pts.empty()) return;
  TFigure f;
  f.Points.push_back(ToOutput(pts[0]));
  for (size_t i = 1; i + 2 < pts.size(); i += 3)
    AppendBezier(f.Points, ToOutput(pts[i - 1]), ToOutput(pts[i]), ToOutput(pts[i + 1]), ToOutput(pts[i + 2]));
  Emit({std::move(f)}, false, true);
}

void TGdiDevice::PolyBezierTo(const std::vector<TPt>& pts) {
  std::vector<TPt> all{m_state.Current};
  all.insert(all.end(), pts.begin(), pts.end());
  TContour curve{ToOutput(all[0])};
  for (size_t i = 1; i + 2 < all.size(); i += 3)
    AppendBezier(curve, ToOutput(all[i - 1]), ToOutput(all[i]), ToOutput(all[i + 1]), ToOutput(all[i + 2]));
  if (all.size() >= 4) m_state.Current = all[1 + 3 * ((all.size() - 1) / 3) - 1];
  if (m_pathOpen && !m_path.empty() && !m_path.back().Closed) {
    TContour& last = m_path.back().Points;
    if (!last.empty() && last.back().X == curve[0].X && last.back().Y == curve[0].Y) {
      last.insert(last.end(), curve.begin() + 1, curve.end());
      m_pathPoints += static_cast<int64_t>(curve.size());
      LimitPath();
      return;
    }
  }
  Emit({TFigure{std::move(curve), false}}, false, true);
}

void TGdiDevice::PolyDraw(const std::vector<TPt>& pts, const std::vector<uint8_t>& types) {
  std::vector<TFigure> figures;
  TPt current = m_state.Current;
  TFigure f{{ToOutput(current)}, false};
  for (size_t i = 0; i < pts.size() && i < types.size(); ++i) {
    const uint8_t type = types[i] & 0x06;
    if (type == 0x06) {  // PT_MOVETO
      if (f.Points.size() > 1) figures.push_back(std::move(f));
      f = TFigure{{ToOutput(pts[i])}, false};
      current = pts[i];
    } else if (type == 0x04 && i + 2 < pts.size()) {  // PT_BEZIERTO: three points
      AppendBezier(f.Points, ToOutput(current), ToOutput(pts[i]), ToOutput(pts[i + 1]), ToOutput(pts[i + 2]));
      current = pts[i + 2];
      i += 2;
    } else {
      f.Points.push_back(ToOutput(pts[i]));
      current = pts[i];
    }
    if (types[i] & 0x01) {  // PT_CLOSEFIGURE
      f.Closed = true;
      figures.push_back(std::move(f));
      f = TFigure{{ToOutput(current)}, false};
    }
  }
  if (f.Points.size() > 1) figures.push_back(std::move(f));
  m_state.Current = current;
  Emit(std::move(figures), false, true);
}

void TGdiDevice::Rectangle(double l, double t, double r, double b) {
  TFigure f{{}, true};
  for (const TPt& p : RectContour(l, t, r, b)) f.Points.push_back(ToOutput(p));
  Emit({std::move(f)}, true, true);
}

TContour TGdiDevice::EllipseContour(double l, double t, double r, double b) {
  const double cx = (l + r) / 2, cy = (t + b) / 2, rx = std::fabs(r - l) / 2, ry = std::fabs(b - t) / 2;
  const double scale = std::sqrt(std::fabs(Map().Determinant()));
  const int n = CurveSegments(std::max(rx, ry) * scale, 2 * kPi);
  TContour out;
  out.reserve(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    const double a = 2.0 * kPi * i / n;
    out.push_back(ToOutput({cx + rx * std::cos(a), cy + ry * std::sin(a)}));
  }
  return out;
}

void TGdiDevice::Ellipse(double l, double t, double r, double b) {
  Emit({TFigure{EllipseContour(l, t, r, b), true}}, true, true);
}

void TGdiDevice::RoundRect(double l, double t, double r, double b, double w, double h) {
  const double x0 = std::min(l, r), x1 = std::max(l, r), y0 = std::min(t, b), y1 = std::max(t, b);
  const double rx = std::min(std::fabs(w) / 2, (x1 - x0) / 2), ry = std::min(std::fabs(h) / 2, (y1 - y0) / 2);
  const double scale = std::sqrt(std::fabs(Map().Determinant()));
  const int n = CurveSegments(std::max(rx, ry) * scale, kPi / 2);
  TFigure f{{}, true};
  const double cx[4] = {x1 - rx, x0 + rx, x0 + rx, x1 - rx}, cy[4] = {y0 + ry, y0 + ry, y1 - ry, y1 - ry};
  for (int corner = 0; corner < 4; ++corner)
    for (int i = 0; i <= n; ++i) {
      // Corners in order top right, top left, bottom left, bottom right.
      const double a = -kPi / 2 * corner - kPi / 2 * i / n;
      f.Points.push_back(ToOutput({cx[corner] + rx * std::cos(a), cy[corner] + ry * std::sin(a)}));
    }
  Emit({std::move(f)}, true, true);
}

std::vector<TPt> TGdiDevice::ArcPoints(double l, double t, double r, double b, TPt start, TPt end,
                                       bool clockwise) {
  const double cx = (l + r) / 2, cy = (t + b) / 2, rx = std::fabs(r - l) / 2, ry = std::fabs(b - t) / 2;
  if (!(rx > 0) || !(ry > 0)) return {};
  const double t0 = std::atan2((start.Y - cy) / ry, (start.X - cx) / rx);
  double t1 = std::atan2((end.Y - cy) / ry, (end.X - cx) / rx);
  // Counter-clockwise as seen on the picture: decreasing angles where the map
  // keeps the orientation of the axes, increasing where it mirrors them.
  const bool mirrored = Map().Determinant() < 0;
  const bool decreasing = clockwise == mirrored;
  double sweep = t1 - t0;
  if (decreasing) {
    while (sweep >= 0) sweep -= 2 * kPi;
  } else {
    while (sweep <= 0) sweep += 2 * kPi;
  }
  const double scale = std::sqrt(std::fabs(Map().Determinant()));
  const int n = CurveSegments(std::max(rx, ry) * scale, sweep);
  std::vector<TPt> pts;
  pts.reserve(static_cast<size_t>(n) + 1);
  for (int i = 0; i <= n; ++i) {
    const double a = t0 + sweep * i / n;
    pts.push_back({cx + rx * std::cos(a), cy + ry * std::sin(a)});
  }
  return pts;
}

void TGdiDevice::ArcShape(TArcKind kind, double l, double t, double r, double b, TPt start, TPt end) {
  const std::vector<TPt> arc = ArcPoints(l, t, r, b, start, end, m_state.ArcClockwise);
  if (arc.empty()) return;
  TFigure f{{}, kind == akChord || kind == akPie};
  if (kind == akPie) f.Points.push_back(ToOutput({(l + r) / 2, (t + b) / 2}));
  if (kind == akArcTo) f.Points.push_back(ToOutput(m_state.Current));
  for (const TPt& p : arc) f.Points.push_back(ToOutput(p));
  if (kind == akArcTo) {
    m_state.Current = arc.back();
    if (m_pathOpen && !m_path.empty() && !m_path.back().Closed) {
      TContour& last = m_path.back().Points;
      if (!last.empty() && last.back().X == f.Points[0].X && last.back().Y == f.Points[0].Y) {
        last.insert(last.end(), f.Points.begin() + 1, f.Points.end());
        m_pathPoints += static_cast<int64_t>(f.Points.size());
        LimitPath();
        return;
      }
    }
  }
  const bool closedShape = kind == akChord || kind == akPie;
  Emit({std::move(f)}, closedShape, true);
}

void TGdiDevice::AngleArc(TPt center, double radius, double startDeg, double sweepDeg) {
  if (!Finite(radius) || !Finite(startDeg) || !Finite(sweepDeg)) return;
  const double a0 = startDeg * kPi / 180.0, sweep = std::clamp(sweepDeg, -3600.0, 3600.0) * kPi / 180.0;
  const double scale = std::sqrt(std::fabs(Map().Determinant()));
  const int n = CurveSegments(std::fabs(radius) * scale, sweep);
  std::vector<TPt> pts{m_state.Current};
  for (int i = 0; i <= n; ++i) {
    const double a = a0 + sweep * i / n;
    pts.push_back({center.X + radius * std::cos(a), center.Y - radius * std::sin(a)});
  }
  m_state.Current = pts.front();
  PolylineTo(std::vector<TPt>(pts.begin() + 1, pts.end()));
}

void TGdiDevice::SetPixel(TPt p, uint32_t color) {
  const TPt o = ToOutput(p);
  if (!FinitePt(o) || std::fabs(o.X) > 1e9 || std::fabs(o.Y) > 1e9) return;
  TPaint paint;
  paint.Color = Resolve(color);
  m_raster.Pixel(static_cast<int32_t>(std::floor(o.X)), static_cast<int32_t>(std::floor(o.Y)), paint, m_state.Clip);
}

void TGdiDevice::Text(TPt ref, const std::vector<bool>& blanks, const std::vector<double>& advances,
                      uint32_t options, const std::optional<std::array<double, 4>>& rect) {
  if (Stopped()) return;
  const TXform& m = Map();
  const TPt ux{m.M11, m.M12}, uy{m.M21, m.M22};
  const double xScale = Length(ux), yScale = Length(uy);
  const TFont& font = m_state.Font;
  double em = std::fabs(font.Height) * (font.Height > 0 ? 0.85 : 1.0) * yScale;
  if (!(em > 0) || !Finite(em)) em = 16.0 * std::sqrt(std::fabs(m_setup.DeviceToOutput.Determinant()));
  em = std::min(em, 1e6);
  const double defaultAdvance = font.Width != 0 ? std::fabs(font.Width) * xScale : em * 0.5;
  // Glyphs stand upright on the picture; the line runs along the escapement,
  // mirrored with the map's x axis.
  const double esc = Finite(font.Escapement) ? font.Escapement * kPi / 1800.0 : 0.0;
  const TPt along{std::cos(esc), -std::sin(esc)};
  const TPt up{along.Y, -along.X};
  const double dirSign = m.M11 < 0 ? -1.0 : 1.0;
  const TPt dir{along.X * dirSign, along.Y * dirSign};

  std::vector<double> adv(blanks.size());
  double total = 0;
  const double extra = m_state.CharExtra * xScale;
  for (size_t i = 0; i < blanks.size(); ++i) {
    adv[i] = (i < advances.size() ? std::fabs(advances[i]) * xScale : defaultAdvance) + extra;
    if (!Finite(adv[i])) adv[i] = 0;
    adv[i] = std::min(adv[i], 1e6);
    total += adv[i];
  }
  const bool updateCp = m_state.TextAlign & 1;
  TPt origin = ToOutput(updateCp ? m_state.Current : ref);
  if (!FinitePt(origin)) return;
  const uint32_t horizontal = m_state.TextAlign & 6, vertical = m_state.TextAlign & 24;
  double shift = 0;
  if (horizontal == 2) shift = -total;
  if (horizontal == 6) shift = -total / 2;
  double lift = 0;  // baseline above the reference point, in pixels
  if (vertical == 0) lift = -0.8 * em;
  if (vertical == 8) lift = 0.2 * em;
  const TPt base{origin.X + dir.X * shift + up.X * lift, origin.Y + dir.Y * shift + up.Y * lift};
  auto at = [&](double a, double h) { return TPt{base.X + dir.X * a + up.X * h, base.Y + dir.Y * a + up.Y * h}; };

  TClip clip = m_state.Clip;
  if (rect) {
    const auto& r = *rect;
    const TContour box{ToOutput({r[0], r[1]}), ToOutput({r[2], r[1]}), ToOutput({r[2], r[3]}),
                       ToOutput({r[0], r[3]})};
    if (options & 0x0002) {  // ETO_OPAQUE
      TPaint bk;
      bk.Color = Resolve(m_state.BkColor);
      m_raster.Fill({box}, true, bk, m_state.Clip);
    }
    if (options & 0x0004) {  // ETO_CLIPPED
      if (auto b = BoxOfRectangle(box))
        clip.Combine(TClip::FromBox(clip.Width(), clip.Height(), *b), TClip::ccAnd, Budget());
      else
        clip.Combine(TClip::FromContours(clip.Width(), clip.Height(), {box}, true, Budget()), TClip::ccAnd,
                     Budget());
    }
  }
  if (m_state.BkMode == 2 && total > 0) {
    TPaint bk;
    bk.Color = Resolve(m_state.BkColor);
    m_raster.Fill({{at(0, -0.2 * em), at(total, -0.2 * em), at(total, 0.8 * em), at(0, 0.8 * em)}}, true, bk, clip);
  }
  std::vector<TContour> boxes;
  double pos = 0;
  for (size_t i = 0; i < blanks.size(); ++i) {
    if (!blanks[i] && adv[i] > 0)
      boxes.push_back({at(pos + 0.1 * adv[i], 0), at(pos + 0.85 * adv[i], 0), at(pos + 0.85 * adv[i], 0.55 * em),
                       at(pos + 0.1 * adv[i], 0.55 * em)});
    pos += adv[i];
  }
  for (TContour& c : boxes) MakePositive(c);
  TPaint ink;
  ink.Color = Resolve(m_state.TextColor);
  m_raster.Fill(boxes, true, ink, clip);
  if (updateCp) {
    double logicalTotal = 0;
    for (size_t i = 0; i < blanks.size(); ++i)
      logicalTotal += i < advances.size() ? advances[i] : (xScale > 0 ? defaultAdvance / xScale : 0);
    if (Finite(logicalTotal)) m_state.Current.X += logicalTotal;
  }
}

std::vector<TContour> TGdiDevice::RegionContours(const TRegion& region) {
  std::vector<TContour> out;
  for (const auto& r : region.Rects) {
    TContour c;
    for (const TPt& p : RectContour(r[0], r[1], r[2], r[3]))
      c.push_back(region.Device ? m_setup.DeviceToOutput.Apply(p) : ToOutput(p));
    MakePositive(c);
    out.push_back(std::move(c));
  }
  SpendPoints(out.size() * 4);
  return out;
}

void TGdiDevice::FillRegion(const TRegion& region, const TBrush& brush) {
  m_raster.Fill(RegionContours(region), true, BrushPaint(brush), m_state.Clip);
}

void TGdiDevice::PaintRegion(const TRegion& region) { FillRegion(region, m_state.Brush); }

void TGdiDevice::InvertRegion(const TRegion& region) {
  TPaint invert;
  invert.Rop2 = 6;  // R2_NOT
  m_raster.Fill(RegionContours(region), true, invert, m_state.Clip);
}

void TGdiDevice::FrameRegion(const TRegion& region, const TBrush& brush, double w, double h) {
  // Each rectangle of the region gets its own frame: a rectangle less its
  // inset copy, filled with the alternate rule.
  std::vector<TContour> contours;
  for (const auto& r : region.Rects) {
    const double l = std::min(r[0], r[2]), t = std::min(r[1], r[3]), rr = std::max(r[0], r[2]),
                 b = std::max(r[1], r[3]);
    const double fw = std::min(std::fabs(w), (rr - l) / 2), fh = std::min(std::fabs(h), (b - t) / 2);
    for (const TContour& c : {RectContour(l, t, rr, b), RectContour(l + fw, t + fh, rr - fw, b - fh)}) {
      TContour o;
      for (const TPt& p : c) o.push_back(region.Device ? m_setup.DeviceToOutput.Apply(p) : ToOutput(p));
      contours.push_back(std::move(o));
    }
  }
  SpendPoints(contours.size() * 4);
  m_raster.Fill(contours, false, BrushPaint(brush), m_state.Clip);
}

void TGdiDevice::PatBlt(double x, double y, double w, double h, uint32_t rop) {
  TBitmapDraw draw;
  draw.X = x;
  draw.Y = y;
  draw.W = w;
  draw.H = h;
  draw.Rop = rop;
  DrawBitmap(draw);
}

void TGdiDevice::DrawBitmap(const TBitmapDraw& draw) {
  if (Stopped()) return;
  const TXform& m = Map();
  TContour dest{ToOutput({draw.X, draw.Y}), ToOutput({draw.X + draw.W, draw.Y}),
                ToOutput({draw.X + draw.W, draw.Y + draw.H}), ToOutput({draw.X, draw.Y + draw.H})};
  for (const TPt& p : dest)
    if (!FinitePt(p)) return;
  const auto rop3 = static_cast<uint8_t>(draw.Rop >> 16);
  if (!draw.Source && draw.ConstantAlpha < 0) {
    // Without a source the operation is one of pattern and destination: the
    // binary raster operation whose truth table is the S = 0 half of rop3.
    TPaint paint = BrushPaint(m_state.Brush);
    const int table = (rop3 & 0x03) | ((rop3 >> 2) & 0x0C);
    paint.Rop2 = 1 + table;
    // A hollow brush paints no pattern; operations on the destination alone still run.
    const bool usesPattern = (table & 0x03) != (table >> 2);
    if (paint.Kind == TPaint::pkNull && !usesPattern) paint.Kind = TPaint::pkSolid;
    MakePositive(dest);
    m_raster.Fill({dest}, false, paint, m_state.Clip);
    return;
  }
  TRaster::TBlit blit;
  blit.Rop3 = rop3;
  blit.ConstantAlpha = draw.ConstantAlpha;
  blit.PerPixelAlpha = draw.PerPixelAlpha;
  blit.TransparentKey = draw.TransparentKey;
  if (draw.Source) {
    if (draw.SrcW == 0 || draw.SrcH == 0 || draw.W == 0 || draw.H == 0) return;
    // Source pixels to logical units, then the map to the picture.
    TXform toLogical;
    toLogical.M11 = draw.W / draw.SrcW;
    toLogical.M22 = draw.H / draw.SrcH;
    toLogical.Dx = draw.X - draw.SrcX * toLogical.M11;
    toLogical.Dy = draw.Y - draw.SrcY * toLogical.M22;
    TXform inverse;
    if (!m.After(toLogical).Invert(inverse)) return;
    blit.Source = draw.Source.get();
    blit.A = inverse.M11;
    blit.B = inverse.M21;
    blit.C = inverse.Dx;
    blit.D = inverse.M12;
    blit.E = inverse.M22;
    blit.F = inverse.Dy;
    const double sx0 = std::min(draw.SrcX, draw.SrcX + draw.SrcW), sx1 = std::max(draw.SrcX, draw.SrcX + draw.SrcW);
    const double sy0 = std::min(draw.SrcY, draw.SrcY + draw.SrcH), sy1 = std::max(draw.SrcY, draw.SrcY + draw.SrcH);
    blit.SrcX0 = static_cast<int32_t>(std::clamp(std::floor(sx0), -1.0, 1e9));
    blit.SrcY0 = static_cast<int32_t>(std::clamp(std::floor(sy0), -1.0, 1e9));
    blit.SrcX1 = static_cast<int32_t>(std::clamp(std::ceil(sx1), -1.0, 1e9));
    blit.SrcY1 = static_cast<int32_t>(std::clamp(std::ceil(sy1), -1.0, 1e9));
  }
  MakePositive(dest);
  SpendPoints(4);
  m_raster.Blit(dest, blit, BrushPaint(m_state.Brush), m_state.Clip);
}

void TGdiDevice::Flood(TPt p, uint32_t color, bool surface) {
  const TPt o = ToOutput(p);
  if (!FinitePt(o) || std::fabs(o.X) > 1e9 || std::fabs(o.Y) > 1e9) return;
  m_raster.Flood(static_cast<int32_t>(std::floor(o.X)), static_cast<int32_t>(std::floor(o.Y)), Resolve(color), surface,
                 BrushPaint(m_state.Brush), m_state.Clip);
}

void TGdiDevice::GradientRect(const TVertex& a, const TVertex& b, bool vertical) {
  TXform inverse;
  if (!Map().Invert(inverse)) return;
  TContour dest{ToOutput({a.X, a.Y}), ToOutput({b.X, a.Y}), ToOutput({b.X, b.Y}), ToOutput({a.X, b.Y})};
  MakePositive(dest);
  const double from = vertical ? a.Y : a.X, span = vertical ? b.Y - a.Y : b.X - a.X;
  if (span == 0) return;
  // Each pixel takes the colour of its own place along the gradient.
  ScanContours({dest}, false, m_state.Clip.Box(), Budget(), [&](int32_t y, int32_t x0, int32_t x1) {
    if (!Budget().Spend(x1 - x0)) return;
    for (int32_t x = x0; x < x1; ++x) {
      const TPt l = inverse.Apply({x + 0.5, y + 0.5});
      const double t = std::clamp(((vertical ? l.Y : l.X) - from) / span, 0.0, 1.0);
      auto ch = [t](uint16_t p, uint16_t q) {
        return static_cast<uint32_t>(std::lround((p + (q - p) * t) / 256.0)) & 0xFF;
      };
      TPaint paint;
      paint.Color = ch(a.R, b.R) | (ch(a.G, b.G) << 8) | (ch(a.B, b.B) << 16);
      m_raster.Pixel(x, y, paint, m_state.Clip);
    }
  });
}

void TGdiDevice::GradientTriangle(const TVertex& a, const TVertex& b, const TVertex& c) {
  const TPt pa = ToOutput({a.X, a.Y}), pb = ToOutput({b.X, b.Y}), pc = ToOutput({c.X, c.Y});
  const double det = (pb.Y - pc.Y) * (pa.X - pc.X) + (pc.X - pb.X) * (pa.Y - pc.Y);
  if (det == 0 || !Finite(det)) return;
  ScanContours({{pa, pb, pc}}, false, m_state.Clip.Box(), Budget(), [&](int32_t y, int32_t x0, int32_t x1) {
    if (!Budget().Spend(x1 - x0)) return;
    for (int32_t x = x0; x < x1; ++x) {
      const double px = x + 0.5, py = y + 0.5;
      const double wa = std::clamp(((pb.Y - pc.Y) * (px - pc.X) + (pc.X - pb.X) * (py - pc.Y)) / det, 0.0, 1.0);
      const double wb = std::clamp(((pc.Y - pa.Y) * (px - pc.X) + (pa.X - pc.X) * (py - pc.Y)) / det, 0.0, 1.0);
      const double wc = std::max(0.0, 1.0 - wa - wb);
      if (!Finite(wa) || !Finite(wb)) continue;
      auto ch = [&](uint16_t p, uint16_t q, uint16_t r) {
        return static_cast<uint32_t>(std::clamp(std::lround((p * wa + q * wb + r * wc) / 256.0), 0L, 255L));
      };
      TPaint paint;
      paint.Color = ch(a.R, b.R, c.R) | (ch(a.G, b.G, c.G) << 8) | (ch(a.B, b.B, c.B) << 16);
      m_raster.Pixel(x, y, paint, m_state.Clip);
    }
  });
}

// ---- paths ----

void TGdiDevice::BeginPath() {
  m_path.clear();
  m_pathPoints = 0;
  m_pathOpen = true;
  m_pathValid = true;
}

void TGdiDevice::AbortPath() {
  m_path.clear();
  m_pathPoints = 0;
  m_pathOpen = false;
  m_pathValid = false;
}

void TGdiDevice::CloseFigure() {
  if (m_pathOpen && !m_path.empty()) m_path.back().Closed = true;
}

void TGdiDevice::FillPath() {
  if (m_pathOpen || !m_pathValid) return;
  FillFigures(m_path, BrushPaint(m_state.Brush), m_state.PolyFillMode == 2);
  AbortPath();
}

void TGdiDevice::StrokePath() {
  if (m_pathOpen || !m_pathValid) return;
  StrokeFigures(m_path);
  AbortPath();
}

void TGdiDevice::StrokeAndFillPath() {
  if (m_pathOpen || !m_pathValid) return;
  FillFigures(m_path, BrushPaint(m_state.Brush), m_state.PolyFillMode == 2);
  StrokeFigures(m_path);
  AbortPath();
}

void TGdiDevice::SelectClipPath(int mode) {
  if (m_pathOpen || !m_pathValid) return;
  std::vector<TContour> contours;
  for (const TFigure& f : m_path)
    if (f.Points.size() >= 3) contours.push_back(f.Points);
  TClip& clip = m_state.Clip;
  clip.Combine(TClip::FromContours(clip.Width(), clip.Height(), contours, m_state.PolyFillMode == 2, Budget()), mode,
               Budget());
  AbortPath();
}

// ---- clipping ----

void TGdiDevice::IntersectClipRect(double l, double t, double r, double b) {
  TContour c;
  for (const TPt& p : RectContour(l, t, r, b)) c.push_back(ToOutput(p));
  TClip& clip = m_state.Clip;
  if (auto box = BoxOfRectangle(c))
    clip.Combine(TClip::FromBox(clip.Width(), clip.Height(), *box), TClip::ccAnd, Budget());
  else
    clip.Combine(TClip::FromContours(clip.Width(), clip.Height(), {c}, true, Budget()), TClip::ccAnd, Budget());
}

void TGdiDevice::ExcludeClipRect(double l, double t, double r, double b) {
  TContour c;
  for (const TPt& p : RectContour(l, t, r, b)) c.push_back(ToOutput(p));
  TClip& clip = m_state.Clip;
  if (auto box = BoxOfRectangle(c))
    clip.Combine(TClip::FromBox(clip.Width(), clip.Height(), *box), TClip::ccDiff, Budget());
  else
    clip.Combine(TClip::FromContours(clip.Width(), clip.Height(), {c}, true, Budget()), TClip::ccDiff, Budget());
}

void TGdiDevice::OffsetClip(double dx, double dy) {
  const TXform& m = Map();
  const double ox = m.M11 * dx + m.M21 * dy, oy = m.M12 * dx + m.M22 * dy;
  if (!Finite(ox) || !Finite(oy)) return;
  m_state.Clip.Offset(static_cast<int32_t>(std::clamp(std::round(ox), -1e6, 1e6)),
                      static_cast<int32_t>(std::clamp(std::round(oy), -1e6, 1e6)), Budget());
}

void TGdiDevice::SelectClipRegion(const TRegion* region, int mode) {
  TClip& clip = m_state.Clip;
  if (!region) {
    if (mode == TClip::ccCopy) clip.Reset();
    return;
  }
  if (mode < TClip::ccAnd || mode > TClip::ccCopy) return;
  TClip area(clip.Width(), clip.Height());
  std::vector<TContour> contours = RegionContours(*region);
  if (contours.size() == 1 && BoxOfRectangle(contours[0]))
    area = TClip::FromBox(clip.Width(), clip.Height(), *BoxOfRectangle(contours[0]));
  else
    area = TClip::FromContours(clip.Width(), clip.Height(), contours, true, Budget());
  clip.Combine(area, mode, Budget());
}

}  // namespace pix::metafile
