#include "app/logic/slideshow.h"

#include <algorithm>

#include "app/logic/fitted_picture.h"
#include "imaging/fit_box.h"
#include "imaging/stretch_plain.h"

namespace pix {

namespace {

// Frames of a transition are counted in these steps; any frame rate finds
// its moment among them.
constexpr int kTransitionSteps = 1000;
const TColor kBlack = RGBColor(0, 0, 0);

}  // namespace

int DeviceScaleFor(int32_t deviceWidth, int32_t deviceHeight, int32_t screenWidth, int32_t screenHeight) {
  if (deviceWidth < 1 || deviceHeight < 1) return 1;
  return std::max(1, std::min(screenWidth / deviceWidth, screenHeight / deviceHeight));
}

TFailureReason MakeSlide(TPixImage& image, const std::string& path, int32_t width, int32_t height, TBitmap& slide) {
  TBitmap picture;
  const TFailureReason reason = LoadFittedPicture(image, path, width, height, false, picture);
  Letterbox(picture, width, height, kBlack, slide);
  return reason;
}

TSlideShow::TSlideShow(std::vector<std::string> paths, TSlideShowOptions options)
    : m_paths(std::move(paths)), m_options(options) {
  const int scale = std::max(1, m_options.Scale);
  m_device.Allocate(m_options.DeviceWidth, m_options.DeviceHeight, TPixelFormat::TrueColor);
  m_frame.Allocate(m_options.DeviceWidth * scale, m_options.DeviceHeight * scale, TPixelFormat::TrueColor);
  WantAround();
  m_loader = std::thread([this] { LoaderLoop(); });
}

TSlideShow::~TSlideShow() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_stopping = true;
  }
  m_wake.notify_all();
  m_loader.join();
}

TFailureReason TSlideShow::Failure(int index) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  auto found = m_slides.find(index);
  return found == m_slides.end() ? frNone : found->second.Reason;
}

bool TSlideShow::SlideReady(int index) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_slides.count(index) != 0;
}

std::shared_ptr<const TBitmap> TSlideShow::ReadySlide(int index) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  auto found = m_slides.find(index);
  return found == m_slides.end() ? nullptr : found->second.Bitmap;
}

int TSlideShow::Step(int index, int by) const {
  const int count = Count();
  int next = index + by;
  if (next < 0) next = m_options.Loop ? count - 1 : -1;
  if (next >= count) next = m_options.Loop ? 0 : -1;
  return next == index ? -1 : next;
}

void TSlideShow::WantAround() {
  std::vector<int> wanted;
  if (m_shown < 0) {
    wanted = {0, Step(0, 1)};
  } else {
    // The picture being moved to first, then the neighbours a key may ask for.
    wanted = {m_target, m_shown, Step(m_shown, 1), Step(m_shown, -1)};
    if (m_target >= 0) wanted.push_back(Step(m_target, 1));
  }
  std::vector<int> kept;
  for (int index : wanted)
    if (index >= 0 && index < Count() && std::find(kept.begin(), kept.end(), index) == kept.end())
      kept.push_back(index);
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_wanted = std::move(kept);
    for (auto it = m_slides.begin(); it != m_slides.end();)
      it = std::find(m_wanted.begin(), m_wanted.end(), it->first) == m_wanted.end() ? m_slides.erase(it) : std::next(it);
  }
  m_wake.notify_all();
}

void TSlideShow::LoaderLoop() {
  TPixImage image;
  image.SetAutoUndo(false);
  for (;;) {
    int index = -1;
    {
      std::unique_lock<std::mutex> lock(m_mutex);
      auto missing = [this] {
        for (int i : m_wanted)
          if (!m_slides.count(i)) return i;
        return -1;
      };
      m_wake.wait(lock, [&] { return m_stopping || missing() >= 0; });
      if (m_stopping) return;
      index = missing();
    }
    TSlide slide;
    auto bitmap = std::make_shared<TBitmap>();
    try {
      slide.Reason = MakeSlide(image, m_paths[static_cast<size_t>(index)], m_options.DeviceWidth,
                               m_options.DeviceHeight, *bitmap);
      slide.Bitmap = std::move(bitmap);
    } catch (const EPixOutOfMemory&) {
      // Shown as a black slide; the show goes on.
      slide.Reason = frOutOfMemory;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    if (std::find(m_wanted.begin(), m_wanted.end(), index) != m_wanted.end()) m_slides[index] = std::move(slide);
  }
}

void TSlideShow::Present() {
  const int scale = std::max(1, m_options.Scale);
  if (scale == 1) {
    CopyImage(m_device, m_frame);
    return;
  }
  m_frame.ReshapeForOverwrite(m_device.Width() * scale, m_device.Height() * scale, TPixelFormat::TrueColor);
  // A whole-number enlargement by the plain stretch repeats every pixel
  // exactly scale x scale times.
  StretchPlain(m_device, m_frame);
}

void TSlideShow::Complete(double now) {
  if (m_to)
    CopyImage(*m_to, m_device);
  else
    m_device.Allocate(m_options.DeviceWidth, m_options.DeviceHeight, TPixelFormat::TrueColor);
  m_shown = m_target;
  m_target = -1;
  m_transitionStart = -1;
  m_to.reset();
  m_stillSince = now;
  WantAround();
}

void TSlideShow::StartTransition(double now) {
  if (!SlideReady(m_target)) return;
  m_to = ReadySlide(m_target);
  // From what is on the screen, so a transition cut short by a key leads on
  // smoothly from where it stood.
  CopyImage(m_device, m_from);
  m_transitionStart = now;
  if (m_options.Effect == teCut || m_options.TransitionSeconds <= 0 || !m_to) Complete(now);
}

bool TSlideShow::Advance(double now) {
  if (m_paths.empty()) return false;
  if (m_shown < 0) {
    if (!SlideReady(0)) return false;
    m_target = 0;
    m_to = ReadySlide(0);
    Complete(now);
    Present();
    return true;
  }
  if (InTransition()) {
    const double elapsed = (now - m_transitionStart) / m_options.TransitionSeconds;
    if (elapsed >= 1.0) {
      Complete(now);
    } else {
      const int k = std::clamp(static_cast<int>(elapsed * kTransitionSteps), 0, kTransitionSteps - 1);
      TransitionFrame(m_from, *m_to, m_options.Effect, k, kTransitionSteps, m_device);
    }
    Present();
    return true;
  }
  if (m_target < 0 && !m_paused && now - m_stillSince >= m_options.SecondsPerPicture) {
    const int next = Step(m_shown, 1);
    if (next >= 0) {
      m_target = next;
      WantAround();
    }
  }
  if (m_target < 0 || !SlideReady(m_target)) return false;
  StartTransition(now);
  if (InTransition()) return false;
  Present();
  return true;
}

void TSlideShow::Go(int index, double now) {
  if (InTransition()) {
    Complete(now);
    Present();
  }
  if (index < 0) return;
  // Back to the picture on the screen: nothing to move to.
  m_target = index == m_shown ? -1 : index;
  WantAround();
}

void TSlideShow::Next(double now) {
  if (m_shown < 0) return;
  Go(Step(Index(), 1), now);
}

void TSlideShow::Previous(double now) {
  if (m_shown < 0) return;
  Go(Step(Index(), -1), now);
}

void TSlideShow::SetPaused(bool paused, double now) {
  if (paused == m_paused) return;
  m_paused = paused;
  if (paused)
    m_pausedAt = now;
  else
    m_stillSince += now - m_pausedAt;
}

}  // namespace pix
