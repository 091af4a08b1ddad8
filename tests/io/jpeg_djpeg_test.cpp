// Our decoder against libjpeg-turbo's own djpeg (default settings, BMP output),
// our encoder against djpeg's warnings, and the shared third-party corpus.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "codecs/jpeg_test_builder.h"
#include "io/pix_image_io.h"
#include "support/test_support.h"

using namespace pix;
using namespace jpegtest;

namespace {

int Shell(const std::string& command) {
  int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Quote(const std::string& path) { return "'" + path + "'"; }

uint32_t Le32(const std::string& b, std::size_t at) {
  return static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8 | static_cast<uint8_t>(b[at + 2]) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(b[at + 3])) << 24;
}

// djpeg's BMP (24-bit, or 8-bit with a grey palette) as a TrueColor image.
bool LoadBmp(const std::string& bmp, TBitmap& out) {
  if (bmp.size() < 54 || bmp[0] != 'B') return false;
  const uint32_t offset = Le32(bmp, 10), palette = 14 + Le32(bmp, 14), width = Le32(bmp, 18), height = Le32(bmp, 22);
  const int bits = bmp[28];
  const std::size_t stride = ((std::size_t{width} * bits + 31) / 32) * 4;
  if ((bits != 24 && bits != 8) || width > 65535 || height > 65535 || offset + stride * height > bmp.size())
    return false;
  out.Allocate(static_cast<int32_t>(width), static_cast<int32_t>(height), TPixelFormat::TrueColor);
  for (uint32_t y = 0; y < height; ++y) {
    const uint8_t* in = reinterpret_cast<const uint8_t*>(bmp.data()) + offset + stride * (height - 1 - y);
    for (uint32_t x = 0; x < width; ++x) {
      const uint8_t* p = bits == 24 ? in + x * 3 : reinterpret_cast<const uint8_t*>(bmp.data()) + palette + in[x] * 4;
      std::copy(p, p + 3, out.ScanLine(static_cast<int32_t>(y)) + x * 3);
    }
  }
  return true;
}

// Largest difference of the visible bytes; 256 when the sizes differ.
int MaxDifference(const TBitmap& a, const TBitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return 256;
  int worst = 0;
  for (int32_t y = 0; y < a.Height(); ++y)
    for (int32_t x = 0; x < a.Width() * 3; ++x) worst = std::max(worst, std::abs(a.ScanLine(y)[x] - b.ScanLine(y)[x]));
  return worst;
}

class JpegAgainstDjpeg : public ::testing::Test {
protected:
  void SetUp() override {
    if (Shell("command -v djpeg >/dev/null && command -v cjpeg >/dev/null") != 0)
      GTEST_SKIP() << "djpeg/cjpeg missing: install libjpeg-turbo-progs";
  }
  // djpeg's decode of a file; its exit status (2 = warnings) in status.
  bool Djpeg(const std::string& jpeg, TBitmap& out, int& status) {
    std::filesystem::remove(m_dir.File("d.bmp"));
    status = Shell("djpeg -bmp -outfile " + Quote(m_dir.File("d.bmp")) + " " + Quote(jpeg) + " 2>" +
                   Quote(m_dir.File("d.err")));
    m_errors = pixtest::ReadFile(m_dir.File("d.err"));
    return LoadBmp(pixtest::ReadFile(m_dir.File("d.bmp")), out);
  }
  // Our decode and djpeg's of the file must be equal.
  void ExpectSameAsDjpeg(const Bytes& file, const std::string& what) {
    const std::string path = m_dir.File("x.jpg");
    pixtest::WriteFile(path, std::string(file.begin(), file.end()));
    TBitmap theirs, ours;
    TIOParams params;
    int status = -1;
    ASSERT_TRUE(Djpeg(path, theirs, status)) << what;
    EXPECT_EQ(status, 0) << what << ": " << m_errors;
    ASSERT_TRUE(Decode(file, ours, params)) << what;
    EXPECT_EQ(MaxDifference(ours, theirs), 0) << what;
  }
  pixtest::TempDir m_dir;
  std::string m_errors;
};

}  // namespace

TEST_F(JpegAgainstDjpeg, FilesFromCjpegAndFromOurWriterDecodeAlike) {
  auto photo = Photo(203, 117);  // odd sizes: partial blocks and MCUs
  std::ofstream ppm(m_dir.File("p.ppm"), std::ios::binary);
  ppm << "P6\n203 117\n255\n";
  for (int y = 0; y < 117; ++y)
    for (int x = 0; x < 203; ++x) ppm << photo->ScanLine(y)[x * 3 + 2] << photo->ScanLine(y)[x * 3 + 1] << photo->ScanLine(y)[x * 3];
  ppm.close();
  for (const std::string options : {"", "-progressive", "-grayscale", "-sample 1x1 -quality 95", "-rgb"}) {
    ASSERT_EQ(Shell("cjpeg " + options + " -outfile " + Quote(m_dir.File("c.jpg")) + " " + Quote(m_dir.File("p.ppm"))), 0);
    std::string text = pixtest::ReadFile(m_dir.File("c.jpg"));
    ExpectSameAsDjpeg(Bytes(text.begin(), text.end()), "cjpeg " + options);
  }
  for (uint8_t space : {0, 1, 2})
    for (bool progressive : {false, true}) {
      TIOParams params;
      params.JpegColorSpace = static_cast<pix::TJpegColorSpace>(space);
      params.JpegProgressive = progressive;
      params.JpegOptimalHuffman = !progressive;
      params.MarkerList().AddMarker(0xFE, reinterpret_cast<const uint8_t*>("note"), 4);
      ExpectSameAsDjpeg(Encode(*photo, params), "ours " + std::to_string(space) + (progressive ? " progressive" : ""));
    }
}

TEST_F(JpegAgainstDjpeg, SharedCorpusLoadsOrFailsCleanlyAndMatchesDjpeg) {
  const std::string root = pixtest::SharedTestData("jpeg");
  if (root.empty()) GTEST_SKIP() << "shared JPEG corpus absent";
  int files = 0, compared = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    const std::string path = entry.path().string(), ext = entry.path().extension().string();
    if (!entry.is_regular_file() || (ext != ".jpg" && ext != ".jpeg")) continue;
    ++files;
    TBitmap image, theirs;
    TPixImageIO io;
    io.SetBitmap(&image);
    EXPECT_NO_THROW(io.LoadJpegFromFile(path)) << path;
    int status = -1;
    const bool djpegDecoded = Djpeg(path, theirs, status) && status != 1;
    if (io.AbortFlag()) {
      EXPECT_NE(status, 0) << path << " decodes cleanly with djpeg";
      continue;
    }
    if (!djpegDecoded) continue;  // e.g. junk before the start marker: ours alone to read
    ++compared;
    // djpeg rounds CMYK where the ink rule truncates.
    EXPECT_LE(MaxDifference(image, theirs), io.ParamRecord().JpegColorSpace >= 3 ? 1 : 0) << path;
  }
  EXPECT_GT(compared, files / 2);
}
