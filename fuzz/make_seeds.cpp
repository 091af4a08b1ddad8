// Writes the fuzz seed corpora from our own writers: every BMP depth, header
// variant and compression, every GIF depth with and without interlacing and
// transparency, every JPEG colour space baseline and progressive, a few
// settings files, pipeline seeds (a selector byte before each image) and
// metadata blocks (EXIF and XMP written by exiv2, colour profiles by lcms2,
// IPTC by our own block builder) in the record form fuzz_metadata reads.
// Usage: fuzz_make_seeds OUTPUT-FOLDER
#include <exiv2/exiv2.hpp>
#include <lcms2.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "io/pix_image.h"
#include "codecs/gif/gif_codec.h"

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

  PaintTwoColours(*image.CurrentBitmap(), 19, 11);
  BmpSeeds(image);
  GifSeeds(image, "two");

  image.CurrentBitmap()->Allocate(21, 9, TPixelFormat::Bilevel);
  for (int32_t y = 0; y < 9; ++y) image.CurrentBitmap()->ScanLine(y)[y % 3] = 0xA5;
  JpegSeeds(image, "bilevel");
  GifSeeds(image, "bilevel");

  SettingsSeeds();
  Paint(*image.CurrentBitmap(), 32, 24);
  MetadataSeeds(image);
  size_t files = 0;
  for (const auto& e : fs::recursive_directory_iterator(g_out))
    if (e.is_regular_file()) ++files;
  std::printf("wrote %zu seed files under %s\n", files, g_out.c_str());
  return 0;
}
