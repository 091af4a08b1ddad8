// Writing the working image as a single-image GIF file.
#include <algorithm>
#include <array>
#include <memory>
#include <new>
#include <vector>

#include "codecs/palette/bilevel.h"
#include "codecs/gif/gif_codec.h"
#include "codecs/gif/detail/gif_format.h"
#include "codecs/palette/quantizer.h"
#include "codecs/common/stream_io.h"

namespace pix {

namespace {

// Image descriptor and logical screen sizes are 16-bit fields.
constexpr int32_t kGifMaxSide = 65535;

constexpr TRGB kBlack{0, 0, 0};
constexpr TRGB kWhite{255, 255, 255};

// The image actually encoded: the working image itself or a conversion owned here.
struct TWorkImage {
  const TBitmap* image = nullptr;
  std::unique_ptr<TBitmap> owned;
  int bits = 8;

  bool Bilevel() const { return image->PixelFormat() == TPixelFormat::Bilevel; }
};

// Colour depth 1 goes through the two-colour helpers, every other depth
// through the quantizer on a TrueColor image. Depths outside 1..8 cannot be
// written; they are taken as 8.
TWorkImage ChooseWorkImage(const TBitmap& image, int32_t bitsPerSample) {
  TWorkImage work;
  work.image = &image;
  if (bitsPerSample == 1) {
    work.bits = 1;
    if (image.PixelFormat() == TPixelFormat::Bilevel) return work;
    // The two colours found are not used: the file's palette is black, white.
    TRGB darker, lighter;
    work.owned = ExactBilevel(image, darker, lighter);
    if (!work.owned) {
      work.owned = std::make_unique<TBitmap>();
      CopyImage(image, *work.owned);
      TProgressRecord silent;
      DitherBilevel(*work.owned, silent);
    }
  } else {
    work.bits = (bitsPerSample >= 2 && bitsPerSample <= 8) ? bitsPerSample : 8;
    if (image.PixelFormat() == TPixelFormat::Bilevel) {
      work.owned = std::make_unique<TBitmap>();
      ExpandBilevel(image, *work.owned);
    }
  }
  if (work.owned) work.image = work.owned.get();
  return work;
}

std::vector<uint8_t> ReserveIndices(const TBitmap& image) {
  try {
    return std::vector<uint8_t>(static_cast<size_t>(image.Width()) * static_cast<size_t>(image.Height()));
  } catch (const std::bad_alloc&) {
    throw EPixOutOfMemory();
  }
}

void UnpackBilevel(const TBitmap& image, uint8_t* indices) {
  const int32_t width = image.Width();
  for (int32_t y = 0; y < image.Height(); ++y) {
    const uint8_t* row = image.ScanLine(y);
    uint8_t* out = indices + static_cast<int64_t>(y) * width;
    for (int32_t x = 0; x < width; ++x) out[x] = (row[x >> 3] >> (7 - (x & 7))) & 1;
  }
}

void QuantizeRows(const TBitmap& image, TPixQuantizer& quantizer, uint8_t* indices) {
  const int32_t width = image.Width();
  for (int32_t y = 0; y < image.Height(); ++y) {
    const uint8_t* row = image.ScanLine(y);
    uint8_t* out = indices + static_cast<int64_t>(y) * width;
    for (int32_t x = 0; x < width; ++x)
      out[x] = static_cast<uint8_t>(quantizer.IndexOfColor(TRGB{row[3 * x], row[3 * x + 1], row[3 * x + 2]}));
  }
}

// Everything the encode prepares before its first write.
struct TPrepared {
  TWorkImage work;
  TGifColorTable palette{};  // entries nobody fills stay black
  std::unique_ptr<TPixQuantizer> quantizer;
  std::vector<uint8_t> indices;
  int colors = 2;

