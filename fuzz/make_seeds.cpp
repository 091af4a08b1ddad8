// Writes the fuzz seed corpora from our own writers: every BMP depth, header
// variant and compression, every GIF depth with and without interlacing and
// Writes the fuzz seed corpora from our own writers: every BMP depth, header
// variant and compression, every GIF depth with and without interlacing and
// transparency, every JPEG colour space baseline and progressive, every PNG
// and TIFF layout (with and without alpha; Adam7; every TIFF compression),
// netpbm, TGA, PCX, icon and cursor files of every kind our writers make (and
// plain netpbm, PAM, colour-mapped TGA and multi-entry icons rewritten from
// them), WMF and EMF from the metafile writers and hand-built record
// sequences, HEIC and AVIF (where this libheif encodes them) and WebP pictures
// opaque and transparent with metadata, a WebP animation, a few settings
// files, pipeline seeds (a selector byte before each image) and metadata
// blocks (EXIF and XMP written by exiv2, colour profiles by lcms2, IPTC by our
// own block builder) in the record form fuzz_metadata reads.
// Usage: fuzz_make_seeds OUTPUT-FOLDER
#include <exiv2/exiv2.hpp>
#include <lcms2.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include <webp/encode.h>
#include <webp/mux.h>

#include "codecs/bmp/bmp_codec.h"
#include "codecs/common/stream_io.h"
#include "codecs/exif/container_metadata.h"
#include "codecs/gif/gif_codec.h"
#include "codecs/heif/heif_codec.h"
#include "codecs/ico/ico_codec.h"
#include "codecs/metafile/metafile_codec.h"
#include "codecs/metafile_test_builder.h"
#include "codecs/pcx/pcx_codec.h"
#include "codecs/png/png_codec.h"
#include "codecs/pnm/pnm_codec.h"
#include "codecs/tga/tga_codec.h"
#include "codecs/tiff/tiff_codec.h"
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

std::vector<uint8_t> SaveWith(TPixImage& image, TCodecWrite write) {
  TPixMemoryStream s;
  image.IO().SaveStreamWithCodec(s, write);
  return image.AbortFlag() ? std::vector<uint8_t>() : Bytes(s);
}

void PaintAlpha(TPixImage& image) {
  const TBitmap& bmp = *image.CurrentBitmap();
  TPixMask& alpha = *image.AlphaPlane();
  alpha.Allocate(bmp.Width(), bmp.Height(), 8);
  for (int32_t y = 0; y < bmp.Height(); ++y)
    for (int32_t x = 0; x < bmp.Width(); ++x) alpha.ScanLine(y)[x] = static_cast<uint8_t>((x * 255 / bmp.Width()) & 0xF0);
}

// A raw netpbm file (P4 to P6, maxval 255) rewritten as its plain twin, with a comment.
std::vector<uint8_t> PlainNetpbm(const std::vector<uint8_t>& raw) {
  const std::string text(raw.begin(), raw.end());
  const char kind = text[1];
  size_t at = 3;
  auto token = [&] {
    const size_t end = text.find_first_of(" \n", at);
    const std::string t = text.substr(at, end - at);
    at = end + 1;
    return t;
  };
  const int w = std::stoi(token()), h = std::stoi(token());
  if (kind != '4') token();
  std::string out = std::string("P") + char(kind - 3) + "\n# plain\n" + std::to_string(w) + " " + std::to_string(h) + "\n";
  if (kind != '4') out += "255\n";
  const int samples = kind == '6' ? 3 : 1;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w * samples; ++x) {
      if (kind == '4')
        out += ((static_cast<uint8_t>(text[at + y * ((w + 7) / 8) + x / 8]) >> (7 - x % 8)) & 1) ? '1' : '0';
      else
        out += std::to_string(static_cast<uint8_t>(text[at + y * w * samples + x])) + " ";
    }
    out += "\n";
  }
  return std::vector<uint8_t>(out.begin(), out.end());
}

