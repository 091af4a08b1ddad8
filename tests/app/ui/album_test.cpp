// A small album converted end to end: by the window of this process, whose
// check marks and preview can be looked at, and by the real program started
// headless with "/START" and "/OVERWRITE".
#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>
#include <QProgressBar>
#include <QTreeWidget>
#include <filesystem>
#include <map>
#include <unistd.h>

#include "app/album_fixtures.h"
#include "app/ui/main_win.h"
#include "app/ui/platform_bindings.h"
#include "io/pix_image.h"
#include "platform/file_attributes.h"
#include "platform/system_colors.h"
#include "ui_test_support.h"

using namespace pix;
using namespace albumtest;
using uitest::Child;
namespace fs = std::filesystem;

namespace {

enum class Turn { Upright, Left };

// What one listed source must give; an empty Output means nothing may be written.
struct Expected {
  std::string Source;
  std::string Output;
  FileKind Kind = FileKind::Jpeg;
  int32_t Width = 0, Height = 0;
  Turn Orientation = Turn::Upright;
};

struct Options {
  int Rotation;
  bool LandscapeOnly;
  bool ConvertToJPG;
};

class AlbumTest : public ::testing::Test {
protected:
  AlbumTest() {
    uitest::App();
    m_source = m_tree.Path() / "album";
    WriteJpeg(Src("wide.jpg"), 1600, 1200);
    WriteJpeg(Src("small.jpg"), 100, 80);
    WriteJpeg(Src("square.jpg"), 600, 600);
    WriteJpeg(Src("landscape.jpg"), 601, 600);
    WriteJpeg(Src("tall.jpg"), 1000, 3000);
    WriteJpeg(Src("locked.jpg"), 300, 200);
    WriteJpeg(Src("noaccess.jpg"), 50, 40);
    WriteJpeg(Src("Trip.2004/dotted.jpg"), 50, 40);
    WriteBmp(Src("2004/May/Pic.BMP"), 1600, 1200);
    WriteGif(Src("2004/anim.gif"), 320, 200);
    pixtest::WriteFile(Src("notes.txt"), "not a picture");
    pixtest::WriteFile(Src("2004/corrupt.jpg"), "\xFF\xD8\xFF\xE0\x00\x10JFIF and then nothing sensible");
    fs::create_symlink(m_tree.Path() / "gone.jpg", Src("2004/unreadable.jpg"));
    fs::permissions(Src("noaccess.jpg"), fs::perms::none);
    // Whoever may read anything (root) converts this one like any other.
    m_noAccessReadable = ::access(Src("noaccess.jpg").c_str(), R_OK) == 0;
  }

  std::string Src(const std::string& relative) const { return (m_source / relative).string(); }

  std::string Settings(const fs::path& destination, const Options& o) const {
    return "[Settings]\nSource=" + m_source.string() + "\nDestination=" + destination.string() +
           "\nRecursive=1\nSizeCategory=0\nJPGQuality=7\nConvertJPG=1\nConvertGIF=1\nConvertBMP=1" +
           "\nRotation=" + std::to_string(o.Rotation) + "\nLandscapeOnly=" + (o.LandscapeOnly ? "1" : "0") +
           "\nConvertToJPG=" + (o.ConvertToJPG ? "1" : "0") + "\n";
  }

  // Rotate left, landscape pictures only, everything as JPEG; the preset 240 x 320.
  std::vector<Expected> TurnedAlbum() const {
    std::vector<Expected> e = {
        {"wide.jpg", "wide.jpg", FileKind::Jpeg, 240, 320, Turn::Left},
        {"small.jpg", "small.jpg", FileKind::Jpeg, 80, 100, Turn::Left},
        {"square.jpg", "square.jpg", FileKind::Jpeg, 240, 240, Turn::Upright},
        {"landscape.jpg", "landscape.jpg", FileKind::Jpeg, 240, 240, Turn::Left},
        {"tall.jpg", "tall.jpg", FileKind::Jpeg, 106, 320, Turn::Upright},
        {"locked.jpg", ""},  // read-only destination: written over, so it fails
        {"noaccess.jpg", ""},
        {"2004/anim.gif", "2004/anim.jpg", FileKind::Jpeg, 200, 320, Turn::Left},
        {"2004/corrupt.jpg", ""},
        {"2004/unreadable.jpg", ""},
        {"2004/May/Pic.BMP", "2004/May/Pic.jpg", FileKind::Jpeg, 240, 320, Turn::Left},
    };
    if (m_noAccessReadable) e[6] = {"noaccess.jpg", "noaccess.jpg", FileKind::Jpeg, 40, 50, Turn::Left};
    return e;
  }

