#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTreeWidget>
#include <filesystem>

#include "app/album_fixtures.h"
#include "app/logic/safe_output.h"
#include "app/logic/thumbnail_album.h"
#include "app/ui/album_panel.h"
#include "app/ui/main_win.h"
#include "app/ui/picture_viewer_win.h"
#include "app/ui/thumbnail_view.h"
#include "ui_test_support.h"

using namespace pix;
using uitest::Child;
namespace fs = std::filesystem;

namespace {

// A source album of small photos (two in a subfolder, a GIF, a text file)
// and a window pointed at it.
class AlbumPanelTest : public ::testing::Test {
protected:
  AlbumPanelTest() {
    uitest::App();
    m_source = m_tree.Path() / "src";
    m_destination = m_tree.Path() / "dst";
    for (const char* name : {"a.jpg", "b.jpg", "c.bmp"}) Write(m_source / name);
    for (const char* name : {"d.jpg", "e.jpg"}) Write(m_source / "Sub" / name);
    albumtest::WriteGif((m_source / "f.gif").string(), 64, 48);
    pixtest::WriteFile((m_source / "notes.txt").string(), "not a picture");
    fs::create_directories(m_destination);
  }

  static void Write(const fs::path& path) {
    if (path.extension() == ".bmp")
      albumtest::WriteBmp(path.string(), 160, 120);
    else
      albumtest::WriteJpeg(path.string(), 160, 120);
  }

  std::unique_ptr<TfrmMainWin> Window(const std::string& extra = "") {
    m_config.Write("[Settings]\nSource=" + m_source.string() + "\nDestination=" + m_destination.string() +
                   "\nThreads=1\n" + extra);
    auto win = std::make_unique<TfrmMainWin>();
    win->resize(900, 700);
    win->show();
    return win;
  }

  static TAlbumPanel* Panel(TfrmMainWin* win) { return Child<TAlbumPanel>(win, "tabAlbum"); }

  // Shows the grid and waits until it lists rows rows and every thumbnail on
  // the screen is made.
  static bool ShowGrid(TfrmMainWin* win, int rows) {
    TAlbumPanel* panel = Panel(win);
    panel->setCurrentIndex(1);
    TThumbnailListModel* model = panel->ThumbnailModel();
    return uitest::WaitFor([&] {
      if (model->rowCount() != rows || panel->Scanning()) return false;
      for (int i = 0; i < rows; ++i) {
        const TThumbnailAlbum::TState s = model->Album().State(i);
        if (s != TThumbnailAlbum::TState::Ready && s != TThumbnailAlbum::TState::Failed) {
          model->Album().Request(i);
          return false;
        }
      }
      return true;
    }, 15000);
  }

  static QStringList Names(TThumbnailListModel* model) {
    QStringList names;
    for (const auto& entry : model->Entries())
      names << (entry.Subfolder.isEmpty() ? entry.File : entry.Subfolder + "/" + entry.File);
    return names;
  }

  uitest::ConfigHome m_config;
  pixtest::TempDir m_tree;
  fs::path m_source;
  fs::path m_destination;
};

}  // namespace

TEST_F(AlbumPanelTest, TheListAndTheThumbnailsAreTabsOfTheStatusGroupAndTheMenusHoldTheAlbumCommands) {
  auto win = Window();
  TAlbumPanel* panel = Panel(win.get());
  ASSERT_NE(panel, nullptr);
  ASSERT_EQ(panel->count(), 2);
  EXPECT_EQ(panel->tabText(0), "List");
  EXPECT_EQ(panel->tabText(1), "Thumbnails");
  EXPECT_EQ(panel->widget(0), Child<QTreeWidget>(win.get(), "lstFiles"));
  EXPECT_EQ(panel->widget(1)->objectName(), "lstThumbnails");
  QStringList menus;
  for (QAction* action : win->menuBar()->actions()) menus << action->text();
  EXPECT_EQ(menus, QStringList({"&File", "&View", "&Help"}));
  for (const char* name : {"AcquireFromScanner1", "PrintPreview1", "Print1", "Slideshow1"})
    EXPECT_NE(win->findChild<QAction*>(QString::fromLatin1(name)), nullptr) << name;
}