// A P6 file rewritten as PAM with an alpha sample and 16-bit samples.
std::vector<uint8_t> PamWithAlpha(const std::vector<uint8_t>& p6, int w, int h) {
  const std::string head = "P7\nWIDTH " + std::to_string(w) + "\nHEIGHT " + std::to_string(h) +
                           "\nDEPTH 4\nMAXVAL 65535\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
  std::vector<uint8_t> out(head.begin(), head.end());
  const size_t pixels = p6.size() - static_cast<size_t>(w) * h * 3;
  for (size_t i = 0; i < static_cast<size_t>(w) * h; ++i) {
    for (int c = 0; c < 3; ++c) out.insert(out.end(), 2, p6[pixels + 3 * i + c]);
    out.insert(out.end(), {static_cast<uint8_t>(i), 0x80});
  }
  return out;
}

void PnmSeeds(TPixImage& image, const std::string& tag) {
  TIOParams& p = image.ParamRecord();
  for (int samples : {1, 3}) {
    p.SamplesPerPixel = samples;
    p.BitsPerSample = 8;
    const std::vector<uint8_t> raw = SaveWith(image, WritePnmStream);
    const std::string name = tag + "_s" + std::to_string(samples);
    Save("fuzz_pnm", name + ".pnm", raw);
    Save("fuzz_pnm", name + "_plain.pnm", PlainNetpbm(raw));
    if (raw[1] == '6')
      Save("fuzz_pnm", name + ".pam", PamWithAlpha(raw, image.CurrentBitmap()->Width(), image.CurrentBitmap()->Height()));
  }
}

// A gray TGA rewritten as a colour-mapped one whose map is a colour ramp.
std::vector<uint8_t> MappedTga(std::vector<uint8_t> gray) {
  std::vector<uint8_t> map;
  for (int i = 0; i < 256; ++i) map.insert(map.end(), {uint8_t(i), uint8_t(255 - i), uint8_t(i * 7)});
  gray[1] = 1;
  gray[2] = static_cast<uint8_t>((gray[2] & 8) | 1);
  PutLE16(gray.data() + 5, 256);
  gray[7] = 24;
  gray.insert(gray.begin() + 18 + gray[0], map.begin(), map.end());
  return gray;
}

void TgaSeeds(TPixImage& image, const std::string& tag) {
  TIOParams& p = image.ParamRecord();
  p.TgaImageName = "seed";
  p.TgaAuthor = "Pixfold";
  p.TgaDescriptor = "first line\nsecond line";
  for (bool gray : {false, true})
    for (bool rle : {false, true}) {
      p.TgaGrayLevel = gray;
      p.TgaCompressed = rle;
      const std::vector<uint8_t> bytes = SaveWith(image, WriteTgaStream);
      const std::string name = tag + (gray ? "_gray" : "_color") + (rle ? "_rle" : "");
      Save("fuzz_tga", name + ".tga", bytes);
      if (gray) Save("fuzz_tga", name + "_mapped.tga", MappedTga(bytes));
    }
  p.TgaGrayLevel = false;
}

void PcxSeeds(TPixImage& image, const std::string& tag) {
  TIOParams& p = image.ParamRecord();
  for (int samples : {1, 3})
    for (uint8_t compression : {0, 1}) {
      p.SamplesPerPixel = samples;
      p.BitsPerSample = 8;
      p.PcxCompression = compression;
      if (samples == 1) {
        const TRGB two[2] = {TRGB{0, 0, 0}, TRGB{255, 255, 255}};
        p.SetColorMap(two, 2);
      }
      Save("fuzz_pcx", tag + "_s" + std::to_string(samples) + "_c" + std::to_string(compression) + ".pcx",
           SaveWith(image, WritePcxStream));
    }
  p.PcxCompression = 1;
}

