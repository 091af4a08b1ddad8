// Against independent GIF implementations (Pillow from python3-pil, giflib's
// gif2rgb from giflib-tools) and the shared third-party corpus; each test
// skips without them.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>

#include "codecs/gif/gif_codec.h"
#include "platform/gif_lzw_decoder.h"
#include "platform/gif_lzw_encoder.h"
#include "support/test_support.h"

using namespace pix;

namespace {

bool Succeeds(const std::string& command) { return std::system(("(" + command + ") >/dev/null 2>&1").c_str()) == 0; }

// A Python that imports Pillow (the system one when another comes first on PATH).
std::string PillowPython() {
  for (std::string python : {"/usr/bin/python3", "python3"})
    if (Succeeds(python + " -c 'import PIL'")) return python;
  return "";
}

struct Loaded {
  TIOParams params;
  TBitmap image;
  bool aborted = false;
  int count = 0;
  Loaded(const std::string& path, int index) {
    params.GifLzwDecode = &GifLzwDecode;
    params.GifImageIndex = index;
    TProgressRecord progress{.Aborting = &aborted};
    ReadGifFile(path, image, count, nullptr, progress, params);
  }
  // "x0 y0 x1 y1 rgbhex": the frame's place and its pixels, top row first.
  std::string Describe() const {
    std::ostringstream out;
    out << params.GifXPos << ' ' << params.GifYPos << ' ' << params.GifXPos + image.Width() << ' '
        << params.GifYPos + image.Height() << ' ' << std::hex;
    for (int y = 0; y < image.Height(); ++y)
      for (int x = 0; x < image.Width(); ++x)
        for (int k = 2; k >= 0; --k) {
          const uint8_t* row = image.ScanLine(y);
          int v = image.PixelFormat() == TPixelFormat::Bilevel ? ((row[x >> 3] >> (7 - (x & 7))) & 1) * 255
                                                               : row[3 * x + k];
          out << (v < 16 ? "0" : "") << v;
        }
    return out.str();
  }
};

// Pillow's view of each frame named on the command line, one line per frame,
// in the form of Loaded::Describe; "error" when Pillow refuses the file.
const char* kPillowFrames = R"(
import sys
from PIL import Image
for path in sys.argv[2:]:
    try:
        im = Image.open(path)
        for n in range(im.n_frames if sys.argv[1] == 'all' else 1):
            im.seek(n)
            box = im.tile[0][1] if im.tile else (0, 0) + im.size
            im.load()
            print(path, n, *box, im.convert('RGB').crop(box).tobytes().hex())
    except Exception:
        print(path, 'error')
)";

// Pillow writes: interlaced, plain (87a), transparent, three frames with local tables.
const char* kPillowWrites = R"(
import sys
from PIL import Image
def pattern(w, h, colours, seed):
    im = Image.new('P', (w, h))
    im.putpalette([(i * 37 + seed * k) % 256 for i in range(256) for k in (1, 3, 7)])
    im.putdata([(x * 3 + y * 5 + seed) % colours for y in range(h) for x in range(w)])
    return im
pattern(37, 23, 16, 1).save(sys.argv[1] + '/interlaced.gif', interlace=True)
pattern(9, 8, 2, 0).save(sys.argv[1] + '/plain.gif', interlace=False)
pattern(20, 9, 4, 2).save(sys.argv[1] + '/transparent.gif', transparency=2)
frames = [pattern(30, 12, 8, s) for s in range(3)]
frames[0].save(sys.argv[1] + '/frames.gif', save_all=True, append_images=frames[1:], duration=50, optimize=False)
)";

// Runs the frame script on the files; returns path -> Pillow's description per frame.
std::map<std::string, std::vector<std::string>> PillowFrames(const std::string& python, const std::string& script,
                                                             const std::vector<std::string>& files, bool all) {
  std::string command = python + " " + script + (all ? " all" : " first");
  for (const auto& f : files) command += " " + f;
  std::map<std::string, std::vector<std::string>> frames;
  FILE* pipe = popen(command.c_str(), "r");
  std::string text;
  for (char buf[65536]; size_t n = std::fread(buf, 1, sizeof buf, pipe);) text.append(buf, n);
  pclose(pipe);
  std::istringstream lines(text);
  for (std::string path, rest; lines >> path && std::getline(lines, rest);)
    frames[path].push_back(rest == " error" ? "error" : rest.substr(rest.find(' ', 1) + 1));
  return frames;
}

}  // namespace

