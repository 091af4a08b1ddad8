// HEIC/HEIF, AVIF and WebP through the I/O component: saves and loads by
// extension with the alpha plane, parameters-only reads, the EXIF path shared
// with JPEG, and rows whose writer the library may lack.
#include <gtest/gtest.h>

#include "codecs/heif/heif_codec.h"
#include "codecs/jpeg_test_builder.h"
#include "imaging/pix_view.h"
#include "io/format_table.h"
#include "io/pix_image_io.h"
#include "support/test_support.h"

using namespace pix;

namespace {

struct TViewIo {
  TPixImageView View;
  TPixImageIO Io;
  TViewIo() { Io.SetAttachedView(&View); }
  TBitmap& Image() { return *View.CurrentBitmap(); }
  TPixMask& Alpha() { return *View.AlphaPlane(); }
};

bool NoWriter() { return false; }

}  // namespace

TEST(HeifWebpIo, EachExtensionSavesAndLoadsItsTypeWithTransparency) {
  pixtest::TempDir dir;
  const struct {
    const char* Name;
    TPixFileType Type;
    bool Writable;
  } cases[] = {{"a.heic", ftHEIF, CanWriteHeic()}, {"b.HEIF", ftHEIF, CanWriteHeic()},
               {"c.hif", ftHEIF, CanWriteHeic()},  {"d.avif", ftAVIF, CanWriteAvif()},
               {"e.webp", ftWEBP, true}};
  for (const auto& c : cases) {
    if (!c.Writable) continue;
    TViewIo out;
    CopyImage(*jpegtest::Photo(20, 10), out.Image());
    out.Alpha().Allocate(20, 10, 8);
    out.Alpha().Fill(255);
    out.Alpha().SetPixel(3, 2, 0);
    out.Io.ParamRecord().JpegQuality = 90;
    out.Io.SaveToFile(dir.File(c.Name));
    ASSERT_FALSE(out.Io.AbortFlag()) << c.Name << ": " << FailureText(out.Io.FailureReason());

    TViewIo in;
    in.Io.LoadFromFile(dir.File(c.Name));
    ASSERT_FALSE(in.Io.AbortFlag()) << c.Name << ": " << FailureText(in.Io.FailureReason());
    EXPECT_EQ(in.Io.ParamRecord().FileType, c.Type) << c.Name;
    EXPECT_EQ(std::make_tuple(in.Image().Width(), in.Image().Height()), std::make_tuple(20, 10));
    EXPECT_LT(in.Alpha().GetPixel(3, 2), 40) << c.Name;
    EXPECT_EQ(in.Alpha().GetPixel(10, 5), 255) << c.Name;

    TViewIo params;
    params.Io.ParamsFromFile(dir.File(c.Name));
    EXPECT_FALSE(params.Io.AbortFlag()) << c.Name;
    EXPECT_EQ(params.Io.ParamRecord().Width, 20) << c.Name;
    EXPECT_EQ(params.Io.ParamRecord().FileType, c.Type) << c.Name;
  }
}

TEST(HeifWebpIo, ExifOfAJpegSurvivesTheTripThroughWebpAndHeic) {
  pixtest::TempDir dir;
  const jpegtest::Bytes exif = jpegtest::ExifPayload(true, {{0x010F, 2, {}, "Pixfold"}, {0x0110, 2, {}, "Model 1"}});
  for (const char* name : {"x.webp", "x.heic"}) {
    if (std::string(name) == "x.heic" && !CanWriteHeic()) continue;
    TViewIo out;
    CopyImage(*jpegtest::Photo(8, 8), out.Image());
    out.Io.ParamRecord().MarkerList().AddMarker(0xE1, exif.data(), static_cast<int>(exif.size()));
    out.Io.SaveToFile(dir.File(name));
    TViewIo in;
    in.Io.LoadFromFile(dir.File(name));
    ASSERT_FALSE(in.Io.AbortFlag()) << name;
    EXPECT_EQ(in.Io.ParamRecord().ExifModel, "Model 1") << name;
    // A JPEG save of the loaded picture carries the block on.
    in.Io.SaveToFile(dir.File("again.jpg"));
    TViewIo jpeg;
    jpeg.Io.LoadFromFile(dir.File("again.jpg"));
    EXPECT_EQ(jpeg.Io.ParamRecord().ExifMake, "Pixfold") << name;
  }
}

TEST(HeifWebpIo, ARowWritesOnlyWhenItHasAWriterAndItsLibraryCanEncode) {
  TFormatRow row = *FindFormatRow("heic");
  EXPECT_EQ(RowWrites(row), CanWriteHeic());
  row.Writable = NoWriter;
  EXPECT_FALSE(RowWrites(row));
  row.Writable = nullptr;
  EXPECT_TRUE(RowWrites(row));
  row.Save = nullptr;
  EXPECT_FALSE(RowWrites(row));
  EXPECT_TRUE(RowWrites(*FindFormatRow("webp")));
  EXPECT_TRUE(RowWrites(*FindFormatRow("ico")));
}

TEST(HeifWebpIo, DamagedFilesFailByExtensionWithTheirReason) {
  pixtest::TempDir dir;
  for (const char* name : {"a.heic", "b.avif", "c.webp"}) {
    pixtest::WriteFile(dir.File(name), "GIF89a not this at all");
    TViewIo io;
    io.Io.LoadFromFile(dir.File(name));
    EXPECT_TRUE(io.Io.AbortFlag()) << name;
    EXPECT_EQ(io.Io.FailureReason(), frNotThisFormat) << name;
  }
}
