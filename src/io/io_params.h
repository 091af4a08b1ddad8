#pragma once
// The parameter record of one I/O component: what the last load found and what
// the next save should do. Reset once at creation, never between files.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "codecs/jpeg_markers.h"
#include "imaging/bitmap.h"
#include "imaging/pix_defs.h"
#include "platform/stream.h"

namespace pix {

class TPixImageIO;

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

class TIOParams : public TPixObject {
public:
  explicit TIOParams(TPixImageIO* owner = nullptr);
  ~TIOParams() override;
  TIOParams(const TIOParams&) = delete;
  TIOParams& operator=(const TIOParams&) = delete;

  // Back to the reset values; size and resolution come from the owner only when
  // it has a bitmap (size) or an attached view (resolution).
  void Reset();
  // Deep copy of every field but the owner.
  void AssignFrom(const TIOParams& other);

  TPixImageIO* OwnerIO;

  // General
  int32_t BitsPerSample = 0;
  int32_t SamplesPerPixel = 0;
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t DpiX = 0;
  int32_t DpiY = 0;
  int32_t FileType = 0;

  // TIFF (codec not part of this library; fields kept with their reset values)
  uint8_t TiffCompression = 0;
  int32_t TiffImageIndex = 0;
  uint8_t TiffPhotometInterpret = 0;
  int32_t TiffPlanarConf = 0;
  int32_t TiffXPos = 0;
  int32_t TiffYPos = 0;
  std::string TiffDocumentName;
  std::string TiffImageDescription;
  std::string TiffPageName;
  int32_t TiffPageNumber = 0;
  int32_t TiffPageCount = 0;
  TTiffCoderProc TiffCoder1 = nullptr;
  TTiffCoderProc TiffCoder2 = nullptr;
  uint8_t TiffFillOrder = 0;

  // GIF
  std::string GifVersion;
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
  uint8_t JpegColorSpace = 0;
  int32_t JpegQuality = 0;
  uint8_t JpegDctMethod = 0;
  bool JpegOptimalHuffman = false;
  int32_t JpegSmoothing = 0;
  bool JpegProgressive = false;
  uint8_t JpegScale = 0;
  TPixMarkerList& MarkerList() { return *m_markerList; }
  const TPixMarkerList& MarkerList() const { return *m_markerList; }
  int32_t JpegScaleDenominator = 0;
  int32_t JpegWarningCount = 0;
  int32_t JpegWarningCode = 0;

  // PCX
  int32_t PcxVersion = 0;
  uint8_t PcxCompression = 0;

  // BMP
  uint8_t BmpVersion = 0;
  uint8_t BmpCompression = 0;

  // ICO
  int32_t IcoImageIndex = 0;
  TRGB IcoBackground;

  // CUR
  int32_t CurImageIndex = 0;
  int32_t CurXHotSpot = 0;
  int32_t CurYHotSpot = 0;  // not touched by reset
  TRGB CurBackground;

  // PNG
  bool PngInterlaced = false;
  TRGB PngBackground;
  uint8_t PngFilter = 0;
  int32_t PngCompression = 0;

  // TGA
  int32_t TgaXPos = 0;
  int32_t TgaYPos = 0;
  bool TgaCompressed = false;
  std::string TgaDescriptor;
  std::string TgaAuthor;
  double TgaDate = 0.0;
  std::string TgaImageName;
  TRGB TgaBackground;
  double TgaAspectRatio = 0.0;
  double TgaGamma = 0.0;
  bool TgaGrayLevel = false;

  // IPTC
  TPixIPTCInfoList& IptcInfo() { return *m_iptc; }
  const TPixIPTCInfoList& IptcInfo() const { return *m_iptc; }

  // Comments
  std::vector<std::string>& Comments() { return *m_comments; }

  // EXIF
  TBitmap& ExifThumbnail() { return *m_exifThumbnail; }
  const TBitmap& ExifThumbnail() const { return *m_exifThumbnail; }
  bool ExifHasExifData = false;
  std::string ExifImageDescription;
  std::string ExifMake;
  std::string ExifModel;
  int32_t ExifOrientation = 0;
  double ExifXResolution = 0.0;
  double ExifYResolution = 0.0;
  int32_t ExifResolutionUnit = 0;
  std::string ExifSoftware;
  std::string ExifArtist;
  std::string ExifDateTime;
  std::string ExifCopyright;
  double ExifExposureTime = 0.0;
  double ExifFNumber = 0.0;
  int32_t ExifExposureProgram = 0;
  std::array<double, 6> ExifReferenceBlackWhite{};  // indexed accessors below
  std::array<int32_t, 2> ExifISOSpeedRatings{};
  double GetExifReferenceBlackWhite(int i) const { return ExifReferenceBlackWhite[i]; }
  void SetExifReferenceBlackWhite(int i, double v) { ExifReferenceBlackWhite[i] = v; }
  int32_t GetExifISOSpeedRatings(int i) const { return ExifISOSpeedRatings[i]; }
  void SetExifISOSpeedRatings(int i, int32_t v) { ExifISOSpeedRatings[i] = v; }

  // General (tail)
  std::string FileName;
  // Palette of the last palette image: ColorMapCount triples, owned here.
  const TRGB* ColorMap() const { return m_colorMap.empty() ? nullptr : m_colorMap.data(); }
  int32_t ColorMapCount = 0;
  // Replaces the colour map with a copy of count entries (none when count <= 0).
  void SetColorMap(const TRGB* entries, int32_t count);
  void FreeColorMap();
  int32_t GifImageCount = 0;
  int32_t TiffRowsPerStrip = 0;

private:
  void ResetExif();

  std::unique_ptr<TBitmap> m_exifThumbnail;
  std::unique_ptr<TPixMarkerList> m_markerList;
  std::unique_ptr<TPixIPTCInfoList> m_iptc;
  std::unique_ptr<std::vector<std::string>> m_comments;
  std::vector<TRGB> m_colorMap;
};

}  // namespace pix