  static void LockedDestination(const fs::path& destination) {
    fs::create_directories(destination);
    pixtest::WriteFile((destination / "locked.jpg").string(), "keep");
    SetReadOnly((destination / "locked.jpg").string(), true);
  }

  // Every output as expected, nothing written that was not expected, and the
  // read-only "keep" file, if any, untouched.
  static void CheckOutputs(const fs::path& destination, const std::vector<Expected>& expected,
                           bool lockedFileThere = false) {
    const std::string quality70 = QuantTablesAtQuality(70);
    size_t written = 0;
    for (const Expected& e : expected) {
      if (e.Output.empty()) continue;
      ++written;
      SCOPED_TRACE(e.Source);
      const std::string path = (destination / e.Output).string();
      Decoded out;
      Decode(path, out);
      ASSERT_EQ(out.Kind, e.Kind);
      ASSERT_EQ(out.Width(), e.Width);
      ASSERT_EQ(out.Height(), e.Height);
      ExpectOrientation(out, e.Orientation);
      if (e.Kind == FileKind::Jpeg) {
        EXPECT_EQ(QuantTables(path), quality70);
      }
    }
    size_t files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(destination))
      if (!entry.is_directory()) ++files;
    EXPECT_EQ(files, written + (lockedFileThere ? 1 : 0));
    if (lockedFileThere) {
      EXPECT_EQ(pixtest::ReadFile((destination / "locked.jpg").string()), "keep");
    }
  }

  // The source's red top half is at the top when upright, on the left after a left turn.
  static void ExpectOrientation(const Decoded& out, Turn turn) {
    const int32_t w = out.Width(), h = out.Height();
    const uint8_t* red = turn == Turn::Upright ? out.Pixel(w / 2, h / 4) : out.Pixel(w / 4, h / 2);
    const uint8_t* blue = turn == Turn::Upright ? out.Pixel(w / 2, 3 * h / 4) : out.Pixel(3 * w / 4, h / 2);
    EXPECT_TRUE(red[2] > 150 && red[0] < 80) << "red " << int(red[0]) << "," << int(red[1]) << "," << int(red[2]);
    EXPECT_TRUE(blue[0] > 150 && blue[2] < 80) << "blue " << int(blue[0]) << "," << int(blue[1]) << "," << int(blue[2]);
  }

  // The real program, headless, with its own settings folder; its exit code.
  int RunProgram(const std::string& settings) {
    pixtest::TempDir config;
    pixtest::WriteFile(config.File("Snapcrate.ini"), settings);
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", QString::fromStdString(config.Path().string()));
    env.insert("QT_QPA_PLATFORM", "offscreen");
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(PIXFOLD_BINARY), {"/START", "/OVERWRITE"});
    if (!program.waitForFinished(120000)) {
      program.kill();
      program.waitForFinished();
      ADD_FAILURE() << "the program did not finish";
      return -1;
    }
    // The window saved its settings when it closed at the end of the run.
    EXPECT_TRUE(fs::exists(config.File("Snapcrate.ini")));
    EXPECT_NE(pixtest::ReadFile(config.File("Snapcrate.ini")), settings);
    m_stderr = program.readAllStandardError().toStdString();
    return program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
  }

  std::string m_stderr;  // what the last program run said there

  pixtest::TempDir m_tree;
  fs::path m_source;
  bool m_noAccessReadable = false;
};

// "Subfolder/File" of each row of the list with its check mark.
std::map<std::string, bool> CheckMarks(TfrmMainWin& win) {
  auto* list = Child<QTreeWidget>(&win, "lstFiles");
  std::map<std::string, bool> marks;
  for (int i = 0; i < list->topLevelItemCount(); ++i) {
    const QTreeWidgetItem* row = list->topLevelItem(i);
    const std::string folder = row->text(0).toStdString();
    marks[(folder.empty() ? "" : folder + "/") + row->text(1).toStdString()] = row->checkState(0) == Qt::Checked;
  }
  return marks;
}

}  // namespace

