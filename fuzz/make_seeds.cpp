// Writes the fuzz seed corpora from our own writers: every BMP depth, header
// variant and compression, every GIF depth with and without interlacing and
// Writes the fuzz seed corpora from our own writers: every BMP depth, header
// variant and compression, every GIF depth with and without interlacing and
// transparency, every JPEG colour space baseline and progressive, every PNG
// and TIFF layout (with and without alpha; Adam7; every TIFF compression), WMF
// and EMF from the metafile writers and hand-built record sequences, a few
// settings files, and pipeline seeds (a selector byte before each image).
// Usage: fuzz_make_seeds OUTPUT-FOLDER
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "io/pix_image.h"
#include "codecs/gif/gif_codec.h"
#include "codecs/metafile/metafile_codec.h"
#include "codecs/metafile_test_builder.h"
#include "codecs/png/png_codec.h"
#include "codecs/tiff/tiff_codec.h"

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

void MetafileSeeds(TPixImage& image, const std::string& tag) {
  TPixMemoryStream wmf, emf;
  image.IO().SaveStreamWithCodec(wmf, WriteWmfStream);
  if (!image.AbortFlag()) Save("fuzz_wmf", tag + ".wmf", Bytes(wmf));
  image.IO().SaveStreamWithCodec(emf, WriteEmfStream);
  if (!image.AbortFlag()) Save("fuzz_emf", tag + ".emf", Bytes(emf));
}

// Record sequences our writers never make: every drawing record kind, a WMF
// without its placeable header, EMFs in the metric map modes.
void HandBuiltMetafileSeeds() {
  Save("fuzz_wmf", "rich.wmf", mftest::RichWmf());
  std::vector<uint8_t> plain = mftest::RichWmf();
  plain.erase(plain.begin(), plain.begin() + 22);
  Save("fuzz_wmf", "rich-plain.wmf", plain);
  Save("fuzz_emf", "rich.emf", mftest::RichEmf());
  for (int mode : {2, 3, 4, 5, 6, 7}) {
    mftest::TEmfBuilder b(120, 90, 4);
    b.Rec(17, {mode}).Rec(10, {0, 0}).Rec(12, {0, 90}).Rec(39, {1, 0, 0x3060C0, 0}).Rec(37, {1})
        .Rec(43, {10, 10, 300, 200}).Rec(42, {100, 50, 400, 250});
    Save("fuzz_emf", "mapmode" + std::to_string(mode) + ".emf", b.Bytes());
  }
}

// Alpha from transparent to opaque across the picture, or none.
void SetAlpha(TPixImage& image, bool on) {
  TPixMask& alpha = *image.AlphaPlane();
  const TBitmap& bmp = *image.CurrentBitmap();
  alpha.Allocate(bmp.Width(), bmp.Height(), 8);
  alpha.Fill(255);
  if (!on) return;
  for (int32_t y = 0; y < bmp.Height(); ++y)
    for (int32_t x = 0; x < bmp.Width(); ++x) alpha.ScanLine(y)[x] = static_cast<uint8_t>(x * 255 / bmp.Width());
  alpha.SetFull(false);
}

// The record says whether the picture came from a palette file.
void SetPaletteSource(TIOParams& p, bool palette) {
  TRGB seed[2] = {};
  p.SamplesPerPixel = palette ? 1 : 3;
  p.BitsPerSample = 8;
  if (palette)
    p.SetColorMap(seed, 2);
  else
    p.FreeColorMap();
}

void PngSeeds(TPixImage& image, const std::string& tag) {
  for (bool palette : {false, true})
    for (bool alpha : {false, true})
      for (bool interlaced : {false, true}) {
        TIOParams& p = image.ParamRecord();
        SetPaletteSource(p, palette);
        p.PngInterlaced = interlaced;
        SetAlpha(image, alpha);
        TPixMemoryStream s;
        image.IO().SaveStreamWithCodec(s, WritePngStream);
        if (image.AbortFlag()) continue;
        Save("fuzz_png", tag + (palette ? "_p" : "") + (alpha ? "_a" : "") + (interlaced ? "_i" : "") + ".png", Bytes(s));
      }
  SetAlpha(image, false);
}

void TiffSeeds(TPixImage& image, const std::string& tag) {
  for (uint8_t compression : {tcAutomatic, tcNone, tcLzw, tcDeflate, tcPackBits, tcCcittG3})
    for (bool palette : {false, true})
      for (bool alpha : {false, true}) {
        TIOParams& p = image.ParamRecord();
        SetPaletteSource(p, palette);
        p.TiffCompression = compression;
        p.TiffRowsPerStrip = 4;
        SetAlpha(image, alpha);
        TPixMemoryStream s;
        image.IO().SaveStreamWithCodec(s, WriteTiffStream);
        if (image.AbortFlag()) continue;
        Save("fuzz_tiff",
             tag + "_c" + std::to_string(compression) + (palette ? "_p" : "") + (alpha ? "_a" : "") + ".tif", Bytes(s),
             0);
      }
  image.ParamRecord().TiffRowsPerStrip = 0;
  SetAlpha(image, false);
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
  PngSeeds(image, "photo");
  TiffSeeds(image, "photo");

  PaintTwoColours(*image.CurrentBitmap(), 19, 11);
  BmpSeeds(image);
  GifSeeds(image, "two");
  PngSeeds(image, "grey");
  TiffSeeds(image, "grey");

  image.CurrentBitmap()->Allocate(21, 9, TPixelFormat::Bilevel);
  for (int32_t y = 0; y < 9; ++y) image.CurrentBitmap()->ScanLine(y)[y % 3] = 0xA5;
  JpegSeeds(image, "bilevel");
  GifSeeds(image, "bilevel");
  PngSeeds(image, "bilevel");
  TiffSeeds(image, "bilevel");

  image.CurrentBitmap()->Allocate(21, 9, TPixelFormat::Bilevel);
  for (int32_t y = 0; y < 9; ++y) image.CurrentBitmap()->ScanLine(y)[y % 3] = 0xA5;
  MetafileSeeds(image, "bilevel");
  Paint(*image.CurrentBitmap(), 13, 7);
  MetafileSeeds(image, "photo");
  HandBuiltMetafileSeeds();

  SettingsSeeds();
  size_t files = 0;
  for (const auto& e : fs::recursive_directory_iterator(g_out))
    if (e.is_regular_file()) ++files;
  std::printf("wrote %zu seed files under %s\n", files, g_out.c_str());
  return 0;
}
