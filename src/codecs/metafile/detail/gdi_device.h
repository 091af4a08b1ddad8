#pragma once
// The drawing device both metafile players play into: GDI's state (object
// table, pens, brushes, fonts, regions, palettes, saved states, mapping,
// clipping, paths) over the rasteriser. The players decode records into
// calls here; coordinates are logical units unless a name says otherwise.
// Internal to the metafile codec.
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <variant>
#include <vector>

#include "codecs/metafile/detail/raster.h"
#include "imaging/failure_reason.h"

namespace pix::metafile {

// A 2 x 3 affine map: x' = M11 x + M21 y + Dx, y' = M12 x + M22 y + Dy (the
// layout of GDI's XFORM).
struct TXform {
  double M11 = 1, M12 = 0, M21 = 0, M22 = 1, Dx = 0, Dy = 0;
  TPt Apply(TPt p) const { return {M11 * p.X + M21 * p.Y + Dx, M12 * p.X + M22 * p.Y + Dy}; }
  // this after first: Apply(first.Apply(p)).
  TXform After(const TXform& first) const;
  bool Invert(TXform& out) const;
  double Determinant() const { return M11 * M22 - M12 * M21; }
};

struct TPen {
  int Style = 0;          // PS_ style with end cap, join and type bits
  double Width = 0.0;     // logical units; 0 = one pixel
  uint32_t Color = 0;
  bool Cosmetic = true;   // width in device pixels
  std::vector<int> UserDash;
};

struct TBrush {
  int Style = 0;          // BS_SOLID 0, BS_NULL 1, BS_HATCHED 2, BS_PATTERN 3, BS_DIBPATTERN(PT) 5 / 6
  uint32_t Color = 0xFFFFFF;
  int Hatch = 0;
  std::shared_ptr<const TImage> Pattern;
};

struct TFont {
  double Height = 0.0;    // logical units; negative = character height, positive = cell height
  double Width = 0.0;
  double Escapement = 0.0;  // tenths of degrees
};

// A region: rectangles in logical units (device units when Device is set).
struct TRegion {
  std::vector<std::array<double, 4>> Rects;  // left, top, right, bottom
  bool Device = false;
};

struct TPalette {
  std::vector<uint32_t> Entries;  // 0x00BBGGRR
};

using TGdiObject = std::variant<std::monostate, TPen, TBrush, TFont, TRegion, TPalette>;

// How logical units reach the picture for the whole file: page space to the
// playing device (EMF: the reference device; WMF: the picture itself) and that
// device to output pixels.
struct TDeviceSetup {
  TXform DeviceToOutput;
  double PixelsPerMmX = 96.0 / 25.4;  // of the playing device, for the metric map modes
  double PixelsPerMmY = 96.0 / 25.4;
  bool WindowToOutput = false;        // WMF: the window always maps onto the whole picture
  double WindowOrgX = 0, WindowOrgY = 0, WindowExtX = 1, WindowExtY = 1;  // WMF's initial window
};

class TGdiDevice {
public:
  TGdiDevice(TBitmap& target, TWorkBudget& budget, const TDeviceSetup& setup, size_t objectSlots);

  // What stopped the drawing (frNone while it goes on) and what was damaged.
  TFailureReason Fault() const { return m_fault; }
  TFailureReason Damage() const { return m_damage; }
  void Fail(TFailureReason why) {
    if (m_fault == frNone) m_fault = why;
  }
  void NoteDamage(TFailureReason why) {
    if (m_damage == frNone) m_damage = why;
  }
  bool Stopped() const { return m_fault != frNone || m_raster.Budget().Exhausted(); }
  TWorkBudget& Budget() { return m_raster.Budget(); }

  // ---- objects ----
  // EMF: the object at an index the record names (1 .. slots-1).
  void CreateObjectAt(uint32_t index, TGdiObject object);
  // WMF: the lowest free index.
  void CreateObjectFree(TGdiObject object);
  // index with the top bit set names a stock object.
  void SelectObject(uint32_t index);
  void DeleteObject(uint32_t index);
  const TGdiObject* ObjectAt(uint32_t index) const;
  void SelectPalette(uint32_t index);