TEST_F(AlbumPanelTest, TheGridShowsTheFilesARunWouldTakeAndFollowsTheFilters) {
  auto win = Window();
  ASSERT_TRUE(ShowGrid(win.get(), 6));
  TThumbnailListModel* model = Panel(win.get())->ThumbnailModel();
  EXPECT_EQ(Names(model), QStringList({"a.jpg", "b.jpg", "c.bmp", "f.gif", "Sub/d.jpg", "Sub/e.jpg"}));
  // Without subfolders and GIF sources, the grid follows within a moment.
  Child<QCheckBox>(win.get(), "cbScanRecursive")->setChecked(false);
  Child<QCheckBox>(win.get(), "cbConvertGIF")->setChecked(false);
  ASSERT_TRUE(ShowGrid(win.get(), 3));
  EXPECT_EQ(Names(model), QStringList({"a.jpg", "b.jpg", "c.bmp"}));
  // Each thumbnail is the picture shrunk into the box: the pattern's red top.
  const QImage thumbnail = model->data(model->index(2), TThumbnailListModel::ThumbnailRole).value<QImage>();
  ASSERT_FALSE(thumbnail.isNull());
  EXPECT_EQ(thumbnail.size(), QSize(96, 72));
  EXPECT_GT(thumbnail.pixelColor(48, 10).red(), 180);
  EXPECT_LT(thumbnail.pixelColor(48, 10).blue(), 60);
  // And the grid draws it 1:1.
  const QImage shot = Panel(win.get())->Thumbnails()->viewport()->grab().toImage();
  int reddish = 0;
  for (int y = 0; y < shot.height(); ++y)
    for (int x = 0; x < shot.width(); ++x)
      if (shot.pixelColor(x, y).red() > 180 && shot.pixelColor(x, y).blue() < 60 && shot.pixelColor(x, y).green() < 60)
        ++reddish;
  EXPECT_GT(reddish, 3 * 96 * 30);
}

TEST_F(AlbumPanelTest, AfterARunEachThumbnailCarriesItsRowsStatus) {
  auto win = Window("ConvertGIF=0\n");
  win->SetConvertOne([this](TPixImage&, const ConversionSettings&, const std::string& source,
                            const std::string& destination, TReplaceMode replace) {
    TConvertOutcome outcome;
    if (fs::path(source).filename() == "b.jpg") {
      outcome.Reason = frCorruptData;
      return outcome;
    }
    fs::create_directories(fs::path(destination).parent_path());
    TSafeOutput output(destination, replace);
    albumtest::WriteJpeg(output.TemporaryPath(), 30, 40);
    outcome.Reason = output.Commit();
    outcome.Written = outcome.Reason == frNone;
    outcome.WrittenPath = destination;
    return outcome;
  });
  pixtest::WriteFile((m_destination / "c.jpg").string(), "old");
  win->SetAskFileExists([](const std::string&) { return FileExistsAnswer::SkipThis; });
  Child<QPushButton>(win.get(), "btnStartConvert")->click();
  ASSERT_TRUE(uitest::WaitFor([&] { return !win->Busy(); }));
  ASSERT_TRUE(ShowGrid(win.get(), 5));
  TThumbnailListModel* model = Panel(win.get())->ThumbnailModel();
  auto badge = [&](int row) { return model->data(model->index(row), TThumbnailListModel::BadgeRole).toInt(); };
  EXPECT_EQ(badge(0), TThumbnailListModel::bgConverted);
  EXPECT_EQ(badge(1), TThumbnailListModel::bgFailed);
  EXPECT_EQ(badge(2), TThumbnailListModel::bgSkipped);
  EXPECT_EQ(model->data(model->index(1), Qt::ToolTipRole).toString(), "b.jpg\nfailed: corrupt data");
  // Written ones and the file the skipped row kept.
  EXPECT_EQ(Panel(win.get())->ConvertedAlbumPaths().size(), 4u);
  // A picture added later joins the grid; the rows listed before keep their badges.
  Write(m_source / "a2.jpg");
  ASSERT_TRUE(ShowGrid(win.get(), 6));
  EXPECT_EQ(badge(0), TThumbnailListModel::bgConverted);
  EXPECT_EQ(badge(1), TThumbnailListModel::bgNone);
  EXPECT_EQ(badge(2), TThumbnailListModel::bgFailed);
}

