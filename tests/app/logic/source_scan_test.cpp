#include <gtest/gtest.h>

#include <filesystem>

#include "app/logic/source_scan.h"
#include "support/test_support.h"

using namespace pix;
namespace fs = std::filesystem;

namespace {

void Touch(const fs::path& path) {
  fs::create_directories(path.parent_path());
  pixtest::WriteFile(path.string(), "x");
}

std::vector<std::string> Listed(const std::string& source, const TScanOptions& options) {
  std::vector<TScanRow> rows;
  ScanFolder(source, "", options, rows);
  std::vector<std::string> out;
  for (const auto& r : rows) out.push_back(r.Subfolder + "|" + r.File);
  return out;
}

using Rows = std::vector<std::string>;

}  // namespace

TEST(IsWantedImage, WholeExtensionsPerEnabledType) {
  TScanOptions all;
  for (const char* name : {"a.jpg", "b.JPEG", "Photo.JpEg", "c.gif", "d.BMP", "x.tar.jpg", ".jpg", "e.png", "f.TIF",
                           "g.tiff", "h.pcx", "i.tga", "j.pnm", "k.ico", "l.cur", "m.wmf", "n.emf", "o.HEIC", "p.avif",
                           "q.webp", "r.hif"})
    EXPECT_TRUE(IsWantedImage(name, all)) << name;
  TScanOptions noOther;
  noOther.ConvertOther = noOther.ConvertHEIF = false;
  EXPECT_FALSE(IsWantedImage("h.pcx", noOther));
  EXPECT_FALSE(IsWantedImage("q.webp", noOther));
  EXPECT_TRUE(IsWantedImage("e.png", noOther));
  for (const char* name : {"a.jpe", "b.dib", "jpg", "c.jpg.txt", "d.jpg ", "e.gifx", "f"})
    EXPECT_FALSE(IsWantedImage(name, all)) << name;
  TScanOptions noGif;
  noGif.ConvertGIF = false;
  EXPECT_FALSE(IsWantedImage("anim.gif", noGif));
  EXPECT_TRUE(IsWantedImage("a.jpg", noGif));
  TScanOptions onlyGif{true, false, true, false};
  EXPECT_FALSE(IsWantedImage("a.jpeg", onlyGif));
  EXPECT_FALSE(IsWantedImage("a.bmp", onlyGif));
}

TEST(ScanFolder, PreOrderWithFilesBeforeSubfoldersSortedByName) {
  pixtest::TempDir dir;
  const fs::path src = dir.Path() / "src";
  Touch(src / "b.jpg");
  Touch(src / "a.jpg");
  Touch(src / "B.bmp");
  Touch(src / "notes.txt");
  Touch(src / "Sub" / "c.GIF");
  Touch(src / "Sub" / "Inner" / "d.jpeg");
  Touch(src / "Sub" / "e.jpg");
  Touch(src / "Alpha" / "f.bmp");
  const Rows expected = {"|B.bmp", "|a.jpg", "|b.jpg", "Alpha|f.bmp", "Sub|c.GIF", "Sub|e.jpg", "Sub/Inner|d.jpeg"};
  EXPECT_EQ(Listed(src.string(), {}), expected);
  // The same folder with a trailing delimiter and blanks around it.
  EXPECT_EQ(Listed(" " + src.string() + "/ ", {}), expected);
  TScanOptions flat;
  flat.Recursive = false;
  EXPECT_EQ(Listed(src.string(), flat), (Rows{"|B.bmp", "|a.jpg", "|b.jpg"}));
}

TEST(ScanFolder, DottedFoldersAreNeitherEnteredNorListed) {
  pixtest::TempDir dir;
  const fs::path src = dir.Path();
  Touch(src / "Trip.2004" / "in_dotted.jpg");
  Touch(src / ".hidden" / "in_hidden.jpg");
  fs::create_directories(src / "x.jpg");
  Touch(src / "x.jpg" / "inside.jpg");
  Touch(src / "Plain" / "ok.jpg");
  EXPECT_EQ(Listed(src.string(), {}), (Rows{"Plain|ok.jpg"}));
}

TEST(ScanFolder, LinksAreOfferedAsFilesAndNeverEntered) {
  pixtest::TempDir dir;
  const fs::path src = dir.Path() / "src";
  Touch(src / "Real" / "r.jpg");
  Touch(dir.Path() / "elsewhere" / "far.jpg");
  fs::create_directory_symlink(dir.Path() / "elsewhere", src / "Linked");
  fs::create_directory_symlink(dir.Path() / "elsewhere", src / "linked_dir.jpg");
  fs::create_directory_symlink(src, src / "Real" / "Loop");
  fs::create_symlink(dir.Path() / "elsewhere" / "far.jpg", src / "link.jpg");
  fs::create_symlink(dir.Path() / "nothing.bmp", src / "dangling.bmp");
  EXPECT_EQ(Listed(src.string(), {}),
            (Rows{"|dangling.bmp", "|link.jpg", "|linked_dir.jpg", "Real|r.jpg"}));
}

TEST(ScanFolder, FolderNamesWithBlanksKeepThem) {
  pixtest::TempDir dir;
  const fs::path src = dir.Path();
  Touch(src / " trip " / "a.jpg");
  Touch(src / " trip " / " day 1 " / "b.jpg");
  Touch(src / "trip" / "decoy.jpg");
  EXPECT_EQ(Listed(src.string(), {}), (Rows{" trip |a.jpg", " trip / day 1 |b.jpg", "trip|decoy.jpg"}));
}

TEST(ScanFolder, MissingSourceGivesNoRows) {
  pixtest::TempDir dir;
  EXPECT_TRUE(Listed((dir.Path() / "missing").string(), {}).empty());
  Touch(dir.Path() / "file.jpg");
  EXPECT_TRUE(Listed((dir.Path() / "file.jpg").string(), {}).empty());
}

TEST(ScanFolder, TheDestinationInsideTheSourceIsLeftOutAndReadOnlyFoldersAreEntered) {
  pixtest::TempDir dir;
  const fs::path src = dir.Path() / "src";
  Touch(src / "a.jpg");
  Touch(src / "small" / "a.jpg");  // last run's output
  Touch(src / "locked" / "b.jpg");
  // A folder without write permission still holds pictures to read.
  fs::permissions(src / "locked", fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  TScanOptions options;
  options.ExcludedFolder = (src / "small").string() + "/";
  EXPECT_EQ(Listed(src.string(), options), (Rows{"|a.jpg", "locked|b.jpg"}));
  fs::permissions(src / "locked", fs::perms::owner_all, fs::perm_options::add);
}