// A BMP of our writer rewritten as an icon entry: no file header, the height
// doubled, an AND mask of stripes after the pixels.
std::vector<uint8_t> IconEntry(const std::vector<uint8_t>& bmp, int32_t w, int32_t h) {
  std::vector<uint8_t> dib(bmp.begin() + 14, bmp.end());
  PutLE32(dib.data() + 8, static_cast<uint32_t>(2 * h));
  const size_t maskRow = static_cast<size_t>((w + 31) / 32 * 4);
  for (int32_t y = 0; y < h; ++y)
    for (size_t i = 0; i < maskRow; ++i) dib.push_back(y % 3 ? 0x00 : 0xF0);
  return dib;
}

std::vector<uint8_t> IconOf(const std::vector<std::vector<uint8_t>>& entries, int32_t w, int32_t h) {
  std::vector<uint8_t> out(6 + 16 * entries.size(), 0);
  out[2] = 1;
  out[4] = static_cast<uint8_t>(entries.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    uint8_t* e = out.data() + 6 + 16 * i;
    e[0] = static_cast<uint8_t>(w);
    e[1] = static_cast<uint8_t>(h);
    PutLE16(e + 4, 1);
    PutLE32(e + 8, static_cast<uint32_t>(entries[i].size()));
    PutLE32(e + 12, static_cast<uint32_t>(out.size()));
    out.insert(out.end(), entries[i].begin(), entries[i].end());
  }
  return out;
}

