// The EMF records, decoded into calls on the drawing device.
#include "codecs/common/stream_io.h"
#include "codecs/metafile/detail/metafile_format.h"

namespace pix::metafile {

namespace {

// Record types (EMR_ names without the prefix).
enum : uint32_t {
  kHeader = 1, kPolyBezier = 2, kPolygon = 3, kPolyline = 4, kPolyBezierTo = 5, kPolylineTo = 6,
  kPolyPolyline = 7, kPolyPolygon = 8, kSetWindowExtEx = 9, kSetWindowOrgEx = 10, kSetViewportExtEx = 11,
  kSetViewportOrgEx = 12, kSetBrushOrgEx = 13, kEof = 14, kSetPixelV = 15, kSetMapperFlags = 16,
  kSetMapMode = 17, kSetBkMode = 18, kSetPolyFillMode = 19, kSetRop2 = 20, kSetStretchBltMode = 21,
  kSetTextAlign = 22, kSetColorAdjustment = 23, kSetTextColor = 24, kSetBkColor = 25, kOffsetClipRgn = 26,
  kMoveToEx = 27, kSetMetaRgn = 28, kExcludeClipRect = 29, kIntersectClipRect = 30, kScaleViewportExtEx = 31,
  kScaleWindowExtEx = 32, kSaveDc = 33, kRestoreDc = 34, kSetWorldTransform = 35, kModifyWorldTransform = 36,
  kSelectObject = 37, kCreatePen = 38, kCreateBrushIndirect = 39, kDeleteObject = 40, kAngleArc = 41,
  kEllipse = 42, kRectangle = 43, kRoundRect = 44, kArc = 45, kChord = 46, kPie = 47, kSelectPalette = 48,
  kCreatePalette = 49, kSetPaletteEntries = 50, kResizePalette = 51, kRealizePalette = 52, kExtFloodFill = 53,
  kLineTo = 54, kArcTo = 55, kPolyDraw = 56, kSetArcDirection = 57, kSetMiterLimit = 58, kBeginPath = 59,
  kEndPath = 60, kCloseFigure = 61, kFillPath = 62, kStrokeAndFillPath = 63, kStrokePath = 64,
  kFlattenPath = 65, kWidenPath = 66, kSelectClipPath = 67, kAbortPath = 68, kGdiComment = 70, kFillRgn = 71,
  kFrameRgn = 72, kInvertRgn = 73, kPaintRgn = 74, kExtSelectClipRgn = 75, kBitBlt = 76, kStretchBlt = 77,
  kMaskBlt = 78, kPlgBlt = 79, kSetDibitsToDevice = 80, kStretchDibits = 81, kExtCreateFontIndirectW = 82,
  kExtTextOutA = 83, kExtTextOutW = 84, kPolyBezier16 = 85, kPolygon16 = 86, kPolyline16 = 87,
  kPolyBezierTo16 = 88, kPolylineTo16 = 89, kPolyPolyline16 = 90, kPolyPolygon16 = 91, kPolyDraw16 = 92,
  kCreateMonoBrush = 93, kCreateDibPatternBrushPt = 94, kExtCreatePen = 95, kPolyTextOutA = 96,
  kPolyTextOutW = 97, kSetIcmMode = 98, kCreateColorSpace = 99, kSetColorSpace = 100, kDeleteColorSpace = 101,
  kGlsRecord = 102, kGlsBoundedRecord = 103, kPixelFormat = 104, kDrawEscape = 105, kExtEscape = 106,
  kSmallTextOut = 108, kForceUfiMapping = 109, kNamedEscape = 110, kColorCorrectPalette = 111,
  kSetIcmProfileA = 112, kSetIcmProfileW = 113, kAlphaBlend = 114, kSetLayout = 115, kTransparentBlt = 116,
  kGradientFill = 118, kSetLinkedUfis = 119, kSetTextJustification = 120, kColorMatchToTargetW = 121,
  kCreateColorSpaceW = 122,
};

constexpr int64_t kMaxPatternPixels = int64_t{64} << 20;

class TEmfPlayer {
public:
  explicit TEmfPlayer(TGdiDevice& device) : m_device(device) {}
  void Record(uint32_t type, TRecordView& r);

private:
  TPt Point32(TRecordView& r, size_t o) { return {static_cast<double>(r.I32(o)), static_cast<double>(r.I32(o + 4))}; }
  // count points of 32 bits (or 16) from offset o; empty and short when they do not fit.
  std::vector<TPt> Points(TRecordView& r, size_t o, uint32_t count, bool small) {
    std::vector<TPt> pts;
    if (count > kMaxRecordPoints) {
      m_device.Fail(frSizeTooLarge);
      r.MarkShort();
      return pts;
    }
    const size_t each = small ? 4 : 8;
    if (!r.Has(o, static_cast<size_t>(count) * each)) {
      r.MarkShort();
      return pts;
    }
    pts.reserve(count);
    for (size_t i = 0; i < count; ++i) {
      const size_t at = o + i * each;
      pts.push_back(small ? TPt{static_cast<double>(r.I16(at)), static_cast<double>(r.I16(at + 2))} : Point32(r, at));
    }
    return pts;
  }
  void PolyRecord(uint32_t type, TRecordView& r, bool small);
  void PolyPolyRecord(uint32_t type, TRecordView& r, bool small);
  void PolyDrawRecord(TRecordView& r, bool small);
  bool RegionData(TRecordView& r, size_t o, uint32_t size, bool device, TRegion& region);
  std::shared_ptr<TImage> Bitmap(TRecordView& r, size_t infoOffsetField, bool withAlpha);
  void Blt(uint32_t type, TRecordView& r);
  void DibRecord(uint32_t type, TRecordView& r);
  void TextRecord(TRecordView& r, size_t emrText, bool wide);
  void SmallText(TRecordView& r);
  void Gradient(TRecordView& r);
  void Unsupported() { m_device.Fail(frUnsupportedFeature); }
  void Damaged(TFailureReason why = frCorruptData) { m_device.NoteDamage(why); }
  const TBrush* BrushAt(uint32_t index) {
    const TGdiObject* o = m_device.ObjectAt(index);
    const TBrush* brush = o ? std::get_if<TBrush>(o) : nullptr;
    if (!brush) Damaged();
    return brush;
  }
  bool SpendPattern(const std::shared_ptr<const TImage>& image) {
    if (!image) return true;
    m_patternPixels += static_cast<int64_t>(image->Width) * image->Height;
    if (m_patternPixels <= kMaxPatternPixels) return true;
    m_device.Fail(frSizeTooLarge);
    return false;
  }

