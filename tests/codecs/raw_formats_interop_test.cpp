// The PNM, TGA, PCX and icon codecs against Pillow (python3-pil) and the
// reference renderings of the shared corpus; each test skips without them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <sstream>

#include "codecs/ico/ico_codec.h"
#include "codecs/pcx/pcx_codec.h"
#include "codecs/pnm/pnm_codec.h"
#include "codecs/tga/tga_codec.h"
#include "raw_codec_support.h"
#include "support/corpus_manifest.h"
#include "support/test_support.h"

using namespace pix;
namespace fs = std::filesystem;

namespace {

bool Succeeds(const std::string& command) { return std::system(("(" + command + ") >/dev/null 2>&1").c_str()) == 0; }

std::string PillowPython() {
  for (std::string python : {"/usr/bin/python3", "python3"})
    if (Succeeds(python + " -c 'import PIL'")) return python;
  return "";
}

// One line per file: the path, then "WxH rgbahex" or "error". Pillow 9.4
// keeps 16-bit netpbm samples as they are; they are scaled here by the rule
// the format's maxval asks for (v x 255 / maxval, halves up).
const char* kPillowPixels = R"(
import sys, re
from PIL import Image
def maxval(path):
    data = open(path, 'rb').read(512)
    data = re.sub(rb'#[^\n\r]*', b' ', data)
    return int(data.split()[3])
for path in sys.argv[1:]:
    try:
        im = Image.open(path)
        im.load()
        if im.mode.startswith('I'):
            m = maxval(path)
            im = im.point(lambda v: (2 * v * 255 + m) // (2 * m), 'I').convert('L')
        print(path, '%dx%d' % im.size, im.convert('RGBA').tobytes().hex())
    except Exception:
        print(path, 'error')
)";

std::map<std::string, std::string> RunPillow(const std::string& python, const std::vector<std::string>& files) {
  pixtest::TempDir dir;
  pixtest::WriteFile(dir.File("pixels.py"), kPillowPixels);
  std::string command = python + " " + dir.File("pixels.py");
  for (const auto& f : files) command += " '" + f + "'";
  std::map<std::string, std::string> result;
  FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
  std::string text;
  for (char buf[65536]; size_t n = std::fread(buf, 1, sizeof buf, pipe);) text.append(buf, n);
  pclose(pipe);
  std::istringstream lines(text);
  for (std::string path, rest; lines >> path && std::getline(lines, rest);) result[path] = rest.substr(1);
  return result;
}

TCodecRead ReaderFor(const std::string& path) {
  std::string ext = fs::path(path).extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
  if (ext == ".tga") return ReadTgaStream;
  if (ext == ".pcx") return ReadPcxStream;
  if (ext == ".ico") return ReadIcoStream;
  if (ext == ".cur") return ReadCurStream;
  return ReadPnmStream;
}

std::string Describe(const TBitmap& image, const TPixMask& alpha) {
  std::string out = std::to_string(image.Width()) + "x" + std::to_string(image.Height()) + " ";
  char hex[3];
  for (int32_t y = 0; y < image.Height(); ++y)
    for (int32_t x = 0; x < image.Width(); ++x) {
      out += rawtest::Rgb(image, x, y);
      std::snprintf(hex, sizeof hex, "%02x", alpha.GetPixel(x, y));
      out += hex;
    }
  return out;
}

// Our decoding of a file in the form Pillow's lines take, or "" when we refuse it.
std::string Ours(const std::string& path) {
  rawtest::TCodecRun run;
  TPixFileStream s(path, TFileMode::fmOpenRead);
  TProgressRecord progress = run.Progress();
  ReaderFor(path)(s, run.Image, &run.Alpha, false, run.Params, progress);
  return run.Aborted ? "" : Describe(run.Image, run.Alpha);
}

enum class TCompare { RgbOnly, Nothing };
struct TDeviation {
  TCompare What;
  const char* Why;
};

// Pixels that differ between two descriptions: colour and alpha apart.
std::pair<int, int> Differences(const std::string& a, const std::string& b) {
  const size_t from = a.find(' ') + 1;
  int rgb = 0, alpha = 0;
  for (size_t i = from; i + 8 <= std::min(a.size(), b.size()); i += 8) {
    rgb += a.compare(i, 6, b, i, 6) != 0;
    alpha += a.compare(i + 6, 2, b, i + 6, 2) != 0;
  }
  return {rgb, alpha};
}

void Compare(const std::map<std::string, std::pair<std::string, std::string>>& pairs,
             const std::map<std::string, std::string>& reference, const std::map<std::string, TDeviation>& deviations,
             int& compared) {
  for (const auto& [name, files] : pairs) {
    const std::string ours = Ours(files.first);
    const auto ref = reference.find(files.second);
    if (ours.empty() || ref == reference.end() || ref->second == "error") continue;
    const auto dev = deviations.find(name);
    if (dev != deviations.end() && dev->second.What == TCompare::Nothing) continue;
    ++compared;
    ASSERT_EQ(ours.substr(0, ours.find(' ')), ref->second.substr(0, ref->second.find(' '))) << name;
    const auto [rgb, alpha] = Differences(ours, ref->second);
    EXPECT_EQ(rgb, 0) << name << ": pixels of another colour";
    if (dev == deviations.end()) {
      EXPECT_EQ(alpha, 0) << name << ": pixels of other alpha";
    }
  }
}

std::string Root() { return pixtest::SharedTestData(); }

}  // namespace

