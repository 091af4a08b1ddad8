#include <gtest/gtest.h>

#include <QImage>
#include <QPalette>
#include <QPixmap>

#include "app/album_fixtures.h"
#include "app/ui/pix_image_widget.h"
#include "app/ui/platform_bindings.h"
#include "ui_test_support.h"

using namespace pix;

namespace {

// A preview whose background resolves through a palette with a distinct
// button colour.
class PreviewTest : public ::testing::Test {
protected:
  PreviewTest() {
    uitest::App();
    InstallPlatformBindings();
    QPalette palette = QGuiApplication::palette();
    palette.setColor(QPalette::Button, kButton);
    QGuiApplication::setPalette(palette);
  }
  ~PreviewTest() override {
    ResetPlatformBindings();
    QGuiApplication::setPalette(QPalette());
  }

  // Puts the orientation pattern of w x h into the component, as a load does.
  static void Show(TPixImage& image, int32_t w, int32_t h) {
    albumtest::PaintOrientationPattern(*image.CurrentBitmap(), w, h);
    image.Update();
  }

  static bool Near(const QColor& c, int r, int g, int b) {
    return std::abs(c.red() - r) < 8 && std::abs(c.green() - g) < 8 && std::abs(c.blue() - b) < 8;
  }

  static inline const QColor kButton{10, 200, 30};
};

class CountingPreview : public TPixImageWidget {
public:
  CountingPreview() : TPixImageWidget(100, 100) {}
  int Paints = 0;

protected:
  void paintEvent(QPaintEvent* event) override {
    ++Paints;
    TPixImageWidget::paintEvent(event);
  }
};

}  // namespace

TEST_F(PreviewTest, ALargePhotoShowsUprightAtTheTopLeftWithTheButtonFaceBelow) {
  TPixImageWidget preview(100, 100);
  Show(preview.Image(), 1600, 1200);
  const QImage shot = preview.grab().toImage();
  ASSERT_EQ(shot.size(), QSize(100, 100));
  // 100 x 75 of picture: green corner, red top half, blue bottom half.
  EXPECT_TRUE(Near(shot.pixelColor(3, 3), 0, 200, 0));
  EXPECT_TRUE(Near(shot.pixelColor(60, 10), 220, 0, 0));
  EXPECT_TRUE(Near(shot.pixelColor(60, 70), 0, 0, 220));
  EXPECT_TRUE(Near(shot.pixelColor(99, 74), 0, 0, 220));
  for (int y = 75; y < 100; ++y) ASSERT_EQ(shot.pixelColor(50, y), kButton) << y;
}

TEST_F(PreviewTest, ChangesOfTheImageAreDrawnWhenMessagesAreProcessed) {
  CountingPreview preview;
  preview.show();
  ASSERT_TRUE(uitest::WaitFor([&] { return preview.Paints > 0; }));
  preview.Paints = 0;
  Show(preview.Image(), 100, 100);
  // Nothing is drawn in the middle of an operation, only once the loop runs.
  EXPECT_EQ(preview.Paints, 0);
  EXPECT_TRUE(uitest::WaitFor([&] { return preview.Paints > 0; }));
}
