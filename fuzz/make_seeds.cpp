// Writes the fuzz seed corpora from our own writers: every BMP depth, header
// variant and compression, every GIF depth with and without interlacing and
// transparency, every JPEG colour space baseline and progressive, HEIC and
// AVIF (where this libheif encodes them) and WebP pictures opaque and
// transparent with metadata, a WebP animation, a few settings files, and
// pipeline seeds (a selector byte before each image).
// Usage: fuzz_make_seeds OUTPUT-FOLDER
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include <webp/encode.h>
#include <webp/mux.h>

#include "codecs/exif/container_metadata.h"
#include "codecs/gif/gif_codec.h"
#include "codecs/heif/heif_codec.h"
#include "codecs/webp/webp_codec.h"
#include "io/pix_image.h"

namespace fs = std::filesystem;
using namespace pix;

namespace {

fs::path g_out;

void Save(const std::string& target, const std::string& name, const std::vector<uint8_t>& bytes,
          int selector = -1) {
  fs::create_directories(g_out / target);
  std::ofstream out(g_out / target / name, std::ios::binary);
  if (selector >= 0) out.put(static_cast<char>(selector));
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A small photo-like picture: smooth gradients with a little structure.
void Paint(TBitmap& bmp, int32_t w, int32_t h) {
  bmp.Allocate(w, h, TPixelFormat::TrueColor);
  for (int32_t y = 0; y < h; ++y) {
    uint8_t* row = bmp.ScanLine(y);
    for (int32_t x = 0; x < w; ++x) {
      row[x * 3] = static_cast<uint8_t>(x * 255 / w);
      row[x * 3 + 1] = static_cast<uint8_t>(y * 255 / h);
      row[x * 3 + 2] = static_cast<uint8_t>(((x ^ y) * 37) & 0xFF);
    }
  }
}

void PaintTwoColours(TBitmap& bmp, int32_t w, int32_t h) {
  bmp.Allocate(w, h, TPixelFormat::TrueColor);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      uint8_t v = ((x / 3 + y / 2) % 2) ? 220 : 30;
      std::fill(bmp.ScanLine(y) + x * 3, bmp.ScanLine(y) + x * 3 + 3, v);
    }
}

std::vector<uint8_t> Bytes(TPixMemoryStream& s) { return s.Bytes(); }

void BmpSeeds(TPixImage& image) {
  struct Depth {
    int bits, samples;
  } depths[] = {{1, 1}, {4, 1}, {8, 1}, {8, 3}};
  for (uint8_t version : {0, 1, 2, 3})
    for (const Depth& d : depths)
      for (uint8_t compression : {0, 1}) {
        TIOParams& p = image.ParamRecord();
        p.BmpVersion = version;
        p.BmpCompression = compression;
        p.BitsPerSample = d.bits;
        p.SamplesPerPixel = d.samples;
        TPixMemoryStream s;
        image.IO().SaveBmpToStream(s);
        if (image.AbortFlag()) continue;
        std::string name = "v" + std::to_string(version) + "_d" + std::to_string(d.bits * d.samples) + "_c" +
                           std::to_string(compression) + ".bmp";
        Save("fuzz_bmp", name, Bytes(s));
        Save("fuzz_pipeline", name, Bytes(s), 1);
      }
}

void GifSeeds(TPixImage& image, const std::string& tag) {
  for (int bits = 1; bits <= 8; ++bits)
    for (bool interlaced : {false, true})
      for (bool transparent : {false, true}) {
        TIOParams& p = image.ParamRecord();
        p.BitsPerSample = bits;
        p.GifInterlaced = interlaced;
        p.GifTransparent = transparent;
        p.GifTransparentColor = TRGB{30, 30, 30};
        TPixMemoryStream s;
        image.IO().SaveGifToStream(s);
        if (image.AbortFlag()) continue;
        std::string name = tag + "_b" + std::to_string(bits) + (interlaced ? "_i" : "") + (transparent ? "_t" : "") + ".gif";
        std::vector<uint8_t> bytes = Bytes(s);
        Save("fuzz_gif", name, bytes, 0);
        Save("fuzz_pipeline", name, bytes, 2);
      }
}

void JpegSeeds(TPixImage& image, const std::string& tag) {
  for (uint8_t space = 0; space <= 4; ++space)
    for (bool progressive : {false, true}) {
      TIOParams& p = image.ParamRecord();
      p.JpegColorSpace = static_cast<pix::TJpegColorSpace>(space);
      p.JpegProgressive = progressive;
      p.JpegQuality = 60;
      TPixMemoryStream s;
      try {
        image.IO().SaveJpegToStream(s);
      } catch (const EPixException&) {
        continue;
      }
      if (image.AbortFlag()) continue;
      std::string name = tag + "_cs" + std::to_string(space) + (progressive ? "_p" : "") + ".jpg";
      Save("fuzz_jpeg", name, Bytes(s));
      Save("fuzz_pipeline", name, Bytes(s), 0);
    }
}

// A small EXIF block (orientation 6, a camera name), an XMP packet and a
// profile, as a phone's picture carries them.
void AddMetadataMarkers(TIOParams& p) {
  static const uint8_t tiff[] = {'I', 'I', 42, 0, 8, 0, 0, 0, 2, 0, 0x0F, 0x01, 2, 0, 6, 0, 0, 0, 38, 0, 0, 0,
                                 0x12, 0x01, 3, 0, 1, 0, 0, 0, 6, 0, 0, 0, 0, 0, 0, 0, 'A', 'p', 'p', 'l', 'e', 0};
  TContainerMetadata m;
  m.Exif.assign(std::begin(tiff), std::end(tiff));
  const std::string xmp = "<x:xmpmeta xmlns:x='adobe:ns:meta/'/>";
  m.Xmp.assign(xmp.begin(), xmp.end());
  m.Icc.assign(200, 0x11);
  StoreContainerMetadata(m, p);
}

void PaintAlpha(TPixImage& image) {
  TPixMask& alpha = *image.AlphaPlane();
  const TBitmap& bmp = *image.CurrentBitmap();
  alpha.Allocate(bmp.Width(), bmp.Height(), 8);
  for (int32_t y = 0; y < bmp.Height(); ++y)
    for (int32_t x = 0; x < bmp.Width(); ++x) alpha.ScanLine(y)[x] = static_cast<uint8_t>((x * 255) / bmp.Width());
}

void HeifWebpSeeds(TPixImage& image, const std::string& tag) {
  const struct {
    const char* Target;
    const char* Extension;
    TCodecWrite Write;
    bool Writable;
  } coders[] = {{"fuzz_heif", ".heic", WriteHeicStream, CanWriteHeic()},
                {"fuzz_heif", ".avif", WriteAvifStream, CanWriteAvif()},
                {"fuzz_webp", ".webp", WriteWebpStream, true}};
  for (const auto& c : coders) {
    if (!c.Writable) continue;
    for (bool lossless : {false, true})
      for (bool metadata : {false, true}) {
        if (lossless && c.Write != WriteWebpStream) continue;
        TIOParams& p = image.ParamRecord();
        p.JpegQuality = 50;
        p.WebpLossless = lossless;
        p.MarkerList().Clear();
        if (metadata) AddMetadataMarkers(p);
        TPixMemoryStream s;
        image.IO().SaveStreamWithCodec(s, c.Write);
        if (image.AbortFlag()) continue;
        Save(c.Target, tag + (lossless ? "_lossless" : "") + (metadata ? "_meta" : "") + c.Extension, Bytes(s));
      }
  }
  image.ParamRecord().MarkerList().Clear();
  image.ParamRecord().WebpLossless = false;
}

// Two frames of 20 x 12, the first smaller than the canvas and half clear.
void WebpAnimationSeed() {
  WebPAnimEncoderOptions options;
  if (!WebPAnimEncoderOptionsInit(&options)) return;
  WebPAnimEncoder* encoder = WebPAnimEncoderNew(20, 12, &options);
  WebPConfig config;
  WebPConfigInit(&config);
  config.quality = 40;
  for (int frame = 0; frame < 2; ++frame) {
    WebPPicture picture;
    WebPPictureInit(&picture);
    picture.width = 20, picture.height = 12, picture.use_argb = 1;
    WebPPictureAlloc(&picture);
    for (int y = 0; y < 12; ++y)
      for (int x = 0; x < 20; ++x)
        picture.argb[y * picture.argb_stride + x] =
            (frame == 0 && x < 10 ? 0u : 0xFF000000u) | static_cast<uint32_t>(x * 12 << 16 | y * 20 << 8 | frame * 200);
    WebPAnimEncoderAdd(encoder, &picture, frame * 80, &config);
    WebPPictureFree(&picture);
  }
  WebPAnimEncoderAdd(encoder, nullptr, 160, nullptr);
  WebPData data{};
  if (WebPAnimEncoderAssemble(encoder, &data))
    Save("fuzz_webp", "animation.webp", std::vector<uint8_t>(data.bytes, data.bytes + data.size));
  WebPDataClear(&data);
  WebPAnimEncoderDelete(encoder);
}

void SettingsSeeds() {
  auto save = [](const std::string& name, const std::string& text) {
    Save("fuzz_settings", name, std::vector<uint8_t>(text.begin(), text.end()));
  };
  save("full.ini",
       "[Settings]\nSource=/home/me/Photos\nDestination=/home/me/Pocket\nRecursive=1\nMaxHeight=320\n"
       "MaxWidth=240\nConvertToGrayscale=0\nConvertToJPG=1\nConvertJPG=1\nConvertGIF=1\nConvertBMP=0\n"
       "LandscapeOnly=1\nJPGQuality=7\nRotation=2\nSizeCategory=4\n");
  save("odd.ini", "; comment\r\n[other]\r\nx=1\r\n[SETTINGS]\r\n maxwidth = 0x1F4 \r\nJPGQuality=\"15\"\r\nRotation=abc\r\n");
  save("empty.ini", "");
}

}  // namespace

