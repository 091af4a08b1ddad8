#include "app/ui/picture_viewer_win.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

#include "app/logic/fitted_picture.h"
#include "app/ui/bitmap_widget.h"
#include "imaging/fit_box.h"
#include "io/pix_image.h"

namespace pix {

namespace {

constexpr int kRefitDelayMs = 60;

}  // namespace

TfrmPictureViewer::TfrmPictureViewer(const std::string& path, QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("frmPictureViewer"));
  setAttribute(Qt::WA_DeleteOnClose);
  const QString name = QFile::decodeName(QByteArray::fromStdString(path));
  setWindowTitle(name.section(QLatin1Char('/'), -1) + QStringLiteral(" - Pixfold"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  imgPicture = new TBitmapWidget(this);
  imgPicture->setObjectName(QStringLiteral("imgPicture"));
  imgPicture->SetFill(QColor(40, 40, 40));
  layout->addWidget(imgPicture);

  const QScreen* screen = parent ? parent->screen() : QApplication::primaryScreen();
  const QSize room = screen ? screen->availableGeometry().size() * screen->devicePixelRatio() : QSize(1920, 1080);
  {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    TPixImage image;
    m_failure = LoadFittedPicture(image, path, room.width(), room.height(), false, m_picture);
    QApplication::restoreOverrideCursor();
  }
  if (m_failure != frNone) {
    auto* why = new QLabel(tr("%1 cannot be shown: %2").arg(name, QString::fromStdString(LocalFailureText(m_failure))),
                           this);
    why->setObjectName(QStringLiteral("lblViewerFailure"));
    why->setAlignment(Qt::AlignCenter);
    layout->addWidget(why);
  }
  m_refit.setSingleShot(true);
  m_refit.setInterval(kRefitDelayMs);
  connect(&m_refit, &QTimer::timeout, this, &TfrmPictureViewer::Refit);
  // Opens at the picture's size where the screen has room, else smaller.
  const QSize wanted = QSize(std::max(m_picture.Width(), 320), std::max(m_picture.Height(), 240));
  resize(wanted.boundedTo(screen ? screen->availableGeometry().size() * 9 / 10 : QSize(1280, 900)));
  Refit();
}

void TfrmPictureViewer::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  // Resampling follows the size once it settles, not every step of a drag.
  m_refit.start();
}

void TfrmPictureViewer::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    close();
    return;
  }
  QWidget::keyPressEvent(event);
}

void TfrmPictureViewer::Refit() {
  if (m_picture.Empty()) return;
  const qreal ratio = imgPicture->devicePixelRatioF();
  const TFitSize size = FitIntoBox(m_picture.Width(), m_picture.Height(), static_cast<int32_t>(imgPicture->width() * ratio),
                                   static_cast<int32_t>(imgPicture->height() * ratio), false);
  if (size.Width < 1 || size.Height < 1) return;
  if (size.Width == m_shown.Width() && size.Height == m_shown.Height()) return;
  TPixImage image;
  image.SetAutoUndo(false);
  CopyImage(m_picture, *image.CurrentBitmap());
  image.Update();
  if (size.Width != m_picture.Width() || size.Height != m_picture.Height())
    image.ResampleToSize(size.Width, size.Height, rfMitchell);
  m_shown.SwapContent(*image.CurrentBitmap());
  imgPicture->SetPicture(m_shown);
}

void ShowPicture(const std::string& path, QWidget* owner) {
  auto* viewer = new TfrmPictureViewer(path, owner);
  viewer->show();
  viewer->raise();
  viewer->activateWindow();
}

}  // namespace pix
