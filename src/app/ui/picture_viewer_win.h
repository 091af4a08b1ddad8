#pragma once
// A window that shows one picture fitted into it: loaded once at no more than
// the screen's size, and resampled by the library (rfMitchell) to fit the
// window each time its size settles. Never enlarged beyond the picture's size.
#include <QTimer>
#include <QWidget>
#include <string>

#include "imaging/bitmap.h"
#include "imaging/failure_reason.h"

namespace pix {

class TBitmapWidget;

class TfrmPictureViewer : public QWidget {
  Q_OBJECT

public:
  // Loads path at once; a picture that cannot be read shows why instead.
  explicit TfrmPictureViewer(const std::string& path, QWidget* parent = nullptr);
  TFailureReason LoadFailure() const { return m_failure; }
  // The picture as shown now (fitted to the window).
  const TBitmap& Shown() const { return m_shown; }

protected:
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

private:
  void Refit();

  TBitmap m_picture;  // as loaded: within the screen's size
  TBitmap m_shown;
  TFailureReason m_failure = frNone;
  TBitmapWidget* imgPicture = nullptr;
  QTimer m_refit;
};

// Opens a viewer window for the picture (deleted when closed).
void ShowPicture(const std::string& path, QWidget* owner);

}  // namespace pix
