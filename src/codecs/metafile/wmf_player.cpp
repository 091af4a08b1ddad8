// The WMF records, decoded into calls on the drawing device.
#include <string>

#include "codecs/common/stream_io.h"
#include "codecs/metafile/detail/metafile_format.h"

namespace pix::metafile {

namespace {

// Record functions (META_ names without the prefix).
enum : uint16_t {
  kEof = 0x0000,
  kSaveDc = 0x001E,
  kRealizePalette = 0x0035,
  kSetPalEntries = 0x0037,
  kCreatePalette = 0x00F7,
  kSetBkMode = 0x0102,
  kSetMapMode = 0x0103,
  kSetRop2 = 0x0104,
  kSetRelAbs = 0x0105,
  kSetPolyFillMode = 0x0106,
  kSetStretchBltMode = 0x0107,
  kSetTextCharExtra = 0x0108,
  kRestoreDc = 0x0127,
  kInvertRegion = 0x012A,
  kPaintRegion = 0x012B,
  kSelectClipRegion = 0x012C,
  kSelectObject = 0x012D,
  kSetTextAlign = 0x012E,
  kResizePalette = 0x0139,
  kDibCreatePatternBrush = 0x0142,
  kSetLayout = 0x0149,
  kDeleteObject = 0x01F0,
  kCreatePatternBrush = 0x01F9,
  kSetBkColor = 0x0201,
  kSetTextColor = 0x0209,
  kSetTextJustification = 0x020A,
  kSetWindowOrg = 0x020B,
  kSetWindowExt = 0x020C,
  kSetViewportOrg = 0x020D,
  kSetViewportExt = 0x020E,
  kOffsetWindowOrg = 0x020F,
  kOffsetViewportOrg = 0x0211,
  kLineTo = 0x0213,
  kMoveTo = 0x0214,
  kOffsetClipRgn = 0x0220,
  kFillRegion = 0x0228,
  kSetMapperFlags = 0x0231,
  kSelectPalette = 0x0234,
  kCreatePenIndirect = 0x02FA,
  kCreateFontIndirect = 0x02FB,
  kCreateBrushIndirect = 0x02FC,
  kPolygon = 0x0324,
  kPolyline = 0x0325,
  kScaleWindowExt = 0x0410,
  kScaleViewportExt = 0x0412,
  kExcludeClipRect = 0x0415,
  kIntersectClipRect = 0x0416,
  kEllipse = 0x0418,
  kFloodFill = 0x0419,
  kRectangle = 0x041B,
  kSetPixel = 0x041F,
  kFrameRegion = 0x0429,
  kAnimatePalette = 0x0436,
  kTextOut = 0x0521,
  kPolyPolygon = 0x0538,
  kExtFloodFill = 0x0548,
  kRoundRect = 0x061C,
  kPatBlt = 0x061D,
  kEscape = 0x0626,
  kCreateRegion = 0x06FF,
  kArc = 0x0817,
  kPie = 0x081A,
  kChord = 0x0830,
  kBitBlt = 0x0922,
  kDibBitBlt = 0x0940,
  kExtTextOut = 0x0A32,
  kStretchBlt = 0x0B23,
  kDibStretchBlt = 0x0B41,
  kSetDibToDev = 0x0D33,
  kStretchDib = 0x0F43,
};

// Pattern pixels one file may create, in total.
constexpr int64_t kMaxPatternPixels = int64_t{64} << 20;

class TWmfPlayer {
public:
  TWmfPlayer(TGdiDevice& device, TPlayResult& result) : m_device(device), m_result(result) {}