  TGdiDevice& m_device;
  int64_t m_patternPixels = 0;
};

void TEmfPlayer::PolyRecord(uint32_t type, TRecordView& r, bool small) {
  const uint32_t count = r.U32(24);
  auto pts = Points(r, 28, count, small);
  if (r.Short()) return;
  TGdiDevice& d = m_device;
  switch (type) {
    case kPolyBezier: case kPolyBezier16: d.PolyBezier(pts); break;
    case kPolygon: case kPolygon16: d.PolyPolygon({pts}); break;
    case kPolyline: case kPolyline16: d.Polyline(pts); break;
    case kPolyBezierTo: case kPolyBezierTo16: d.PolyBezierTo(pts); break;
    default: d.PolylineTo(pts); break;
  }
}

void TEmfPlayer::PolyPolyRecord(uint32_t type, TRecordView& r, bool small) {
  const uint32_t n = r.U32(24), total = r.U32(28);
  if (!r.Has(32, static_cast<size_t>(n) * 4)) {
    r.MarkShort();
    return;
  }
  auto pts = Points(r, 32 + static_cast<size_t>(n) * 4, total, small);
  if (r.Short()) return;
  std::vector<std::vector<TPt>> lines;
  size_t at = 0;
  for (uint32_t i = 0; i < n; ++i) {
    const uint32_t c = r.U32(32 + 4 * static_cast<size_t>(i));
    if (c > pts.size() - at) {
      r.MarkShort();
      return;
    }
    lines.emplace_back(pts.begin() + static_cast<ptrdiff_t>(at), pts.begin() + static_cast<ptrdiff_t>(at + c));
    at += c;
  }
  if (type == kPolyPolygon || type == kPolyPolygon16)
    m_device.PolyPolygon(lines);
  else
    m_device.PolyPolyline(lines);
}

void TEmfPlayer::PolyDrawRecord(TRecordView& r, bool small) {
  const uint32_t count = r.U32(24);
  auto pts = Points(r, 28, count, small);
  const size_t typesAt = 28 + static_cast<size_t>(count) * (small ? 4 : 8);
  const uint8_t* types = r.At(typesAt, count);
  if (r.Short()) return;
  m_device.PolyDraw(pts, std::vector<uint8_t>(types, types + count));
}

// RGNDATA: a 32-byte header (size, type, count, ...) and count rectangles.
bool TEmfPlayer::RegionData(TRecordView& r, size_t o, uint32_t size, bool device, TRegion& region) {
  const uint32_t headerSize = r.U32(o), count = r.U32(o + 8);
  if (r.Short() || headerSize < 32 || size < headerSize || (size - headerSize) / 16 < count ||
      !r.Has(o + headerSize, static_cast<size_t>(count) * 16)) {
    Damaged();
    return false;
  }
  region.Device = device;
  for (uint32_t i = 0; i < count; ++i) {
    const size_t at = o + headerSize + 16 * static_cast<size_t>(i);
    region.Rects.push_back({static_cast<double>(r.I32(at)), static_cast<double>(r.I32(at + 4)),
                            static_cast<double>(r.I32(at + 8)), static_cast<double>(r.I32(at + 12))});
  }
  return true;
}

// The bitmap whose offBmi, cbBmi, offBits, cbBits fields start at field.
std::shared_ptr<TImage> TEmfPlayer::Bitmap(TRecordView& r, size_t field, bool withAlpha) {
  const uint32_t offBmi = r.U32(field), cbBmi = r.U32(field + 4), offBits = r.U32(field + 8),
                 cbBits = r.U32(field + 12);
  if (r.Short() || cbBmi == 0) return nullptr;
  const uint8_t* info = r.At(offBmi, cbBmi);
  const uint8_t* bits = cbBits ? r.At(offBits, cbBits) : nullptr;
  if (r.Short()) return nullptr;
  TFailureReason why = frNone;
  auto image = DecodeDib(info, cbBmi, bits, cbBits, withAlpha, m_device.Budget(), why);
  if (!image) {
    if (why == frUnsupportedFeature || why == frUnsupportedDepth || why == frUnsupportedCompression)
      Unsupported();
    else if (why == frSizeTooLarge)
      m_device.Fail(frSizeTooLarge);
    else
      Damaged(why);
  }
  return image;
}

void TEmfPlayer::Blt(uint32_t type, TRecordView& r) {
  TGdiDevice::TBitmapDraw draw;
  draw.X = r.I32(24);
  draw.Y = r.I32(28);
  draw.W = r.I32(32);
  draw.H = r.I32(36);
  const uint32_t rop = r.U32(40);
  draw.SrcX = r.I32(44);
  draw.SrcY = r.I32(48);
  const uint32_t usage = r.U32(80);
  const bool stretch = type != kBitBlt;
  draw.SrcW = stretch ? r.I32(100) : draw.W;
  draw.SrcH = stretch ? r.I32(104) : draw.H;
  if (r.Short()) return;
  if (usage != 0 && r.U32(88) != 0) {
    Unsupported();  // palette-index colours
    return;
  }
  if (type == kAlphaBlend) {
    draw.ConstantAlpha = static_cast<int>((rop >> 16) & 0xFF);
    draw.PerPixelAlpha = ((rop >> 24) & 0xFF) == 1;  // AC_SRC_ALPHA
  } else if (type == kTransparentBlt) {
    draw.TransparentKey = rop & 0xFFFFFF;
  } else {
    draw.Rop = rop;
  }
  draw.Source = Bitmap(r, 84, type == kAlphaBlend);
  if (!draw.Source) {
    // A blit without a bitmap paints with the brush alone.
    if (r.U32(88) == 0 && type != kAlphaBlend && type != kTransparentBlt && !m_device.Stopped()) {
      draw.Source.reset();
      m_device.DrawBitmap(draw);
    }
    return;
  }
  // The bitmap holds the source device's pixels from its origin; a source
  // rectangle reaching beyond them starts at the bitmap's corner instead.
  if (draw.SrcX < 0 || draw.SrcY < 0 || draw.SrcX + std::fabs(draw.SrcW) > draw.Source->Width ||
      draw.SrcY + std::fabs(draw.SrcH) > draw.Source->Height) {
    draw.SrcX = 0;
    draw.SrcY = 0;
  }
  m_device.DrawBitmap(draw);
}

void TEmfPlayer::DibRecord(uint32_t type, TRecordView& r) {
  TGdiDevice::TBitmapDraw draw;
  draw.X = r.I32(24);
  draw.Y = r.I32(28);
  draw.SrcX = r.I32(32);
  draw.SrcY = r.I32(36);
  draw.SrcW = r.I32(40);
  draw.SrcH = r.I32(44);
  const uint32_t usage = r.U32(64);
  if (type == kStretchDibits) {
    draw.Rop = r.U32(68);
    draw.W = r.I32(72);
    draw.H = r.I32(76);
  } else {
    draw.W = draw.SrcW;
    draw.H = draw.SrcH;
  }
  if (r.Short()) return;
  if (usage != 0) {
    Unsupported();  // palette-index colours
    return;
  }
  const uint32_t offBmi = r.U32(48), cbBmi = r.U32(52);
  draw.Source = Bitmap(r, 48, false);
  if (!draw.Source) {
    if (cbBmi == 0 && type == kStretchDibits && !m_device.Stopped()) m_device.DrawBitmap(draw);
    return;
  }
  // A bottom-up DIB counts its source rows from the bottom.
  if (DibBottomUp(r.At(offBmi, cbBmi), cbBmi)) draw.SrcY = draw.Source->Height - draw.SrcY - draw.SrcH;
  m_device.DrawBitmap(draw);
}

// EMRTEXT at offset o: reference, count, string offset, options, rectangle, dx offset.
void TEmfPlayer::TextRecord(TRecordView& r, size_t o, bool wide) {
  const TPt ref = Point32(r, o);
  const uint32_t count = r.U32(o + 8), offString = r.U32(o + 12), options = r.U32(o + 16);
  const std::array<double, 4> rect{static_cast<double>(r.I32(o + 20)), static_cast<double>(r.I32(o + 24)),
                                   static_cast<double>(r.I32(o + 28)), static_cast<double>(r.I32(o + 32))};
  const uint32_t offDx = r.U32(o + 36);
  if (r.Short()) return;
  const size_t unit = wide ? 2 : 1;
  const uint8_t* chars = count ? r.At(offString, static_cast<size_t>(count) * unit) : nullptr;
  if (r.Short()) return;
  std::vector<bool> blanks(count);
  for (uint32_t i = 0; i < count; ++i)
    blanks[i] = wide ? (chars[2 * i] | (chars[2 * i + 1] << 8)) <= 0x20 : chars[i] <= 0x20;
  std::vector<double> advances;
  // With ETO_PDY the spacing array holds x and y advances.
  const size_t dxStep = (options & 0x2000) ? 8 : 4;
  if (offDx && count && r.Has(offDx, static_cast<size_t>(count) * dxStep))
    for (uint32_t i = 0; i < count; ++i) advances.push_back(r.I32(offDx + dxStep * i));
  const bool hasRect = rect[0] != rect[2] && rect[1] != rect[3];
  m_device.Text(ref, blanks, advances, options, hasRect ? std::optional(rect) : std::nullopt);
}

void TEmfPlayer::SmallText(TRecordView& r) {
  const TPt ref = Point32(r, 8);
  const uint32_t count = r.U32(16), options = r.U32(20);
  size_t at = 36;
  std::optional<std::array<double, 4>> rect;
  if (!(options & 0x0100)) {  // ETO_NO_RECT
    rect = std::array<double, 4>{static_cast<double>(r.I32(36)), static_cast<double>(r.I32(40)),
                                 static_cast<double>(r.I32(44)), static_cast<double>(r.I32(48))};
    at = 52;
  }
  const bool narrow = options & 0x0200;  // ETO_SMALL_CHARS
  const uint8_t* chars = count ? r.At(at, static_cast<size_t>(count) * (narrow ? 1 : 2)) : nullptr;
  if (r.Short()) return;
  std::vector<bool> blanks(count);
  for (uint32_t i = 0; i < count; ++i)
    blanks[i] = narrow ? chars[i] <= 0x20 : (chars[2 * i] | (chars[2 * i + 1] << 8)) <= 0x20;
  m_device.Text(ref, blanks, {}, options, rect);
}

void TEmfPlayer::Gradient(TRecordView& r) {
  const uint32_t vertices = r.U32(24), shapes = r.U32(28), mode = r.U32(32);
  if (r.Short()) return;
  if (!r.Has(36, static_cast<size_t>(vertices) * 16)) {
    r.MarkShort();
    return;
  }
  std::vector<TGdiDevice::TVertex> v;
  for (uint32_t i = 0; i < vertices; ++i) {
    const size_t at = 36 + 16 * static_cast<size_t>(i);
    v.push_back({static_cast<double>(r.I32(at)), static_cast<double>(r.I32(at + 4)), r.U16(at + 8), r.U16(at + 10),
                 r.U16(at + 12)});
  }
  size_t at = 36 + 16 * static_cast<size_t>(vertices);
  const size_t each = mode == 2 ? 12 : 8;
  if (!r.Has(at, static_cast<size_t>(shapes) * each)) {
    r.MarkShort();
    return;
  }
  for (uint32_t s = 0; s < shapes && !m_device.Stopped(); ++s, at += each) {
    const uint32_t a = r.U32(at), b = r.U32(at + 4), c = mode == 2 ? r.U32(at + 8) : 0;
    if (a >= v.size() || b >= v.size() || c >= v.size()) {
      Damaged();
      continue;
    }
    if (mode == 2)
      m_device.GradientTriangle(v[a], v[b], v[c]);
    else if (mode <= 1)
      m_device.GradientRect(v[a], v[b], mode == 1);
  }
}

void TEmfPlayer::Record(uint32_t type, TRecordView& r) {
  TGdiDevice& d = m_device;
  switch (type) {
    case kPolyBezier: case kPolygon: case kPolyline: case kPolyBezierTo: case kPolylineTo:
      PolyRecord(type, r, false);
      break;
    case kPolyBezier16: case kPolygon16: case kPolyline16: case kPolyBezierTo16: case kPolylineTo16:
      PolyRecord(type, r, true);
      break;
    case kPolyPolyline: case kPolyPolygon: PolyPolyRecord(type, r, false); break;
    case kPolyPolyline16: case kPolyPolygon16: PolyPolyRecord(type, r, true); break;
    case kPolyDraw: PolyDrawRecord(r, false); break;
    case kPolyDraw16: PolyDrawRecord(r, true); break;
    case kSetWindowExtEx: d.SetWindowExt(r.I32(8), r.I32(12)); break;
    case kSetWindowOrgEx: d.SetWindowOrg(r.I32(8), r.I32(12)); break;
    case kSetViewportExtEx: d.SetViewportExt(r.I32(8), r.I32(12)); break;
    case kSetViewportOrgEx: d.SetViewportOrg(r.I32(8), r.I32(12)); break;
    case kSetBrushOrgEx: d.SetBrushOrg(r.I32(8), r.I32(12)); break;
    case kSetPixelV: d.SetPixel(Point32(r, 8), r.U32(16)); break;
    case kSetMapMode: d.SetMapMode(static_cast<int>(r.U32(8))); break;
    case kSetBkMode: d.SetBkMode(static_cast<int>(r.U32(8))); break;
    case kSetPolyFillMode: d.SetPolyFillMode(static_cast<int>(r.U32(8))); break;
    case kSetRop2: d.SetRop2(static_cast<int>(r.U32(8))); break;
    case kSetTextAlign: d.SetTextAlign(r.U32(8)); break;
    case kSetTextColor: d.SetTextColor(r.U32(8)); break;
    case kSetBkColor: d.SetBkColor(r.U32(8)); break;
    case kOffsetClipRgn: d.OffsetClip(r.I32(8), r.I32(12)); break;
    case kMoveToEx: d.MoveTo(Point32(r, 8)); break;
    case kExcludeClipRect: d.ExcludeClipRect(r.I32(8), r.I32(12), r.I32(16), r.I32(20)); break;
    case kIntersectClipRect: d.IntersectClipRect(r.I32(8), r.I32(12), r.I32(16), r.I32(20)); break;
    case kScaleViewportExtEx: d.ScaleViewportExt(r.I32(8), r.I32(12), r.I32(16), r.I32(20)); break;
    case kScaleWindowExtEx: d.ScaleWindowExt(r.I32(8), r.I32(12), r.I32(16), r.I32(20)); break;
    case kSaveDc: d.SaveDC(); break;
    case kRestoreDc: d.RestoreDC(r.I32(8)); break;
    case kSetWorldTransform:
    case kModifyWorldTransform: {
      const TXform xf{r.F32(8), r.F32(12), r.F32(16), r.F32(20), r.F32(24), r.F32(28)};
      if (r.Short()) break;
      if (type == kSetWorldTransform)
        d.SetWorldTransform(xf);
      else
        d.ModifyWorldTransform(xf, static_cast<int>(r.U32(32)));
      break;
    }
    case kSelectObject: d.SelectObject(r.U32(8)); break;
    case kDeleteObject: d.DeleteObject(r.U32(8)); break;
    case kSelectPalette: d.SelectPalette(r.U32(8)); break;
    case kCreatePen: {
      TPen pen;
      const uint32_t index = r.U32(8);
      pen.Style = static_cast<int>(r.U32(12));
      pen.Width = r.I32(16);
      pen.Color = r.U32(24);
      pen.Cosmetic = pen.Width <= 1;
      if (!r.Short()) d.CreateObjectAt(index, std::move(pen));
      break;
    }
    case kExtCreatePen: {
      TPen pen;
      const uint32_t index = r.U32(8);
      pen.Style = static_cast<int>(r.U32(28));
      pen.Width = r.U32(32);
      pen.Color = r.U32(40);
      pen.Cosmetic = (pen.Style & 0x00010000) == 0;  // PS_GEOMETRIC
      const uint32_t entries = r.U32(48);
      if ((pen.Style & 0x0F) == 7 && r.Has(52, static_cast<size_t>(entries) * 4))
        for (uint32_t i = 0; i < entries && i < 16; ++i)
          pen.UserDash.push_back(static_cast<int>(std::clamp<uint32_t>(r.U32(52 + 4 * static_cast<size_t>(i)), 1, 1000)));
      if (!r.Short()) d.CreateObjectAt(index, std::move(pen));
      break;
    }
    case kCreateBrushIndirect: {
      TBrush brush;
      const uint32_t index = r.U32(8);
      brush.Style = static_cast<int>(r.U32(12));
      brush.Color = r.U32(16);
      brush.Hatch = static_cast<int>(r.U32(20));
      if (brush.Style == 3 || brush.Style == 5 || brush.Style == 6) brush.Style = 1;  // pattern without bitmap
      if (!r.Short()) d.CreateObjectAt(index, std::move(brush));
      break;
    }
    case kCreateMonoBrush:
    case kCreateDibPatternBrushPt: {
      TBrush brush;
      const uint32_t index = r.U32(8);
      if (r.U32(12) == 1 && type == kCreateDibPatternBrushPt) {
        Unsupported();  // palette-index colours
        break;
      }
      brush.Style = 3;
      brush.Pattern = Bitmap(r, 16, false);
      if (!brush.Pattern) brush.Style = 0;
      if (r.Short() || !SpendPattern(brush.Pattern)) break;
      d.CreateObjectAt(index, std::move(brush));
      break;
    }
    case kExtCreateFontIndirectW: {
      TFont font;
      const uint32_t index = r.U32(8);
      font.Height = r.I32(12);
      font.Width = r.I32(16);
      font.Escapement = r.I32(20);
      if (!r.Short()) d.CreateObjectAt(index, font);
      break;
    }
    case kCreatePalette: {
      TPalette palette;
      const uint32_t index = r.U32(8);
      const uint16_t count = r.U16(14);
      for (uint16_t i = 0; i < count && !r.Short(); ++i) palette.Entries.push_back(r.U32(16 + 4 * static_cast<size_t>(i)) & 0xFFFFFF);
      if (!r.Short()) d.CreateObjectAt(index, std::move(palette));
      break;
    }
    case kAngleArc: d.AngleArc(Point32(r, 8), r.U32(16), r.F32(20), r.F32(24)); break;
    case kEllipse: d.Ellipse(r.I32(8), r.I32(12), r.I32(16), r.I32(20)); break;
    case kRectangle: d.Rectangle(r.I32(8), r.I32(12), r.I32(16), r.I32(20)); break;
    case kRoundRect: d.RoundRect(r.I32(8), r.I32(12), r.I32(16), r.I32(20), r.I32(24), r.I32(28)); break;
    case kArc: case kChord: case kPie: case kArcTo: {
      const auto kind = type == kArc   ? TGdiDevice::akArc
                        : type == kChord ? TGdiDevice::akChord
                        : type == kPie   ? TGdiDevice::akPie
                                         : TGdiDevice::akArcTo;
      const TPt start = Point32(r, 24), end = Point32(r, 32);
      if (!r.Short()) d.ArcShape(kind, r.I32(8), r.I32(12), r.I32(16), r.I32(20), start, end);
      break;
    }
    case kExtFloodFill: d.Flood(Point32(r, 8), r.U32(16), r.U32(20) == 1); break;
    case kLineTo: d.LineTo(Point32(r, 8)); break;
    case kSetArcDirection: d.SetArcDirection(static_cast<int>(r.U32(8))); break;
    case kSetMiterLimit: d.SetMiterLimit(r.U32(8)); break;
    case kBeginPath: d.BeginPath(); break;
    case kEndPath: d.EndPath(); break;
    case kCloseFigure: d.CloseFigure(); break;
    case kFillPath: d.FillPath(); break;
    case kStrokeAndFillPath: d.StrokeAndFillPath(); break;
    case kStrokePath: d.StrokePath(); break;
    case kSelectClipPath: d.SelectClipPath(static_cast<int>(r.U32(8))); break;
    case kAbortPath: d.AbortPath(); break;
    // The path is flattened as it is recorded; widening is left to the stroke.
    case kFlattenPath: case kWidenPath: break;
    case kFillRgn: {
      TRegion region;
      const uint32_t size = r.U32(24), brushIndex = r.U32(28);
      if (!RegionData(r, 32, size, false, region)) break;
      if (const TBrush* brush = BrushAt(brushIndex)) d.FillRegion(region, *brush);
      break;
    }
    case kFrameRgn: {
      TRegion region;
      const uint32_t size = r.U32(24), brushIndex = r.U32(28);
      const double w = r.I32(32), h = r.I32(36);
      if (!RegionData(r, 40, size, false, region)) break;
      if (const TBrush* brush = BrushAt(brushIndex)) d.FrameRegion(region, *brush, w, h);
      break;
    }
    case kInvertRgn: case kPaintRgn: {
      TRegion region;
      if (!RegionData(r, 28, r.U32(24), false, region)) break;
      if (type == kInvertRgn)
        d.InvertRegion(region);
      else
        d.PaintRegion(region);
      break;
    }
    case kExtSelectClipRgn: {
      const uint32_t size = r.U32(8);
      const int mode = static_cast<int>(r.U32(12));
      if (r.Short()) break;
      if (size == 0) {
        d.SelectClipRegion(nullptr, mode);
        break;
      }
      TRegion region;
      if (RegionData(r, 16, size, true, region)) d.SelectClipRegion(&region, mode);
      break;
    }
    case kBitBlt: case kStretchBlt: case kAlphaBlend: case kTransparentBlt: Blt(type, r); break;
    case kSetDibitsToDevice: case kStretchDibits: DibRecord(type, r); break;
    case kExtTextOutA: case kExtTextOutW: TextRecord(r, 36, type == kExtTextOutW); break;
    case kPolyTextOutA: case kPolyTextOutW: {
      const uint32_t strings = r.U32(36);
      for (uint32_t i = 0; i < strings && !r.Short() && !d.Stopped(); ++i)
        TextRecord(r, 40 + 40 * static_cast<size_t>(i), type == kPolyTextOutW);
      break;
    }
    case kSmallTextOut: SmallText(r); break;
    case kGradientFill: Gradient(r); break;
    case kSetLayout:
      if (r.U32(8) & 1) Unsupported();  // right-to-left mirroring
      break;
    // Masked and parallelogram blits and OpenGL records draw what this
    // player cannot approximate.
    case kMaskBlt: case kPlgBlt: case kGlsRecord: case kGlsBoundedRecord: Unsupported(); break;
    // Records about palettes, colour management, font mapping, printer
    // escapes, stretching modes and comments (EMF+ records live in comments;
    // this player draws the GDI records beside them) change nothing it shows.
    default: break;
  }
  if (r.Short()) Damaged();
}

}  // namespace

void PlayEmf(const uint8_t* data, size_t size, TGdiDevice& device, TProgressRecord& progress, TPlayResult& result) {
  TEmfPlayer player(device);
  size_t at = 0;
  int64_t records = 0;
  int lastPercent = -1;
  bool ended = false;
  while (at + 8 <= size) {
    const uint32_t type = GetLE32(data + at), length = GetLE32(data + at + 4);
    if (length < 8 || length % 4 != 0) {
      device.NoteDamage(frCorruptData);
      break;
    }
    if (length > size - at) {
      device.NoteDamage(frTruncated);
      break;
    }
    if (type == kEof) {
      ended = true;
      break;
    }
    if (++records > kMaxRecords || !device.Budget().Spend(16)) {
      device.Fail(frSizeTooLarge);
      break;
    }
    if (type != kHeader) {
      TRecordView view(data + at, length);
      player.Record(type, view);
    }
    if (device.Stopped() || progress.Aborted()) break;
    const int percent = ProgressPercent(static_cast<int64_t>(at), static_cast<int64_t>(size));
    if (percent != lastPercent) {
      progress.Report(percent);
      lastPercent = percent;
    }
    at += length;
  }
  if (!ended && !device.Stopped() && !progress.Aborted()) device.NoteDamage(frTruncated);
  if (device.Budget().Exhausted()) device.Fail(frSizeTooLarge);
  result.Fault = device.Fault();
  result.Damage = device.Damage();
}

}  // namespace pix::metafile
