// The view's display: fitting the image into the client area, the mapping from
// image to screen, and the nearest-pixel drawing of the back buffer.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "imaging/pix_view.h"

namespace pix {

namespace {

constexpr int64_t kStepOne = 16384;  // 14-bit fixed point

int32_t RoundHalfEven(long double v) { return static_cast<int32_t>(std::nearbyint(v)); }

}  // namespace

void TPixView::SetZoom(double zoom) {
  if (zoom <= 0) return;
  m_zoom = zoom;
  m_zoomFactor = m_zoom / 100.0;
  m_zoomInverse = 100.0 / m_zoom;
  UpdateView();
}

void TPixView::SetClientSize(int32_t width, int32_t height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == m_clientWidth && height == m_clientHeight) return;
  m_clientWidth = width;
  m_clientHeight = height;
  UpdateView();
}

void TPixView::UpdateView() {
  Fit();
  ComputeGeometry();
}

void TPixView::Fit() {
  const TBitmap& bmp = *m_bitmap;
  if (!AutoFit || bmp.Width() < 1 || bmp.Height() < 1) return;
  // Only the solid style is drawn without an edge.
  int32_t margin = BackgroundStyle == pbsSolid ? 0 : (BackgroundStyle == pbsCropShadow ? 5 : 2);
  long double availW = m_clientWidth - 2 * margin;
  long double availH = m_clientHeight - 2 * margin;
  long double zoomH = availH / (static_cast<long double>(bmp.Height()) / 100.0L);
  long double zoomW = availW / (static_cast<long double>(bmp.Width()) / 100.0L);
  long double zoom = std::min(zoomH, zoomW);
  if (zoom < 1.0L) zoom = 1.0L;
  m_zoom = static_cast<double>(zoom);
  m_zoomFactor = m_zoom / 100.0;
  m_zoomInverse = 100.0 / m_zoom;
}

void TPixView::ComputeGeometry() {
  const TBitmap& bmp = *m_bitmap;
  if (bmp.Width() != m_lastWidth || bmp.Height() != m_lastHeight) {
    m_lastWidth = bmp.Width();
    m_lastHeight = bmp.Height();
    SyncPlanes();
  }
  m_displayedWidth = RoundHalfEven(static_cast<long double>(bmp.Width()) * m_zoomFactor);
  m_displayedHeight = RoundHalfEven(static_cast<long double>(bmp.Height()) * m_zoomFactor);
  m_drawnWidth = std::min(m_displayedWidth, m_clientWidth);
  m_drawnHeight = std::min(m_displayedHeight, m_clientHeight);
  m_backBufferValid = false;
  if (OnInvalidate) OnInvalidate();
}

// Visible source extent and the drawn extent it needs, per axis.
void TPixView::MapSource(int32_t& sourceWidth, int32_t& sourceHeight, int32_t& drawnWidth,
                         int32_t& drawnHeight) const {
  const TBitmap& bmp = *m_bitmap;
  auto axis = [this](int32_t imageSize, int32_t displayed, int32_t origin, int32_t& source, int32_t& drawn) {
    source = 0;
    if (displayed <= 0 || drawn <= 0) return;
    double ratio = static_cast<double>(imageSize) / static_cast<double>(displayed);
    source = RoundHalfEven(static_cast<long double>(ratio) * drawn);
    if (origin + source > imageSize) --source;
    if (m_zoom > 100.0) {
      int32_t extent = drawn;
      drawn = RoundHalfEven(static_cast<long double>(source) * m_zoomFactor);
      if (drawn < extent && origin + source < imageSize) {
        ++source;
        drawn = RoundHalfEven(static_cast<long double>(source) * m_zoomFactor);
      }
    }
  };
  drawnWidth = m_drawnWidth;
  drawnHeight = m_drawnHeight;
  axis(bmp.Width(), m_displayedWidth, m_viewX, sourceWidth, drawnWidth);
  axis(bmp.Height(), m_displayedHeight, m_viewY, sourceHeight, drawnHeight);
}

