#pragma once
// The image view: owns the working image and its two planes, and tells its
// clients (processing and I/O components) when it replaces the bitmap or goes away.
#include <functional>
#include <memory>
#include <vector>

#include "imaging/bitmap.h"
#include "imaging/pix_defs.h"
#include "imaging/pix_mask.h"

namespace pix {

class TPixView;

enum TPixBackgroundStyle { pbsSolid, pbsCropped, pbsCropShadow };

// Implemented by components that hold references into a view.
class TPixViewClient {
public:
  virtual ~TPixViewClient() = default;
  // The view replaced its bitmap or alpha plane: re-read both references.
  virtual void ViewBitmapChanged(TPixView& view) = 0;
  // The view is being destroyed: drop every reference into it.
  virtual void ViewGoingAway(TPixView& view) = 0;
};

class TPixView : public TPixObject {
public:
  TPixView();
  ~TPixView() override;
  TPixView(const TPixView&) = delete;
  TPixView& operator=(const TPixView&) = delete;

  TBitmap* CurrentBitmap() { return m_bitmap.get(); }
  // Replaces the bitmap (the view owns it) and notifies clients.
  void SetBitmap(std::unique_ptr<TBitmap> bitmap);

  TPixMask& SelectionMask() { return m_selection; }
  TPixMask* AlphaPlane() { return m_alpha.get(); }
  bool EnableAlphaChannel() const { return m_enableAlpha; }
  void SetEnableAlphaChannel(bool on) { m_enableAlpha = on; }

  // 0x00BBGGRR, or a system colour resolved when used; button face by default.
  TColor Background() const { return m_background; }
  void SetBackground(TColor c) { m_background = c; }
  // Multi-image views ignore background writes from the I/O component.
  virtual bool IsMultiView() const { return false; }

  int DpiX() const { return m_dpiX; }
  int DpiY() const { return m_dpiY; }
  // Each value is taken only when non-zero.
  void SetResolution(int dpiX, int dpiY);

  void AddClient(TPixViewClient* client);
  void RemoveClient(TPixViewClient* client);

  // The image changed: refresh the display, then run the image-changed step.
  void Update();
  // Recomputes fitting and geometry (bringing the planes to the bitmap's size
  // when it changed) and marks the back buffer out of date.
  virtual void UpdateView();

  // Display state.
  bool AutoFit = false;
  bool Center = false;
  TResampleFilter ZoomFilter = rfNone;
  bool DelayZoomFilter = true;
  TPixBackgroundStyle BackgroundStyle = pbsSolid;
  bool DoubleBuffer = true;
  double Zoom() const { return m_zoom; }
  void SetZoom(double zoom);
  int32_t DisplayedWidth() const { return m_displayedWidth; }
  int32_t DisplayedHeight() const { return m_displayedHeight; }
  int32_t DrawnWidth() const { return m_drawnWidth; }
  int32_t DrawnHeight() const { return m_drawnHeight; }
  int32_t ViewX() const { return m_viewX; }
  int32_t ViewY() const { return m_viewY; }

  // The control's client area; a change refits.
  void SetClientSize(int32_t width, int32_t height);
  int32_t ClientWidth() const { return m_clientWidth; }
  int32_t ClientHeight() const { return m_clientHeight; }
  // The picture to put on the screen unstretched (24-bit, client size); drawn
  // first when out of date.
  const TBitmap& PaintBuffer();
  // Called when the display needs repainting (the widget schedules a paint).
  std::function<void()> OnInvalidate;

protected:
  virtual void ImageChanged() {}
  // Re-creates the planes when the bitmap's size differs from what was last seen.
  void SyncPlanes();
  void NotifyBitmapChanged();

private:
  void Fit();
  void ComputeGeometry();
  void MapSource(int32_t& sourceWidth, int32_t& sourceHeight, int32_t& drawnWidth, int32_t& drawnHeight) const;
  void DrawBackBuffer();

  std::unique_ptr<TBitmap> m_bitmap;
  TPixMask m_selection;
  std::unique_ptr<TPixMask> m_alpha;
  bool m_enableAlpha = false;
  TColor m_background = clBtnFace;
  int m_dpiX;
  int m_dpiY;
  std::vector<TPixViewClient*> m_clients;

  double m_zoom = 100.0;
  double m_zoomFactor = 1.0;
  double m_zoomInverse = 1.0;
  int32_t m_displayedWidth = 0;
  int32_t m_displayedHeight = 0;
  int32_t m_viewX = 0;
  int32_t m_viewY = 0;
  int32_t m_drawnWidth = 0;
  int32_t m_drawnHeight = 0;
  int32_t m_clientWidth = 0;
  int32_t m_clientHeight = 0;
  int32_t m_lastWidth = -1;
  int32_t m_lastHeight = -1;
  TBitmap m_backBuffer;
  std::vector<uint8_t*> m_backRows;
  bool m_backBufferValid = false;
};

// The view class the composite image builds on; fires OnImageChange.
class TPixImageView : public TPixView {
public:
  TNotifyEvent OnImageChange;

protected:
  void ImageChanged() override {
    if (OnImageChange) OnImageChange(this);
  }
};

// Stand-in for a plain picture control: it just holds a bitmap.
class TPixPicture : public TPixObject {
public:
  TBitmap& Bitmap() { return m_bitmap; }

private:
  TBitmap m_bitmap;
};

}  // namespace pix