TEST(RawFormatsInterop, PillowDecodesTheSharedCorpusAsWeDo) {
  const std::string python = PillowPython();
  const auto entries = pixtest::CorpusEntries("");
  if (python.empty() || entries.empty()) GTEST_SKIP() << "Pillow or the shared corpus is missing";
  // Where Pillow 9.4 and this library part ways on purpose.
  const std::map<std::string, TDeviation> deviations = {
      {"tga/image-rs/testsuite/b5-cmap.tga", {TCompare::Nothing, "Pillow 9.4 misreads 15-bit colour-map entries"}},
      {"tga/image-rs/testsuite/b5-unused-cmap.tga", {TCompare::Nothing, "Pillow 9.4 does not skip an unused map"}},
      {"tga/image-rs/testsuite/b5-attrib.tga", {TCompare::RgbOnly, "Pillow ignores the 16-bit attribute bit"}},
      {"tga/pillow/rgba16.tga", {TCompare::RgbOnly, "Pillow ignores the 16-bit attribute bit"}},
      {"tga/image-rs/testsuite/utc32.tga", {TCompare::RgbOnly, "the extension area calls the alpha undefined"}},
      {"tga/twelvemonkeys/CTC32.TGA", {TCompare::RgbOnly, "the extension area calls the alpha undefined"}},
      {"tga/twelvemonkeys/FLAG_B32.TGA", {TCompare::RgbOnly, "alpha 0 everywhere was never filled in"}},
      {"tga/twelvemonkeys/FLAG_T32.TGA", {TCompare::RgbOnly, "alpha 0 everywhere was never filled in"}},
      {"ico/pillow/mask_1.cur", {TCompare::RgbOnly, "Pillow draws cursors without their AND mask"}},
      {"ico/pillow/mask_L.cur", {TCompare::RgbOnly, "Pillow draws cursors without their AND mask"}},
      {"ico/twelvemonkeys/hand.cur", {TCompare::RgbOnly, "Pillow draws cursors without their AND mask"}},
      {"ico/twelvemonkeys/zoom.cur", {TCompare::RgbOnly, "Pillow draws cursors without their AND mask"}},
      {"ico/image-rs/bmp_v5_with_icc.ico", {TCompare::RgbOnly, "an ICC profile overlaps the AND mask"}},
      {"ico/image-rs/bad/Bad_smile-incorrect-image-length.ico",
       {TCompare::RgbOnly, "Pillow finds the AND mask from the entry's (wrong) size"}},
  };
  std::map<std::string, std::pair<std::string, std::string>> pairs;
  std::vector<std::string> files;
  for (const pixtest::CorpusEntry& e : entries) {
    std::string ext = fs::path(e.Path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    static const std::set<std::string> kExtensions = {".pbm", ".pgm", ".ppm", ".pnm", ".tga", ".ico", ".cur"};
    if (e.Status == pixtest::CorpusStatus::Reference || !kExtensions.count(ext)) continue;
    const std::string path = Root() + "/" + e.Path;
    pairs[e.Path] = {path, path};
    files.push_back(path);
  }
  int compared = 0;
  Compare(pairs, RunPillow(python, files), deviations, compared);
  EXPECT_GT(compared, 150) << "most of the corpus is read by both";
}

TEST(RawFormatsInterop, ReferenceRenderingsOfTheCorpusMatch) {
  const std::string python = PillowPython();
  const auto entries = pixtest::CorpusEntries("");
  if (python.empty() || entries.empty()) GTEST_SKIP() << "Pillow or the shared corpus is missing";
  const std::map<std::string, TDeviation> deviations = {
      {"tga/kimageformats/rgb16.tga", {TCompare::Nothing, "5-bit channels: replicated bits there, c x 255 / 31 "
                                                          "here as in Pillow"}},
      {"tga/kimageformats/rgba.tga", {TCompare::RgbOnly, "4 attribute bits: scaled there, the byte here as in Pillow"}},
      {"ico/gdk-pixbuf/bug785447.ico", {TCompare::Nothing, "gdk-pixbuf renders its 128x128 pick; the largest entry, "
                                                           "a 256x256 PNG, here as in Pillow"}},
  };
  // Inputs beside a reference of the same name (X.png or X.ico.ref.png).
  std::map<std::string, std::pair<std::string, std::string>> pairs;
  std::vector<std::string> references;
  for (const pixtest::CorpusEntry& e : entries) {
    if (e.Status != pixtest::CorpusStatus::Reference) continue;
    const std::string ref = Root() + "/" + e.Path;
    std::string base = ref.substr(0, ref.size() - 4);
    if (base.size() > 4 && base.compare(base.size() - 4, 4, ".ref") == 0) base.resize(base.size() - 4);
    for (const std::string ext : {".pcx", ".tga", ".ico", ""}) {
      const std::string input = base + ext;
      if (!fs::is_regular_file(input) || input == ref) continue;
      pairs[input.substr(Root().size() + 1)] = {input, ref};
      references.push_back(ref);
    }
  }
  int compared = 0;
  Compare(pairs, RunPillow(python, references), deviations, compared);
  EXPECT_GT(compared, 12);
}

TEST(RawFormatsInterop, PillowReadsWhatWeWrite) {
  const std::string python = PillowPython();
  if (python.empty()) GTEST_SKIP() << "Pillow is not installed";
  TBitmap color;
  rawtest::Paint(color, 45, 31);
  TBitmap gray(33, 17, TPixelFormat::TrueColor);
  for (int y = 0; y < 17; ++y)
    for (int x = 0; x < 33; ++x) std::fill_n(gray.ScanLine(y) + 3 * x, 3, static_cast<uint8_t>(7 * x + y));
  TBitmap bilevel(29, 9, TPixelFormat::Bilevel);
  for (int y = 0; y < 9; ++y) bilevel.ScanLine(y)[y % 4] = static_cast<uint8_t>(0xA5 ^ y);
  TPixMask alpha(45, 31, 8);
  for (int y = 0; y < 31; ++y)
    for (int x = 0; x < 45; ++x) alpha.ScanLine(y)[x] = static_cast<uint8_t>(x * 5);
  TPixMask opaque(45, 31, 8);
  opaque.Fill(255);

  struct TCase {
    std::string Name;
    TCodecWrite Write;
    TBitmap* Image;
    const TPixMask* Alpha;
    std::function<void(TIOParams&)> Setup;
  };
  const TRGB map[1] = {};
  const std::vector<TCase> cases = {
      {"p6.ppm", WritePnmStream, &color, nullptr, {}},
      {"p5.pgm", WritePnmStream, &gray, nullptr, [](TIOParams& p) { p.SamplesPerPixel = 1; }},
      {"p4.pbm", WritePnmStream, &bilevel, nullptr, {}},
      {"raw.tga", WriteTgaStream, &color, nullptr, [](TIOParams& p) { p.TgaCompressed = false; }},
      {"rle_alpha.tga", WriteTgaStream, &color, &alpha, {}},
      {"gray.tga", WriteTgaStream, &gray, nullptr, [](TIOParams& p) { p.TgaGrayLevel = true; }},
      {"rgb.pcx", WritePcxStream, &color, nullptr, {}},
      {"mono.pcx", WritePcxStream, &bilevel, nullptr, {}},
      {"palette.pcx", WritePcxStream, &gray, nullptr,
       [&map](TIOParams& p) {
         p.SamplesPerPixel = 1;
         p.SetColorMap(map, 1);
       }},
      {"opaque.ico", WriteIcoStream, &color, &opaque, {}},
      {"alpha.ico", WriteIcoStream, &color, &alpha, {}},
      {"plain.cur", WriteCurStream, &gray, nullptr, {}},
  };
  pixtest::TempDir dir;
  std::vector<std::string> files;
  std::map<std::string, std::string> expected;
  for (const TCase& c : cases) {
    rawtest::TCodecRun run;
    if (c.Setup) c.Setup(run.Params);
    const std::string bytes = run.Write(c.Write, *c.Image, c.Alpha);
    ASSERT_FALSE(run.Aborted) << c.Name;
    files.push_back(dir.File(c.Name));
    pixtest::WriteFile(files.back(), bytes);
    TPixMask shown(c.Image->Width(), c.Image->Height(), 8);
    shown.Fill(255);
    expected[files.back()] = Describe(*c.Image, c.Alpha ? *c.Alpha : shown);
  }
  const auto pillow = RunPillow(python, files);
  for (const std::string& f : files) {
    ASSERT_TRUE(pillow.count(f)) << f;
    EXPECT_EQ(pillow.at(f), expected[f]) << fs::path(f).filename();
  }
}
