#include "io/pix_image.h"

#include "codecs/metadata/color_profile.h"

namespace pix {

TPixImage::TPixImage() {
  m_proc = std::make_unique<TPixImageProc>();
  m_proc->SetAttachedView(this);
  m_proc->AutoUndo = true;
  m_io = std::make_unique<TPixImageIO>();
  m_io->SetAttachedView(this);
}

TPixImage::~TPixImage() {
  // The components unsubscribe from this view as they go, so both must go
  // while the view is still whole.
  m_proc.reset();
  m_io.reset();
}

void TPixImage::SetMsgLanguage(TMsgLanguage language) {
  m_proc->MsgLanguage = language;
  m_io->MsgLanguage = language;
}

bool TPixImage::ConvertToSrgb() {
  TBitmap* image = CurrentBitmap();
  if (!image || !ConvertEmbeddedProfileToSrgb(*image, m_io->ParamRecord())) return false;
  m_proc->NotifyImageChanged();
  return true;
}

void TPixImage::SetOnProgress(const TPixProgressEvent& handler) {
  m_proc->OnProgress = handler;
  m_io->OnProgress = handler;
}

}  // namespace pix
