#pragma once
// Putting the library's pictures on the screen or paper as they are: a copy
// as a QImage, and a widget that shows one picture 1:1.
#include <QImage>
#include <QWidget>
#include <memory>

#include "imaging/bitmap.h"

namespace pix {

// A copy of a TrueColor bitmap as a QImage, top row first; a null image for
// an empty bitmap or another format.
QImage ImageOf(const TBitmap& bitmap);

// Shows a picture unscaled in its centre (in device pixels), the rest of the
// widget filled with one colour. The widget keeps its own copy.
class TBitmapWidget : public QWidget {
  Q_OBJECT

public:
  explicit TBitmapWidget(QWidget* parent = nullptr);
  void SetPicture(const TBitmap& picture);
  void SetFill(const QColor& colour);
  const QImage& Picture() const { return m_picture; }

protected:
  void paintEvent(QPaintEvent* event) override;

private:
  QImage m_picture;
  QColor m_fill = Qt::black;
};

}  // namespace pix
