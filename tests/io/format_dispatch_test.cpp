#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "io/file_type_registry.h"
#include "io/pix_image_io.h"
#include "support/test_support.h"

using namespace pix;

namespace {

const std::string kNotAnImage = "this is not an image file of any kind\n";

// A view holding a 3 x 2 TrueColor image with one marked pixel, and an I/O
// component attached to it.
struct TDispatchFixture : ::testing::Test {
  TDispatchFixture() {
    view.CurrentBitmap()->Allocate(3, 2, TPixelFormat::TrueColor);
    view.CurrentBitmap()->ScanLine(1)[4] = 0x5A;
    io.SetAttachedView(&view);
  }
  bool ImageUntouched() {
    TBitmap& b = *view.CurrentBitmap();
    return b.Width() == 3 && b.Height() == 2 && b.PixelFormat() == TPixelFormat::TrueColor && b.ScanLine(1)[4] == 0x5A;
  }
  std::string Garbage(const std::string& name) {
    std::string path = dir.File(name);
    pixtest::WriteFile(path, kNotAnImage);
    return path;
  }

  pixtest::TempDir dir;
  TPixImageView view;
  TPixImageIO io;
};

// Sets a registry entry's read and write functions for one test.
class TRegistryEntryGuard {
public:
  TRegistryEntryGuard(int32_t fileType, TFileTypeReadProc read, TFileTypeWriteProc write)
      : m_entry(*PixFileTypes().FindByType(fileType)) {
    m_entry.ReadFunction = std::move(read);
    m_entry.WriteFunction = std::move(write);
  }
  ~TRegistryEntryGuard() {
    m_entry.ReadFunction = nullptr;
    m_entry.WriteFunction = nullptr;
  }

private:
  TPixFileTypeInfo& m_entry;
};

}  // namespace

TEST_F(TDispatchFixture, EveryLoadRowReachesItsFormatWhateverTheCase) {
  const struct {
    const char* Name;
    int FileType;
  } cases[] = {
      {"photo.JPG", 3},  {"a.jpeg", 3},  {"b.Jpe", 3},  {"c.png", 8},   {"d.TIF", 1},   {"e.tiff", 1},
      {"f.pcx", 4},      {"g.gif", 2},   {"h.wmf", 9},  {"i.EMF", 10},  {"j.bmp", 5},   {"k.dib", 5},
      {"l.rle", 5},      {"m.cur", 7},   {"n.ico", 6},  {"o.tga", 11},  {"p.targa", 11}, {"q.vda", 11},
      {"r.icb", 11},     {"s.vst", 11},  {"t.WIN", 11}, {"u.pxm", 12},  {"v.ppm", 12},  {"w.pgm", 12},
      {"x.pbm", 12},     {"y.PNM", 12},  {"dir.gif/y.Bmp", 5}, {"z.HEIC", 13}, {"za.heif", 13}, {"zb.hif", 13},
      {"zc.avif", 14},   {"zd.WebP", 15},
  };
  std::filesystem::create_directory(dir.Path() / "dir.gif");
  for (const auto& c : cases) {
    const std::string path = Garbage(c.Name);
    io.LoadFromFile(path);
    EXPECT_EQ(io.ParamRecord().FileType, c.FileType) << c.Name;
    EXPECT_EQ(io.ParamRecord().FileName, path) << c.Name;
    EXPECT_TRUE(io.AbortFlag()) << c.Name;
  }
}

TEST_F(TDispatchFixture, CodecsRefuseOtherDataAndLeaveTheImageAlone) {
  for (const char* name : {"a.png", "b.tif", "c.pcx", "d.wmf", "e.cur", "f.ico", "g.tga", "h.pgm", "i.pnm", "j.win",
                           "k.emf"}) {
    io.LoadFromFile(Garbage(name));
    EXPECT_TRUE(io.AbortFlag()) << name;
    EXPECT_EQ(io.FailureReason(), frNotThisFormat) << name;
    EXPECT_TRUE(ImageUntouched()) << name;
  }
  // Opening still comes first: a missing file is an error, not a silent abort.
  EXPECT_THROW(io.LoadFromFile(dir.File("missing.png")), EPixStreamError);
}

TEST_F(TDispatchFixture, UnknownExtensionsAbortWithoutOpeningOrTouchingAnything) {
  uint8_t payload[2] = {1, 2};
  for (const char* name : {"photo.jfif", "picture.pix", "noextension", "archive.jpg.gz", "dir.jpg/file", "file."}) {
    io.ParamRecord().FileName = "previous";
    io.ParamRecord().FileType = static_cast<pix::TPixFileType>(5);
    io.ParamRecord().MarkerList().AddMarker(0xFE, payload, 2);
    // The files do not exist: an attempt to open one would throw.
    io.LoadFromFile(dir.File(name));
    EXPECT_TRUE(io.AbortFlag()) << name;
    EXPECT_EQ(io.FailureReason(), frNoCodec) << name;
    EXPECT_EQ(io.ParamRecord().FileName, "") << name;
    EXPECT_EQ(io.ParamRecord().FileType, 0) << name;
    EXPECT_EQ(io.ParamRecord().MarkerList().Count(), 0) << name;
    EXPECT_TRUE(ImageUntouched()) << name;
  }
}

TEST_F(TDispatchFixture, AlphaPlaneIsMadeOpaqueOnlyForFormatsThatDoNotFillIt) {
  TPixMask& alpha = *view.AlphaPlane();
  alpha.Allocate(3, 2, 8);
  alpha.Fill(7);
  io.LoadFromFile(Garbage("a.png"));
  EXPECT_EQ(alpha.GetPixel(1, 1), 7);
  io.LoadFromFile(Garbage("b.bmp"));
  EXPECT_EQ(alpha.Width(), 3);
  EXPECT_EQ(alpha.GetPixel(1, 1), 255);
  EXPECT_EQ(alpha.GetPixel(2, 0), 255);
}

