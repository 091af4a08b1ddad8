#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

#include "app/logic/file_exists_policy.h"
#include "app/logic/folder_identity.h"
#include "platform/file_attributes.h"
#include "support/test_support.h"

using namespace pix;
namespace fs = std::filesystem;

TEST(NextFreeName, NumbersFromOneWithALowerCaseExtension) {
  pixtest::TempDir dir;
  std::string photo = dir.File("Photo.JPG");
  EXPECT_EQ(NextFreeName(photo), dir.File("Photo_1.jpg"));
  pixtest::WriteFile(dir.File("Photo_1.jpg"), "x");
  EXPECT_EQ(NextFreeName(photo), dir.File("Photo_2.jpg"));
  // Anything with the name is taken, a folder too.
  fs::create_directory(dir.File("Photo_2.jpg"));
  fs::create_symlink(dir.File("gone"), dir.File("Photo_3.jpg"));
  EXPECT_EQ(NextFreeName(photo), dir.File("Photo_4.jpg"));
}

TEST(DeleteFileForced, ClearsReadOnlyAndLeavesLinkTargetsAlone) {
  pixtest::TempDir dir;
  std::string locked = dir.File("locked.jpg");
  pixtest::WriteFile(locked, "x");
  ASSERT_TRUE(SetReadOnly(locked, true));
  EXPECT_TRUE(DeleteFileForced(locked));
  EXPECT_FALSE(PathEntryExists(locked));
  EXPECT_FALSE(DeleteFileForced(locked));

  std::string target = dir.File("target.jpg");
  pixtest::WriteFile(target, "keep");
  ASSERT_TRUE(SetReadOnly(target, true));
  std::string link = dir.File("link.jpg");
  fs::create_symlink(target, link);
  EXPECT_TRUE(DeleteFileForced(link));
  EXPECT_FALSE(PathEntryExists(link));
  EXPECT_TRUE(IsReadOnly(target));
  EXPECT_EQ(pixtest::ReadFile(target), "keep");

  fs::create_directory(dir.File("folder.jpg"));
  EXPECT_FALSE(DeleteFileForced(dir.File("folder.jpg")));
  EXPECT_TRUE(fs::is_directory(dir.File("folder.jpg")));
}

class ExistingFilePolicyTest : public ::testing::Test {
protected:
  // Existing destinations a, b and c; d does not exist.
  void SetUp() override {
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) pixtest::WriteFile(m_dir.File(name), "old");
  }

  TExistingFilePolicy Policy(std::vector<FileExistsAnswer> answers, bool overwrite = false) {
    m_script = std::move(answers);
    return TExistingFilePolicy(overwrite, [this](const std::string& path) {
      m_asked.push_back(fs::path(path).filename().string());
      if (m_script.empty()) ADD_FAILURE() << "asked once too often, for " << path;
      FileExistsAnswer a = m_script.empty() ? FileExistsAnswer::CancelRun : m_script.front();
      if (!m_script.empty()) m_script.erase(m_script.begin());
      return a;
    });
  }

  // "C" convert (with the file name written), "R" replace, "S" skip, "X" stop.
  std::string Walk(TExistingFilePolicy& policy, std::initializer_list<const char*> names) {
    std::string out;
    for (const char* name : names) {
      TFileDecision d = policy.Settle(m_dir.File(name));
      const std::string convert = d.Replace == TReplaceMode::EvenReadOnly ? "R:" : "C:";
      out += d.Action == TFileAction::Convert ? convert + fs::path(d.Destination).filename().string()
             : d.Action == TFileAction::Skip  ? std::string("S")
             : d.Action == TFileAction::Fail  ? std::string("F")
                                              : std::string("X");
      out += " ";
    }
    return out;
  }

  pixtest::TempDir m_dir;
  std::vector<FileExistsAnswer> m_script;
  std::vector<std::string> m_asked;
};

TEST_F(ExistingFilePolicyTest, AbsentDestinationsConvertWithoutAsking) {
  auto policy = Policy({});
  EXPECT_EQ(Walk(policy, {"d.jpg", "e.jpg"}), "C:d.jpg C:e.jpg ");
  EXPECT_TRUE(m_asked.empty());
}

TEST_F(ExistingFilePolicyTest, OverwriteNeverAsksNorDeletes) {
  auto policy = Policy({}, true);
  EXPECT_EQ(Walk(policy, {"a.jpg", "b.jpg", "d.jpg"}), "C:a.jpg C:b.jpg C:d.jpg ");
  EXPECT_TRUE(m_asked.empty());
  EXPECT_EQ(pixtest::ReadFile(m_dir.File("a.jpg")), "old");
}

