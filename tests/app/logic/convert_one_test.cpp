#include <gtest/gtest.h>

#include <filesystem>

#include "app/album_fixtures.h"
#include "app/logic/conversion_run.h"
#include "app/logic/convert_one.h"
#include "app/logic/paths.h"
#include "codecs/heif/heif_codec.h"
#include "codecs/jpeg_test_builder.h"

using namespace pix;
using namespace albumtest;
namespace fs = std::filesystem;

namespace {

// One image component converting files between an input and an output folder,
// with the options of the first preset: 240 x 320, quality step 7, as JPEG.
class ConvertOneTest : public ::testing::Test {
protected:
  ConvertOneTest() {
    options.MaxWidth = 240;
    options.MaxHeight = 320;
    options.Rotation = kRotationNone;
    fs::create_directories(dir.Path() / "in");
    fs::create_directories(dir.Path() / "out");
  }

  std::string In(const std::string& name) const { return (dir.Path() / "in" / name).string(); }
  std::string Out(const std::string& name) const { return (dir.Path() / "out" / name).string(); }

  // Converts a generated w x h JPEG and decodes what was written.
  bool ConvertJpeg(int32_t w, int32_t h, Decoded& out) {
    WriteJpeg(In("photo.jpg"), w, h);
    const bool ok = ConvertOne(image, options, In("photo.jpg"), Out("photo.jpg")).Written;
    Decode(Out("photo.jpg"), out);
    return ok;
  }

  static bool IsRed(const uint8_t* p) { return p[2] > 150 && p[0] < 80 && p[1] < 80; }
  static bool IsBlue(const uint8_t* p) { return p[0] > 150 && p[2] < 80 && p[1] < 80; }

  pixtest::TempDir dir;
  TPixImage image;
  ConversionSettings options;
};

}  // namespace

// Sizes, left turns and the landscape rule are checked on a whole album by the
// end-to-end tests; these are the options that album does not use.
TEST_F(ConvertOneTest, RightTurnAndNoRotationWithTheLandscapeOptionSet) {
  options.MaxWidth = options.MaxHeight = 1000;
  options.LandscapeOnly = true;
  Decoded out;
  // The red top half of the source ends up on the right after a right turn.
  options.Rotation = kRotation90Right;
  ASSERT_TRUE(ConvertJpeg(120, 80, out));
  EXPECT_TRUE(IsBlue(out.Pixel(5, 60)));
  EXPECT_TRUE(IsRed(out.Pixel(75, 60)));
  // Without a rotation the landscape option is not looked at.
  options.Rotation = kRotationNone;
  ASSERT_TRUE(ConvertJpeg(601, 600, out));
  EXPECT_EQ(out.Width(), 601);
}

TEST_F(ConvertOneTest, GrayscaleGivesEqualChannels) {
  options.ConvertToGrayscale = true;
  Decoded out;
  ASSERT_TRUE(ConvertJpeg(400, 300, out));
  for (int32_t y = 0; y < out.Height(); y += 7)
    for (int32_t x = 0; x < out.Width(); x += 7) {
      const uint8_t* p = out.Pixel(x, y);
      ASSERT_TRUE(p[0] == p[1] && p[1] == p[2]) << x << "," << y;
    }
}