void IcoSeeds(TPixImage& image, const std::string& tag) {
  TIOParams& p = image.ParamRecord();
  p.CurXHotSpot = 3;
  p.CurYHotSpot = 4;
  Save("fuzz_ico", tag + ".ico", SaveWith(image, WriteIcoStream), 0);
  Save("fuzz_ico", tag + ".cur", SaveWith(image, WriteCurStream), 4);
  const int32_t w = image.CurrentBitmap()->Width(), h = image.CurrentBitmap()->Height();
  std::vector<std::vector<uint8_t>> entries;
  for (int bits : {1, 4, 8}) {
    p.BitsPerSample = bits;
    p.SamplesPerPixel = 1;
    p.BmpVersion = 1;
    p.BmpCompression = 0;
    TPixMemoryStream s;
    image.IO().SaveBmpToStream(s);
    entries.push_back(IconEntry(Bytes(s), w, h));
    Save("fuzz_ico", tag + "_dib" + std::to_string(bits) + ".ico", IconOf({entries.back()}, w, h), 0);
  }
  Save("fuzz_ico", tag + "_three.ico", IconOf(entries, w, h), 0);
  entries.push_back(SaveWith(image, WritePngStream));
  Save("fuzz_ico", tag + "_png.ico", IconOf({entries.back()}, w, h), 0);
  Save("fuzz_ico", tag + "_dibs_png.ico", IconOf(entries, w, h), 0);
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

// A fuzz_metadata input starts with an options byte: state orientation 1.
const std::vector<uint8_t> kMetadataOptions{1};

// One fuzz_metadata record: kind, 16-bit length, payload.
void PutRecord(std::vector<uint8_t>& out, uint8_t kind, const std::vector<uint8_t>& payload) {
  out.push_back(kind);
  out.push_back(static_cast<uint8_t>(payload.size() >> 8));
  out.push_back(static_cast<uint8_t>(payload.size()));
  out.insert(out.end(), payload.begin(), payload.end());
}

// The TIFF bytes of a camera's EXIF block, by exiv2.
std::vector<uint8_t> CameraExif(Exiv2::ByteOrder order, const std::vector<uint8_t>& thumbnail) {
  Exiv2::ExifData exif;
  exif["Exif.Image.Make"] = "Pixfold";
  exif["Exif.Image.Model"] = "PF-1";
  exif["Exif.Image.Orientation"] = uint16_t{6};
  exif["Exif.Image.XResolution"] = Exiv2::Rational(300, 1);
  exif["Exif.Image.ResolutionUnit"] = uint16_t{2};
  exif["Exif.Image.DateTime"] = "2024:05:06 07:08:09";
  exif["Exif.Photo.ExposureTime"] = Exiv2::Rational(1, 250);
  exif["Exif.Photo.FNumber"] = Exiv2::Rational(28, 10);
  exif["Exif.Photo.PixelXDimension"] = uint16_t{4000};
  exif["Exif.Photo.PixelYDimension"] = uint16_t{3000};
  exif["Exif.Photo.ColorSpace"] = uint16_t{1};
  exif["Exif.Iop.InteroperabilityIndex"] = "R98";
  Exiv2::DataValue makerNote(Exiv2::undefined);
  const std::string note = std::string("Nikon\0\x02\x10\0\0", 10) + "MM" + std::string("\0*\0\0\0\x08\0\0", 8);
  makerNote.read(reinterpret_cast<const Exiv2::byte*>(note.data()), static_cast<long>(note.size()), Exiv2::bigEndian);
  exif.add(Exiv2::ExifKey("Exif.Photo.MakerNote"), &makerNote);
  exif["Exif.GPSInfo.GPSLatitudeRef"] = "N";
  exif["Exif.GPSInfo.GPSLatitude"] = "48/1 51/1 0/1";
  if (!thumbnail.empty()) Exiv2::ExifThumb(exif).setJpegThumbnail(thumbnail.data(), static_cast<long>(thumbnail.size()));
  Exiv2::Blob blob;
  Exiv2::ExifParser::encode(blob, order, exif);
  return blob;
}

std::vector<uint8_t> XmpPacket() {
  Exiv2::XmpData xmp;
  xmp["Xmp.tiff.Orientation"] = "6";
  xmp["Xmp.exif.PixelXDimension"] = "4000";
  xmp["Xmp.dc.creator"] = "Ann";
  std::string packet;
  Exiv2::XmpParser::encode(packet, xmp);
  return std::vector<uint8_t>(packet.begin(), packet.end());
}

std::vector<uint8_t> SavedProfile(cmsHPROFILE profile) {
  cmsUInt32Number size = 0;
  cmsSaveProfileToMem(profile, nullptr, &size);
  std::vector<uint8_t> bytes(size);
  cmsSaveProfileToMem(profile, bytes.data(), &size);
  cmsCloseProfile(profile);
  return bytes;
}

// APP2 records for a profile in chunks of at most chunk bytes.
void PutProfile(std::vector<uint8_t>& out, const std::vector<uint8_t>& profile, size_t chunk) {
  const auto count = static_cast<uint8_t>((profile.size() + chunk - 1) / chunk);
  for (uint8_t i = 0; i < count; ++i) {
    std::vector<uint8_t> payload{static_cast<uint8_t>(i + 1), count};
    const size_t from = i * chunk, to = std::min(profile.size(), from + chunk);
    payload.insert(payload.end(), profile.begin() + from, profile.begin() + to);
    PutRecord(out, 3, payload);
  }
}

void MetadataSeeds(TPixImage& image) {
  TPixMemoryStream thumbnailStream;
  image.ParamRecord().JpegQuality = 50;
  image.IO().SaveJpegToStream(thumbnailStream);
  const std::vector<uint8_t> thumbnail = Bytes(thumbnailStream);

  cmsCIExyY d65;
  cmsWhitePointFromTemp(&d65, 6504);
  const cmsCIExyYTRIPLE p3 = {{0.680, 0.320, 1}, {0.265, 0.690, 1}, {0.150, 0.060, 1}};
  cmsToneCurve* gamma = cmsBuildGamma(nullptr, 2.2);
  cmsToneCurve* curves[3] = {gamma, gamma, gamma};
  const std::vector<uint8_t> srgb = SavedProfile(cmsCreate_sRGBProfile());
  const std::vector<uint8_t> wide = SavedProfile(cmsCreateRGBProfile(&d65, &p3, curves));
  const std::vector<uint8_t> gray = SavedProfile(cmsCreateGrayProfile(&d65, gamma));
  cmsFreeToneCurve(gamma);

  TPixIPTCInfoList iptc;
  const std::string caption = "Harbour";
  iptc.Add(2, 120, reinterpret_cast<const uint8_t*>(caption.data()), static_cast<int>(caption.size()));
  std::vector<uint8_t> photoshop = iptc.BuildIptcBlock();
  photoshop.erase(photoshop.begin(), photoshop.begin() + 14);  // the kind puts the signature back

  const std::vector<uint8_t> comment{'s', 'h', 'o', 't'};
  for (Exiv2::ByteOrder order : {Exiv2::littleEndian, Exiv2::bigEndian}) {
    const std::string tag = order == Exiv2::littleEndian ? "ii" : "mm";
    std::vector<uint8_t> camera = kMetadataOptions;
    PutRecord(camera, 1, CameraExif(order, thumbnail));
    Save("fuzz_metadata", "exif_" + tag, camera);
    PutRecord(camera, 4, photoshop);
    PutProfile(camera, wide, 300);
    PutRecord(camera, 2, XmpPacket());
    PutRecord(camera, 5, comment);
    PutRecord(camera, 6 | 0xE0, std::vector<uint8_t>{'A', 'd', 'o', 'b', 'e', 0, 100, 0, 0, 0, 0, 1});
    Save("fuzz_metadata", "camera_" + tag, camera);
  }
  std::vector<uint8_t> profiles = kMetadataOptions;
  PutProfile(profiles, srgb, 65519);
  Save("fuzz_metadata", "icc_srgb", profiles);
  profiles = {16};  // gray pixels
  PutProfile(profiles, gray, 100);
  Save("fuzz_metadata", "icc_gray", profiles);
  profiles = kMetadataOptions;
  PutProfile(profiles, wide, 65519);
  Save("fuzz_metadata", "icc_wide", profiles);
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
  PngSeeds(image, "photo");
  TiffSeeds(image, "photo");
  HeifWebpSeeds(image, "photo");

  PnmSeeds(image, "photo");
  TgaSeeds(image, "photo");
  PcxSeeds(image, "photo");
  IcoSeeds(image, "photo");
  PaintAlpha(image);
  TgaSeeds(image, "alpha");
  IcoSeeds(image, "alpha");
  HeifWebpSeeds(image, "clear");
  image.AlphaPlane()->Fill(255);

  PaintTwoColours(*image.CurrentBitmap(), 19, 11);
  BmpSeeds(image);
  GifSeeds(image, "two");
  PngSeeds(image, "grey");
  TiffSeeds(image, "grey");
  PnmSeeds(image, "two");

  image.CurrentBitmap()->Allocate(21, 9, TPixelFormat::Bilevel);
  for (int32_t y = 0; y < 9; ++y) image.CurrentBitmap()->ScanLine(y)[y % 3] = 0xA5;
  JpegSeeds(image, "bilevel");
  GifSeeds(image, "bilevel");
  HeifWebpSeeds(image, "bilevel");
  WebpAnimationSeed();
  PnmSeeds(image, "bilevel");
  PcxSeeds(image, "bilevel");
  PngSeeds(image, "bilevel");
  TiffSeeds(image, "bilevel");

  image.CurrentBitmap()->Allocate(21, 9, TPixelFormat::Bilevel);
  for (int32_t y = 0; y < 9; ++y) image.CurrentBitmap()->ScanLine(y)[y % 3] = 0xA5;
  MetafileSeeds(image, "bilevel");
  Paint(*image.CurrentBitmap(), 13, 7);
  MetafileSeeds(image, "photo");
  HandBuiltMetafileSeeds();

  SettingsSeeds();
  Paint(*image.CurrentBitmap(), 32, 24);
  MetadataSeeds(image);
  size_t files = 0;
  for (const auto& e : fs::recursive_directory_iterator(g_out))
    if (e.is_regular_file()) ++files;
  std::printf("wrote %zu seed files under %s\n", files, g_out.c_str());
  return 0;
}
