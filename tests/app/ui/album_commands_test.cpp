// The album commands of the window: the slideshow, printing and scanning.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>
#include <QPainter>
#include <QPointer>
#include <QPrinter>
#include <QPushButton>
#include <filesystem>

#include "app/album_fixtures.h"
#include "app/logic/print_layout.h"
#include "app/ui/album_print.h"
#include "app/ui/main_win.h"
#include "app/ui/scanner_win.h"
#include "app/ui/slideshow_win.h"
#include "support/sane_test_config.h"
#include "ui_test_support.h"

using namespace pix;
using uitest::Child;
namespace fs = std::filesystem;

namespace {

void WriteSolid(const std::string& path, int32_t w, int32_t h, TColor colour) {
  TBitmap bmp(w, h);
  bmp.Canvas().Brush.Color = colour;
  bmp.Canvas().FillRect({0, 0, w, h});
  TPixImageIO io;
  io.SetBitmap(&bmp);
  io.SaveBmpToFile(path);
}

bool Near(const QColor& a, const QColor& b) {
  return std::abs(a.red() - b.red()) <= 2 && std::abs(a.green() - b.green()) <= 2 && std::abs(a.blue() - b.blue()) <= 2;
}

QColor ColourOf(TColor c) { return QColor(RedOf(c), GreenOf(c), BlueOf(c)); }

// Closes the next message box (dialogs opened before it are left alone) and
// keeps its text.
void CloseNextMessageBox(QString* text) {
  auto* timer = new QTimer(&uitest::App());
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, timer, [timer, text] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || !box->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    *text = box->text();
    box->button(QMessageBox::Ok)->click();
  });
  timer->start();
}

void Press(QWidget* widget, int key) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QApplication::sendEvent(widget, &press);
}

// SANE's test backend drawing a colour pattern on a 60 x 80 mm page, or no backend.
class SaneTestBackend : pixtest::SaneTestConfig {
public:
  explicit SaneTestBackend(bool present = true)
      : SaneTestConfig("mode Color\ntest-picture \"Color pattern\"\nresolution 50\nbr_x 60.0\nbr_y 80.0\n", present) {}
};

const TColor kColours[] = {RGBColor(220, 30, 30), RGBColor(30, 200, 30), RGBColor(30, 30, 220),
                           RGBColor(240, 240, 20), RGBColor(20, 220, 220), RGBColor(200, 20, 200),
                           RGBColor(120, 120, 120)};

class AlbumCommandsTest : public ::testing::Test {
protected:
  AlbumCommandsTest() {
    uitest::App();
    for (int i = 0; i < 7; ++i) {
      m_paths.push_back(m_dir.File("p" + std::to_string(i) + ".bmp"));
      WriteSolid(m_paths.back(), i % 2 ? 300 : 400, i % 2 ? 400 : 300, kColours[i]);
    }
  }
  uitest::ConfigHome m_config;
  pixtest::TempDir m_dir;
  std::vector<std::string> m_paths;
};

}  // namespace

TEST_F(AlbumCommandsTest, TheSlideshowPutsTheLibrarysFramesOnABlackScreenAndAnswersItsKeys) {
  TSlideShowOptions options;
  options.DeviceWidth = 60;
  options.DeviceHeight = 80;
  options.SecondsPerPicture = 30;
  QPointer<TfrmSlideshow> show = new TfrmSlideshow({m_paths[0], m_paths[1], m_paths[2]}, options);
  show->setAttribute(Qt::WA_DeleteOnClose);
  const QSize screen = show->screen()->geometry().size();
  show->resize(screen);
  show->show();
  ASSERT_TRUE(uitest::WaitFor([&] { return show->Show().Index() == 0; }));
  // The device enlarged by the largest whole factor that fits the screen.
  const int scale = DeviceScaleFor(60, 80, screen.width(), screen.height());
  const TBitmap& frame = show->Show().Frame();
  EXPECT_EQ(frame.Width(), 60 * scale);
  EXPECT_EQ(frame.Height(), 80 * scale);
  const QPoint middle(screen.width() / 2, screen.height() / 2);
  QImage shot = show->grab().toImage();
  EXPECT_TRUE(Near(shot.pixelColor(middle), ColourOf(kColours[0])));
  EXPECT_EQ(shot.pixelColor(1, 1), QColor(0, 0, 0));
  // Frame and screen agree pixel for pixel.
  const int left = (screen.width() - frame.Width()) / 2;
  const int top = (screen.height() - frame.Height()) / 2;
  for (int y = 0; y < frame.Height(); y += 7)
    for (int x = 0; x < frame.Width(); x += 5) {
      const uint8_t* p = frame.ScanLine(y) + x * 3;
      ASSERT_EQ(shot.pixelColor(left + x, top + y), QColor(p[2], p[1], p[0])) << x << "," << y;
    }
  Press(show, Qt::Key_Right);
  ASSERT_TRUE(uitest::WaitFor([&] { return show->Show().Index() == 1 && !show->Show().InTransition(); }));
  ASSERT_TRUE(uitest::WaitFor([&] { return Near(show->grab().toImage().pixelColor(middle), ColourOf(kColours[1])); }));
  Press(show, Qt::Key_Left);
  ASSERT_TRUE(uitest::WaitFor([&] { return show->Show().Index() == 0; }));
  Press(show, Qt::Key_P);
  EXPECT_TRUE(show->Show().Paused());
  Press(show, Qt::Key_Space);
  ASSERT_TRUE(uitest::WaitFor([&] { return show->Show().Index() == 1; }));
  Press(show, Qt::Key_Escape);
  ASSERT_TRUE(uitest::WaitFor([&] { return show.isNull(); }));
}

