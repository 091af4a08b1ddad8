#pragma once
// The slideshow: a dialog that asks what to play and how, and a full-screen
// window that puts the show's frames on the screen at the screen's rate.
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "app/logic/slideshow.h"

class QComboBox;
class QLabel;
class QRadioButton;
class QSpinBox;

namespace pix {

// "Slideshow": the source or the converted album, the transition and the
// seconds per picture. The counts tell which albums have pictures.
class TfrmSlideshowOptions : public QDialog {
  Q_OBJECT

public:
  TfrmSlideshowOptions(int sourceCount, int convertedCount, int32_t deviceWidth, int32_t deviceHeight,
                       QWidget* owner);
  bool ConvertedAlbum() const;
  TTransitionEffect Effect() const;
  int SecondsPerPicture() const;

private:
  QRadioButton* rbSourceAlbum = nullptr;
  QRadioButton* rbConvertedAlbum = nullptr;
  QComboBox* cbxTransition = nullptr;
  QSpinBox* spnSeconds = nullptr;
};

// Plays a show; Right or Space next, Left previous, P pauses and resumes,
// Escape closes. Each frame is the library's, drawn 1:1 in the middle of a
// black screen.
class TfrmSlideshow : public QWidget {
  Q_OBJECT

public:
  // options.Scale is chosen here: the largest whole enlargement of the
  // device that fits the screen the window opens on.
  TfrmSlideshow(std::vector<std::string> paths, TSlideShowOptions options, QWidget* parent = nullptr);
  ~TfrmSlideshow() override;
  TSlideShow& Show() { return *m_show; }
  // Seconds since the show started, on the window's clock.
  double Now() const;

protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

private:
  void Tick();

  std::unique_ptr<TSlideShow> m_show;
  QElapsedTimer m_clock;
  QTimer m_timer;
};

}  // namespace pix
