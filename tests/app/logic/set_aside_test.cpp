#include <gtest/gtest.h>

#include <filesystem>

#include "app/logic/file_exists_policy.h"
#include "app/logic/set_aside.h"
#include "platform/file_attributes.h"
#include "support/test_support.h"

using namespace pix;
namespace fs = std::filesystem;

namespace {

size_t EntriesIn(const fs::path& folder) {
  return static_cast<size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

}  // namespace

TEST(SetAsideFile, ASuccessfulReplacementRemovesTheOldFileEvenWhenReadOnly) {
  pixtest::TempDir dir;
  const std::string photo = dir.File("photo.jpg");
  pixtest::WriteFile(photo, "old");
  ASSERT_TRUE(SetReadOnly(photo, true));
  TSetAsideFile aside(photo);
  ASSERT_TRUE(aside.Moved());
  EXPECT_FALSE(PathEntryExists(photo));
  EXPECT_EQ(fs::path(aside.AsidePath()).parent_path(), dir.Path());
  pixtest::WriteFile(photo, "new");
  aside.Finish(true);
  EXPECT_EQ(pixtest::ReadFile(photo), "new");
  EXPECT_EQ(EntriesIn(dir.Path()), 1u);
}

TEST(SetAsideFile, AFailedReplacementPutsTheFileBackOverWhatWasLeft) {
  pixtest::TempDir dir;
  const std::string photo = dir.File("photo.jpg");
  pixtest::WriteFile(photo, "old");
  ASSERT_TRUE(SetReadOnly(photo, true));
  // A name already taken beside it is left alone.
  pixtest::WriteFile(photo + ".pixfold-old", "someone else's");
  {
    TSetAsideFile aside(photo);
    ASSERT_TRUE(aside.Moved());
    EXPECT_NE(aside.AsidePath(), photo + ".pixfold-old");
    pixtest::WriteFile(photo, "half-written");
    EXPECT_TRUE(aside.Restore());
  }
  EXPECT_EQ(pixtest::ReadFile(photo), "old");
  EXPECT_TRUE(IsReadOnly(photo));
  EXPECT_EQ(pixtest::ReadFile(photo + ".pixfold-old"), "someone else's");
  EXPECT_EQ(EntriesIn(dir.Path()), 2u);

  // Left without a verdict (an exception went by), the file goes back too.
  {
    TSetAsideFile aside(photo);
    ASSERT_TRUE(aside.Moved());
  }
  EXPECT_EQ(pixtest::ReadFile(photo), "old");
}

TEST(SetAsideFile, FoldersAndMissingEntriesAreNotMovedLinksMoveThemselves) {
  pixtest::TempDir dir;
  fs::create_directory(dir.File("folder.jpg"));
  TSetAsideFile folder(dir.File("folder.jpg"));
  EXPECT_FALSE(folder.Moved());
  EXPECT_TRUE(fs::is_directory(dir.File("folder.jpg")));
  TSetAsideFile missing(dir.File("missing.jpg"));
  EXPECT_FALSE(missing.Moved());

  pixtest::WriteFile(dir.File("target.jpg"), "target");
  fs::create_symlink(dir.File("target.jpg"), dir.File("link.jpg"));
  {
    TSetAsideFile link(dir.File("link.jpg"));
    ASSERT_TRUE(link.Moved());
    link.Commit();
  }
  EXPECT_FALSE(PathEntryExists(dir.File("link.jpg")));
  EXPECT_EQ(pixtest::ReadFile(dir.File("target.jpg")), "target");
}
