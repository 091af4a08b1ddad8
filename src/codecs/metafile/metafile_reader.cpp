// ReadMetafileStream: which kind, what size, then the records drawn on white.
#include <cmath>
#include <cstring>
#include <vector>

#include "codecs/common/stream_io.h"
#include "codecs/metafile/detail/metafile_format.h"
#include "codecs/metafile/metafile_codec.h"
#include "platform/default_resolution.h"

namespace pix {

namespace {

using namespace metafile;

// Enough for the EMF header with its micrometre sizes, or both WMF headers.
constexpr int64_t kHeadBytes = 108;
constexpr double kDefaultWidth = 1024, kDefaultHeight = 768;

enum TKind { mkNone, mkPlaceable, mkPlainWmf, mkEmf };

TKind KindOf(const uint8_t* b, int64_t n) {
  if (n >= 4 && GetLE32(b) == kPlaceableKey) return mkPlaceable;
  if (n >= 44 && GetLE32(b) == kEmrHeader && GetLE32(b + 40) == kEmfSignature) return mkEmf;
  if (n >= 6) {
    const uint16_t type = GetLE16(b), words = GetLE16(b + 2), version = GetLE16(b + 4);
    if ((type == 1 || type == 2) && words == 9 && (version == 0x0100 || version == 0x0300)) return mkPlainWmf;
  }
  return mkNone;
}

// A start too short to tell: the beginning of a known signature is a cut
// file, anything else another format.
TFailureReason ShortStartFault(const uint8_t* b, int64_t n) {
  if (n == 0) return frTruncated;
  uint8_t placeable[4], emf[4];
  PutLE32(placeable, kPlaceableKey);
  PutLE32(emf, kEmrHeader);
  const auto m = static_cast<size_t>(std::min<int64_t>(n, 4));
  if (std::memcmp(b, placeable, m) == 0 || std::memcmp(b, emf, m) == 0) return frTruncated;
  if (n < 6 && (b[0] == 1 || b[0] == 2) && (n < 2 || b[1] == 0)) return frTruncated;
  return frNotThisFormat;
}

// The picture's size and how the playing device reaches it.
struct TLayout {
  int32_t Width = 0, Height = 0;
  TDeviceSetup Setup;
  size_t FirstRecord = 0;
  size_t ObjectSlots = 0;
};

// Whole pixels for a size in pixels, the longer side capped and the pixel
// block kept within MaxBitmapBytes(); factor is what the caps scaled by.
void FitSize(double w, double h, int32_t& width, int32_t& height, double& factor) {
  factor = 1.0;
  const double longer = std::max(w, h);
  if (longer > kMetafileMaxSide) factor = kMetafileMaxSide / longer;
  const double bytes = (w * factor * 3.0 + 4.0) * (h * factor);
  const double limit = static_cast<double>(MaxBitmapBytes());
  if (bytes > limit) factor *= std::sqrt(limit / bytes);
  width = static_cast<int32_t>(std::clamp(std::round(w * factor), 1.0, static_cast<double>(kMetafileMaxSide)));
  height = static_cast<int32_t>(std::clamp(std::round(h * factor), 1.0, static_cast<double>(kMetafileMaxSide)));
}

// The window the first window records of a plain WMF set, if any.
bool ScanWindow(const uint8_t* data, size_t size, size_t at, double& orgX, double& orgY, double& extX, double& extY) {
  bool haveExt = false;
  for (int64_t records = 0; at + 6 <= size && records < kMaxRecords; ++records) {
    const uint32_t words = GetLE32(data + at);
    const uint16_t function = GetLE16(data + at + 4);
    if (words < 3 || static_cast<uint64_t>(words) * 2 > size - at || function == kMetaEof) break;
    if (words >= 5 && function == kMetaSetWindowOrg) {
      orgY = static_cast<int16_t>(GetLE16(data + at + 6));
      orgX = static_cast<int16_t>(GetLE16(data + at + 8));
    }
    if (words >= 5 && function == kMetaSetWindowExt && !haveExt) {
      extY = static_cast<int16_t>(GetLE16(data + at + 6));
      extX = static_cast<int16_t>(GetLE16(data + at + 8));
      haveExt = extX != 0 && extY != 0;
    }
    at += static_cast<size_t>(words) * 2;
  }
  return haveExt;
}

TFailureReason LayoutWmf(const uint8_t* data, size_t size, bool placeable, const TResolution& dpi, TLayout& out) {
  const size_t header = placeable ? kPlaceableSize : 0;
  if (size < header + kWmfHeaderSize) return frTruncated;
  if (placeable && KindOf(data + header, static_cast<int64_t>(size - header)) != mkPlainWmf) return frCorruptData;
  out.FirstRecord = header + static_cast<size_t>(GetLE16(data + header + 2)) * 2;
  out.ObjectSlots = std::max<size_t>(GetLE16(data + header + 10), 1);
  double orgX = 0, orgY = 0, extX = 0, extY = 0, w = 0, h = 0;
  if (placeable) {
    const double left = static_cast<int16_t>(GetLE16(data + 6)), top = static_cast<int16_t>(GetLE16(data + 8));
    const double right = static_cast<int16_t>(GetLE16(data + 10)), bottom = static_cast<int16_t>(GetLE16(data + 12));
    double inch = GetLE16(data + 14);
    if (inch == 0) inch = 1440;
    orgX = std::min(left, right);
    orgY = std::min(top, bottom);
    extX = std::fabs(right - left);
    extY = std::fabs(bottom - top);
    w = extX * dpi.DpiX / inch;
    h = extY * dpi.DpiY / inch;
  }
  if (!(w >= 0.5 && h >= 0.5)) {
    // No usable box: the window records, a logical unit taken as a pixel.
    if (ScanWindow(data, size, out.FirstRecord, orgX, orgY, extX, extY)) {
      w = std::fabs(extX);
      h = std::fabs(extY);
    } else {
      orgX = orgY = 0;
      w = extX = kDefaultWidth;
      h = extY = kDefaultHeight;
    }
  }
  double factor;
  FitSize(w, h, out.Width, out.Height, factor);
  out.Setup.WindowToOutput = true;
  out.Setup.WindowOrgX = orgX;
  out.Setup.WindowOrgY = orgY;
  out.Setup.WindowExtX = extX;
  out.Setup.WindowExtY = extY;
  return frNone;
}

int32_t I32At(const uint8_t* p) { return static_cast<int32_t>(GetLE32(p)); }

TFailureReason LayoutEmf(const uint8_t* data, size_t size, const TResolution& dpi, TLayout& out) {
  const uint32_t headerSize = GetLE32(data + 4);
  if (size < static_cast<size_t>(kEmfMinHeaderSize)) return frTruncated;
  if (headerSize < static_cast<uint32_t>(kEmfMinHeaderSize) || headerSize % 4 != 0) return frCorruptData;
  if (headerSize > size) return frCorruptData;
  const double boundsL = I32At(data + 8), boundsT = I32At(data + 12), boundsR = I32At(data + 16),
               boundsB = I32At(data + 20);
  const double frameL = I32At(data + 24), frameT = I32At(data + 28), frameR = I32At(data + 32),
               frameB = I32At(data + 36);
  out.ObjectSlots = std::max<size_t>(GetLE16(data + 56), 1);
  const double devX = I32At(data + 72), devY = I32At(data + 76);
  double mmX = I32At(data + 80), mmY = I32At(data + 84);
  if (headerSize >= 108 && I32At(data + 100) > 0 && I32At(data + 104) > 0) {
    mmX = I32At(data + 100) / 1000.0;
    mmY = I32At(data + 104) / 1000.0;
  }
  double ppmX = devX / mmX, ppmY = devY / mmY;
  if (!(devX > 0 && devY > 0 && mmX > 0 && mmY > 0)) ppmX = ppmY = 96.0 / 25.4;
  out.Setup.PixelsPerMmX = ppmX;
  out.Setup.PixelsPerMmY = ppmY;

  // The frame says how large the picture is; the device rectangle it covers
  // is mapped onto the output.
  double w, h, devLeft, devTop, devWidth, devHeight;
  if (frameR > frameL && frameB > frameT) {
    w = (frameR - frameL) * dpi.DpiX / 2540.0;
    h = (frameB - frameT) * dpi.DpiY / 2540.0;
    devLeft = frameL * ppmX / 100.0;
    devTop = frameT * ppmY / 100.0;
    devWidth = (frameR - frameL) * ppmX / 100.0;
    devHeight = (frameB - frameT) * ppmY / 100.0;
  } else if (boundsR >= boundsL && boundsB >= boundsT) {
    devLeft = boundsL;
    devTop = boundsT;
    devWidth = boundsR - boundsL + 1;
    devHeight = boundsB - boundsT + 1;
    w = devWidth / ppmX / 25.4 * dpi.DpiX;
    h = devHeight / ppmY / 25.4 * dpi.DpiY;
  } else {
    devLeft = devTop = 0;
    w = devWidth = kDefaultWidth;
    h = devHeight = kDefaultHeight;
  }
  if (!(w >= 0.5 && h >= 0.5) || !std::isfinite(w) || !std::isfinite(h)) {
    devLeft = devTop = 0;
    w = devWidth = kDefaultWidth;
    h = devHeight = kDefaultHeight;
  }
  double factor;
  FitSize(w, h, out.Width, out.Height, factor);
  TXform& map = out.Setup.DeviceToOutput;
  map.M11 = out.Width / devWidth;
  map.M22 = out.Height / devHeight;
  map.Dx = -devLeft * map.M11;
  map.Dy = -devTop * map.M22;
  out.FirstRecord = 0;
  return frNone;
}

void FillWhite(TBitmap& image) {
  for (int32_t y = 0; y < image.Height(); ++y) std::memset(image.ScanLine(y), 0xFF, static_cast<size_t>(image.Width()) * 3);
}

// Reads up to n bytes at the stream's position.
std::vector<uint8_t> ReadUpTo(TPixStream& stream, int64_t n) {
  std::vector<uint8_t> bytes(static_cast<size_t>(std::max<int64_t>(n, 0)));
  const int64_t got = n > 0 ? stream.Read(bytes.data(), n) : 0;
  bytes.resize(static_cast<size_t>(std::max<int64_t>(got, 0)));
  return bytes;
}

}  // namespace

TPixFileType MetafileTypeOf(TPixStream& stream) {
  const int64_t start = stream.Position();
  const std::vector<uint8_t> head = ReadUpTo(stream, 44);
  stream.Seek(start, TSeekOrigin::soBeginning);
  switch (KindOf(head.data(), static_cast<int64_t>(head.size()))) {
    case mkEmf: return ftEMF;
    case mkPlaceable: case mkPlainWmf: return ftWMF;
    default: return ftUnknown;
  }
}

void ReadMetafileStream(TPixStream& stream, TBitmap& image, TPixMask* alpha, bool paramsOnly, TIOParams& params,
                        TProgressRecord& progress) {
  const int64_t start = stream.Position();
  const int64_t size = std::max<int64_t>(0, stream.Size() - start);
  std::vector<uint8_t> data = ReadUpTo(stream, std::min(size, kHeadBytes));
  const auto headSize = static_cast<int64_t>(data.size());
  const TKind kind = KindOf(data.data(), headSize);
  if (kind == mkNone) {
    progress.Abort(headSize < 44 ? ShortStartFault(data.data(), headSize) : frNotThisFormat);
    return;
  }
  if (size > kMaxFileBytes) {
    progress.Abort(frSizeTooLarge);
    return;
  }
  // A plain WMF states its size only in its records. Bytes the stream does
  // not deliver although it claimed them count as a cut file.
  if ((kind == mkPlainWmf || !paramsOnly) && size > headSize) {
    stream.Seek(start, TSeekOrigin::soBeginning);
    data = ReadUpTo(stream, size);
    if (static_cast<int64_t>(data.size()) != size) {
      progress.Abort(frTruncated);
      return;
    }
  }
  const TResolution dpi = DefaultResolution();
  TLayout layout;
  const TFailureReason fault = kind == mkEmf ? LayoutEmf(data.data(), data.size(), dpi, layout)
                                             : LayoutWmf(data.data(), data.size(), kind == mkPlaceable, dpi, layout);
  if (fault != frNone) {
    progress.Abort(fault);
    return;
  }
  params.Width = layout.Width;
  params.Height = layout.Height;
  params.DpiX = dpi.DpiX;
  params.DpiY = dpi.DpiY;
  params.BitsPerSample = 8;
  params.SamplesPerPixel = 3;
  if (paramsOnly) return;

  image.Allocate(layout.Width, layout.Height, TPixelFormat::TrueColor);
  FillWhite(image);
  MakeOpaqueAlpha(alpha, layout.Width, layout.Height);
  TWorkBudget budget(WorkBudgetFor(static_cast<int64_t>(layout.Width) * layout.Height));
  TGdiDevice device(image, budget, layout.Setup, layout.ObjectSlots);
  TPlayResult result;
  if (kind == mkEmf)
    PlayEmf(data.data(), data.size(), device, progress, result);
  else
    PlayWmf(data.data(), data.size(), layout.FirstRecord, device, progress, result);
  if (result.Fault != frNone)
    progress.Abort(result.Fault);
  else if (result.Damage != frNone)
    progress.NoteDamage(result.Damage);
}

}  // namespace pix