  // ---- state ----
  void SaveDC();
  void RestoreDC(int32_t relative);
  void SetMapMode(int mode);
  void SetWindowOrg(double x, double y);
  void SetWindowExt(double x, double y);
  void SetViewportOrg(double x, double y);
  void SetViewportExt(double x, double y);
  void OffsetWindowOrg(double dx, double dy);
  void OffsetViewportOrg(double dx, double dy);
  void ScaleWindowExt(double xNum, double xDenom, double yNum, double yDenom);
  void ScaleViewportExt(double xNum, double xDenom, double yNum, double yDenom);
  void SetWorldTransform(const TXform& xf);
  void ModifyWorldTransform(const TXform& xf, int mode);
  void SetBkColor(uint32_t c) { m_state.BkColor = c; }
  void SetTextColor(uint32_t c) { m_state.TextColor = c; }
  void SetBkMode(int mode) { m_state.BkMode = mode; }
  void SetPolyFillMode(int mode) { m_state.PolyFillMode = mode; }
  void SetRop2(int rop) {
    if (rop >= 1 && rop <= 16) m_state.Rop2 = rop;
  }
  void SetTextAlign(uint32_t align) { m_state.TextAlign = align; }
  void SetArcDirection(int dir) { m_state.ArcClockwise = dir == 2; }
  void SetMiterLimit(double limit) {
    if (limit >= 1.0 && std::isfinite(limit)) m_state.MiterLimit = limit;
  }
  void SetBrushOrg(double x, double y) { m_state.BrushOrg = {x, y}; }
  void SetTextCharExtra(double extra) { m_state.CharExtra = extra; }
  uint32_t TextColor() const { return m_state.TextColor; }
  uint32_t BkColor() const { return m_state.BkColor; }

  // ---- drawing ----
  void MoveTo(TPt p);
  void LineTo(TPt p);
  void Polyline(const std::vector<TPt>& pts);
  void PolylineTo(const std::vector<TPt>& pts);
  void PolyPolyline(const std::vector<std::vector<TPt>>& lines);
  void PolyPolygon(const std::vector<std::vector<TPt>>& polygons);
  void PolyBezier(const std::vector<TPt>& pts);
  void PolyBezierTo(const std::vector<TPt>& pts);
  // Points with PT_ types (MOVETO 6, LINETO 2, BEZIERTO 4, CLOSEFIGURE bit 1).
  void PolyDraw(const std::vector<TPt>& pts, const std::vector<uint8_t>& types);
  void Rectangle(double l, double t, double r, double b);
  void RoundRect(double l, double t, double r, double b, double w, double h);
  void Ellipse(double l, double t, double r, double b);
  enum TArcKind { akArc, akArcTo, akChord, akPie };
  void ArcShape(TArcKind kind, double l, double t, double r, double b, TPt start, TPt end);
  void AngleArc(TPt center, double radius, double startDeg, double sweepDeg);
  void SetPixel(TPt p, uint32_t color);
  // One line of text drawn as a box per character (no glyphs are drawn): at
  // ref, count characters of which blanks marks spaces, advances in logical
  // units (empty: from the font), ETO_ options and their rectangle.
  void Text(TPt ref, const std::vector<bool>& blanks, const std::vector<double>& advances, uint32_t options,
            const std::optional<std::array<double, 4>>& rect);
  void FillRegion(const TRegion& region, const TBrush& brush);
  void FrameRegion(const TRegion& region, const TBrush& brush, double w, double h);
  void InvertRegion(const TRegion& region);
  void PaintRegion(const TRegion& region);
  // A rectangle painted with the brush under a ternary raster operation.
  void PatBlt(double x, double y, double w, double h, uint32_t rop);
  struct TBitmapDraw {
    double X = 0, Y = 0, W = 0, H = 0;                 // destination, logical
    double SrcX = 0, SrcY = 0, SrcW = 0, SrcH = 0;     // source part, source pixels from the top
    std::shared_ptr<const TImage> Source;               // may be null for pattern-only operations
    uint32_t Rop = 0x00CC0020;
    int ConstantAlpha = -1;
    bool PerPixelAlpha = false;
    int64_t TransparentKey = -1;
  };
  void DrawBitmap(const TBitmapDraw& draw);
  void Flood(TPt p, uint32_t color, bool surface);
  // Vertices: position (logical) and 16-bit colour channels.
  struct TVertex {
    double X, Y;
    uint16_t R, G, B;
  };
  void GradientRect(const TVertex& a, const TVertex& b, bool vertical);
  void GradientTriangle(const TVertex& a, const TVertex& b, const TVertex& c);

