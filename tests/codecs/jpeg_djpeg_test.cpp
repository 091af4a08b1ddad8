// Our decoder against libjpeg-turbo's own djpeg (default settings, BMP output),
// our encoder against djpeg's warnings, and the shared corpus of third-party
// files: each loads or fails cleanly.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "jpeg_test_builder.h"
#include "support/test_support.h"

using namespace pix;
using namespace jpegtest;

namespace {

bool HaveTool(const char* name) {
  return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

// Exit status of a shell command.
int RunCommand(const std::string& command) {
  int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Quote(const std::string& path) { return "'" + path + "'"; }

Bytes ReadBytes(const std::string& path) {
  std::string text = pixtest::ReadFile(path);
  return Bytes(text.begin(), text.end());
}

uint32_t Le32(const Bytes& b, std::size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

// The pixels of djpeg's BMP (24-bit, or 8-bit with a grey palette) as a
// TrueColor image; false when the file is not such a BMP.
bool LoadDjpegBmp(const Bytes& bmp, TBitmap& out) {
  if (bmp.size() < 54 || bmp[0] != 'B' || bmp[1] != 'M') return false;
  const uint32_t offset = Le32(bmp, 10), header = Le32(bmp, 14);
  const int32_t width = static_cast<int32_t>(Le32(bmp, 18)), height = static_cast<int32_t>(Le32(bmp, 22));
  const int bits = bmp[28] | (bmp[29] << 8);
  if (width <= 0 || height <= 0 || (bits != 24 && bits != 8)) return false;
  const std::size_t stride = ((static_cast<std::size_t>(width) * bits + 31) / 32) * 4;
  if (offset + stride * height > bmp.size()) return false;
  out.Allocate(width, height, TPixelFormat::TrueColor);
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* in = bmp.data() + offset + stride * (height - 1 - y);
    uint8_t* row = out.ScanLine(y);
    for (int32_t x = 0; x < width; ++x, row += 3) {
      const uint8_t* p = bits == 24 ? in + x * 3 : bmp.data() + 14 + header + in[x] * 4;
      row[0] = p[0];
      row[1] = p[1];
      row[2] = p[2];
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

void WritePpm(const TBitmap& image, const std::string& path) {
  std::ofstream out(path, std::ios::binary);
  out << "P6\n" << image.Width() << " " << image.Height() << "\n255\n";
  for (int32_t y = 0; y < image.Height(); ++y)
    for (int32_t x = 0; x < image.Width(); ++x) {
      const uint8_t* p = image.ScanLine(y) + x * 3;
      const char rgb[3] = {static_cast<char>(p[2]), static_cast<char>(p[1]), static_cast<char>(p[0])};
      out.write(rgb, 3);
    }
}

class JpegAgainstDjpeg : public ::testing::Test {
protected:
  void SetUp() override {
    if (!HaveTool("djpeg") || !HaveTool("cjpeg")) GTEST_SKIP() << "djpeg/cjpeg not installed (libjpeg-turbo-progs)";
  }
  // djpeg's decode of a file; exit status in status.
  bool Djpeg(const std::string& jpeg, TBitmap& out, int& status) {
    const std::string bmp = m_dir.File("djpeg.bmp"), err = m_dir.File("djpeg.err");
    std::filesystem::remove(bmp);
    status = RunCommand("djpeg -bmp -outfile " + Quote(bmp) + " " + Quote(jpeg) + " 2>" + Quote(err));
    m_lastErrors = pixtest::ReadFile(err);
    return LoadDjpegBmp(ReadBytes(bmp), out);
  }
  pixtest::TempDir m_dir;
  std::string m_lastErrors;
};

}  // namespace

TEST_F(JpegAgainstDjpeg, DecodedPixelsEqualDjpegForBaselineAndProgressive) {
  auto photo = Photo(203, 117);  // odd sizes: partial blocks and MCUs
  const std::string ppm = m_dir.File("photo.ppm");
  WritePpm(*photo, ppm);
  for (const std::string options : {"", "-progressive", "-grayscale", "-sample 1x1 -quality 95", "-rgb"}) {
    const std::string jpeg = m_dir.File("photo.jpg");
    ASSERT_EQ(RunCommand("cjpeg " + options + " -outfile " + Quote(jpeg) + " " + Quote(ppm)), 0) << options;
    TBitmap theirs, ours;
    int status = -1;
    ASSERT_TRUE(Djpeg(jpeg, theirs, status)) << options;
    ASSERT_EQ(status, 0) << m_lastErrors;
    TIOParams params;
    ASSERT_TRUE(Decode(ReadBytes(jpeg), ours, params)) << options;
    EXPECT_EQ(MaxDifference(ours, theirs), 0) << options;
  }
}

TEST_F(JpegAgainstDjpeg, FilesWeWriteDecodeWithoutWarnings) {
  auto photo = Photo(97, 61);
  for (uint8_t space : {0, 1, 2}) {
    for (bool progressive : {false, true}) {
      TIOParams params;
      params.JpegColorSpace = space;
      params.JpegProgressive = progressive;
      params.JpegOptimalHuffman = !progressive;
      params.MarkerList().AddMarker(0xFE, reinterpret_cast<const uint8_t*>("note"), 4);
      const std::string jpeg = m_dir.File("ours.jpg");
      Bytes file = Encode(*photo, params);
      pixtest::WriteFile(jpeg, std::string(file.begin(), file.end()));
      TBitmap theirs, ours;
      int status = -1;
      ASSERT_TRUE(Djpeg(jpeg, theirs, status)) << int(space);
      EXPECT_EQ(status, 0) << int(space) << " " << progressive;
      EXPECT_EQ(m_lastErrors, "");
      ASSERT_TRUE(Decode(file, ours, params));
      EXPECT_EQ(MaxDifference(ours, theirs), 0);
    }
  }
}

TEST_F(JpegAgainstDjpeg, SharedCorpusLoadsOrFailsCleanly) {
  const std::string root = pixtest::SharedTestData("jpeg");
  if (root.empty()) GTEST_SKIP() << "shared JPEG corpus absent";
  int files = 0, loaded = 0, compared = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    const std::string ext = entry.path().extension().string();
    if (!entry.is_regular_file() || (ext != ".jpg" && ext != ".jpeg")) continue;
    const std::string path = entry.path().string();
    ++files;
    TBitmap image;
    TPixImageIO io;
    io.SetBitmap(&image);
    EXPECT_NO_THROW(io.LoadJpegFromFile(path)) << path;
    TBitmap theirs;
    int status = -1;
    bool djpegDecoded = Djpeg(path, theirs, status) && status != 1;
    if (io.AbortFlag()) {
      EXPECT_NE(status, 0) << path << " decodes cleanly with djpeg";
      continue;
    }
    ++loaded;
    // Where djpeg decodes the file too, the pixels must be the same; files
    // with junk before the start marker are ours alone to read.
    if (!djpegDecoded) continue;
    ++compared;
    // djpeg rounds where the ink rule truncates.
    const int tolerance = io.ParamRecord().JpegColorSpace >= 3 ? 1 : 0;
    EXPECT_LE(MaxDifference(image, theirs), tolerance) << path;
  }
  EXPECT_GT(files, 0);
  RecordProperty("files", files);
  std::printf("corpus: %d files, %d loaded, %d compared with djpeg\n", files, loaded, compared);
}