const TBitmap& TPixView::PaintBuffer() {
  if (!m_backBufferValid) {
    try {
      DrawBackBuffer();
    } catch (const EPixException&) {
      // A failed draw keeps what was drawn so far.
    }
    m_backBufferValid = true;
  }
  return m_backBuffer;
}

void TPixView::DrawBackBuffer() {
  if (m_backBuffer.Width() != m_clientWidth || m_backBuffer.Height() != m_clientHeight ||
      m_backBuffer.PixelFormat() != TPixelFormat::TrueColor) {
    m_backBuffer.Allocate(m_clientWidth, m_clientHeight, TPixelFormat::TrueColor);
    m_backRows.assign(static_cast<size_t>(m_clientHeight), nullptr);
    for (int32_t y = 0; y < m_clientHeight; ++y) m_backRows[y] = m_backBuffer.ScanLine(y);
  }
  if (m_clientWidth <= 0 || m_clientHeight <= 0) return;

  const TBitmap& bmp = *m_bitmap;
  int32_t sourceWidth = 0, sourceHeight = 0, drawnWidth = 0, drawnHeight = 0;
  MapSource(sourceWidth, sourceHeight, drawnWidth, drawnHeight);
  drawnWidth = std::min(drawnWidth, m_clientWidth);
  drawnHeight = std::min(drawnHeight, m_clientHeight);

  const bool planesMatch = m_alpha->Width() == bmp.Width() && m_alpha->Height() == bmp.Height() &&
                           m_selection.Width() == bmp.Width() && m_selection.Height() == bmp.Height();
  const bool drawable = !bmp.Empty() && !(bmp.Width() == 1 && bmp.Height() == 1) && planesMatch &&
                        drawnWidth > 0 && drawnHeight > 0 && sourceWidth > 0 && sourceHeight > 0;
  const bool offset = m_viewX > 0 || m_viewY > 0;
  // An image that is not drawn at all gets the background too, so the
  // previous picture never stays on the screen in its place.
  if (!drawable || offset || drawnWidth < m_clientWidth || drawnHeight < m_clientHeight) {
    m_backBuffer.Canvas().Brush.Color = Background();
    m_backBuffer.Canvas().FillRect({0, 0, m_clientWidth, m_clientHeight});
  }
  if (!drawable) return;

  int64_t stepX = RoundHalfEven(static_cast<long double>(sourceWidth) / drawnWidth * kStepOne);
  int64_t stepY = RoundHalfEven(static_cast<long double>(sourceHeight) / drawnHeight * kStepOne);
  bool bilevel = bmp.PixelFormat() == TPixelFormat::Bilevel;
  bool wholeRows = stepX == kStepOne && stepY == kStepOne && bmp.PixelFormat() == TPixelFormat::TrueColor;

  int32_t previousSource = -1;
  for (int32_t r = 0; r < drawnHeight; ++r) {
    int32_t sy = static_cast<int32_t>((stepY * r) / kStepOne) + m_viewY;
    if (sy < 0 || sy >= bmp.Height()) break;
    uint8_t* out = m_backRows[r];
    if (sy == previousSource && BackgroundStyle == pbsSolid && r > 0) {
      std::memcpy(out, m_backRows[r - 1], static_cast<size_t>(drawnWidth) * 3);
      continue;
    }
    previousSource = sy;
    const uint8_t* in = bmp.ScanLine(sy);
    if (wholeRows) {
      std::memcpy(out, in + static_cast<int64_t>(m_viewX) * 3, static_cast<size_t>(drawnWidth) * 3);
      continue;
    }
    for (int32_t c = 0; c < drawnWidth; ++c) {
      int64_t sx = (stepX * c) / kStepOne + m_viewX;
      if (sx >= bmp.Width()) sx = bmp.Width() - 1;
      uint8_t* px = out + static_cast<int64_t>(c) * 3;
      if (bilevel) {
        uint8_t v = (in[sx >> 3] & (0x80 >> (sx & 7))) ? 255 : 0;
        px[0] = px[1] = px[2] = v;
      } else if (bmp.PixelFormat() == TPixelFormat::TrueColor) {
        std::memcpy(px, in + sx * 3, 3);
      } else {
        std::memcpy(px, in + sx * 4, 3);
      }
    }
  }
}

}  // namespace pix
