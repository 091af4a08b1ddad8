#include "codecs/common/io_params.h"

#include <chrono>

#include "imaging/image_client.h"

namespace pix {

TGifLzwDecodeProc DefaultGifLzwDecode = nullptr;
TGifLzwEncodeProc DefaultGifLzwEncode = nullptr;
TTiffCoderProc DefaultTiffCoder1 = nullptr;
TTiffCoderProc DefaultTiffCoder2 = nullptr;

namespace {

// Days since 1899-12-30, the date epoch of the formats that store one.
double CurrentDate() {
  using namespace std::chrono;
  auto now = system_clock::now().time_since_epoch();
  double days = duration_cast<duration<double, std::ratio<86400>>>(now).count();
  return days + 25569.0;
}

}  // namespace

TIOParams::TIOParams(TPixImageClient* owner) : OwnerIO(owner), m_exifThumbnail(std::make_unique<TBitmap>()) {
  Reset();
}

TIOParams::~TIOParams() = default;

void TIOParams::Reset() {
  TIOParamValues fresh;
  // Size and resolution keep their values unless the owner can supply them.
  fresh.Width = Width;
  fresh.Height = Height;
  fresh.DpiX = DpiX;
  fresh.DpiY = DpiY;
  if (OwnerIO) {
    if (TBitmap* bmp = OwnerIO->Bitmap()) {
      fresh.Width = bmp->Width();
      fresh.Height = bmp->Height();
    }
    if (TPixView* view = OwnerIO->AttachedView()) {
      fresh.DpiX = view->DpiX();
      fresh.DpiY = view->DpiY();
    }
  }
  fresh.GifLzwDecode = DefaultGifLzwDecode;
  fresh.GifLzwEncode = DefaultGifLzwEncode;
  fresh.TiffCoder1 = DefaultTiffCoder1;
  fresh.TiffCoder2 = DefaultTiffCoder2;
  fresh.TgaDate = CurrentDate();
  fresh.JpegWarningCount = JpegWarningCount;
  fresh.JpegWarningCode = JpegWarningCode;
  fresh.CurYHotSpot = CurYHotSpot;
  static_cast<TIOParamValues&>(*this) = std::move(fresh);

  m_markerList.Clear();
  m_iptc.Clear();
  m_comments.clear();
  m_exifThumbnail->Allocate(1, 1, m_exifThumbnail->PixelFormat());
  FreeColorMap();
}

void TIOParams::SetColorMap(const TRGB* entries, int32_t count) {
  FreeColorMap();
  if (!entries || count <= 0) return;
  m_colorMap.assign(entries, entries + count);
  ColorMapCount = count;
}

void TIOParams::FreeColorMap() {
  std::vector<TRGB>().swap(m_colorMap);
  ColorMapCount = 0;
}

void TIOParams::AssignFrom(const TIOParams& o) {
  if (&o == this) return;
  static_cast<TIOParamValues&>(*this) = o;
  m_markerList.Assign(o.m_markerList);
  m_iptc.Assign(o.m_iptc);
  m_comments = o.m_comments;
  CopyImage(*o.m_exifThumbnail, *m_exifThumbnail);
  m_colorMap = o.m_colorMap;
}

bool TIOParams::operator==(const TIOParams& o) const {
  return static_cast<const TIOParamValues&>(*this) == o && m_markerList == o.m_markerList && m_iptc == o.m_iptc &&
         m_comments == o.m_comments && SamePixels(*m_exifThumbnail, *o.m_exifThumbnail) && m_colorMap == o.m_colorMap;
}

}  // namespace pix