// x265 3.5 (Debian 12) keeps about 1 KiB of every HEVC encoder it opens; the
// instrumented seed run must not stop on it.
extern "C" const char* __lsan_default_suppressions() { return "leak:libx265.so\n"; }

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT-FOLDER\n", argv[0]);
    return 2;
  }
  g_out = argv[1];
  InstallGifLzwCoders();
  TPixImage image;
  image.ParamRecord().Reset();

  Paint(*image.CurrentBitmap(), 37, 23);
  BmpSeeds(image);
  GifSeeds(image, "photo");
  JpegSeeds(image, "photo");
  HeifWebpSeeds(image, "photo");
  PaintAlpha(image);
  HeifWebpSeeds(image, "clear");
  image.AlphaPlane()->Fill(255);

  PaintTwoColours(*image.CurrentBitmap(), 19, 11);
  BmpSeeds(image);
  GifSeeds(image, "two");

  image.CurrentBitmap()->Allocate(21, 9, TPixelFormat::Bilevel);
  for (int32_t y = 0; y < 9; ++y) image.CurrentBitmap()->ScanLine(y)[y % 3] = 0xA5;
  JpegSeeds(image, "bilevel");
  GifSeeds(image, "bilevel");
  HeifWebpSeeds(image, "bilevel");
  WebpAnimationSeed();

  SettingsSeeds();
  size_t files = 0;
  for (const auto& e : fs::recursive_directory_iterator(g_out))
    if (e.is_regular_file()) ++files;
  std::printf("wrote %zu seed files under %s\n", files, g_out.c_str());
  return 0;
}
