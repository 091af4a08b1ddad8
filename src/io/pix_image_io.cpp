#include "io/pix_image_io.h"

namespace pix {

TPixImageIO::TPixImageIO() : m_params(std::make_unique<TIOParams>(this)) {}

TPixImageIO::~TPixImageIO() = default;

void TPixImageIO::AssignParams(TPixObject* source) {
  if (auto* io = dynamic_cast<TPixImageIO*>(source)) {
    if (io != this) m_params->AssignFrom(io->ParamRecord());
  } else if (auto* params = dynamic_cast<TIOParams*>(source)) {
    if (params != m_params.get()) m_params->AssignFrom(*params);
  }
}

void TPixImageIO::SetBackground(TColor c) {
  if (AttachedView() && AttachedView()->IsMultiView()) return;
  TPixImageClient::SetBackground(c);
}

TProgressRecord TPixImageIO::MakeProgressRecord() {
  TProgressRecord rec;
  rec.Handler = &OnProgress;
  rec.Sender = this;
  rec.Aborting = &m_aborting;
  return rec;
}

}  // namespace pix
