// Our decodes against the libraries' own tools, byte for byte: heif-convert
// (libheif-examples) for HEIC and AVIF, dwebp (webp) for WebP, on files from
// our writers and from heif-enc and cwebp.
#include <gtest/gtest.h>

#include "codecs/heif_webp_test_support.h"

using namespace pix;
using namespace heiftest;

namespace {

// A PAM file of the picture, with the alpha plane when given.
std::string PamOf(const TBitmap& image, const TPixMask* alpha) {
  const int channels = alpha ? 4 : 3;
  std::string out = "P7\nWIDTH " + std::to_string(image.Width()) + "\nHEIGHT " + std::to_string(image.Height()) +
                    "\nDEPTH " + std::to_string(channels) + "\nMAXVAL 255\nTUPLTYPE " +
                    (alpha ? "RGB_ALPHA" : "RGB") + "\nENDHDR\n";
  const Bytes samples = SamplesOf(image, alpha, channels);
  out.append(samples.begin(), samples.end());
  return out;
}

class ReferenceTools : public ::testing::Test {
protected:
  std::string Put(const std::string& name, const Bytes& bytes) {
    const std::string path = m_dir.File(name);
    pixtest::WriteFile(path, std::string(bytes.begin(), bytes.end()));
    return path;
  }
  Bytes Get(const std::string& name) {
    const std::string s = pixtest::ReadFile(m_dir.File(name));
    return Bytes(s.begin(), s.end());
  }
  // Our decode of file equals the tool's raster, every sample.
  void ExpectSame(TRead read, const Bytes& file, const TRaster& theirs, const std::string& what) {
    TBitmap image;
    TPixMask alpha;
    TIOParams params;
    const TRun run = Read(read, file, image, &alpha, params);
    ASSERT_FALSE(run.Aborted) << what << ": " << FailureText(run.Reason);
    EXPECT_EQ(std::make_tuple(image.Width(), image.Height()), std::make_tuple(theirs.Width, theirs.Height)) << what;
    const Bytes ours = SamplesOf(image, &alpha, theirs.Channels);
    ASSERT_EQ(ours.size(), theirs.Samples.size()) << what;
    EXPECT_TRUE(ours == theirs.Samples) << what;
  }
  pixtest::TempDir m_dir;
};

class HeifConvert : public ReferenceTools {
protected:
  void SetUp() override {
    if (!HaveTools("heif-convert heif-enc") || !HavePillow())
      GTEST_SKIP() << "heif-convert, heif-enc or Pillow missing: install libheif-examples and python3-pil";
  }
  void ExpectSameAsHeifConvert(const Bytes& file, const std::string& what) {
    const std::string in = Put("in.heif", file);
    std::filesystem::remove(m_dir.File("out.png"));
    ASSERT_EQ(Shell("heif-convert " + Quote(in) + " " + Quote(m_dir.File("out.png")) + " >/dev/null 2>&1"), 0) << what;
    TRaster theirs;
    ASSERT_TRUE(PngToRaster(m_dir.File("out.png"), m_dir.File("out.pam"), theirs)) << what;
    ExpectSame(ReadHeifStream, file, theirs, what);
  }
};

class Dwebp : public ReferenceTools {
protected:
  void SetUp() override {
    if (!HaveTools("dwebp cwebp")) GTEST_SKIP() << "dwebp or cwebp missing: install webp";
  }
  void ExpectSameAsDwebp(const Bytes& file, const std::string& what) {
    const std::string in = Put("in.webp", file);
    ASSERT_EQ(Shell("dwebp -quiet -pam -o " + Quote(m_dir.File("out.pam")) + " " + Quote(in)), 0) << what;
    TRaster theirs;
    ASSERT_TRUE(ParseNetpbm(pixtest::ReadFile(m_dir.File("out.pam")), theirs)) << what;
    ExpectSame(ReadWebpStream, file, theirs, what);
  }
};

}  // namespace