TEST_F(ConvertOneTest, QualityIsSetBeforeEverySaveAndNoOutputDependsOnTheFileBefore) {
  options.JPGQuality = 7;
  const std::string quality70 = QuantTablesAtQuality(70);
  ASSERT_NE(quality70, QuantTablesAtQuality(50));
  Decoded out;
  ASSERT_TRUE(ConvertJpeg(300, 200, out));
  EXPECT_EQ(QuantTables(Out("photo.jpg")), quality70);
  // Whatever happened to the record in between, the next save is at 70 again.
  image.ParamRecord().JpegQuality = 13;
  ASSERT_TRUE(ConvertJpeg(300, 200, out));
  EXPECT_EQ(QuantTables(Out("photo.jpg")), quality70);

  // Also before a save in another type, although only the JPEG writer reads it.
  options.ConvertToJPG = false;
  options.JPGQuality = 3;
  WriteBmp(In("pic.bmp"), 50, 40);
  ASSERT_TRUE(ConvertOne(image, options, In("pic.bmp"), Out("pic.bmp")));
  EXPECT_EQ(image.ParamRecord().JpegQuality, 30);

  // A colour BMP after a gray JPEG comes out in colour: every file starts
  // with the JPEG colour space at its default. Other fields still carry over.
  options.ConvertToJPG = true;
  WriteJpeg(In("gray.jpg"), 64, 64, 90, 1);
  image.ParamRecord().GifDelayTime = 33;
  ASSERT_TRUE(ConvertOne(image, options, In("gray.jpg"), Out("gray.jpg")));
  EXPECT_EQ(JpegComponents(Out("gray.jpg")), 1);
  ASSERT_TRUE(ConvertOne(image, options, In("pic.bmp"), Out("pic.bmp")));
  EXPECT_EQ(JpegComponents(Out("pic.jpg")), 3);
  EXPECT_EQ(image.ParamRecord().JpegColorSpace, jcYCbCr);
  EXPECT_EQ(image.ParamRecord().GifDelayTime, 33);
}

TEST_F(ConvertOneTest, FailuresComeBackWithTheirReasonAndTheComponentGoesOn) {
  pixtest::WriteFile(In("corrupt.jpg"), "\xFF\xD8\xFF\xE0 this is no JPEG at all");
  TConvertOutcome outcome = ConvertOne(image, options, In("corrupt.jpg"), Out("deep/corrupt.jpg"));
  EXPECT_FALSE(outcome.Written);
  EXPECT_EQ(outcome.Reason, frTruncated);
  // A failed load stops before the destination folder is made.
  EXPECT_FALSE(fs::exists(Out("deep")));
  EXPECT_EQ(ConvertOne(image, options, In("missing.jpg"), Out("missing.jpg")).Reason, frCannotOpen);
  // A folder that cannot be made shows as a failed save.
  WriteJpeg(In("good.jpg"), 30, 20);
  pixtest::WriteFile(Out("file"), "x");
  EXPECT_EQ(ConvertOne(image, options, In("good.jpg"), Out("file/sub/good.jpg")).Reason, frCannotCreateFolder);
  outcome = ConvertOne(image, options, In("good.jpg"), Out("good.jpg"));
  EXPECT_TRUE(outcome.Written);
  EXPECT_EQ(outcome.Reason, frNone);
  // A source cut short still converts, and says so.
  WriteJpeg(In("big.jpg"), 400, 300);
  const std::string whole = pixtest::ReadFile(In("big.jpg"));
  pixtest::WriteFile(In("cut.jpg"), whole.substr(0, whole.size() * 2 / 3));
  outcome = ConvertOne(image, options, In("cut.jpg"), Out("cut.jpg"));
  EXPECT_TRUE(outcome.Written);
  EXPECT_EQ(outcome.Damage, frTruncated);
}

// A camera's landscape storage of a portrait shot, EXIF Orientation 6: the
// stored top row belongs on the right.
TEST_F(ConvertOneTest, PhotosStandUprightBeforeTheTurnRulesAndTheMetadataFollowsTheMode) {
  options.MaxWidth = options.MaxHeight = 1000;
  options.Rotation = kRotation90Left;
  options.LandscapeOnly = true;
  {
    TPixImage writer;
    PaintOrientationPattern(*writer.CurrentBitmap(), 120, 80);
    const auto exif = jpegtest::ExifPayload(true, {{0x0112, 3, {6}, ""}}, {{0xA002, 4, {120}, ""}, {0xA003, 4, {80}, ""}});
    writer.ParamRecord().MarkerList().AddMarker(0xE1, exif.data(), static_cast<int>(exif.size()));
    writer.SaveAsJpeg(In("turned.jpg"));
    ASSERT_FALSE(writer.AbortFlag());
  }
  TPixImage reader;
  auto convert = [&](Decoded& out) {
    ASSERT_TRUE(ConvertOne(image, options, In("turned.jpg"), Out("turned.jpg")).Written);
    Decode(Out("turned.jpg"), out);
    reader.LoadFromFile(Out("turned.jpg"));
  };
  Decoded out;
  // Upright it is a portrait, which the landscape rule leaves alone.
  convert(out);
  ASSERT_EQ(out.Width(), 80);
  EXPECT_TRUE(IsRed(out.Pixel(75, 60)));
  EXPECT_TRUE(IsBlue(out.Pixel(5, 60)));
  EXPECT_EQ(reader.ParamRecord().ExifOrientation, 1);
  // Without the option the stored landscape is turned left, and the tag stays.
  options.AutoOrient = false;
  convert(out);
  ASSERT_EQ(out.Width(), 80);
  EXPECT_TRUE(IsRed(out.Pixel(5, 60)));
  EXPECT_EQ(reader.ParamRecord().ExifOrientation, 6);
  // Compact keeps an EXIF block; strip writes none. A BMP converted next by
  // the same component carries nothing of the photo before it.
  options.AutoOrient = true;
  options.Metadata = kMetadataCompact;
  convert(out);
  EXPECT_EQ(reader.ParamRecord().ExifOrientation, 1);
  options.Metadata = kMetadataStrip;
  convert(out);
  EXPECT_EQ(reader.ParamRecord().MarkerList().Count(), 0);
  options.Metadata = kMetadataKeepAll;
  convert(out);
  WriteBmp(In("plain.bmp"), 30, 20);
  ASSERT_TRUE(ConvertOne(image, options, In("plain.bmp"), Out("plain.bmp")).Written);
  reader.LoadFromFile(Out("plain.jpg"));
  EXPECT_LT(reader.ParamRecord().MarkerList().IndexOf(0xE1), 0);
}

