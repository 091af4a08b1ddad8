#pragma once
// The image control of the main window: a composite image component that
// shows its working image fitted into the widget.
#include <QWidget>

#include "io/pix_image.h"

namespace pix {

class TPixImageWidget : public QWidget {
  Q_OBJECT

public:
  // A width x height control whose image fits itself into the control (AutoFit).
  TPixImageWidget(int width, int height, QWidget* parent = nullptr);
  ~TPixImageWidget() override;

  // The component every operation goes through; it lives as long as the widget.
  TPixImage& Image() { return m_image; }

protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

private:
  TPixImage m_image;
};

}  // namespace pix