TEST(GifInterop, PillowAndGiflibReadWhatWeWrite) {
  const std::string python = PillowPython();
  const bool giflib = Succeeds("command -v gif2rgb");
  if (python.empty() && !giflib) GTEST_SKIP() << "neither Pillow nor giflib-tools installed";
  pixtest::TempDir dir;
  pixtest::WriteFile(dir.File("frames.py"), kPillowFrames);
  for (int bits : {1, 2, 4, 7, 8}) {
    TBitmap image(45, 31, TPixelFormat::TrueColor);
    for (int y = 0; y < 31; ++y)
      for (int x = 0; x < 45; ++x)
        std::tie(image.ScanLine(y)[3 * x], image.ScanLine(y)[3 * x + 2]) = std::tuple(x * 5, y * 8);
    TIOParams params;
    params.GifLzwEncode = &GifLzwEncode;
    params.BitsPerSample = bits;
    params.GifInterlaced = bits % 2 == 1;
    const std::string gif = dir.File("ours" + std::to_string(bits) + ".gif");
    bool aborted = false;
    TProgressRecord progress{.Aborting = &aborted};
    WriteGifFile(gif, image, params, progress);
    const std::string ours = Loaded(gif, 0).Describe();
    if (!python.empty()) {
      EXPECT_EQ(PillowFrames(python, dir.File("frames.py"), {gif}, false)[gif].at(0), ours) << "Pillow, bits " << bits;
    }
    if (giflib && Succeeds("gif2rgb -1 -o " + dir.File("g.rgb") + " " + gif)) {
      std::string rgb = pixtest::ReadFile(dir.File("g.rgb")), hex;
      for (unsigned char c : rgb) hex += "0123456789abcdef"[c >> 4], hex += "0123456789abcdef"[c & 15];
      EXPECT_EQ("0 0 45 31 " + hex, ours) << "giflib, bits " << bits;
    } else if (giflib) {
      ADD_FAILURE() << "giflib refused bits " << bits;
    }
  }
}

TEST(GifInterop, WeReadWhatPillowWritesAndTheCorpusAsPillowDoes) {
  const std::string python = PillowPython();
  if (python.empty()) GTEST_SKIP() << "Pillow not installed";
  pixtest::TempDir dir;
  pixtest::WriteFile(dir.File("frames.py"), kPillowFrames);
  pixtest::WriteFile(dir.File("writes.py"), kPillowWrites);
  ASSERT_TRUE(Succeeds(python + " " + dir.File("writes.py") + " " + dir.Path().string()));
  std::vector<std::string> written;
  for (const char* name : {"interlaced", "plain", "transparent", "frames"}) written.push_back(dir.File(name) + ".gif");
  for (const auto& [path, frames] : PillowFrames(python, dir.File("frames.py"), written, true)) {
    for (size_t n = 0; n < frames.size(); ++n) {
      Loaded ours(path, static_cast<int>(n));
      EXPECT_EQ(ours.count, static_cast<int>(frames.size()));
      EXPECT_EQ(ours.Describe(), frames[n]) << path << " frame " << n;
    }
  }
  // The corpus: every first frame that Pillow decodes, but the one whose
  // indices lie beyond its table (their colour is each reader's own choice).
  const std::string corpus = pixtest::SharedTestData("gif");
  if (corpus.empty()) return;
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(corpus))
    if (entry.path().extension() == ".gif") files.push_back(entry.path().string());
  int compared = 0;
  for (const auto& [path, frames] : PillowFrames(python, dir.File("frames.py"), files, false)) {
    Loaded ours(path, 0);
    if (frames[0] == "error" || ours.aborted || path.ends_with("/invalid-colors.gif")) continue;
    EXPECT_TRUE(ours.Describe() == frames[0]) << path;
    ++compared;
  }
  EXPECT_GT(compared, 100);
}
