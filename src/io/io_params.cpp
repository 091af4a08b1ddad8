#include "io/io_params.h"

#include <chrono>

#include "io/pix_image_io.h"

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

TIOParams::TIOParams(TPixImageIO* owner)
    : OwnerIO(owner),
      m_exifThumbnail(std::make_unique<TBitmap>()),
      m_markerList(std::make_unique<TPixMarkerList>()),
      m_iptc(std::make_unique<TPixIPTCInfoList>()),
      m_comments(std::make_unique<std::vector<std::string>>()) {
  Reset();
}

TIOParams::~TIOParams() = default;

void TIOParams::Reset() {
  BitsPerSample = 8;
  SamplesPerPixel = 3;
  if (OwnerIO) {
    if (TBitmap* bmp = OwnerIO->Bitmap()) {
      Width = bmp->Width();
      Height = bmp->Height();
    }
    if (TPixView* view = OwnerIO->AttachedView()) {
      DpiX = view->DpiX();
      DpiY = view->DpiY();
    }
  }
  FileType = 0;

  GifVersion = "GIF89a";
  GifImageIndex = 0;
  GifXPos = 0;
  GifYPos = 0;
  GifDelayTime = 0;
  GifTransparent = false;
  GifTransparentColor = TRGB{};
  GifInterlaced = false;
  GifWinWidth = 0;
  GifWinHeight = 0;
  GifBackground = TRGB{};
  GifRatio = 0;
  GifLzwDecode = DefaultGifLzwDecode;
  GifLzwEncode = DefaultGifLzwEncode;

  TiffCompression = 0;
  TiffImageIndex = 0;
  TiffPhotometInterpret = 2;
  TiffPlanarConf = 1;
  TiffXPos = 0;
  TiffYPos = 0;
  TiffDocumentName.clear();
  TiffImageDescription.clear();
  TiffPageName.clear();
  TiffPageNumber = 0;
  TiffPageCount = 0;
  TiffCoder1 = DefaultTiffCoder1;
  TiffCoder2 = DefaultTiffCoder2;
  TiffFillOrder = 1;

  JpegColorSpace = 2;
  JpegQuality = 50;
  JpegDctMethod = 0;
  JpegOptimalHuffman = false;
  JpegSmoothing = 0;
  JpegProgressive = false;
  JpegScale = 1;
  m_markerList->Clear();
  JpegScaleDenominator = 1;

  PcxVersion = 5;
  PcxCompression = 1;

  BmpVersion = 1;
  BmpCompression = 0;

  IcoImageIndex = 0;
  IcoBackground = TRGB{255, 255, 255};

  CurImageIndex = 0;
  CurXHotSpot = 0;
  CurBackground = TRGB{255, 255, 255};

  PngInterlaced = false;
  PngBackground = TRGB{};
  PngFilter = 0;
  PngCompression = 5;

  TgaXPos = 0;
  TgaYPos = 0;
  TgaCompressed = true;
  TgaDescriptor.clear();
  TgaAuthor.clear();
  TgaDate = CurrentDate();
  TgaImageName.clear();
  TgaBackground = TRGB{};
  TgaAspectRatio = 1.0;
  TgaGamma = 2.2;
  TgaGrayLevel = false;

  m_iptc->Clear();
  m_comments->clear();
  m_exifThumbnail->Allocate(1, 1, m_exifThumbnail->PixelFormat());
  ResetExif();

  FileName.clear();
  FreeColorMap();
  GifImageCount = 0;
  TiffRowsPerStrip = 0;
}