// Every orientation, turn and rule, and a file cut in its scan: the photo
// fitted while it is decoded gives the bytes of the whole-picture way.
TEST_F(ConvertOneTest, FittingWhileDecodingWritesTheBytesOfTheWholePicture) {
  options.MaxWidth = 60;
  options.MaxHeight = 80;
  using pixtest::ReadFile;
  for (int orientation = 1; orientation <= 8; ++orientation) {
    TPixImage writer;
    PaintOrientationPattern(*writer.CurrentBitmap(), 301, 157);
    const auto exif = jpegtest::ExifPayload(true, {{0x0112, 3, {static_cast<uint32_t>(orientation)}, ""}}, {});
    writer.ParamRecord().MarkerList().AddMarker(0xE1, exif.data(), static_cast<int>(exif.size()));
    writer.SaveAsJpeg(In("photo.jpg"));
    ASSERT_FALSE(writer.AbortFlag());
    const std::string whole = ReadFile(In("photo.jpg"));
    pixtest::WriteFile(In("cut.jpg"), whole.substr(0, whole.size() * 3 / 5));
    for (const int rotation : {kRotation90Left, kRotation90Right})
      for (const bool rules : {false, true}) {
        options.Rotation = rotation;
        options.LandscapeOnly = options.AutoOrient = rules;
        for (const char* name : {"photo.jpg", "cut.jpg"}) {
          SCOPED_TRACE(testing::Message() << "orientation " << orientation << ", rotation " << rotation
                                          << ", rules " << rules << ", " << name);
          const TConvertOutcome fitted = ConvertOne(image, options, In(name), Out("fitted.jpg"));
          pixtest::ScopedSetting<bool> forced(WholePictureLoadsForced, ForceWholePictureLoads, true);
          const TConvertOutcome plain = ConvertOne(image, options, In(name), Out("whole.jpg"));
          ASSERT_TRUE(fitted.Written && plain.Written);
          EXPECT_EQ(fitted.Damage, plain.Damage);
          EXPECT_EQ(std::tie(fitted.SourceWidth, fitted.SourceHeight, fitted.Width, fitted.Height),
                    std::tie(plain.SourceWidth, plain.SourceHeight, plain.Width, plain.Height));
          EXPECT_EQ(ReadFile(Out("fitted.jpg")), ReadFile(Out("whole.jpg")));
        }
      }
  }
}

