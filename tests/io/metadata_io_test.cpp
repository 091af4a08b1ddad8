// Upright pictures and chosen metadata through the I/O component, end to end:
// files written by our JPEG writer with EXIF orientation fixtures, a
// generated camera file and the shared camera photos, checked against exiv2
// (library and tool), Pillow and ImageMagick. The external readers are
// skipped when absent.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iomanip>
#include <iostream>
#include <map>
#include <sstream>

#include "codecs/metadata/jpeg_metadata.h"
#include "codecs/metadata_test_builder.h"
#include "imaging/orientation_definition.h"
#include "io/pix_image.h"
#include "support/test_support.h"

using namespace pix;
using namespace metatest;

namespace {

bool Succeeds(const std::string& command) { return std::system(("(" + command + ") >/dev/null 2>&1").c_str()) == 0; }

std::string PillowPython() {
  for (std::string python : {"/usr/bin/python3", "python3"})
    if (Succeeds(python + " -c 'import PIL'")) return python;
  return "";
}

// Standard output of a command.
std::string Output(const std::string& command) {
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    while (std::size_t n = fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
    pclose(pipe);
  }
  return out;
}

// Pillow's reading of each file, one line each: name, width, height, EXIF
// Orientation (0 when absent), whether an ICC profile came along, and, when
// the first argument is "pixels", the upright picture's RGB bytes in hex
// (ImageOps.exif_transpose), else "-".
const char* kPillowReads = R"(
import sys
from PIL import Image, ImageOps
for path in sys.argv[2:]:
    im = Image.open(path)
    im.load()
    exif = im.getexif()
    pixels = ImageOps.exif_transpose(im).convert('RGB').tobytes().hex() if sys.argv[1] == 'pixels' else '-'
    print(path, im.size[0], im.size[1], exif.get(274, 0), int('icc_profile' in im.info), pixels)
)";

struct PillowView {
  int Width = 0, Height = 0, Orientation = 0;
  bool Icc = false;
  std::string UprightHex;
};

std::map<std::string, PillowView> ReadWithPillow(const std::string& python, const std::vector<std::string>& files,
                                                 bool pixels = false) {
  std::string command = python + " -c \"$PIXFOLD_PILLOW_SCRIPT\" " + (pixels ? "pixels" : "sizes");
  for (const std::string& f : files) command += " '" + f + "'";
  setenv("PIXFOLD_PILLOW_SCRIPT", kPillowReads, 1);
  std::istringstream lines(Output(command));
  std::map<std::string, PillowView> views;
  std::string path;
  PillowView v;
  int icc = 0;
  while (lines >> path >> v.Width >> v.Height >> v.Orientation >> icc >> v.UprightHex) {
    v.Icc = icc != 0;
    views[path] = v;
  }
  return views;
}

std::string RgbHex(const TBitmap& image) {
  static const char* digits = "0123456789abcdef";
  std::string hex;
  for (int32_t y = 0; y < image.Height(); ++y)
    for (int32_t x = 0; x < image.Width(); ++x)
      for (int k = 2; k >= 0; --k) {
        const uint8_t v = image.ScanLine(y)[3 * x + k];
        hex += digits[v >> 4];
        hex += digits[v & 15];
      }
  return hex;
}

std::vector<uint8_t> SegmentCodes(const std::string& path) {
  const std::string text = pixtest::ReadFile(path);
  std::vector<uint8_t> codes;
  for (const jpegtest::TSegment& s : jpegtest::Segments(Bytes(text.begin(), text.end())))
    if (s.Marker >= 0xE0 && s.Marker != 0xDB && s.Marker != 0xC4 && (s.Marker <= 0xEF || s.Marker == 0xFE))
      codes.push_back(s.Marker);
  return codes;
}

// exiv2's reading of a file's EXIF, key to value; empty when it has none.
std::map<std::string, std::string> FileExif(const std::string& path) {
  std::map<std::string, std::string> tags;
  auto image = Exiv2::ImageFactory::open(path);
  image->readMetadata();
  for (const Exiv2::Exifdatum& d : image->exifData()) tags[d.key()] = d.toString();
  return tags;
}

// A picture whose pixels all differ: red from x, green from y.
void FillDistinct(TBitmap& image, int32_t w, int32_t h) {
  image.Allocate(w, h, TPixelFormat::TrueColor);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) jpegtest::SetPixel(image, x, y, x * 20, y * 30, 90);
}