void TIOParams::ResetExif() {
  ExifHasExifData = false;
  ExifImageDescription.clear();
  ExifMake.clear();
  ExifModel.clear();
  ExifOrientation = 0;
  ExifXResolution = 0.0;
  ExifYResolution = 0.0;
  ExifResolutionUnit = 0;
  ExifSoftware.clear();
  ExifArtist.clear();
  ExifDateTime.clear();
  ExifCopyright.clear();
  ExifExposureTime = 0.0;
  ExifFNumber = 0.0;
  ExifExposureProgram = 0;
  ExifReferenceBlackWhite.fill(0.0);
  ExifISOSpeedRatings.fill(0);
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
  BitsPerSample = o.BitsPerSample;
  SamplesPerPixel = o.SamplesPerPixel;
  Width = o.Width;
  Height = o.Height;
  DpiX = o.DpiX;
  DpiY = o.DpiY;
  FileType = o.FileType;

  TiffCompression = o.TiffCompression;
  TiffImageIndex = o.TiffImageIndex;
  TiffPhotometInterpret = o.TiffPhotometInterpret;
  TiffPlanarConf = o.TiffPlanarConf;
  TiffXPos = o.TiffXPos;
  TiffYPos = o.TiffYPos;
  TiffDocumentName = o.TiffDocumentName;
  TiffImageDescription = o.TiffImageDescription;
  TiffPageName = o.TiffPageName;
  TiffPageNumber = o.TiffPageNumber;
  TiffPageCount = o.TiffPageCount;
  TiffCoder1 = o.TiffCoder1;
  TiffCoder2 = o.TiffCoder2;
  TiffFillOrder = o.TiffFillOrder;

  GifVersion = o.GifVersion;
  GifImageIndex = o.GifImageIndex;
  GifXPos = o.GifXPos;
  GifYPos = o.GifYPos;
  GifDelayTime = o.GifDelayTime;
  GifTransparent = o.GifTransparent;
  GifTransparentColor = o.GifTransparentColor;
  GifInterlaced = o.GifInterlaced;
  GifWinWidth = o.GifWinWidth;
  GifWinHeight = o.GifWinHeight;
  GifBackground = o.GifBackground;
  GifRatio = o.GifRatio;
  GifLzwDecode = o.GifLzwDecode;
  GifLzwEncode = o.GifLzwEncode;

  JpegColorSpace = o.JpegColorSpace;
  JpegQuality = o.JpegQuality;
  JpegDctMethod = o.JpegDctMethod;
  JpegOptimalHuffman = o.JpegOptimalHuffman;
  JpegSmoothing = o.JpegSmoothing;
  JpegProgressive = o.JpegProgressive;
  JpegScale = o.JpegScale;
  m_markerList->Assign(*o.m_markerList);
  JpegScaleDenominator = o.JpegScaleDenominator;
  JpegWarningCount = o.JpegWarningCount;
  JpegWarningCode = o.JpegWarningCode;

  PcxVersion = o.PcxVersion;
  PcxCompression = o.PcxCompression;
  BmpVersion = o.BmpVersion;
  BmpCompression = o.BmpCompression;
  IcoImageIndex = o.IcoImageIndex;
  IcoBackground = o.IcoBackground;
  CurImageIndex = o.CurImageIndex;
  CurXHotSpot = o.CurXHotSpot;
  CurYHotSpot = o.CurYHotSpot;
  CurBackground = o.CurBackground;
  PngInterlaced = o.PngInterlaced;
  PngBackground = o.PngBackground;
  PngFilter = o.PngFilter;
  PngCompression = o.PngCompression;
  TgaXPos = o.TgaXPos;
  TgaYPos = o.TgaYPos;
  TgaCompressed = o.TgaCompressed;
  TgaDescriptor = o.TgaDescriptor;
  TgaAuthor = o.TgaAuthor;
  TgaDate = o.TgaDate;
  TgaImageName = o.TgaImageName;
  TgaBackground = o.TgaBackground;
  TgaAspectRatio = o.TgaAspectRatio;
  TgaGamma = o.TgaGamma;
  TgaGrayLevel = o.TgaGrayLevel;

  m_iptc->Assign(*o.m_iptc);
  *m_comments = *o.m_comments;
  CopyImage(*o.m_exifThumbnail, *m_exifThumbnail);

  ExifHasExifData = o.ExifHasExifData;
  ExifImageDescription = o.ExifImageDescription;
  ExifMake = o.ExifMake;
  ExifModel = o.ExifModel;
  ExifOrientation = o.ExifOrientation;
  ExifXResolution = o.ExifXResolution;
  ExifYResolution = o.ExifYResolution;
  ExifResolutionUnit = o.ExifResolutionUnit;
  ExifSoftware = o.ExifSoftware;
  ExifArtist = o.ExifArtist;
  ExifDateTime = o.ExifDateTime;
  ExifCopyright = o.ExifCopyright;
  ExifExposureTime = o.ExifExposureTime;
  ExifFNumber = o.ExifFNumber;
  ExifExposureProgram = o.ExifExposureProgram;
  ExifReferenceBlackWhite = o.ExifReferenceBlackWhite;
  ExifISOSpeedRatings = o.ExifISOSpeedRatings;

  FileName = o.FileName;
  SetColorMap(o.ColorMap(), o.ColorMapCount);
  GifImageCount = o.GifImageCount;
  TiffRowsPerStrip = o.TiffRowsPerStrip;
}

}  // namespace pix