TEST_F(ConvertOneTest, HeifPhotosAreNotTurnedTwiceAndTheirJpegSaysOrientationOne) {
  // The EXIF block says: show it turned a quarter clockwise. libheif turns
  // HEIF pictures by their container alone, which here says nothing.
  const auto exif = jpegtest::ExifPayload(true, {{0x0112, 3, {6}, ""}});
  for (const char* name : {"phone.heic", "phone.avif"}) {
    if (!(std::string(name) == "phone.heic" ? CanWriteHeic() : CanWriteAvif())) continue;
    SCOPED_TRACE(name);
    TPixImage source;
    PaintOrientationPattern(*source.CurrentBitmap(), 40, 30);
    source.ParamRecord().MarkerList().AddMarker(0xE1, exif.data(), static_cast<int>(exif.size()));
    source.SaveToFile(In(name));
    ASSERT_FALSE(source.AbortFlag());
    for (const bool autoOrient : {true, false}) {
      options.AutoOrient = autoOrient;
      const TConvertOutcome outcome = ConvertOne(image, options, In(name), Out(name));
      ASSERT_TRUE(outcome.Written) << FailureText(outcome.Reason);
      TPixImage back;
      back.LoadFromFile(outcome.WrittenPath);
      ASSERT_FALSE(back.AbortFlag());
      EXPECT_EQ(back.CurrentBitmap()->Width(), 40);
      EXPECT_EQ(back.ParamRecord().ExifOrientation, 1);
    }
  }
}

TEST(ForceFolderOfFile, CreatesMissingFoldersFromTheOutermostInwards) {
  pixtest::TempDir dir;
  const std::string root = dir.Path().string();
  std::vector<std::string> made;
  auto record = [&made](const std::string& folder) {
    made.push_back(folder);
    return fs::create_directory(folder);
  };
  const fs::path cwd = fs::current_path();
  EXPECT_TRUE(ForceFolderOfFile(root + "/Out/2004/May/Pic.jpg", record));
  EXPECT_EQ(made, (std::vector<std::string>{root + "/Out", root + "/Out/2004", root + "/Out/2004/May"}));
  EXPECT_TRUE(fs::is_directory(root + "/Out/2004/May"));
  EXPECT_EQ(fs::current_path(), cwd);

  // A plain file of the folder's name counts as there; a name without a
  // delimiter has no folder part.
  made.clear();
  pixtest::WriteFile(root + "/plain", "x");
  EXPECT_TRUE(ForceFolderOfFile(root + "/plain/Pic.jpg", record));
  EXPECT_TRUE(ForceFolderOfFile("Pic.jpg", record));
  EXPECT_TRUE(made.empty());

  // A creation that fails stops the walk: nothing inside it is tried.
  auto refuse = [&made](const std::string& folder) {
    made.push_back(folder);
    return false;
  };
  EXPECT_FALSE(ForceFolderOfFile(root + "/A/B/C/Pic.jpg", refuse));
  EXPECT_EQ(made, (std::vector<std::string>{root + "/A"}));
  // The real creation reports a failure as false instead of throwing.
  EXPECT_FALSE(ForceFolderOfFile(root + "/plain/sub/Pic.jpg"));
}

TEST(OutputNameFor, OriginalTypesExceptMetafilesIconsAndTypesWithoutWriter) {
  EXPECT_EQ(OutputNameFor("/o/a/Pic.BMP", true), "/o/a/Pic.jpg");
  EXPECT_EQ(OutputNameFor("/o/a/Pic.BMP", false), "/o/a/Pic.BMP");
  EXPECT_EQ(OutputNameFor("/o/a/Logo.wmf", false), "/o/a/Logo.png");
  EXPECT_EQ(OutputNameFor("/o/a/app.ICO", false), "/o/a/app.png");
  EXPECT_EQ(OutputNameFor("/o/a/hand.cur", false), "/o/a/hand.png");
  EXPECT_EQ(OutputNameFor("/o/a/odd.xyz", false), "/o/a/odd.jpg");
  EXPECT_EQ(OutputNameFor("/o/a/Pic.webp", false), "/o/a/Pic.webp");
  EXPECT_EQ(OutputNameFor("/o/a/Pic.pgm", false), "/o/a/Pic.pgm");
  // HEIC and AVIF as the installed libheif can write them.
  EXPECT_EQ(OutputNameFor("/o/a/Pic.HEIC", false), CanWriteHeic() ? "/o/a/Pic.HEIC" : "/o/a/Pic.jpg");
  EXPECT_EQ(OutputNameFor("/o/a/Pic.avif", false), CanWriteAvif() ? "/o/a/Pic.avif" : "/o/a/Pic.jpg");
}
