#include <gtest/gtest.h>

#include <sys/file.h>
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>

#include "app/logic/file_exists_policy.h"
#include "app/logic/safe_output.h"
#include "platform/file_attributes.h"
#include "support/test_support.h"

using namespace pix;
namespace fs = std::filesystem;

namespace {

size_t Entries(const fs::path& folder) {
  size_t n = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(folder)) ++n;
  return n;
}

// Writes text through an output and commits it; the reason the commit gave.
TFailureReason Write(const std::string& path, TReplaceMode mode, const std::string& text) {
  TSafeOutput output(path, mode);
  pixtest::WriteFile(output.TemporaryPath(), text);
  return output.Commit();
}

}  // namespace

TEST(SafeOutput, WritesWholeFilesAndNeverAFragment) {
  pixtest::TempDir dir;
  const std::string photo = dir.File("photo.jpg");
  EXPECT_EQ(Write(photo, TReplaceMode::NoFile, "new"), frNone);
  EXPECT_EQ(pixtest::ReadFile(photo), "new");
  {
    // An output that is never committed (a failed save, an exception) leaves
    // the old file as it was and nothing beside it.
    TSafeOutput abandoned(photo, TReplaceMode::UnlessReadOnly);
    EXPECT_TRUE(IsOurLeftover(fs::path(abandoned.TemporaryPath()).filename().string()));
    EXPECT_EQ(fs::path(abandoned.TemporaryPath()).parent_path(), dir.Path());
    pixtest::WriteFile(abandoned.TemporaryPath(), "half");
  }
  EXPECT_EQ(pixtest::ReadFile(photo), "new");
  EXPECT_EQ(Entries(dir.Path()), 1u);
  // Replacing: read-only files only when the user chose this very file.
  EXPECT_EQ(Write(photo, TReplaceMode::UnlessReadOnly, "newer"), frNone);
  SetReadOnly(photo, true);
  EXPECT_EQ(Write(photo, TReplaceMode::UnlessReadOnly, "refused"), frPermissionDenied);
  EXPECT_EQ(pixtest::ReadFile(photo), "newer");
  EXPECT_EQ(Write(photo, TReplaceMode::EvenReadOnly, "replaced"), frNone);
  EXPECT_EQ(pixtest::ReadFile(photo), "replaced");
  // A file that appeared after the run decided there was none is kept.
  const std::string late = dir.File("late.jpg");
  TSafeOutput output(late, TReplaceMode::NoFile);
  pixtest::WriteFile(output.TemporaryPath(), "ours");
  pixtest::WriteFile(late, "someone else's");
  EXPECT_EQ(output.Commit(), frCannotWrite);
  EXPECT_EQ(pixtest::ReadFile(late), "someone else's");
  // A link at the destination is replaced itself, its target untouched.
  fs::create_symlink(late, dir.File("link.jpg"));
  EXPECT_EQ(Write(dir.File("link.jpg"), TReplaceMode::UnlessReadOnly, "file"), frNone);
  EXPECT_FALSE(fs::is_symlink(dir.File("link.jpg")));
  EXPECT_EQ(pixtest::ReadFile(late), "someone else's");
}

TEST(SafeOutput, LeftoversOfADeadWriterGoAndNothingElse) {
  pixtest::TempDir dir;
  const std::string dead = dir.File(".pixfold-a1b2c3d4-photo.jpg");
  pixtest::WriteFile(dead, "fragment");
  for (const char* kept : {".pixfold-A1B2C3D4-photo.jpg", ".pixfold-short-x.jpg", "pixfold-a1b2c3d4-x.jpg",
                           "photo.jpg", ".pixfold-a1b2c3d4"})
    pixtest::WriteFile(dir.File(kept), "user's");
  fs::create_directory(dir.File(".pixfold-abcdefgh-folder"));
  // A writer that is alive (here: another output in the folder) keeps its file.
  TSafeOutput alive(dir.File("other.jpg"), TReplaceMode::NoFile);
  EXPECT_EQ(RemoveLeftovers(dir.Path().string()), 1);
  EXPECT_FALSE(fs::exists(dead));
  EXPECT_TRUE(fs::exists(alive.TemporaryPath()));
  EXPECT_EQ(Entries(dir.Path()), 7u);
}
