#pragma once
// The parameter record of one I/O component: what the last load found and what
// the next save should do. Reset once at creation, never between files.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "codecs/common/marker_lists.h"
#include "imaging/bitmap.h"
#include "imaging/pix_defs.h"
#include "codecs/common/param_codes.h"
#include "platform/stream.h"

namespace pix {

class TPixImageClient;

// Three bytes in memory order blue, green, red, like a TrueColor pixel.
struct TRGB {
  uint8_t b = 0;
  uint8_t g = 0;
  uint8_t r = 0;
  bool operator==(const TRGB&) const = default;
};
inline TColor ColorOf(const TRGB& t) { return RGBColor(t.r, t.g, t.b); }
inline TRGB RGBOf(TColor c) {
  c = ResolveColor(c);
  return TRGB{BlueOf(c), GreenOf(c), RedOf(c)};
}

// GIF LZW coders, installed by the application (the library installs none).
// Decode: stream at the minimum-code-size byte; fills buffer (width * height
// indices, top row first, interlacing undone) and consumes the data through its
// terminator. Encode: writes minimum code size, sub-blocks and terminator.
using TGifLzwDecodeProc = void (*)(TPixStream& stream, int32_t height, int32_t width, bool interlaced,
                                   uint8_t* buffer);
using TGifLzwEncodeProc = void (*)(TPixStream& stream, int32_t height, int32_t width, bool interlaced,
                                   const uint8_t* buffer, int32_t bits);
// TIFF compression coders; the TIFF codec is not part of this library.
using TTiffCoderProc = void (*)();

extern TGifLzwDecodeProc DefaultGifLzwDecode;
extern TGifLzwEncodeProc DefaultGifLzwEncode;
extern TTiffCoderProc DefaultTiffCoder1;
extern TTiffCoderProc DefaultTiffCoder2;

// The EXIF values of the record; a default object is the empty block.
struct TExifFields {
  bool ExifHasExifData = false;
  std::string ExifImageDescription;
  std::string ExifMake;
  std::string ExifModel;
  int32_t ExifOrientation = 0;
  double ExifXResolution = 0.0;
  double ExifYResolution = 0.0;
  int32_t ExifResolutionUnit = 0;  // 2 inches, 3 centimetres
  std::string ExifSoftware;
  std::string ExifArtist;
  std::string ExifDateTime;
  std::string ExifCopyright;
  double ExifExposureTime = 0.0;
  double ExifFNumber = 0.0;
  int32_t ExifExposureProgram = 0;
  std::array<double, 6> ExifReferenceBlackWhite{};  // indexed accessors on the record
  std::array<int32_t, 2> ExifISOSpeedRatings{};

  bool operator==(const TExifFields&) const = default;
};

// Every plain field of the record. The initialisers are the reset values;
// the few that come from elsewhere at reset (owner size and resolution, the
// process-wide coders, today's date) or that reset leaves alone are handled
// by TIOParams::Reset.
struct TIOParamValues : TExifFields {
  // General
  int32_t BitsPerSample = 8;
  int32_t SamplesPerPixel = 3;
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t DpiX = 0;
  int32_t DpiY = 0;
  TPixFileType FileType = ftUnknown;

  // TIFF
  uint8_t TiffCompression = 0;
  int32_t TiffImageIndex = 0;  // the page a multi-page file loads; for HEIF files 0 the primary image,
                               // n the n-th other top-level image in file order
  uint8_t TiffPhotometInterpret = 2;
  int32_t TiffPlanarConf = 1;
  int32_t TiffXPos = 0;
  int32_t TiffYPos = 0;
  std::string TiffDocumentName;
  std::string TiffImageDescription;
  std::string TiffPageName;
  int32_t TiffPageNumber = 0;
  int32_t TiffPageCount = 0;
  TTiffCoderProc TiffCoder1 = nullptr;
  TTiffCoderProc TiffCoder2 = nullptr;
  uint8_t TiffFillOrder = 1;

  // GIF
  std::string GifVersion = "GIF89a";
  int32_t GifImageIndex = 0;
  int32_t GifXPos = 0;
  int32_t GifYPos = 0;
  int32_t GifDelayTime = 0;
  bool GifTransparent = false;
  TRGB GifTransparentColor;
  bool GifInterlaced = false;
  int32_t GifWinWidth = 0;
  int32_t GifWinHeight = 0;
  TRGB GifBackground;
  int32_t GifRatio = 0;
  TGifLzwDecodeProc GifLzwDecode = nullptr;
  TGifLzwEncodeProc GifLzwEncode = nullptr;