TEST_F(ExistingFilePolicyTest, ReplaceThisKeepsTheFileForNowAndAsksAgainForTheNextFile) {
  auto policy = Policy({FileExistsAnswer::ReplaceThis, FileExistsAnswer::SkipThis, FileExistsAnswer::SkipThis});
  EXPECT_EQ(Walk(policy, {"a.jpg", "d.jpg", "b.jpg", "c.jpg"}), "R:a.jpg C:d.jpg S S ");
  EXPECT_EQ(m_asked, (std::vector<std::string>{"a.jpg", "b.jpg", "c.jpg"}));
  // Removed only once its replacement has been written.
  EXPECT_EQ(pixtest::ReadFile(m_dir.File("a.jpg")), "old");
  EXPECT_EQ(policy.Remembered(), FileExistsAnswer::AskUser);
}

TEST_F(ExistingFilePolicyTest, RenameAllPicksTheNextFreeNameEveryTime) {
  pixtest::WriteFile(m_dir.File("b_1.jpg"), "taken");
  auto policy = Policy({FileExistsAnswer::RenameAll});
  EXPECT_EQ(Walk(policy, {"a.jpg", "b.jpg", "c.jpg"}), "C:a_1.jpg C:b_2.jpg C:c_1.jpg ");
  EXPECT_EQ(m_asked.size(), 1u);
}

TEST_F(ExistingFilePolicyTest, FixedModesAndOutputsOfTheRunItself) {
  // pic.bmp and pic.jpg of one folder both become pic.jpg: the later one
  // never replaces the earlier, whatever the mode.
  for (TExistingMode mode : {TExistingMode::Replace, TExistingMode::Skip, TExistingMode::Ask}) {
    TExistingFilePolicy policy(mode, [](const std::string&) { return FileExistsAnswer::CancelRun; });
    EXPECT_EQ(Walk(policy, {"new.jpg", "new.jpg", "new.jpg"}), "C:new.jpg C:new_1.jpg C:new_2.jpg ");
  }
  const auto neverAsk = [](const std::string&) -> FileExistsAnswer {
    ADD_FAILURE() << "asked";
    return FileExistsAnswer::CancelRun;
  };
  TExistingFilePolicy skip(TExistingMode::Skip, neverAsk), rename(TExistingMode::Rename, neverAsk),
      fail(TExistingMode::Fail, neverAsk), replace(TExistingMode::Replace, neverAsk);
  EXPECT_EQ(Walk(skip, {"a.jpg", "d.jpg"}), "S C:d.jpg ");
  EXPECT_EQ(Walk(rename, {"a.jpg", "a.jpg"}), "C:a_1.jpg C:a_2.jpg ");
  EXPECT_EQ(Walk(fail, {"a.jpg", "d.jpg"}), "F C:d.jpg ");
  EXPECT_EQ(replace.Settle(m_dir.File("a.jpg")).Replace, TReplaceMode::UnlessReadOnly);
  EXPECT_EQ(replace.Settle(m_dir.File("z.jpg")).Replace, TReplaceMode::NoFile);
}

TEST(NameSameFolder, TrailingDelimitersDotsAndLinksNameTheSameFolder) {
  pixtest::TempDir dir;
  const std::string photos = (dir.Path() / "photos").string();
  fs::create_directories(photos + "/sub");
  EXPECT_TRUE(NameSameFolder(photos, photos));
  EXPECT_TRUE(NameSameFolder(photos, photos + "/"));
  EXPECT_TRUE(NameSameFolder(photos, " " + photos + "/./ "));
  EXPECT_TRUE(NameSameFolder(photos, photos + "/sub/.."));
  EXPECT_TRUE(NameSameFolder(photos, photos + "//"));
  fs::create_directory_symlink(photos, dir.Path() / "alias");
  EXPECT_TRUE(NameSameFolder(photos, (dir.Path() / "alias").string()));
  // Relative texts are taken from the working directory.
  const fs::path cwd = fs::current_path();
  fs::current_path(dir.Path());
  EXPECT_TRUE(NameSameFolder("photos", photos));
  EXPECT_TRUE(NameSameFolder("./photos/", "alias"));
  fs::current_path(cwd);
}

TEST(NameSameFolder, CaseInsideAndMissingFoldersAreDistinguished) {
  pixtest::TempDir dir;
  const std::string photos = (dir.Path() / "photos").string();
  fs::create_directories(photos);
  EXPECT_FALSE(NameSameFolder(photos, (dir.Path() / "PHOTOS").string()));
  EXPECT_FALSE(NameSameFolder(photos, photos + "/thumbs"));
  EXPECT_FALSE(NameSameFolder(photos + "/thumbs", photos));
  // Neither exists: the normalised texts decide.
  const std::string ghost = (dir.Path() / "ghost").string();
  EXPECT_TRUE(NameSameFolder(ghost, ghost + "/x/../"));
  EXPECT_FALSE(NameSameFolder(ghost, ghost + "2"));
  // A link to a folder reached through ".." is resolved where it points.
  fs::create_directories(dir.Path() / "deep" / "inner");
  fs::create_directory_symlink(dir.Path() / "deep" / "inner", dir.Path() / "jump");
  EXPECT_TRUE(NameSameFolder((dir.Path() / "jump" / "..").string(), (dir.Path() / "deep").string()));
}