  void Record(uint16_t function, TRecordView& r);

private:
  TPt Point(TRecordView& r, size_t o) { return {static_cast<double>(r.I16(o + 2)), static_cast<double>(r.I16(o))}; }
  std::vector<TPt> Points(TRecordView& r, size_t o, size_t count) {
    std::vector<TPt> pts;
    if (count > kMaxRecordPoints) {
      m_device.Fail(frSizeTooLarge);
      r.MarkShort();
      return pts;
    }
    if (!r.Has(o, count * 4)) {
      r.MarkShort();
      return pts;
    }
    pts.reserve(count);
    for (size_t i = 0; i < count; ++i)
      pts.push_back({static_cast<double>(r.I16(o + 4 * i)), static_cast<double>(r.I16(o + 4 * i + 2))});
    return pts;
  }
  void Unsupported() { m_device.Fail(frUnsupportedFeature); }
  void Damaged(TFailureReason why = frCorruptData) { m_device.NoteDamage(why); }
  std::shared_ptr<TImage> Dib(TRecordView& r, size_t offset);
  std::shared_ptr<TImage> Bitmap16(TRecordView& r, size_t offset, size_t bitsOffset);
  void CreateRegion(TRecordView& r);
  void Text(TRecordView& r, bool extended);
  const TRegion* RegionAt(uint32_t index) {
    const TGdiObject* o = m_device.ObjectAt(index);
    const TRegion* region = o ? std::get_if<TRegion>(o) : nullptr;
    if (!region) Damaged();
    return region;
  }
  bool SpendPattern(const std::shared_ptr<TImage>& image) {
    if (!image) return true;
    m_patternPixels += static_cast<int64_t>(image->Width) * image->Height;
    if (m_patternPixels <= kMaxPatternPixels) return true;
    m_device.Fail(frSizeTooLarge);
    return false;
  }