TEST_F(AlbumTest, TheWindowConvertsTheAlbumAndChecksOnlyWhatItWrote) {
  const fs::path destination = m_tree.Path() / "out";
  LockedDestination(destination);
  uitest::ConfigHome config;
  config.Write(Settings(destination, {kRotation90Left, true, true}));
  // As the program does at start-up: system colours come from the palette.
  struct Bindings {
    Bindings() { InstallPlatformBindings(); }
    ~Bindings() { ResetPlatformBindings(); }
  } bindings;
  TfrmMainWin win;
  win.SetArguments({"/START", "/OVERWRITE"});
  win.show();
  ASSERT_TRUE(uitest::WaitFor([&] { return !win.isVisible(); }, 60000));

  const std::vector<Expected> expected = TurnedAlbum();
  std::map<std::string, bool> wanted;
  for (const Expected& e : expected) wanted[e.Source] = !e.Output.empty();
  EXPECT_EQ(CheckMarks(win), wanted);
  auto* bar = Child<QProgressBar>(&win, "oProgressBar");
  EXPECT_EQ(bar->maximum(), static_cast<int>(expected.size()));
  EXPECT_EQ(bar->value(), bar->maximum());
  CheckOutputs(destination, expected, true);

  // The last file of the list stays in the 100 x 100 preview: 240 x 320 drawn 75 x 100.
  EXPECT_EQ(win.Preview()->objectName(), "imgConvert");
  EXPECT_EQ(win.Preview()->size(), QSize(100, 100));
  EXPECT_EQ(win.ImageComponent().CurrentBitmap()->Width(), 240);
  EXPECT_EQ(win.ImageComponent().CurrentBitmap()->Height(), 320);
  const QImage shot = win.Preview()->grab().toImage();
  EXPECT_GT(shot.pixelColor(10, 50).red(), 150);
  EXPECT_GT(shot.pixelColor(60, 50).blue(), 150);
  // Beside it the view's background: the button face (the files were
  // converted by the run's own image components, not through the preview).
  const TColor background = ResolveColor(win.ImageComponent().Background());
  EXPECT_EQ(shot.pixelColor(90, 50), QColor(RedOf(background), GreenOf(background), BlueOf(background)));
  EXPECT_EQ(background, ResolveColor(clBtnFace));
  // The album holds corrupt and unreadable files.
  EXPECT_EQ(win.ExitStatus(), 1);
}

TEST_F(AlbumTest, TheProgramConvertsTheAlbumHeadless) {
  const fs::path destination = m_tree.Path() / "out";
  LockedDestination(destination);
  // 1: the album holds corrupt and unreadable files, each reported on a line
  // of standard error, with the run's summary last.
  ASSERT_EQ(RunProgram(Settings(destination, {kRotation90Left, true, true})), 1);
  EXPECT_NE(m_stderr.find("2004/corrupt.jpg: failed: truncated file\n"), std::string::npos) << m_stderr;
  EXPECT_NE(m_stderr.find("2004/unreadable.jpg: failed: cannot open the file\n"), std::string::npos) << m_stderr;
  EXPECT_NE(m_stderr.find(" failed, 0 skipped\n"), std::string::npos) << m_stderr;
  CheckOutputs(destination, TurnedAlbum(), true);
}

TEST_F(AlbumTest, TheProgramKeepsTypesAndBuildsAMissingDestinationTree) {
  const fs::path destination = m_tree.Path() / "not" / "there" / "yet";
  ASSERT_EQ(RunProgram(Settings(destination, {kRotationNone, true, false})), 1);
  std::vector<Expected> expected = {
      {"wide.jpg", "wide.jpg", FileKind::Jpeg, 240, 180},
      {"small.jpg", "small.jpg", FileKind::Jpeg, 100, 80},
      {"square.jpg", "square.jpg", FileKind::Jpeg, 240, 240},
      {"landscape.jpg", "landscape.jpg", FileKind::Jpeg, 240, 239},
      {"tall.jpg", "tall.jpg", FileKind::Jpeg, 106, 320},
      {"locked.jpg", "locked.jpg", FileKind::Jpeg, 240, 160},  // nothing in its way here
      {"2004/May/Pic.BMP", "2004/May/Pic.BMP", FileKind::Bmp, 240, 180},
      {"2004/anim.gif", "2004/anim.gif", FileKind::Gif, 240, 150},
  };
  if (m_noAccessReadable) expected.push_back({"noaccess.jpg", "noaccess.jpg", FileKind::Jpeg, 50, 40});
  CheckOutputs(destination, expected);
}
