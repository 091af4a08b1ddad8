#pragma once
// A slideshow of an album as a handheld shows it: each picture fitted into the
// device's screen, centred on black, one after the other with a transition.
// Qt-free and driven by the caller's clock: the window asks for the frame of
// the moment at its own frame rate and puts it on the screen as it is. Slides
// are made ahead on a thread of the show's own.
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "imaging/bitmap.h"
#include "imaging/failure_reason.h"
#include "imaging/transition.h"
#include "io/pix_image.h"

namespace pix {

struct TSlideShowOptions {
  int32_t DeviceWidth = 240;   // the handheld's screen in pixels
  int32_t DeviceHeight = 320;
  int Scale = 1;               // each device pixel shown as Scale x Scale screen pixels
  TTransitionEffect Effect = teCrossFade;
  double SecondsPerPicture = 4.0;   // how long a picture stands still
  double TransitionSeconds = 0.8;   // how long the change to the next one takes
  bool Loop = true;                 // after the last picture comes the first
};

// The largest whole number by which a device screen can be enlarged on a
// screen of screenWidth x screenHeight; at least 1.
int DeviceScaleFor(int32_t deviceWidth, int32_t deviceHeight, int32_t screenWidth, int32_t screenHeight);

// The slide of one picture file: the picture shrunk with rfMitchell to fit
// width x height when it is larger (never enlarged), centred on black. On
// failure the slide is plain black and the reason is returned. Never throws
// but for EPixOutOfMemory of the slide itself.
TFailureReason MakeSlide(TPixImage& image, const std::string& path, int32_t width, int32_t height, TBitmap& slide);

class TSlideShow {
public:
  // Starts making the first slides at once.
  TSlideShow(std::vector<std::string> paths, TSlideShowOptions options);
  // Waits for the slide being made.
  ~TSlideShow();
  TSlideShow(const TSlideShow&) = delete;
  TSlideShow& operator=(const TSlideShow&) = delete;

  // Moves the show to time now (seconds on any clock that never goes back):
  // shows the first picture once it is made, starts the next picture's
  // transition when the current one has stood its time, and draws the frame
  // of the moment. True when Frame() changed.
  bool Advance(double now);
  // The screen's picture: device size times Scale, TrueColor; black until the
  // first slide is made.
  const TBitmap& Frame() const { return m_frame; }

  // The next or previous picture at once (a transition going on is completed
  // first); at either end of a show without Loop nothing happens.
  void Next(double now);
  void Previous(double now);
  void SetPaused(bool paused, double now);
  bool Paused() const { return m_paused; }

  int Count() const { return static_cast<int>(m_paths.size()); }
  // The picture shown, or the one the transition going on leads to; -1
  // before the first is shown.
  int Index() const { return m_target >= 0 ? m_target : m_shown; }
  const std::string& Path(int index) const { return m_paths.at(static_cast<size_t>(index)); }
  // Why the slide of the picture at index is black (frNone when it is fine or
  // not made yet).
  TFailureReason Failure(int index) const;
  // True while a transition is going on.
  bool InTransition() const { return m_transitionStart >= 0; }
  // True once the slide of index is made (for tests and for waiting).
  bool SlideReady(int index) const;

private:
  struct TSlide {
    std::shared_ptr<const TBitmap> Bitmap;
    TFailureReason Reason = frNone;
  };

  void LoaderLoop();
  // The slides to keep and make: the one shown, its neighbours and the target.
  void WantAround();
  std::shared_ptr<const TBitmap> ReadySlide(int index) const;
  void Go(int index, double now);
  void Complete(double now);
  void StartTransition(double now);
  void Present();
  int Step(int index, int by) const;

  const std::vector<std::string> m_paths;
  const TSlideShowOptions m_options;

  int m_shown = -1;
  int m_target = -1;
  double m_stillSince = 0;
  double m_transitionStart = -1;
  bool m_paused = false;
  double m_pausedAt = 0;
  TBitmap m_from;
  std::shared_ptr<const TBitmap> m_to;
  TBitmap m_device;
  TBitmap m_frame;

  mutable std::mutex m_mutex;
  std::condition_variable m_wake;
  std::map<int, TSlide> m_slides;
  std::vector<int> m_wanted;
  bool m_stopping = false;
  std::thread m_loader;
};

}  // namespace pix