  TGdiDevice& m_device;
  TPlayResult& m_result;
  int64_t m_patternPixels = 0;
};

std::shared_ptr<TImage> TWmfPlayer::Dib(TRecordView& r, size_t offset) {
  if (offset >= r.Size()) {
    r.MarkShort();
    return nullptr;
  }
  TFailureReason why = frNone;
  auto image = DecodePackedDib(r.At(offset, 0), r.Size() - offset, m_device.Budget(), why);
  if (!image) {
    if (why == frUnsupportedFeature || why == frSizeTooLarge || why == frUnsupportedDepth ||
        why == frUnsupportedCompression)
      m_device.Fail(why == frSizeTooLarge ? frSizeTooLarge : frUnsupportedFeature);
    else
      Damaged(why);
  }
  return image;
}

// The device-dependent bitmap of old records: 1 bit (set = white), 16 (5-5-5),
// 24 or 32 bits per pixel in one plane. 4 and 8 bits index the recording
// device's palette, which the file does not hold: they are drawn as the grey
// level of the index.
std::shared_ptr<TImage> TWmfPlayer::Bitmap16(TRecordView& r, size_t o, size_t bitsAt) {
  const int32_t width = r.I16(o + 2), height = r.I16(o + 4), widthBytes = r.I16(o + 6);
  const uint8_t planes = r.Has(o + 8, 1) ? *r.At(o + 8, 1) : 0, bits = r.Has(o + 9, 1) ? *r.At(o + 9, 1) : 0;
  if (r.Short()) return nullptr;
  if (planes != 1 || (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)) {
    Unsupported();
    return nullptr;
  }
  const int64_t tight = (static_cast<int64_t>(width) * bits + 15) / 16 * 2;  // rows padded to words
  if (width <= 0 || height <= 0 || widthBytes < tight) {
    Damaged();
    return nullptr;
  }
  // Some writers claim rows padded to 32 bits but store them padded to 16.
  int64_t stride = widthBytes;
  if (!r.Has(bitsAt, static_cast<size_t>(stride * height))) stride = tight;
  const uint8_t* data = r.At(bitsAt, static_cast<size_t>(stride * height));
  if (!data || !m_device.Budget().Spend(static_cast<int64_t>(width) * height)) {
    Damaged(frTruncated);
    return nullptr;
  }
  auto image = std::make_shared<TImage>();
  image->Pixels.Allocate(width, height, TPixelFormat::TrueColor);
  image->Width = width;
  image->Height = height;
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* in = data + y * stride;
    uint8_t* out = image->Pixels.ScanLine(y);
    for (int32_t x = 0; x < width; ++x) {
      if (bits == 1) {
        const uint8_t v = (in[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
        out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = v;
      } else if (bits == 4 || bits == 8) {
        const unsigned index = bits == 8 ? in[x] : (x & 1) ? (in[x >> 1] & 0x0F) : (in[x >> 1] >> 4);
        out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = static_cast<uint8_t>(index * 255 / ((1u << bits) - 1));
      } else if (bits == 16) {
        const unsigned v = in[2 * x] | (in[2 * x + 1] << 8);
        out[3 * x] = static_cast<uint8_t>((v & 0x1F) << 3);
        out[3 * x + 1] = static_cast<uint8_t>(((v >> 5) & 0x1F) << 3);
        out[3 * x + 2] = static_cast<uint8_t>(((v >> 10) & 0x1F) << 3);
      } else {
        std::memcpy(out + 3 * x, in + (bits / 8) * x, 3);
      }
    }
  }
  return image;
}

void TWmfPlayer::CreateRegion(TRecordView& r) {
  // A record too short for the region header is how writers store an empty region.
  if (r.Size() < 28) {
    m_device.CreateObjectFree(TRegion{});
    return;
  }
  // nextInChain, objectType, objectCount, regionSize, scanCount, maxScan,
  // bounding box, then the scans: count, top, bottom, count/2 pairs, count.
  const uint16_t scanCount = r.U16(16);
  TRegion region;
  size_t o = 28;
  for (uint16_t s = 0; s < scanCount && !r.Short(); ++s) {
    const uint16_t count = r.U16(o);
    const int16_t top = r.I16(o + 2), bottom = r.I16(o + 4);
    if (!r.Has(o + 6, static_cast<size_t>(count) * 2 + 2)) {
      r.MarkShort();
      break;
    }
    for (uint16_t i = 0; i + 1 < count; i += 2)
      region.Rects.push_back({static_cast<double>(r.I16(o + 6 + 2 * i)), static_cast<double>(top),
                              static_cast<double>(r.I16(o + 8 + 2 * i)), static_cast<double>(bottom)});
    o += 6 + static_cast<size_t>(count) * 2 + 2;
  }
  if (r.Short()) Damaged();
  m_device.CreateObjectFree(std::move(region));
}

void TWmfPlayer::Text(TRecordView& r, bool extended) {
  size_t length, stringAt;
  TPt ref;
  uint16_t options = 0;
  std::optional<std::array<double, 4>> rect;
  if (extended) {
    ref = {static_cast<double>(r.I16(8)), static_cast<double>(r.I16(6))};
    length = r.U16(10);
    options = r.U16(12);
    stringAt = 14;
    if (options & 0x0006) {
      rect = std::array<double, 4>{static_cast<double>(r.I16(14)), static_cast<double>(r.I16(16)),
                                   static_cast<double>(r.I16(18)), static_cast<double>(r.I16(20))};
      stringAt = 22;
    }
  } else {
    length = r.U16(6);
    stringAt = 8;
    const size_t after = stringAt + ((length + 1) & ~size_t{1});
    ref = {static_cast<double>(r.I16(after + 2)), static_cast<double>(r.I16(after))};
  }
  const uint8_t* chars = r.At(stringAt, length);
  if (r.Short()) {
    Damaged();
    return;
  }
  std::vector<bool> blanks(length);
  for (size_t i = 0; i < length; ++i) blanks[i] = chars[i] <= 0x20;
  std::vector<double> advances;
  const size_t dxAt = stringAt + ((length + 1) & ~size_t{1});
  if (extended && r.Has(dxAt, length * 2))
    for (size_t i = 0; i < length; ++i) advances.push_back(r.I16(dxAt + 2 * i));
  m_device.Text(ref, blanks, advances, options, rect);
}

void TWmfPlayer::Record(uint16_t function, TRecordView& r) {
  TGdiDevice& d = m_device;
  switch (function) {
    case kSaveDc: d.SaveDC(); break;
    case kRestoreDc: d.RestoreDC(r.I16(6)); break;
    case kSetBkMode: d.SetBkMode(r.U16(6)); break;
    case kSetMapMode: d.SetMapMode(r.U16(6)); break;
    case kSetRop2: d.SetRop2(r.U16(6)); break;
    case kSetPolyFillMode: d.SetPolyFillMode(r.U16(6)); break;
    case kSetTextCharExtra: d.SetTextCharExtra(r.I16(6)); break;
    case kSetTextAlign: d.SetTextAlign(r.U16(6)); break;
    case kSetBkColor: d.SetBkColor(r.U32(6)); break;
    case kSetTextColor: d.SetTextColor(r.U32(6)); break;
    case kSetWindowOrg: d.SetWindowOrg(r.I16(8), r.I16(6)); break;
    case kSetWindowExt: d.SetWindowExt(r.I16(8), r.I16(6)); break;
    case kOffsetWindowOrg: d.OffsetWindowOrg(r.I16(8), r.I16(6)); break;
    case kScaleWindowExt: d.ScaleWindowExt(r.I16(12), r.I16(10), r.I16(8), r.I16(6)); break;
    // The picture is the viewport: records that move it, and those about
    // palettes, text justification, font mapping and stretching modes, change
    // nothing a player of this picture shows.
    case kSetViewportOrg: case kSetViewportExt: case kOffsetViewportOrg: case kScaleViewportExt:
    case kRealizePalette: case kSetPalEntries: case kResizePalette: case kAnimatePalette:
    case kSetRelAbs: case kSetStretchBltMode: case kSetTextJustification: case kSetMapperFlags: case kEscape:
      break;
    case kSetLayout:
      if (r.U16(6) & 1) Unsupported();  // right-to-left mirroring
      break;
    case kMoveTo: d.MoveTo(Point(r, 6)); break;
    case kLineTo: d.LineTo(Point(r, 6)); break;
    case kPolygon:
    case kPolyline: {
      auto pts = Points(r, 8, r.U16(6));
      if (r.Short()) break;
      if (function == kPolygon)
        d.PolyPolygon({pts});
      else
        d.Polyline(pts);
      break;
    }
    case kPolyPolygon: {
      const uint16_t n = r.U16(6);
      std::vector<uint16_t> counts;
      size_t total = 0;
      for (uint16_t i = 0; i < n && !r.Short(); ++i) {
        counts.push_back(r.U16(8 + 2 * static_cast<size_t>(i)));
        total += counts.back();
      }
      auto pts = Points(r, 8 + 2 * static_cast<size_t>(n), total);
      if (r.Short()) break;
      std::vector<std::vector<TPt>> polygons;
      size_t at = 0;
      for (uint16_t c : counts) {
        polygons.emplace_back(pts.begin() + static_cast<ptrdiff_t>(at), pts.begin() + static_cast<ptrdiff_t>(at + c));
        at += c;
      }
      d.PolyPolygon(polygons);
      break;
    }
    case kRectangle: d.Rectangle(r.I16(12), r.I16(10), r.I16(8), r.I16(6)); break;
    case kEllipse: d.Ellipse(r.I16(12), r.I16(10), r.I16(8), r.I16(6)); break;
    case kRoundRect: d.RoundRect(r.I16(16), r.I16(14), r.I16(12), r.I16(10), r.I16(8), r.I16(6)); break;
    case kArc: case kPie: case kChord: {
      const auto kind = function == kArc ? TGdiDevice::akArc : function == kPie ? TGdiDevice::akPie : TGdiDevice::akChord;
      const TPt end = Point(r, 6), start = Point(r, 10);
      if (!r.Short()) d.ArcShape(kind, r.I16(20), r.I16(18), r.I16(16), r.I16(14), start, end);
      break;
    }
    case kSetPixel: d.SetPixel(Point(r, 10), r.U32(6)); break;
    case kFloodFill: d.Flood(Point(r, 10), r.U32(6), false); break;
    case kExtFloodFill: d.Flood(Point(r, 12), r.U32(8), r.U16(6) == 1); break;
    case kTextOut: Text(r, false); break;
    case kExtTextOut: Text(r, true); break;
    case kCreatePenIndirect: {
      TPen pen;
      pen.Style = r.U16(6);
      pen.Width = r.I16(8);
      pen.Color = r.U32(12);
      pen.Cosmetic = pen.Width <= 1;
      d.CreateObjectFree(std::move(pen));
      break;
    }
    case kCreateBrushIndirect: {
      TBrush brush;
      brush.Style = r.U16(6);
      brush.Color = r.U32(8);
      brush.Hatch = r.U16(12);
      if (brush.Style == 3 || brush.Style == 5) brush.Style = 1;  // a pattern without its bitmap
      d.CreateObjectFree(std::move(brush));
      break;
    }
    case kCreateFontIndirect: {
      TFont font;
      font.Height = r.I16(6);
      font.Width = r.I16(8);
      font.Escapement = r.I16(10);
      d.CreateObjectFree(font);
      break;
    }
    case kCreatePalette: {
      TPalette palette;
      const uint16_t count = r.U16(8);
      for (uint16_t i = 0; i < count && !r.Short(); ++i) {
        const uint32_t e = r.U32(10 + 4 * static_cast<size_t>(i));
        palette.Entries.push_back(e & 0xFFFFFF);
      }
      if (r.Short()) Damaged();
      d.CreateObjectFree(std::move(palette));
      break;
    }
    case kDibCreatePatternBrush:
    case kCreatePatternBrush: {
      TBrush brush;
      brush.Style = 3;
      // The old form holds a device bitmap (header, a pointer's room and 18
      // reserved bytes before the bits); the new one a DIB after style and usage.
      if (function == kCreatePatternBrush)
        brush.Pattern = Bitmap16(r, 6, 38);
      else
        brush.Pattern = Dib(r, 10);
      if (!brush.Pattern) brush.Style = 0;
      if (!SpendPattern(std::const_pointer_cast<TImage>(brush.Pattern))) break;
      d.CreateObjectFree(std::move(brush));
      break;
    }
    case kCreateRegion: CreateRegion(r); break;
    case kSelectObject: d.SelectObject(r.U16(6)); break;
    case kSelectPalette: d.SelectPalette(r.U16(6)); break;
    case kDeleteObject: d.DeleteObject(r.U16(6)); break;
    case kSelectClipRegion: {
      const uint16_t index = r.U16(6);
      if (const TRegion* region = RegionAt(index)) d.SelectClipRegion(region, 5);
      break;
    }
    case kFillRegion: {
      const TRegion* region = RegionAt(r.U16(6));
      const TGdiObject* o = d.ObjectAt(r.U16(8));
      const TBrush* brush = o ? std::get_if<TBrush>(o) : nullptr;
      if (region && brush) d.FillRegion(*region, *brush);
      break;
    }
    case kFrameRegion: {
      const TRegion* region = RegionAt(r.U16(6));
      const TGdiObject* o = d.ObjectAt(r.U16(8));
      const TBrush* brush = o ? std::get_if<TBrush>(o) : nullptr;
      if (region && brush) d.FrameRegion(*region, *brush, r.I16(12), r.I16(10));
      break;
    }
    case kInvertRegion:
      if (const TRegion* region = RegionAt(r.U16(6))) d.InvertRegion(*region);
      break;
    case kPaintRegion:
      if (const TRegion* region = RegionAt(r.U16(6))) d.PaintRegion(*region);
      break;
    case kExcludeClipRect: d.ExcludeClipRect(r.I16(12), r.I16(10), r.I16(8), r.I16(6)); break;
    case kIntersectClipRect: d.IntersectClipRect(r.I16(12), r.I16(10), r.I16(8), r.I16(6)); break;
    case kOffsetClipRgn: d.OffsetClip(r.I16(8), r.I16(6)); break;
    case kPatBlt: d.PatBlt(r.I16(16), r.I16(14), r.I16(12), r.I16(10), r.U32(6)); break;
    case kBitBlt: case kDibBitBlt: case kStretchBlt: case kDibStretchBlt: {
      const bool stretch = function == kStretchBlt || function == kDibStretchBlt;
      // Without a bitmap the record is one word longer than its parameters
      // need (a reserved word) and paints the pattern alone.
      const bool withBitmap = r.Size() / 2 != static_cast<size_t>((function >> 8) + 3);
      TGdiDevice::TBitmapDraw draw;
      draw.Rop = r.U32(6);
      size_t o = 10;
      if (stretch) {
        draw.SrcH = r.I16(o);
        draw.SrcW = r.I16(o + 2);
        o += 4;
      }
      draw.SrcY = r.I16(o);
      draw.SrcX = r.I16(o + 2);
      o += 4;
      if (!withBitmap) o += 2;
      draw.H = r.I16(o);
      draw.W = r.I16(o + 2);
      draw.Y = r.I16(o + 4);
      draw.X = r.I16(o + 6);
      o += 8;
      if (!stretch) {
        draw.SrcW = draw.W;
        draw.SrcH = draw.H;
      }
      if (r.Short()) break;
      if (withBitmap) {
        draw.Source = (function == kBitBlt || function == kStretchBlt) ? Bitmap16(r, o, o + 10) : Dib(r, o);
        if (!draw.Source) break;
      }
      d.DrawBitmap(draw);
      break;
    }
    case kStretchDib: case kSetDibToDev: {
      TGdiDevice::TBitmapDraw draw;
      size_t dibAt;
      if (function == kStretchDib) {
        draw.Rop = r.U32(6);
        draw.SrcH = r.I16(12);
        draw.SrcW = r.I16(14);
        draw.SrcY = r.I16(16);
        draw.SrcX = r.I16(18);
        draw.H = r.I16(20);
        draw.W = r.I16(22);
        draw.Y = r.I16(24);
        draw.X = r.I16(26);
        dibAt = 28;
        if (r.U16(10) != 0) Unsupported();  // palette-index colours
      } else {
        if (r.U16(6) != 0) Unsupported();
        draw.SrcY = r.I16(12);
        draw.SrcX = r.I16(14);
        draw.SrcH = draw.H = r.I16(16);
        draw.SrcW = draw.W = r.I16(18);
        draw.Y = r.I16(20);
        draw.X = r.I16(22);
        dibAt = 24;
      }
      if (r.Short() || d.Stopped()) break;
      const uint8_t* info = r.At(dibAt, 0);
      draw.Source = Dib(r, dibAt);
      if (!draw.Source) break;
      // A bottom-up DIB counts its source rows from the bottom.
      if (DibBottomUp(info, r.Size() - dibAt)) draw.SrcY = draw.Source->Height - draw.SrcY - draw.SrcH;
      d.DrawBitmap(draw);
      break;
    }
    default:
      // Records of no known function: GDI skips them by their size.
      break;
  }
  if (r.Short()) Damaged();
  (void)m_result;
}

}  // namespace

void PlayWmf(const uint8_t* data, size_t size, size_t firstRecord, TGdiDevice& device, TProgressRecord& progress,
             TPlayResult& result) {
  TWmfPlayer player(device, result);
  size_t at = firstRecord;
  int64_t records = 0;
  int lastPercent = -1;
  bool ended = false;
  while (at + 6 <= size) {
    const uint32_t words = GetLE32(data + at);
    const uint16_t function = static_cast<uint16_t>(data[at + 4] | (data[at + 5] << 8));
    if (words < 3) {
      device.NoteDamage(frCorruptData);
      break;
    }
    if (static_cast<uint64_t>(words) * 2 > size - at) {
      device.NoteDamage(frTruncated);
      break;
    }
    if (function == kEof) {
      ended = true;
      break;
    }
    if (++records > kMaxRecords || !device.Budget().Spend(16)) {
      device.Fail(frSizeTooLarge);
      break;
    }
    TRecordView view(data + at, static_cast<size_t>(words) * 2);
    player.Record(function, view);
    if (device.Stopped() || progress.Aborted()) break;
    const int percent = ProgressPercent(static_cast<int64_t>(at), static_cast<int64_t>(size));
    if (percent != lastPercent) {
      progress.Report(percent);
      lastPercent = percent;
    }
    at += static_cast<size_t>(words) * 2;
  }
  if (!ended && !device.Stopped() && !progress.Aborted()) device.NoteDamage(frTruncated);
  if (device.Budget().Exhausted()) device.Fail(frSizeTooLarge);
  result.Fault = device.Fault();
  result.Damage = device.Damage();
}

}  // namespace pix::metafile
