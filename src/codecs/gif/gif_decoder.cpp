// Reading one image of a GIF file and counting all of its images.
#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <vector>

#include "codecs/gif/gif_codec.h"
#include "codecs/gif/detail/gif_format.h"
#include "codecs/common/stream_io.h"
#include "platform/default_resolution.h"

namespace pix {

namespace {

struct TGraphicControl {
  uint8_t flags = 0;
  uint16_t delay = 0;
  uint8_t transparentIndex = 0;
  bool Transparent() const { return (flags & 0x01) != 0; }
};

struct TImageDescriptor {
  uint16_t left = 0;
  uint16_t top = 0;
  uint16_t width = 0;
  uint16_t height = 0;
  uint8_t packed = 0;
  bool HasLocalTable() const { return (packed & 0x80) != 0; }
  bool Interlaced() const { return (packed & 0x40) != 0; }
  int LocalSizeCode() const { return packed & 0x07; }
};

// Reads up to count bytes; what the stream no longer holds reads as zero.
void ReadPadded(TPixStream& stream, uint8_t* data, int64_t count) {
  int64_t got = std::max<int64_t>(stream.Read(data, count), 0);
  if (got < count) std::memset(data + got, 0, static_cast<size_t>(count - got));
}

// Reads entries file triples (R, G, B) into table as blue, green, red; the rest
// of the 256 entries (and whatever a cut-off file lacks) stays black, so any
// index of a damaged file finds a colour.
void ReadColorTable(TPixStream& stream, TGifColorTable& table, int entries) {
  table.fill(TRGB{});
  std::array<uint8_t, 3 * kGifMaxColors> raw{};
  ReadPadded(stream, raw.data(), 3 * static_cast<int64_t>(entries));
  for (int i = 0; i < entries; ++i) table[i] = TRGB{raw[3 * i + 2], raw[3 * i + 1], raw[3 * i]};
}

bool IsBlackWhite(const TGifColorTable& table, int bitsPerSample) {
  return bitsPerSample == 1 && table[0] == TRGB{0, 0, 0} && table[1] == TRGB{255, 255, 255};
}

// Most pixels one byte of LZW data can describe: a code of w bits stands for at
// most 2^w pixels and w is at most 12, so 4096 pixels per 12 bits.
constexpr int64_t kMaxPixelsPerDataByte = 2731;

class TGifReader {
public:
  TGifReader(TPixStream& stream, TBitmap& image, TPixMask* mask, bool paramsOnly, TProgressRecord& progress,
             TIOParams& params)
      : m_stream(stream),
        m_image(image),
        m_mask(mask),
        m_paramsOnly(paramsOnly),
        m_progress(progress),
        m_params(params),
        m_size(stream.Size()) {}

  // Returns the number of images counted.
  int Run() {
    if (!Progress(0)) return 0;
    m_wanted = m_params.GifImageIndex;
    if (!ReadHeader()) return 0;
    if (m_stream.Position() >= m_size) m_progress.Abort(frTruncated);
    int counter = 0;
    while (!m_progress.Aborted() && WalkOneBlock(counter)) {
    }
    m_params.GifImageCount = counter;
    // A file without the wanted image must not pass for the picture the
    // bitmap still holds from before.
    if (!m_paramsOnly && !m_stored) m_progress.Abort(frNoImage);
    // Data that ran out before the trailer leaves the rest of the frame black.
    if (m_stored && !m_sawTrailer) m_progress.NoteDamage(frTruncated);
    if (!m_progress.Aborted()) m_progress.Report(100);
    return counter;
  }

private:
  bool Progress(int per) {
    m_progress.Report(per);
    return !m_progress.Aborted();
  }

  bool AtEnd() const { return m_stream.Position() >= m_size; }

  void SkipBytes(int64_t count) {
    if (count > 0)
      m_stream.Seek(std::min(m_stream.Position() + count, std::max(m_size, m_stream.Position())),
                    TSeekOrigin::soBeginning);
  }

  // Data sub-blocks up to the zero-length one, passed over without reading them.
  void SkipSubBlocks() {
    uint8_t length = 0;
    while (!AtEnd() && ReadByte(m_stream, length) && length != 0) SkipBytes(length);
  }