TEST_F(HeifConvert, OurFilesDecodeAsTheToolDecodesThem) {
  auto photo = Photo(61, 47);
  const TPixMask ramp = Ramp(61, 47);
  for (auto [name, write, writable] : {std::tuple{"HEIC", TWrite(WriteHeicStream), CanWriteHeic()},
                                       std::tuple{"AVIF", TWrite(WriteAvifStream), CanWriteAvif()}}) {
    if (!writable) continue;
    TIOParams params;
    params.JpegQuality = 70;
    ExpectSameAsHeifConvert(Write(write, *photo, nullptr, params), name);
    ExpectSameAsHeifConvert(Write(write, *photo, &ramp, params), std::string(name) + " with alpha");
  }
}

TEST_F(HeifConvert, FilesOfHeifEncAndAPhoneStyleTurnDecodeAsTheToolDecodesThem) {
  auto photo = Photo(80, 52);
  const std::string png = m_dir.File("src.png");
  // heif-enc takes PNG or JPEG; Pillow writes the PNG from a PPM of ours.
  const Bytes samples = SamplesOf(*photo, nullptr, 3);
  pixtest::WriteFile(m_dir.File("src.ppm"), "P6\n80 52\n255\n" + std::string(samples.begin(), samples.end()));
  ASSERT_EQ(Shell(Python() + " -c \"from PIL import Image; Image.open('" + m_dir.File("src.ppm") + "').save('" + png +
                  "')\""),
            0);
  for (auto [extension, writable] : {std::pair{"heic", CanWriteHeic()}, std::pair{"avif", CanWriteAvif()}}) {
    if (!writable) continue;
    const std::string out = m_dir.File(std::string("enc.") + extension);
    ASSERT_EQ(Shell("heif-enc -q 60 -o " + Quote(out) + " " + Quote(png) + " >/dev/null 2>&1"), 0) << extension;
    ExpectSameAsHeifConvert(Get(std::string("enc.") + extension), std::string("heif-enc ") + extension);
  }
  const Bytes turned = CameraFile({SourceOf(*photo)}, heif_compression_HEVC, heif_orientation_rotate_90_cw,
                                  jpegtest::ExifPayload(true, {{0x0112, 3, {6}, ""}}));
  if (!turned.empty()) ExpectSameAsHeifConvert(turned, "turned HEIC");
}

TEST_F(Dwebp, OurFilesDecodeAsTheToolDecodesThem) {
  auto photo = Photo(61, 47);
  const TPixMask ramp = Ramp(61, 47);
  for (bool lossless : {false, true})
    for (const TPixMask* alpha : {static_cast<const TPixMask*>(nullptr), &ramp}) {
      TIOParams params;
      params.WebpLossless = lossless;
      params.JpegQuality = 75;
      ExpectSameAsDwebp(Write(WriteWebpStream, *photo, alpha, params),
                        std::string(lossless ? "lossless" : "lossy") + (alpha ? " with alpha" : ""));
    }
}

TEST_F(Dwebp, FilesOfCwebpDecodeAsTheToolDecodesThem) {
  auto photo = Photo(80, 52);
  const TPixMask ramp = Ramp(80, 52);
  pixtest::WriteFile(m_dir.File("rgb.pam"), PamOf(*photo, nullptr));
  pixtest::WriteFile(m_dir.File("rgba.pam"), PamOf(*photo, &ramp));
  const struct {
    const char* Options;
    const char* Source;
  } cases[] = {{"-q 50", "rgb.pam"},         {"-q 90 -sharp_yuv", "rgb.pam"}, {"-lossless", "rgb.pam"},
               {"-q 70", "rgba.pam"},        {"-lossless -exact", "rgba.pam"}, {"-near_lossless 60", "rgba.pam"}};
  for (const auto& c : cases) {
    const std::string what = std::string("cwebp ") + c.Options + " " + c.Source;
    ASSERT_EQ(Shell(std::string("cwebp -quiet ") + c.Options + " -o " + Quote(m_dir.File("c.webp")) + " " +
                    Quote(m_dir.File(c.Source))),
              0)
        << what;
    ExpectSameAsDwebp(Get("c.webp"), what);
  }
}