TEST_F(TDispatchFixture, SavesWithoutAWriterAbortAndCreateNoFile) {
  TPixPicture picture;
  picture.Bitmap().Allocate(2, 2, TPixelFormat::Bgrx32);
  io.SetAttachedTImage(&picture);
  for (const char* name : {"e.pix", "f.jfif", "noextension"}) {
    const std::string path = dir.File(name);
    io.SaveToFile(path);
    EXPECT_TRUE(io.AbortFlag()) << name;
    EXPECT_EQ(io.FailureReason(), frNoCodec) << name;
    EXPECT_FALSE(std::filesystem::exists(path)) << name;
    EXPECT_EQ(picture.Bitmap().PixelFormat(), TPixelFormat::Bgrx32) << name;
  }
}

TEST_F(TDispatchFixture, IconsCursorsAndTheRawFormatsAreWrittenAndReadBack) {
  TPixPicture picture;
  picture.Bitmap().Allocate(2, 2, TPixelFormat::Bgrx32);
  picture.Bitmap().ScanLine(1)[6] = 0xC8;  // red of the pixel (1, 1)
  io.SetAttachedTImage(&picture);
  for (const char* name : {"a.ico", "b.CUR", "c.pcx", "d.tga", "e.ppm", "f.pnm", "g.vst"}) {
    const std::string path = dir.File(name);
    io.SaveToFile(path);
    EXPECT_FALSE(io.AbortFlag()) << name << ": " << FailureText(io.FailureReason());
    ASSERT_TRUE(std::filesystem::exists(path)) << name;
    io.SetAttachedView(&view);
    io.LoadFromFile(path);
    EXPECT_FALSE(io.AbortFlag()) << name;
    const TBitmap& back = *view.CurrentBitmap();
    EXPECT_EQ(back.Width(), 2) << name;
    EXPECT_EQ(back.ScanLine(1)[5], 0xC8) << name;
    io.SetAttachedTImage(&picture);
  }
}

TEST_F(TDispatchFixture, SavingCoercesForeignPixelFormatsToTrueColorForGood) {
  TPixPicture picture;
  TBitmap& bitmap = picture.Bitmap();
  bitmap.Allocate(2, 1, TPixelFormat::Bgrx32);
  uint8_t* row = bitmap.ScanLine(0);
  row[4] = 10;
  row[5] = 20;
  row[6] = 30;
  row[7] = 99;
  io.SetAttachedTImage(&picture);
  const std::string path = dir.File("coerced.BMP");
  io.SaveToFile(path);
  EXPECT_TRUE(std::filesystem::exists(path));
  ASSERT_EQ(bitmap.PixelFormat(), TPixelFormat::TrueColor);
  EXPECT_EQ(bitmap.ScanLine(0)[3], 10);
  EXPECT_EQ(bitmap.ScanLine(0)[4], 20);
  EXPECT_EQ(bitmap.ScanLine(0)[5], 30);

  // Bilevel images are written as they are.
  view.CurrentBitmap()->Allocate(9, 1, TPixelFormat::Bilevel);
  io.SetAttachedView(&view);
  io.SaveToFile(dir.File("bilevel.gif"));
  EXPECT_EQ(view.CurrentBitmap()->PixelFormat(), TPixelFormat::Bilevel);
}

TEST_F(TDispatchFixture, RegistryEntriesServeExtensionsOutsideTheTables) {
  int reads = 0;
  std::string seen;
  TRegistryEntryGuard guard(
      11,
      [&](TPixStream& s, TBitmap& image, TIOParams& params, TProgressRecord&) {
        ++reads;
        seen.resize(static_cast<size_t>(s.Size()));
        s.Read(seen.data(), s.Size());
        image.Allocate(4, 4, TPixelFormat::TrueColor);
        params.DpiX = 300;
        params.DpiY = 0;  // zero leaves the view's value alone
      },
      [](TPixStream& s, TBitmap& image, TIOParams&, TProgressRecord&) {
        const char tag[] = "written";
        s.Write(tag, 7);
        s.Write(image.ScanLine(0), 1);
      });
  int changes = 0;
  view.OnImageChange = [&](TPixObject*) { ++changes; };
  const int dpiY = view.DpiY();

  const std::string in = Garbage("targa.PIX");
  io.LoadFromFile(in);
  EXPECT_EQ(reads, 1);
  EXPECT_EQ(seen, kNotAnImage);
  EXPECT_FALSE(io.AbortFlag());
  EXPECT_EQ(io.FailureReason(), frNone) << "each load starts without a reason";
  EXPECT_EQ(io.ParamRecord().FileType, 11);
  EXPECT_EQ(io.ParamRecord().FileName, in);
  EXPECT_EQ(view.CurrentBitmap()->Width(), 4);
  EXPECT_EQ(view.DpiX(), 300);
  EXPECT_EQ(view.DpiY(), dpiY);
  EXPECT_EQ(changes, 1);

  const std::string out = dir.File("copy.pix");
  io.ParamRecord().FileName.clear();
  io.SaveToFile(out);
  EXPECT_FALSE(io.AbortFlag());
  EXPECT_EQ(pixtest::ReadFile(out).substr(0, 7), "written");
  EXPECT_EQ(io.ParamRecord().FileName, out);
  EXPECT_EQ(io.ParamRecord().FileType, 11);

  // The tables come first: .tga still goes to the Targa row, not the registry.
  io.LoadFromFile(Garbage("table.tga"));
  EXPECT_EQ(reads, 1);
  EXPECT_TRUE(io.AbortFlag());
}