  // Palette index of a colour outside the image (background, transparent).
  uint8_t IndexOf(const TRGB& color) const {
    if (quantizer) return static_cast<uint8_t>(quantizer->IndexOfColor(color));
    return static_cast<uint8_t>(NearestColorIndex(palette.data(), colors, color));
  }
};

TPrepared Prepare(const TBitmap& image, const TIOParams& params) {
  TPrepared p;
  p.work = ChooseWorkImage(image, params.BitsPerSample);
  p.colors = 1 << p.work.bits;
  p.indices = ReserveIndices(*p.work.image);
  if (p.work.Bilevel()) {
    p.palette[0] = kBlack;
    p.palette[1] = kWhite;
    UnpackBilevel(*p.work.image, p.indices.data());
  } else {
    p.quantizer = std::make_unique<TPixQuantizer>(*p.work.image, p.palette.data(), kGifMaxColors, p.colors, -1);
    QuantizeRows(*p.work.image, *p.quantizer, p.indices.data());
  }
  return p;
}

// The first six characters of the version; a shorter text is completed from
// the default version so that the signature stays readable.
void WriteVersion(TPixStream& stream, const std::string& version, TProgressRecord& progress) {
  char text[6] = {'G', 'I', 'F', '8', '9', 'a'};
  std::copy_n(version.begin(), std::min<size_t>(6, version.size()), text);
  WriteChecked(stream, text, 6, progress);
}

// The frame keeps the position a loaded GIF gave it, clamped so that it fits
// the 16-bit fields; the logical screen grows to hold it, so no reader cuts the
// picture (a screen of the image's own size would leave an offset frame partly
// outside).
int32_t FramePosition(int32_t position, int32_t size) {
  return std::clamp(position, 0, std::max(0, kGifMaxSide - size));
}

void WriteScreen(TPixStream& stream, const TPrepared& p, const TIOParams& params, TProgressRecord& progress) {
  const int32_t width = p.work.image->Width(), height = p.work.image->Height();
  WriteVersion(stream, params.GifVersion, progress);
  WriteLE16(stream, static_cast<uint16_t>(FramePosition(params.GifXPos, width) + width), progress);
  WriteLE16(stream, static_cast<uint16_t>(FramePosition(params.GifYPos, height) + height), progress);
  const int code = p.work.bits - 1;
  WriteByte(stream, static_cast<uint8_t>(0x80 + (code << 4) + code), progress);
  WriteByte(stream, p.IndexOf(params.GifBackground), progress);
  WriteByte(stream, 0, progress);
  std::array<uint8_t, 3 * kGifMaxColors> table{};
  for (int i = 0; i < p.colors; ++i) {
    table[3 * i] = p.palette[i].r;
    table[3 * i + 1] = p.palette[i].g;
    table[3 * i + 2] = p.palette[i].b;
  }
  WriteChecked(stream, table.data(), 3 * p.colors, progress);
}

void WriteGraphicControl(TPixStream& stream, const TPrepared& p, const TIOParams& params, TProgressRecord& progress) {
  const uint8_t restoreToBackground = 0x08;
  WriteByte(stream, kGifExtensionIntroducer, progress);
  WriteByte(stream, kGifGraphicControlLabel, progress);
  WriteByte(stream, 0x04, progress);
  WriteByte(stream, static_cast<uint8_t>(restoreToBackground | (params.GifTransparent ? 0x01 : 0x00)), progress);
  WriteLE16(stream, static_cast<uint16_t>(params.GifDelayTime), progress);
  WriteByte(stream, p.IndexOf(params.GifTransparentColor), progress);
  WriteByte(stream, 0x00, progress);
}

void WriteDescriptor(TPixStream& stream, const TPrepared& p, const TIOParams& params, TProgressRecord& progress) {
  WriteByte(stream, kGifImageSeparator, progress);
  WriteLE16(stream, static_cast<uint16_t>(FramePosition(params.GifXPos, p.work.image->Width())), progress);
  WriteLE16(stream, static_cast<uint16_t>(FramePosition(params.GifYPos, p.work.image->Height())), progress);
  WriteLE16(stream, static_cast<uint16_t>(p.work.image->Width()), progress);
  WriteLE16(stream, static_cast<uint16_t>(p.work.image->Height()), progress);
  WriteByte(stream, params.GifInterlaced ? 0x40 : 0x00, progress);
}

bool Progress(TProgressRecord& progress, int per) {
  progress.Report(per);
  return !progress.Aborted();
}

}  // namespace

void WriteGifStream(TPixStream& stream, TBitmap& image, TIOParams& params, TProgressRecord& progress) {
  if (!Progress(progress, 0)) return;
  // Sizes the 16-bit fields cannot hold would make a file that lies about its
  // pixels; refuse before anything is written.
  if (image.Width() > kGifMaxSide || image.Height() > kGifMaxSide) {
    progress.Abort(frSizeTooLarge);
    return;
  }
  TPrepared prepared = Prepare(image, params);
  if (!Progress(progress, 30)) return;
  WriteScreen(stream, prepared, params, progress);
  WriteGraphicControl(stream, prepared, params, progress);
  WriteDescriptor(stream, prepared, params, progress);
  if (!Progress(progress, 70)) return;
  TGifLzwEncodeProc encode = params.GifLzwEncode ? params.GifLzwEncode : DefaultGifLzwEncode;
  if (!encode) {
    progress.Abort(frNoCodec);
    return;
  }
  const TBitmap& work = *prepared.work.image;
  encode(stream, work.Height(), work.Width(), params.GifInterlaced, prepared.indices.data(), prepared.work.bits);
  prepared = TPrepared{};
  WriteByte(stream, kGifTrailer, progress);
  progress.Report(100);
}

void WriteGifFile(const std::string& fileName, TBitmap& image, TIOParams& params, TProgressRecord& progress) {
  TPixFileStream stream(fileName, TFileMode::fmCreate);
  WriteGifStream(stream, image, params, progress);
}

}  // namespace pix
