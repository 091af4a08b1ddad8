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
  rec.Reason = &m_reason;
  rec.Damage = &m_damage;
  return rec;
}

void TPixImageIO::ClearFailure() {
  m_aborting = false;
  m_reason = frNone;
  m_damage = frNone;
}

void TPixImageIO::Fail(TFailureReason why) {
  if (m_reason == frNone) m_reason = why;
  m_aborting = true;
}

TBitmap* TPixImageIO::BeginLoad() {
  ClearFailure();
  TBitmap* bitmap = Bitmap();
  if (!bitmap) return nullptr;
  m_params->IptcInfo().Clear();
  m_params->MarkerList().Clear();
  return bitmap;
}

void TPixImageIO::LoadFileWith(const std::string& fileName, const TReadStep& read, const TLoadOptions& options) {
  TBitmap* bitmap = BeginLoad();
  if (!bitmap) return;
  {
    TPixFileStream stream(fileName, TFileMode::fmOpenRead);
    TProgressRecord progress = MakeProgressRecord();
    read(stream, *bitmap, progress);
  }
  FinishLoad(fileName, options);
}

void TPixImageIO::LoadStreamWith(TPixStream& stream, const TReadStep& read, const TLoadOptions& options) {
  TBitmap* bitmap = BeginLoad();
  if (!bitmap) return;
  TProgressRecord progress = MakeProgressRecord();
  read(stream, *bitmap, progress);
  FinishLoad(std::string(), options);
}

void TPixImageIO::FinishLoad(const std::string& fileName, const TLoadOptions& options) {
  TBitmap* bitmap = Bitmap();
  if (!options.CodecFillsAlpha && AlphaPlane() && bitmap) {
    AlphaPlane()->Allocate(bitmap->Width(), bitmap->Height(), 8);
    AlphaPlane()->Fill(255);
  }
  if (options.Extras) options.Extras();
  m_params->FileName = fileName;
  m_params->FileType = options.FileType;
  if (options.PassResolution && AttachedView()) AttachedView()->SetResolution(m_params->DpiX, m_params->DpiY);
  NotifyImageChanged();
}

void TPixImageIO::ParamsFromFileWith(const std::string& fileName, TPixFileType fileType, const TReadStep& read) {
  ClearFailure();
  {
    TPixFileStream stream(fileName, TFileMode::fmOpenRead);
    TProgressRecord progress = MakeProgressRecord();
    TBitmap untouched;
    read(stream, untouched, progress);
  }
  m_params->FileName = fileName;
  m_params->FileType = fileType;
}

TBitmap* TPixImageIO::BeginSave() {
  ClearFailure();
  TBitmap* bitmap = Bitmap();
  if (bitmap && bitmap->PixelFormat() != TPixelFormat::TrueColor && bitmap->PixelFormat() != TPixelFormat::Bilevel)
    ConvertToTrueColor(*bitmap);
  return bitmap;
}

void TPixImageIO::SaveFileWith(const std::string& fileName, const TWriteStep& write, const TAfterStep& beforeWrite) {
  if (!BeginSave()) return;
  TPixFileStream stream(fileName, TFileMode::fmCreate);
  SaveStreamBody(stream, write, beforeWrite);
}

void TPixImageIO::SaveStreamWith(TPixStream& stream, const TWriteStep& write, const TAfterStep& beforeWrite) {
  if (!BeginSave()) return;
  SaveStreamBody(stream, write, beforeWrite);
}

void TPixImageIO::SaveStreamBody(TPixStream& stream, const TWriteStep& write, const TAfterStep& beforeWrite) {
  if (beforeWrite) beforeWrite();
  TProgressRecord progress = MakeProgressRecord();
  write(stream, *Bitmap(), progress);
}

}  // namespace pix