// What the record held after a load, to run every mode from the same start.
struct LoadedState {
  TBitmap Pixels;
  TPixMarkerList Markers;
  bool IptcChanged = false;
  void Take(TPixImage& image) {
    CopyImage(*image.CurrentBitmap(), Pixels);
    Markers.Assign(image.ParamRecord().MarkerList());
    IptcChanged = image.ParamRecord().IptcInfo().IptcChanged;
  }
  void Restore(TPixImage& image) const {
    CopyImage(Pixels, *image.CurrentBitmap());
    image.ParamRecord().MarkerList().Assign(Markers);
    image.ParamRecord().IptcInfo().IptcChanged = IptcChanged;
  }
};

// The pipeline's order: upright after the load, fit to the limits, then the
// colours (modes that leave the profile out) and the metadata before the save.
void SaveInMode(TPixImage& image, const LoadedState& loaded, TMetadataMode mode, const std::string& path) {
  loaded.Restore(image);
  const bool converted = mode != mdKeepAll && image.ConvertToSrgb();
  const TBitmap& bitmap = *image.CurrentBitmap();
  PrepareJpegMetadata(image.ParamRecord(), TMetadataTarget{.Mode = mode,
                                                           .Width = bitmap.Width(),
                                                           .Height = bitmap.Height(),
                                                           .Orientation = 1,
                                                           .ProfileConverted = converted});
  image.SaveAsJpeg(path);
  ASSERT_FALSE(image.AbortFlag()) << path;
}

void FitTo(TPixImage& image, int32_t maxWidth, int32_t maxHeight) {
  if (image.CurrentBitmap()->Width() > maxWidth) image.ResampleToSize(maxWidth, -1, rfMitchell);
  if (image.CurrentBitmap()->Height() > maxHeight) image.ResampleToSize(-1, maxHeight, rfMitchell);
}

const char* kModeNames[] = {"keep", "compact", "strip"};

}  // namespace

TEST(OrientationFixtures, EveryTagInBothByteOrdersComesOutUprightLikePillowAndImageMagick) {
  pixtest::TempDir dir;
  std::map<std::string, std::string> ours;
  for (bool little : {true, false})
    for (int o = 1; o <= 8; ++o) {
      const std::string path = dir.File(std::string(little ? "ii" : "mm") + std::to_string(o) + ".jpg");
      {
        TPixImage writer;
        FillDistinct(*writer.CurrentBitmap(), 12, 7);
        Add(writer.ParamRecord().MarkerList(), 0xE1,
            jpegtest::ExifPayload(little, {{0x010F, 2, {}, "Pixfold"}, {0x0112, 3, {static_cast<uint32_t>(o)}, ""}}));
        writer.ParamRecord().JpegQuality = 100;
        writer.SaveAsJpeg(path);
        ASSERT_FALSE(writer.AbortFlag());
      }
      TPixImage image;
      image.LoadFromFile(path);
      ASSERT_FALSE(image.AbortFlag());
      ASSERT_EQ(LoadedExifOrientation(image.ParamRecord()), o) << path;
      TBitmap stored;
      CopyImage(*image.CurrentBitmap(), stored);
      image.OrientUpright(LoadedExifOrientation(image.ParamRecord()));
      EXPECT_TRUE(orienttest::IsUprightForm(stored, *image.CurrentBitmap(), o)) << path;
      ours[path] = RgbHex(*image.CurrentBitmap());
    }
  // ImageMagick's -auto-orient, where it is installed.
  if (Succeeds("convert -version")) {
    for (const auto& [path, hex] : ours) {
      const std::string raw = Output("convert '" + path + "' -auto-orient -depth 8 rgb:-");
      std::string imHex;
      for (unsigned char c : raw) imHex += "0123456789abcdef"[c >> 4], imHex += "0123456789abcdef"[c & 15];
      EXPECT_EQ(imHex, hex) << path;
    }
  }
  const std::string python = PillowPython();
  if (python.empty()) GTEST_SKIP() << "no Pillow";
  std::vector<std::string> files;
  for (const auto& [path, hex] : ours) files.push_back(path);
  const auto pillow = ReadWithPillow(python, files, true);
  for (const auto& [path, hex] : ours) {
    ASSERT_EQ(pillow.count(path), 1u) << path;
    EXPECT_EQ(pillow.at(path).UprightHex, hex) << path;  // same decoder, same moves: identical bytes
  }
}