  bool ReadHeader() {
    std::array<uint8_t, 13> header{};
    ReadPadded(m_stream, header.data(), 13);
    if (header[0] != 'G' || header[1] != 'I' || header[2] != 'F') {
      m_progress.Abort(frNotThisFormat);
      return false;
    }
    const auto* text = reinterpret_cast<const char*>(header.data());
    m_params.GifVersion.assign(text, strnlen(text, 6));
    m_params.GifVersion.push_back('\0');
    m_params.GifWinWidth = GetLE16(&header[6]);
    m_params.GifWinHeight = GetLE16(&header[8]);
    m_params.GifRatio = header[12];
    TResolution dpi = DefaultResolution();
    m_params.DpiX = dpi.DpiX;
    m_params.DpiY = dpi.DpiY;
    m_params.SamplesPerPixel = 1;
    m_globalSizeCode = header[10] & 0x07;
    if (header[10] & 0x80) {
      ReadColorTable(m_stream, m_global, GifTableEntries(m_globalSizeCode));
      m_params.GifBackground = m_global[header[11]];
    }
    return true;
  }

  // One step of the block walk; false ends it.
  bool WalkOneBlock(int& counter) {
    uint8_t introducer = 0;
    bool got = ReadByte(m_stream, introducer);
    if (got && introducer == kGifTrailer) m_sawTrailer = true;
    // Whatever the last byte of the stream is, it ends the walk like a trailer.
    if (!got || AtEnd()) return false;
    switch (introducer) {
      case kGifExtensionIntroducer:
        ReadExtension(counter);
        return true;
      case kGifImageSeparator:
        if (!ReadImage(counter)) return false;
        ++counter;
        return true;
      case kGifTrailer:
        return false;
      default:
        return true;  // stray byte between blocks
    }
  }

  void ReadExtension(int counter) {
    uint8_t label = 0;
    ReadByte(m_stream, label);
    if (label == kGifGraphicControlLabel && counter == m_wanted) {
      // Block size, four data bytes, terminator: the sizes are taken as read.
      std::array<uint8_t, 6> body{};
      ReadPadded(m_stream, body.data(), 6);
      m_control.flags = body[1];
      m_control.delay = GetLE16(&body[2]);
      m_control.transparentIndex = body[4];
      return;
    }
    SkipSubBlocks();
  }

  // Reads (or passes over) one image; false when processing it failed.
  bool ReadImage(int counter) {
    std::array<uint8_t, 9> raw{};
    ReadPadded(m_stream, raw.data(), 9);
    TImageDescriptor desc{GetLE16(&raw[0]), GetLE16(&raw[2]), GetLE16(&raw[4]), GetLE16(&raw[6]), raw[8]};
    int localEntries = desc.HasLocalTable() ? GifTableEntries(desc.LocalSizeCode()) : 0;
    if (counter != m_wanted) {
      SkipBytes(3 * static_cast<int64_t>(localEntries));
      SkipBytes(1);  // minimum code size
      SkipSubBlocks();
      return true;
    }
    if (desc.HasLocalTable()) ReadColorTable(m_stream, m_local, localEntries);
    return ProcessWanted(desc);
  }

  bool ProcessWanted(const TImageDescriptor& desc) {
    if (!Progress(30)) return false;
    const TGifColorTable& active = desc.HasLocalTable() ? m_local : m_global;
    RecordFrame(desc, active);
    std::vector<uint8_t> indices;
    if (m_paramsOnly) {
      SkipBytes(1);
      SkipSubBlocks();
    } else {
      if (!DecodeIndices(desc, indices)) return false;
      if (!Progress(70)) return false;
    }
    int bits = (desc.HasLocalTable() ? desc.LocalSizeCode() : m_globalSizeCode) + 1;
    m_params.BitsPerSample = bits;
    m_params.ColorMapCount = 1 << bits;
    m_params.SetColorMap(active.data(), m_params.ColorMapCount);
    if (m_paramsOnly) return true;
    StoreImage(desc, active, indices, IsBlackWhite(active, bits));
    m_stored = true;
    return true;
  }

  void RecordFrame(const TImageDescriptor& desc, const TGifColorTable& active) {
    m_params.GifTransparentColor = active[m_control.transparentIndex];
    m_params.GifXPos = desc.left;
    m_params.GifYPos = desc.top;
    m_params.Width = desc.width;
    m_params.Height = desc.height;
    m_params.GifDelayTime = m_control.delay;
    m_params.GifTransparent = m_control.Transparent();
    m_params.GifInterlaced = desc.Interlaced();
  }

  // A frame without pixels, or one larger than the rest of the stream could
  // describe, is refused before its index buffer is reserved.
  bool PlausibleSize(const TImageDescriptor& desc) const {
    int64_t pixels = static_cast<int64_t>(desc.width) * desc.height;
    int64_t remaining = std::max<int64_t>(m_size - m_stream.Position(), 0);
    return pixels > 0 && pixels <= remaining * kMaxPixelsPerDataByte;
  }

