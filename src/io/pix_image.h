#pragma once
// The composite image component: a view that owns its processing and I/O
// components, both attached to itself, and forwards the operations the
// conversion uses. Qt-free; a widget displays it.
#include <memory>
#include <string>

#include "imaging/pix_image_proc.h"
#include "imaging/pix_view.h"
#include "io/pix_image_io.h"

namespace pix {

class TPixImage : public TPixImageView {
public:
  // Creates the processing component (AutoUndo on), then the I/O component,
  // each attached to this view.
  TPixImage();
  // Destroys the processing component, then the I/O component, then the view.
  ~TPixImage() override;

  TPixImageProc& Proc() { return *m_proc; }
  TPixImageIO& IO() { return *m_io; }

  // Forwarded to the processing component.
  bool AutoUndo() const { return m_proc->AutoUndo; }
  void SetAutoUndo(bool on) { m_proc->AutoUndo = on; }
  uint32_t ProcPreviewsParams() const { return m_proc->ProcPreviewsParams; }
  void SetProcPreviewsParams(uint32_t params) { m_proc->ProcPreviewsParams = params; }
  const TNotifyEvent& OnPreview() const { return m_proc->OnPreview; }
  void SetOnPreview(TNotifyEvent handler) { m_proc->OnPreview = std::move(handler); }

  // Forwarded to the I/O component.
  bool StreamHeaders() const { return m_io->StreamHeaders; }
  void SetStreamHeaders(bool on) { m_io->StreamHeaders = on; }
  TPreviewParams IOPreviewsParams() const { return m_io->IOPreviewsParams; }
  void SetIOPreviewsParams(TPreviewParams params) { m_io->IOPreviewsParams = params; }
  const TNotifyEvent& OnIOPreview() const { return m_io->OnIOPreview; }
  void SetOnIOPreview(TNotifyEvent handler) { m_io->OnIOPreview = std::move(handler); }
  TPixDialogsMeasureUnit DialogsMeasureUnit() const { return m_io->DialogsMeasureUnit; }
  void SetDialogsMeasureUnit(TPixDialogsMeasureUnit unit) { m_io->DialogsMeasureUnit = unit; }

  // Forwarded to both; reading answers the processing component's.
  TMsgLanguage MsgLanguage() const { return m_proc->MsgLanguage; }
  void SetMsgLanguage(TMsgLanguage language);
  const TPixProgressEvent& OnProgress() const { return m_proc->OnProgress; }
  void SetOnProgress(const TPixProgressEvent& handler);

  // Operations used by the conversion, each a plain forward.
  void LoadFromFile(const std::string& fileName) { m_io->LoadFromFile(fileName); }
  void SaveToFile(const std::string& fileName) { m_io->SaveToFile(fileName); }
  void SaveAsJpeg(const std::string& fileName) { m_io->SaveAsJpeg(fileName); }
  TIOParams& ParamRecord() { return m_io->ParamRecord(); }
  bool AbortFlag() const { return m_io->AbortFlag(); }
  void ApplyGrayscale() { m_proc->ApplyGrayscale(); }
  void RotateByDegrees(double angle, bool antialias) { m_proc->RotateByDegrees(angle, antialias); }
  void Mirror(TMirrorAxis axis) { m_proc->Mirror(axis); }
  void OrientUpright(int exifOrientation) { m_proc->OrientUpright(exifOrientation); }
  // Converts the picture to sRGB from the colour profile the last JPEG load
  // left in the record (ConvertEmbeddedProfileToSrgb), notifying the view
  // when pixels changed; true then. No undo snapshot is taken.
  bool ConvertToSrgb();
  void ResampleToSize(int32_t newWidth, int32_t newHeight, TResampleFilter filter) {
    m_proc->ResampleToSize(newWidth, newHeight, filter);
  }
  void TurnAndFit(double angle, int32_t maxWidth, int32_t maxHeight, TResampleFilter filter) {
    m_proc->TurnAndFit(angle, maxWidth, maxHeight, filter);
  }

private:
  std::unique_ptr<TPixImageProc> m_proc;
  std::unique_ptr<TPixImageIO> m_io;
};

}  // namespace pix
