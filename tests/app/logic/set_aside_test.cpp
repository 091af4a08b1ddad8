#include <gtest/gtest.h>

#include <filesystem>

#include "app/logic/file_exists_policy.h"
#include "app/logic/set_aside.h"
#include "support/test_support.h"

using namespace pix;
namespace fs = std::filesystem;

// The run's use (replace, fail, put back) is tested through the window; these
// are the entries it must not mishandle.
TEST(SetAsideFile, FreeNamesFoldersLinksAndALeftOverVerdict) {
  pixtest::TempDir dir;
  const std::string photo = dir.File("photo.jpg");
  pixtest::WriteFile(photo, "old");
  pixtest::WriteFile(photo + ".pixfold-old", "someone else's");
  {
    TSetAsideFile aside(photo);
    ASSERT_TRUE(aside.Moved());
    EXPECT_EQ(fs::path(aside.AsidePath()).parent_path(), dir.Path());
    EXPECT_NE(aside.AsidePath(), photo + ".pixfold-old");
    EXPECT_FALSE(PathEntryExists(photo));
    // Destroyed without a verdict (an exception went by): the file goes back.
  }
  EXPECT_EQ(pixtest::ReadFile(photo), "old");
  EXPECT_EQ(pixtest::ReadFile(photo + ".pixfold-old"), "someone else's");

  fs::create_directory(dir.File("folder.jpg"));
  EXPECT_FALSE(TSetAsideFile(dir.File("folder.jpg")).Moved());
  EXPECT_FALSE(TSetAsideFile(dir.File("missing.jpg")).Moved());

  fs::create_symlink(photo, dir.File("link.jpg"));
  TSetAsideFile(dir.File("link.jpg")).Commit();
  EXPECT_FALSE(PathEntryExists(dir.File("link.jpg")));
  EXPECT_EQ(pixtest::ReadFile(photo), "old");
}