TEST_F(AlbumPanelTest, ADoubleClickOpensThePictureFittedIntoAViewer) {
  albumtest::WriteJpeg((m_source / "big.jpg").string(), 3000, 2000);
  auto win = Window("ConvertGIF=0\nRecursive=0\n");
  ASSERT_TRUE(ShowGrid(win.get(), 4));
  TThumbnailView* grid = Panel(win.get())->Thumbnails();
  emit grid->doubleClicked(grid->model()->index(2, 0));  // a.jpg, b.jpg, big.jpg, c.bmp
  TfrmPictureViewer* viewer = nullptr;
  ASSERT_TRUE(uitest::WaitFor([&] {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* v = qobject_cast<TfrmPictureViewer*>(w); v && v->isVisible()) viewer = v;
    return viewer != nullptr && !viewer->Shown().Empty();
  }));
  viewer->resize(600, 500);
  ASSERT_TRUE(uitest::WaitFor([&] { return viewer->Shown().Width() == 600; })) << viewer->width() << "x" << viewer->height() << " shown " << viewer->Shown().Width() << "x" << viewer->Shown().Height();
  EXPECT_EQ(viewer->Shown().Height(), 400);
  viewer->close();
}

TEST_F(AlbumPanelTest, ThousandsOfItemsMakeOnlyTheThumbnailsOnTheScreen) {
  // 5000 items over three real pictures and a missing one.
  std::vector<TThumbnailListModel::TEntry> entries;
  const std::string files[] = {(m_source / "a.jpg").string(), (m_source / "b.jpg").string(),
                               (m_source / "c.bmp").string(), (m_source / "gone.jpg").string()};
  for (int i = 0; i < 5000; ++i)
    entries.push_back({QString(), QStringLiteral("p%1.jpg").arg(i), files[i % 4], std::nullopt});
  TThumbnailListModel model({.Box = 96, .Workers = 2});
  TThumbnailView view(&model, nullptr);
  view.resize(520, 400);
  view.show();
  model.SetEntries(std::move(entries));
  auto settled = [&] {
    const TThumbnailAlbum::TStats s = model.Album().Stats();
    const auto [first, last] = view.VisibleRows();
    for (int i = first; i <= last; ++i) {
      const TThumbnailAlbum::TState state = model.Album().State(i);
      if (state != TThumbnailAlbum::TState::Ready && state != TThumbnailAlbum::TState::Failed) return false;
    }
    return s.Made + s.Failed > 0;
  };
  ASSERT_TRUE(uitest::WaitFor(settled, 15000));
  const auto [first, last] = view.VisibleRows();
  EXPECT_EQ(first, 0);
  EXPECT_LT(last, 40);
  const TThumbnailAlbum::TStats top = model.Album().Stats();
  EXPECT_LE(top.Made + top.Failed, last + 1);
  EXPECT_EQ(model.Album().Failure(3), frCannotOpen);
  // To the end: the rows in between are never made.
  view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum());
  ASSERT_TRUE(uitest::WaitFor(settled, 15000));
  EXPECT_EQ(view.VisibleRows().second, 4999);
  const TThumbnailAlbum::TStats bottom = model.Album().Stats();
  EXPECT_LT(bottom.Made + bottom.Failed, 2 * (last + 1) + 10);
}