  // ---- paths ----
  void BeginPath();
  void EndPath() { m_pathOpen = false; }
  void AbortPath();
  void CloseFigure();
  void FillPath();
  void StrokePath();
  void StrokeAndFillPath();
  void SelectClipPath(int mode);

  // ---- clipping ----
  void IntersectClipRect(double l, double t, double r, double b);
  void ExcludeClipRect(double l, double t, double r, double b);
  void OffsetClip(double dx, double dy);
  // region null: back to the whole picture (with mode copy).
  void SelectClipRegion(const TRegion* region, int mode);

  // Colour of a COLORREF, palette indices resolved through the selected palette.
  uint32_t Resolve(uint32_t colorref) const;

private:
  struct TFigure {
    TContour Points;  // output pixels
    bool Closed = false;
  };
  struct TState {
    int MapMode = 1;
    double WinOrgX = 0, WinOrgY = 0, WinExtX = 1, WinExtY = 1;
    double VpOrgX = 0, VpOrgY = 0, VpExtX = 1, VpExtY = 1;
    TXform World;
    TPen Pen;
    TBrush Brush;
    TFont Font;
    std::shared_ptr<const TPalette> Palette;
    uint32_t BkColor = 0xFFFFFF, TextColor = 0;
    int BkMode = 2;  // OPAQUE
    int PolyFillMode = 1;
    int Rop2 = 13;
    uint32_t TextAlign = 0;
    bool ArcClockwise = false;
    double MiterLimit = 10.0;
    TPt BrushOrg;
    TPt Current;
    double CharExtra = 0.0;
    TClip Clip;
  };

  const TXform& Map();
  TPt ToOutput(TPt p) { return Map().Apply(p); }
  double PenWidthOut();
  TPaint PenPaint() const;
  TPaint BrushPaint(const TBrush& brush);
  // Figures go into the open path, or are drawn: filled with the brush, then
  // outlined with the pen.
  void Emit(std::vector<TFigure> figures, bool fill, bool stroke);
  void FillFigures(const std::vector<TFigure>& figures, const TPaint& paint, bool winding);
  void StrokeFigures(const std::vector<TFigure>& figures);
  void WideStroke(const std::vector<TFigure>& figures, double width);
  void FlushPieces(std::vector<TContour>& pieces);
  TContour EllipseContour(double l, double t, double r, double b);
  std::vector<TPt> ArcPoints(double l, double t, double r, double b, TPt start, TPt end, bool clockwise);
  void AppendBezier(TContour& out, TPt p0, TPt p1, TPt p2, TPt p3);
  TClip RegionClip(const TRegion& region);
  std::vector<TContour> RegionContours(const TRegion& region);
  void LimitPath();
  void SpendPoints(size_t n);

  TRaster m_raster;
  TDeviceSetup m_setup;
  TState m_state;
  std::vector<TState> m_saved;
  std::vector<TGdiObject> m_objects;
  std::vector<TFigure> m_path;
  bool m_pathOpen = false;
  bool m_pathValid = false;
  int64_t m_pathPoints = 0;
  TXform m_map;
  bool m_mapDirty = true;
  TFailureReason m_fault = frNone;
  TFailureReason m_damage = frNone;
};

}  // namespace pix::metafile