TEST(OrientationFixtures, AnotherTypeLoadedAfterAJpegHasNoOrientation) {
  pixtest::TempDir dir;
  TPixImage image;
  FillDistinct(*image.CurrentBitmap(), 6, 4);
  image.SaveToFile(dir.File("plain.bmp"));
  Add(image.ParamRecord().MarkerList(), 0xE1, jpegtest::ExifPayload(true, {{0x0112, 3, {6}, ""}}));
  image.SaveAsJpeg(dir.File("turned.jpg"));
  image.LoadFromFile(dir.File("turned.jpg"));
  EXPECT_EQ(LoadedExifOrientation(image.ParamRecord()), 6);
  image.LoadFromFile(dir.File("plain.bmp"));
  ASSERT_FALSE(image.AbortFlag());
  EXPECT_EQ(image.ParamRecord().ExifOrientation, 6);  // the record's EXIF values outlive the JPEG
  EXPECT_EQ(LoadedExifOrientation(image.ParamRecord()), 0);
}

TEST(MetadataFiles, AGeneratedCameraFileInEveryMode) {
  pixtest::TempDir dir;
  const std::string source = dir.File("camera.jpg");
  {
    TPixImage writer;
    CopyImage(*jpegtest::Photo(64, 48), *writer.CurrentBitmap());
    writer.ParamRecord().MarkerList().Assign(CameraMarkers(false, 6, Profile(&kDisplayP3)));
    writer.ParamRecord().IptcInfo().IptcChanged = false;  // the block goes out as built
    writer.SaveAsJpeg(source);
    ASSERT_FALSE(writer.AbortFlag());
  }
  TPixImage image;
  image.LoadFromFile(source);
  ASSERT_EQ(image.ParamRecord().ExifOrientation, 6);
  const std::vector<uint8_t> sourceCodes = SegmentCodes(source);
  image.OrientUpright(6);
  LoadedState loaded;
  loaded.Take(image);

  std::vector<std::string> files;
  std::vector<std::uintmax_t> sizes;
  for (TMetadataMode mode : {mdKeepAll, mdCompact, mdStrip}) {
    const std::string path = dir.File(std::string(kModeNames[mode]) + ".jpg");
    SaveInMode(image, loaded, mode, path);
    files.push_back(path);
    sizes.push_back(std::filesystem::file_size(path));
  }
  EXPECT_EQ(SegmentCodes(files[0]), sourceCodes);
  EXPECT_EQ(SegmentCodes(files[1]), (std::vector<uint8_t>{0xE0, 0xE1, 0xED, 0xFE}));
  EXPECT_EQ(SegmentCodes(files[2]), (std::vector<uint8_t>{0xE0}));
  EXPECT_GT(sizes[0], sizes[1]);
  EXPECT_GT(sizes[1], sizes[2]);

  const auto keep = FileExif(files[0]), compact = FileExif(files[1]);
  EXPECT_EQ(keep.at("Exif.Image.Orientation"), "1");
  EXPECT_EQ(keep.at("Exif.Photo.PixelXDimension"), "48");
  EXPECT_EQ(keep.count("Exif.GPSInfo.GPSLatitude"), 1u);
  EXPECT_EQ(compact.at("Exif.Image.Orientation"), "1");
  EXPECT_EQ(compact.at("Exif.Photo.PixelYDimension"), "64");
  EXPECT_EQ(compact.at("Exif.Photo.ColorSpace"), "1");
  EXPECT_EQ(compact.count("Exif.GPSInfo.GPSLatitude"), 0u);
  EXPECT_TRUE(FileExif(files[2]).empty());

  if (Succeeds("exiv2 --version")) {
    for (const std::string& f : files) EXPECT_TRUE(Succeeds("exiv2 -pS '" + f + "'")) << f;
    EXPECT_EQ(Output("exiv2 -K Exif.Image.Orientation -Pv '" + files[1] + "'"), "1\n");
  }
  const std::string python = PillowPython();
  if (python.empty()) GTEST_SKIP() << "no Pillow";
  const auto pillow = ReadWithPillow(python, files);
  for (int mode = 0; mode < 3; ++mode) {
    const PillowView& v = pillow.at(files[mode]);
    EXPECT_EQ(v.Width, 48);
    EXPECT_EQ(v.Height, 64);
    EXPECT_EQ(v.Orientation, mode == mdStrip ? 0 : 1);
    EXPECT_EQ(v.Icc, mode == mdKeepAll);
  }
}

