#include "app/ui/bitmap_widget.h"

#include <QPainter>

namespace pix {

QImage ImageOf(const TBitmap& bitmap) {
  if (bitmap.Empty() || bitmap.PixelFormat() != TPixelFormat::TrueColor) return {};
  // The block starts with the bottom row: wrapped as it is the picture is
  // upside down, and the mirror puts it right in one copy.
  const QImage bottomUp(bitmap.Bits(), bitmap.Width(), bitmap.Height(), static_cast<qsizetype>(bitmap.RowStride()),
                        QImage::Format_BGR888);
  return bottomUp.mirrored(false, true);
}

TBitmapWidget::TBitmapWidget(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_OpaquePaintEvent); }

void TBitmapWidget::SetPicture(const TBitmap& picture) {
  m_picture = ImageOf(picture);
  update();
}

void TBitmapWidget::SetFill(const QColor& colour) {
  m_fill = colour;
  update();
}

void TBitmapWidget::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), m_fill);
  if (m_picture.isNull()) return;
  // Device pixels: on a scaled screen the picture is still drawn 1:1.
  QImage shown = m_picture;
  const qreal ratio = devicePixelRatioF();
  shown.setDevicePixelRatio(ratio);
  // Whole device pixels: a picture put between pixels would be smoothed.
  const int left = (static_cast<int>(width() * ratio) - shown.width()) / 2;
  const int top = (static_cast<int>(height() * ratio) - shown.height()) / 2;
  painter.drawImage(QPointF(left / ratio, top / ratio), shown);
}

}  // namespace pix
