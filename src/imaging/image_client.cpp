#include "imaging/image_client.h"

namespace pix {

TPixImageClient::~TPixImageClient() {
  if (m_view) m_view->RemoveClient(this);
}

void TPixImageClient::SetAttachedView(TPixView* view) {
  if (m_view) m_view->RemoveClient(this);
  m_view = view;
  m_picture = nullptr;
  if (view) {
    m_bitmap = view->CurrentBitmap();
    m_alpha = view->AlphaPlane();
    view->AddClient(this);
  } else {
    m_bitmap = nullptr;
    m_alpha = nullptr;
  }
}

void TPixImageClient::SetAttachedTImage(TPixPicture* picture) {
  if (m_view) m_view->RemoveClient(this);
  m_view = nullptr;
  m_alpha = nullptr;
  m_picture = picture;
  m_bitmap = picture ? &picture->Bitmap() : nullptr;
}

void TPixImageClient::SetBitmap(TBitmap* bitmap) {
  if (!bitmap && (m_view || m_picture)) return;
  if (m_view) m_view->RemoveClient(this);
  m_view = nullptr;
  m_picture = nullptr;
  m_alpha = nullptr;
  m_bitmap = bitmap;
}

TColor TPixImageClient::Background() const { return m_view ? m_view->Background() : m_ownBackground; }

void TPixImageClient::SetBackground(TColor c) {
  if (m_view)
    m_view->SetBackground(c);
  else
    m_ownBackground = c;
}

void TPixImageClient::NotifyImageChanged() {
  if (m_view)
    m_view->Update();
  else if (m_bitmap)
    m_bitmap->SetModified(true);
}

void TPixImageClient::ViewBitmapChanged(TPixView& view) {
  if (&view != m_view) return;
  m_bitmap = view.CurrentBitmap();
  m_alpha = view.AlphaPlane();
}

void TPixImageClient::ViewGoingAway(TPixView& view) {
  if (&view != m_view) return;
  m_view = nullptr;
  m_alpha = nullptr;
  m_bitmap = nullptr;
}

}  // namespace pix
