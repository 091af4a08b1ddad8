#include <gtest/gtest.h>

#include <filesystem>

#include "app/logic/command_line.h"
#include "support/test_support.h"

using namespace pix;
namespace fs = std::filesystem;

namespace {

struct Expected {
  std::string source;
  bool autoStart;
  bool overwrite;
};

void ExpectFlags(const std::vector<std::string>& args, const Expected& want) {
  std::string shown;
  for (const auto& a : args) shown += "[" + a + "]";
  const TCommandLineFlags flags = ReadCommandLine(args);
  EXPECT_EQ(flags.Source, want.source) << shown;
  EXPECT_EQ(flags.AutoStart, want.autoStart) << shown;
  EXPECT_EQ(flags.Overwrite, want.overwrite) << shown;
}

}  // namespace

TEST(CommandLineFolder, TakenOutBeforeTheSwitchPlacesAreCounted) {
  pixtest::TempDir tmp;
  const std::string album = tmp.File("album"), other = tmp.File("other");
  fs::create_directories(album);
  fs::create_directories(other);
  ExpectFlags({album}, {album, false, false});
  ExpectFlags({album, "/START", "/OVERWRITE"}, {album, true, true});
  ExpectFlags({"/start", album, "/overwrite"}, {album, true, true});
  ExpectFlags({"/START", "/OVERWRITE", album}, {album, true, true});
  // The plain rule holds among the rest: "/OVERWRITE" alone in first place does nothing.
  ExpectFlags({album, "/OVERWRITE"}, {album, false, false});
  // Only the first folder counts; a second one is ordinary text in a switch place.
  ExpectFlags({album, other, "/OVERWRITE"}, {album, false, true});
  ExpectFlags({album + "/", "/START"}, {album, true, false});
  ExpectFlags({album + "/../other/.", "/START"}, {other, true, false});
}

TEST(CommandLineFolder, APictureGivesItsFolderAndOtherNamesAreText) {
  pixtest::TempDir tmp;
  const std::string album = tmp.File("album");
  fs::create_directories(album);
  pixtest::WriteFile(album + "/beach.JPG", "not even a picture: the name decides");
  pixtest::WriteFile(album + "/notes.txt", "text");
  ExpectFlags({album + "/beach.JPG", "/START"}, {album, true, false});
  // Neither a file the scan would skip nor a missing folder is a source;
  // each keeps its place, so "/START" is not first.
  ExpectFlags({album + "/notes.txt", "/START"}, {"", false, false});
  ExpectFlags({tmp.File("missing"), "/START"}, {"", false, false});
  ExpectFlags({album + "/notes.txt", "/OVERWRITE", album}, {album, false, true});
}

TEST(CommandLineFolder, RelativeNamesAreMadeAbsolute) {
  pixtest::TempDir tmp;
  fs::create_directories(tmp.Path() / "album");
  const fs::path saved = fs::current_path();
  fs::current_path(tmp.Path());
  const TCommandLineFlags dot = ReadCommandLine({"."});
  const TCommandLineFlags sub = ReadCommandLine({"album", "/START"});
  fs::current_path(saved);
  EXPECT_EQ(dot.Source, tmp.Path().lexically_normal().string());
  EXPECT_EQ(sub.Source, (tmp.Path() / "album").lexically_normal().string());
  EXPECT_TRUE(sub.AutoStart);
}