TEST(MetadataFiles, KeepAllWritesTodaysBytesForAnUprightSourceWithoutSizeTags) {
  pixtest::TempDir dir;
  TPixImage image;
  CopyImage(*jpegtest::Photo(40, 30), *image.CurrentBitmap());
  TPixMarkerList markers;
  Add(markers, 0xE1, jpegtest::ExifPayload(true, {{0x010F, 2, {}, "Pixfold"}, {0x0112, 3, {1}, ""}}));
  Add(markers, 0xE2, Bytes(40, 7));
  image.ParamRecord().MarkerList().Assign(markers);
  image.SaveAsJpeg(dir.File("today.jpg"));
  image.ParamRecord().MarkerList().Assign(markers);
  PrepareJpegMetadata(image.ParamRecord(), TMetadataTarget{.Width = 40, .Height = 30, .Orientation = 1});
  image.SaveAsJpeg(dir.File("keep.jpg"));
  EXPECT_EQ(pixtest::ReadFile(dir.File("keep.jpg")), pixtest::ReadFile(dir.File("today.jpg")));
}

TEST(MetadataFiles, CameraPhotosInEveryModeAt240x320) {
  const std::string folder = pixtest::SharedTestData("photos");
  if (folder.empty()) GTEST_SKIP() << "no shared photos";
  std::vector<std::string> photos;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    if (entry.path().extension() == ".jpg") photos.push_back(entry.path().string());
  std::sort(photos.begin(), photos.end());
  ASSERT_FALSE(photos.empty());

  pixtest::TempDir dir;
  std::vector<std::string> written;
  std::map<std::string, std::pair<int32_t, int32_t>> sizeOf;
  std::ostringstream table;
  table << "photo                                source   keep  compact  strip  (bytes)\n";
  for (const std::string& photo : photos) {
    TPixImage image;
    image.LoadFromFile(photo);
    ASSERT_FALSE(image.AbortFlag()) << photo;
    image.OrientUpright(LoadedExifOrientation(image.ParamRecord()));
    FitTo(image, 240, 320);
    image.ParamRecord().JpegQuality = 70;
    LoadedState loaded;
    loaded.Take(image);
    const std::string name = std::filesystem::path(photo).stem().string();
    table << std::left << std::setw(36) << name << std::right << std::setw(8) << std::filesystem::file_size(photo);
    for (TMetadataMode mode : {mdKeepAll, mdCompact, mdStrip}) {
      const std::string path = dir.File(name + "." + kModeNames[mode] + ".jpg");
      SaveInMode(image, loaded, mode, path);
      written.push_back(path);
      sizeOf[path] = {image.CurrentBitmap()->Width(), image.CurrentBitmap()->Height()};
      table << std::setw(mode == mdKeepAll ? 7 : mode == mdCompact ? 9 : 7) << std::filesystem::file_size(path);

      const std::vector<uint8_t> codes = SegmentCodes(path);
      const auto exif = FileExif(path);
      if (mode == mdStrip) {
        EXPECT_EQ(codes, (std::vector<uint8_t>{0xE0})) << path;
        continue;
      }
      if (exif.count("Exif.Image.Orientation")) {
        EXPECT_EQ(exif.at("Exif.Image.Orientation"), "1") << path;
      }
      if (exif.count("Exif.Photo.PixelXDimension")) {
        EXPECT_EQ(exif.at("Exif.Photo.PixelXDimension"), std::to_string(image.CurrentBitmap()->Width())) << path;
      }
      if (mode == mdCompact) {
        for (uint8_t code : codes) EXPECT_TRUE(code == 0xE0 || code == 0xE1 || code == 0xED || code == 0xFE) << path;
        EXPECT_LT(std::filesystem::file_size(path), 20000u) << path;
        for (const auto& [key, value] : exif)
          EXPECT_TRUE(key.find("GPS") == std::string::npos && key.find("Thumbnail") == std::string::npos &&
                      key.find("MakerNote") == std::string::npos)
              << path << " " << key;
      }
    }
    table << "\n";
  }
  std::cout << table.str();

  if (Succeeds("exiv2 --version")) {
    for (const std::string& f : written) EXPECT_TRUE(Succeeds("exiv2 -pS '" + f + "'")) << f;
  }
  const std::string python = PillowPython();
  if (python.empty()) GTEST_SKIP() << "no Pillow";
  const auto pillow = ReadWithPillow(python, written);
  for (const std::string& f : written) {
    ASSERT_EQ(pillow.count(f), 1u) << f;
    const PillowView& v = pillow.at(f);
    EXPECT_EQ(std::make_pair(v.Width, v.Height), sizeOf.at(f)) << f;
    EXPECT_LE(v.Orientation, 1) << f;  // upright for every viewer
    EXPECT_TRUE(f.find(".keep.") != std::string::npos || !v.Icc) << f;
  }
}