  bool DecodeIndices(const TImageDescriptor& desc, std::vector<uint8_t>& indices) {
    TGifLzwDecodeProc decode = m_params.GifLzwDecode ? m_params.GifLzwDecode : DefaultGifLzwDecode;
    if (desc.width == 0 || desc.height == 0) {
      m_progress.Abort(frNoImage);
      return false;
    }
    if (!PlausibleSize(desc)) {
      m_progress.Abort(frTruncated);
      return false;
    }
    try {
      indices.assign(static_cast<size_t>(desc.width) * desc.height, 0);
    } catch (const std::bad_alloc&) {
      throw EPixOutOfMemory();
    }
    int64_t before = m_stream.Position();
    if (decode) decode(m_stream, desc.height, desc.width, desc.Interlaced(), indices.data());
    if (m_stream.Position() == before) {
      m_progress.Abort(decode ? frTruncated : frNoCodec);
      return false;
    }
    return true;
  }

  void StoreImage(const TImageDescriptor& desc, const TGifColorTable& active, const std::vector<uint8_t>& indices,
                  bool bilevel) {
    const int32_t width = desc.width, height = desc.height;
    m_image.Allocate(width, height, bilevel ? TPixelFormat::Bilevel : TPixelFormat::TrueColor);
    for (int32_t y = 0; y < height; ++y) {
      const uint8_t* in = indices.data() + static_cast<int64_t>(y) * width;
      if (bilevel)
        PackBilevelRow(in, width, m_image.ScanLine(y));
      else
        ExpandColorRow(in, width, active, m_image.ScanLine(y));
    }
    if (m_mask) StoreMask(width, height, indices);
  }

  // Index 1 is white; 0 and the indices a damaged file puts beyond the table
  // are black, as the colour path shows them.
  static void PackBilevelRow(const uint8_t* in, int32_t width, uint8_t* out) {
    std::memset(out, 0, static_cast<size_t>((width + 7) / 8));
    for (int32_t x = 0; x < width; ++x)
      if (in[x] == 1) out[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
  }

  static void ExpandColorRow(const uint8_t* in, int32_t width, const TGifColorTable& table, uint8_t* out) {
    for (int32_t x = 0; x < width; ++x) {
      const TRGB& c = table[in[x]];
      out[3 * x] = c.b;
      out[3 * x + 1] = c.g;
      out[3 * x + 2] = c.r;
    }
  }

  void StoreMask(int32_t width, int32_t height, const std::vector<uint8_t>& indices) {
    m_mask->Allocate(width, height, 8);
    m_mask->Fill(255);
    if (!m_control.Transparent()) return;
    bool any = false;
    for (int32_t y = 0; y < height; ++y) {
      const uint8_t* in = indices.data() + static_cast<int64_t>(y) * width;
      uint8_t* out = m_mask->ScanLine(y);
      for (int32_t x = 0; x < width; ++x) {
        if (in[x] == m_control.transparentIndex) {
          out[x] = 0;
          any = true;
        }
      }
    }
    if (any) {
      m_mask->SetFull(false);
      m_mask->SyncBox();
    }
  }

  TPixStream& m_stream;
  TBitmap& m_image;
  TPixMask* m_mask;
  bool m_paramsOnly;
  TProgressRecord& m_progress;
  TIOParams& m_params;
  int64_t m_size;
  int32_t m_wanted = 0;
  bool m_stored = false;      // the wanted frame reached the image
  bool m_sawTrailer = false;  // the walk ended at the file's trailer
  int m_globalSizeCode = 0;
  TGraphicControl m_control;
  TGifColorTable m_global{};
  TGifColorTable m_local{};
};

}  // namespace

void ReadGifStream(TPixStream& stream, TBitmap& image, int& count, TPixMask* mask, bool paramsOnly,
                   TProgressRecord& progress, TIOParams& params) {
  count = 0;
  TGifReader reader(stream, image, mask, paramsOnly, progress, params);
  count = reader.Run();
}

void ReadGifFile(const std::string& fileName, TBitmap& image, int& count, TPixMask* mask, TProgressRecord& progress,
                 TIOParams& params) {
  TPixFileStream stream(fileName, TFileMode::fmOpenRead);
  ReadGifStream(stream, image, count, mask, false, progress, params);
}

}  // namespace pix