TEST_F(AlbumCommandsTest, APrintedPageHoldsEachPictureResampledToItsCellWithItsName) {
  // A letter page of 8.5 x 11 inches at 100 dpi, drawn onto an image.
  QImage page(850, 1100, QImage::Format_RGB32);
  page.fill(Qt::white);
  const TPrintPage geometry{850, 1100, 100, 100};
  QPainter painter(&page);
  const std::vector<std::string> six(m_paths.begin(), m_paths.begin() + 6);
  EXPECT_EQ(PaintAlbumPage(painter, geometry, kSheetGrids[1], true, six), 6);
  painter.end();
  const std::vector<TPrintCell> cells = LayoutSheet(geometry, kSheetGrids[1], QFontMetrics(CaptionFont(), &page).height());
  ASSERT_EQ(cells.size(), 6u);
  for (int i = 0; i < 6; ++i) {
    const TPrintCell& cell = cells[static_cast<size_t>(i)];
    const TFitSize size = PrintedSize(i % 2 ? 300 : 400, i % 2 ? 400 : 300, cell.Picture, 100, 100);
    const TRect at = CentredIn(cell.Picture, size);
    const QColor expected = ColourOf(kColours[i]);
    // Inside the fitted picture its colour; just outside it, paper.
    EXPECT_TRUE(Near(page.pixelColor(at.Left, at.Top), expected)) << i;
    EXPECT_TRUE(Near(page.pixelColor(at.Right - 1, at.Bottom - 1), expected)) << i;
    if (at.Left > cell.Picture.Left) {
      EXPECT_EQ(page.pixelColor(at.Left - 1, at.Top + 10), QColor(Qt::white)) << i;
    }
    if (at.Top > cell.Picture.Top) {
      EXPECT_EQ(page.pixelColor(at.Left + 10, at.Top - 1), QColor(Qt::white)) << i;
    }
    // Something dark is written in the caption line.
    bool ink = false;
    for (int y = cell.Caption.Top; y < cell.Caption.Bottom && !ink; ++y)
      for (int x = cell.Caption.Left; x < cell.Caption.Right && !ink; ++x) ink = page.pixelColor(x, y).value() < 128;
    EXPECT_TRUE(ink) << i;
  }
}

TEST_F(AlbumCommandsTest, AContactSheetPrintsAsManyPagesAsItNeeds) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setResolution(150);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(QString::fromStdString(m_dir.File("sheet.pdf")));
  TPrintJob job;
  job.Paths = m_paths;
  job.Grid = kSheetGrids[1];
  ASSERT_TRUE(PrintAlbum(printer, job));
  const std::string pdf = pixtest::ReadFile(m_dir.File("sheet.pdf"));
  size_t pages = 0;
  for (size_t at = pdf.find("/Type /Page"); at != std::string::npos; at = pdf.find("/Type /Page", at + 1))
    if (pdf.compare(at, 12, "/Type /Pages") != 0) ++pages;
  EXPECT_EQ(pages, 2u);
  EXPECT_EQ(PageOf(printer).DpiX, 150);
}

TEST_F(AlbumCommandsTest, AScanIsShownAndSavedIntoTheSourceFolderUnderTheNextFreeName) {
  SaneTestBackend backend;
  pixtest::WriteFile(m_dir.File("scan_1.jpg"), "taken");
  std::vector<std::string> saved;
  TfrmScanner scanner([this] { return m_dir.Path().string(); }, [&](const std::string& p) { saved.push_back(p); },
                      nullptr);
  scanner.show();
  auto* device = Child<QComboBox>(&scanner, "cbxScanner");
  auto* scan = Child<QPushButton>(&scanner, "btnScan");
  ASSERT_TRUE(uitest::WaitFor([&] { return device->count() == 1 && scan->isEnabled(); }, 30000))
      << scanner.StatusText().toStdString();
  auto* resolution = Child<QComboBox>(&scanner, "cbxResolution");
  auto* mode = Child<QComboBox>(&scanner, "cbxScanMode");
  EXPECT_EQ(resolution->currentData().toInt(), 50);
  resolution->setCurrentIndex(resolution->findData(75));
  mode->setCurrentIndex(mode->findData(QStringLiteral("Gray")));
  scan->click();
  auto* save = Child<QPushButton>(&scanner, "btnSaveScan");
  ASSERT_TRUE(uitest::WaitFor([&] { return save->isEnabled(); }, 30000)) << scanner.StatusText().toStdString();
  save->click();
  ASSERT_EQ(saved.size(), 1u) << scanner.StatusText().toStdString();
  EXPECT_EQ(saved[0], m_dir.File("scan_2.jpg"));
  albumtest::Decoded decoded;
  albumtest::Decode(saved[0], decoded);
  ASSERT_EQ(decoded.Kind, albumtest::FileKind::Jpeg);
  EXPECT_NEAR(decoded.Width(), 177, 2);  // 60 mm at 75 dpi
  EXPECT_NEAR(decoded.Height(), 236, 2);
  save->click();
  ASSERT_EQ(saved.size(), 2u);
  EXPECT_EQ(saved[1], m_dir.File("scan_3.jpg"));
}

TEST_F(AlbumCommandsTest, WithoutAScannerTheMenuSaysThereIsNone) {
  SaneTestBackend none(false);
  m_config.Write("[Settings]\nSource=" + m_dir.Path().string() + "\n");
  TfrmMainWin win;
  win.show();
  QString text;
  CloseNextMessageBox(&text);
  win.findChild<QAction*>(QStringLiteral("AcquireFromScanner1"))->trigger();
  EXPECT_EQ(text, "No scanner was found. Connect a scanner, switch it on and try again.");
}