  // JPEG
  TJpegColorSpace JpegColorSpace = jcYCbCr;
  int32_t JpegQuality = 50;
  TJpegDctMethod JpegDctMethod = jdIslow;
  bool JpegOptimalHuffman = false;
  int32_t JpegSmoothing = 0;
  bool JpegProgressive = false;
  TJpegScale JpegScale = jsFullSize;
  int32_t JpegScaleDenominator = 1;
  int32_t JpegWarningCount = 0;  // not touched by reset
  int32_t JpegWarningCode = 0;   // not touched by reset

  // PCX
  int32_t PcxVersion = 5;
  uint8_t PcxCompression = 1;

  // BMP
  uint8_t BmpVersion = 1;
  uint8_t BmpCompression = 0;

  // ICO
  int32_t IcoImageIndex = 0;
  TRGB IcoBackground{255, 255, 255};

  // CUR
  int32_t CurImageIndex = 0;
  int32_t CurXHotSpot = 0;
  int32_t CurYHotSpot = 0;  // not touched by reset
  TRGB CurBackground{255, 255, 255};

  // PNG
  bool PngInterlaced = false;
  TRGB PngBackground;
  uint8_t PngFilter = 0;
  int32_t PngCompression = 5;

  // TGA
  int32_t TgaXPos = 0;
  int32_t TgaYPos = 0;
  bool TgaCompressed = true;
  std::string TgaDescriptor;
  std::string TgaAuthor;
  double TgaDate = 0.0;  // days since 1899-12-30; today at reset
  std::string TgaImageName;
  TRGB TgaBackground;
  double TgaAspectRatio = 1.0;
  double TgaGamma = 2.2;
  bool TgaGrayLevel = false;

  // WebP
  bool WebpLossless = false;  // the last WebP read was lossless; the WebP writer then writes lossless

  // General (tail)
  std::string FileName;
  int32_t ColorMapCount = 0;
  int32_t GifImageCount = 0;
  int32_t TiffRowsPerStrip = 0;

  bool operator==(const TIOParamValues&) const = default;
};

class TIOParams : public TPixObject, public TIOParamValues {
public:
  explicit TIOParams(TPixImageClient* owner = nullptr);
  ~TIOParams() override;
  TIOParams(const TIOParams&) = delete;
  TIOParams& operator=(const TIOParams&) = delete;

  // Back to the reset values; size and resolution come from the owner only when
  // it has a bitmap (size) or an attached view (resolution).
  void Reset();
  // Deep copy of every field but the owner.
  void AssignFrom(const TIOParams& other);
  // Every field but the owner, the owned lists and the thumbnail's pixels included.
  bool operator==(const TIOParams& other) const;

  TPixImageClient* OwnerIO;  // the I/O component the record belongs to

  TPixMarkerList& MarkerList() { return m_markerList; }
  const TPixMarkerList& MarkerList() const { return m_markerList; }
  TPixIPTCInfoList& IptcInfo() { return m_iptc; }
  const TPixIPTCInfoList& IptcInfo() const { return m_iptc; }
  std::vector<std::string>& Comments() { return m_comments; }
  const std::vector<std::string>& Comments() const { return m_comments; }
  TBitmap& ExifThumbnail() { return *m_exifThumbnail; }
  const TBitmap& ExifThumbnail() const { return *m_exifThumbnail; }

  double GetExifReferenceBlackWhite(int i) const { return ExifReferenceBlackWhite[i]; }
  void SetExifReferenceBlackWhite(int i, double v) { ExifReferenceBlackWhite[i] = v; }
  int32_t GetExifISOSpeedRatings(int i) const { return ExifISOSpeedRatings[i]; }
  void SetExifISOSpeedRatings(int i, int32_t v) { ExifISOSpeedRatings[i] = v; }

  // Palette of the last palette image: ColorMapCount triples, owned here.
  const TRGB* ColorMap() const { return m_colorMap.empty() ? nullptr : m_colorMap.data(); }
  // Replaces the colour map with a copy of count entries (none when count <= 0).
  void SetColorMap(const TRGB* entries, int32_t count);
  void FreeColorMap();

private:
  std::unique_ptr<TBitmap> m_exifThumbnail;
  TPixMarkerList m_markerList;
  TPixIPTCInfoList m_iptc;
  std::vector<std::string> m_comments;
  std::vector<TRGB> m_colorMap;
};

}  // namespace pix
