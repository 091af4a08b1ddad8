// The conversion never destroys a good file: a full disk and a kill in the
// middle of a save leave every earlier output whole.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <random>

#include "app/album_fixtures.h"
#include "app/logic/convert_one.h"
#include "app/logic/safe_output.h"

using namespace pix;
using namespace albumtest;
namespace fs = std::filesystem;

namespace {

ConversionSettings OriginalTypes() {
  ConversionSettings options;
  options.MaxWidth = options.MaxHeight = 4000;
  options.Rotation = kRotationNone;
  options.ConvertToJPG = false;
  return options;
}

// True when path holds a complete BMP of that size.
bool WholeBmp(const std::string& path, int32_t w, int32_t h) {
  TBitmap image;
  TPixImageIO io;
  io.SetBitmap(&image);
  io.LoadFromFile(path);
  return !io.AbortFlag() && io.DamageReason() == frNone && image.Width() == w && image.Height() == h;
}

size_t Entries(const fs::path& folder) {
  size_t n = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(folder)) ++n;
  return n;
}

// A small real file system that fills up; only root may mount one.
class TSmallDisk {
public:
  explicit TSmallDisk(const fs::path& at) : m_at(at) {
    fs::create_directories(at);
    m_mounted = ::mount("tmpfs", at.c_str(), "tmpfs", 0, "size=600k") == 0;
  }
  ~TSmallDisk() {
    if (m_mounted) ::umount2(m_at.c_str(), MNT_DETACH);
  }
  bool Mounted() const { return m_mounted; }

private:
  fs::path m_at;
  bool m_mounted;
};

}  // namespace

TEST(SafeWrites, AFullDiskLeavesEveryGoodOutputWholeAndNothingElse) {
  pixtest::TempDir dir;
  TSmallDisk disk(dir.Path() / "disk");
  if (!disk.Mounted()) GTEST_SKIP() << "cannot mount a tmpfs here (not root?)";
  const fs::path out = dir.Path() / "disk";
  // Ten 100 x 100 outputs (30 KB each) fill part of the disk ...
  WriteBmp(dir.File("small.bmp"), 100, 100);
  TPixImage image;
  const ConversionSettings options = OriginalTypes();
  for (int i = 0; i < 10; ++i)
    ASSERT_TRUE(ConvertOne(image, options, dir.File("small.bmp"), (out / ("p" + std::to_string(i) + ".bmp")).string()));
  // ... then replacing them with 400 x 400 pictures (480 KB) runs out of space.
  WriteBmp(dir.File("big.bmp"), 400, 400);
  int full = 0;
  for (int i = 0; i < 10; ++i) {
    const TConvertOutcome outcome = ConvertOne(image, options, dir.File("big.bmp"),
                                               (out / ("p" + std::to_string(i) + ".bmp")).string(),
                                               TReplaceMode::UnlessReadOnly);
    if (!outcome.Written) {
      EXPECT_EQ(outcome.Reason, frDiskFull);
      ++full;
    }
  }
  EXPECT_GT(full, 0);
  for (int i = 0; i < 10; ++i) {
    const std::string path = (out / ("p" + std::to_string(i) + ".bmp")).string();
    EXPECT_TRUE(WholeBmp(path, 100, 100) || WholeBmp(path, 400, 400)) << path;
  }
  EXPECT_EQ(Entries(out), 10u) << "no fragments, no temporary files";
  // A fresh output that does not fit leaves nothing at all.
  WriteBmp(dir.File("huge.bmp"), 800, 800);
  EXPECT_EQ(ConvertOne(image, options, dir.File("huge.bmp"), (out / "new.bmp").string()).Reason, frDiskFull);
  EXPECT_FALSE(fs::exists(out / "new.bmp"));
  EXPECT_EQ(Entries(out), 10u);
}

TEST(SafeWrites, AKillInTheMiddleOfASaveLeavesTheOldFileWholeAndTheNextRunCleansUp) {
  pixtest::TempDir dir;
  WriteBmp(dir.File("old.bmp"), 64, 48);
  WriteBmp(dir.File("new.bmp"), 1600, 1200);
  const std::string target = dir.File("out/photo.bmp");
  TPixImage image;
  ASSERT_TRUE(ConvertOne(image, OriginalTypes(), dir.File("old.bmp"), target));
  std::mt19937 rng(7);
  for (int round = 0; round < 8; ++round) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      // Replaces the file again and again until it is killed.
      TPixImage work;
      for (;;) ConvertOne(work, OriginalTypes(), dir.File("new.bmp"), target, TReplaceMode::UnlessReadOnly);
    }
    ::usleep(static_cast<useconds_t>(2000 + rng() % 60000));
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_TRUE(WholeBmp(target, 64, 48) || WholeBmp(target, 1600, 1200)) << "round " << round;
  }
  // What a killed writer left behind is ours to remove, and only that.
  pixtest::WriteFile(dir.File("out/.hidden-user-file.bmp"), "keep");
  RemoveLeftovers(dir.File("out"));
  EXPECT_EQ(Entries(dir.Path() / "out"), 2u);
}

TEST(SafeWrites, PipesAndDevicesAreRefusedWithoutWaiting) {
  pixtest::TempDir dir;
  ASSERT_EQ(::mkfifo(dir.File("pipe.jpg").c_str(), 0644), 0);
  TPixImage image;
  EXPECT_EQ(ConvertOne(image, OriginalTypes(), dir.File("pipe.jpg"), dir.File("out.jpg")).Reason, frNotAFile);
  EXPECT_EQ(ConvertOne(image, OriginalTypes(), "/dev/zero", dir.File("zero.jpg")).Reason, frNotAFile);
  // Even when it is reached through a link, and straight through the I/O component.
  fs::create_symlink(dir.File("pipe.jpg"), dir.File("link.jpg"));
  EXPECT_EQ(ConvertOne(image, OriginalTypes(), dir.File("link.jpg"), dir.File("out.jpg")).Reason, frNotAFile);
  EXPECT_THROW(image.LoadFromFile(dir.File("pipe.jpg")), EPixStreamError);
  EXPECT_FALSE(fs::exists(dir.File("out.jpg")));
}
