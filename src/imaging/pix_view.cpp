#include "imaging/pix_view.h"

#include <algorithm>

#include "platform/default_resolution.h"

namespace pix {

TPixView::TPixView()
    : m_bitmap(std::make_unique<TBitmap>()),
      m_alpha(std::make_unique<TPixMask>(0, 0, 8)),
      m_dpiX(DefaultResolution().DpiX),
      m_dpiY(DefaultResolution().DpiY) {
  m_selection.Allocate(0, 0, 1);
  m_alpha->Fill(255);
}

TPixView::~TPixView() {
  // Clients may unregister while being told; walk a copy.
  auto clients = m_clients;
  for (auto* c : clients) c->ViewGoingAway(*this);
}

void TPixView::SetBitmap(std::unique_ptr<TBitmap> bitmap) {
  if (!bitmap) bitmap = std::make_unique<TBitmap>();
  m_bitmap = std::move(bitmap);
  SyncPlanes();
  NotifyBitmapChanged();
}

void TPixView::SetResolution(int dpiX, int dpiY) {
  if (dpiX != 0) m_dpiX = dpiX;
  if (dpiY != 0) m_dpiY = dpiY;
}

void TPixView::AddClient(TPixViewClient* client) {
  if (client && std::find(m_clients.begin(), m_clients.end(), client) == m_clients.end())
    m_clients.push_back(client);
}

void TPixView::RemoveClient(TPixViewClient* client) {
  m_clients.erase(std::remove(m_clients.begin(), m_clients.end(), client), m_clients.end());
}

void TPixView::NotifyBitmapChanged() {
  auto clients = m_clients;
  for (auto* c : clients) c->ViewBitmapChanged(*this);
}

void TPixView::Update() {
  UpdateView();
  ImageChanged();
}

void TPixView::SyncPlanes() {
  const TBitmap& bmp = *m_bitmap;
  if (m_selection.Width() != bmp.Width() || m_selection.Height() != bmp.Height())
    m_selection.Allocate(bmp.Width(), bmp.Height(), 1);
  if (m_alpha->Width() != bmp.Width() || m_alpha->Height() != bmp.Height()) {
    m_alpha->Allocate(bmp.Width(), bmp.Height(), 8);
    m_alpha->Fill(255);
  }
}

}  // namespace pix
