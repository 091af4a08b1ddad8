#include "app/ui/pix_image_widget.h"

#include <QImage>
#include <QPainter>

namespace pix {

TPixImageWidget::TPixImageWidget(int width, int height, QWidget* parent) : QWidget(parent) {
  setFixedSize(width, height);
  // The view draws every pixel of the control itself, background included.
  setAttribute(Qt::WA_OpaquePaintEvent);
  m_image.AutoFit = true;
  m_image.OnInvalidate = [this] { update(); };
  m_image.SetClientSize(width, height);
}

TPixImageWidget::~TPixImageWidget() {
  // Nothing may schedule a paint of a widget that is going away.
  m_image.OnInvalidate = nullptr;
}

void TPixImageWidget::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  m_image.SetClientSize(width(), height());
}

void TPixImageWidget::paintEvent(QPaintEvent*) {
  const TBitmap& buffer = m_image.PaintBuffer();
  if (buffer.Empty()) return;
  // The buffer's block starts with its bottom row: wrapped as it is, the
  // picture is upside down, and the mirror puts it right in one copy.
  const QImage bottomUp(buffer.Bits(), buffer.Width(), buffer.Height(), static_cast<qsizetype>(buffer.RowStride()),
                        QImage::Format_BGR888);
  QPainter painter(this);
  painter.drawImage(QPoint(0, 0), bottomUp.mirrored(false, true));
}

}  // namespace pix
