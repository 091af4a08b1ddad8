#pragma once
// What the processing and I/O components share: the choice of image source (a
// view, a plain picture, or a bare bitmap), the references that follow the view,
// the Background pair and the progress handler.
#include "imaging/bitmap.h"
#include "imaging/pix_defs.h"
#include "imaging/pix_mask.h"
#include "imaging/pix_view.h"
#include "imaging/progress.h"

namespace pix {

class TPixImageClient : public TPixObject, public TPixViewClient {
public:
  TPixImageClient() = default;
  ~TPixImageClient() override;
  TPixImageClient(const TPixImageClient&) = delete;
  TPixImageClient& operator=(const TPixImageClient&) = delete;

  // Attach to a view (nullptr detaches): the image and alpha-plane references
  // follow the view's bitmap until it goes away. Clears AttachedTImage.
  void SetAttachedView(TPixView* view);
  TPixView* AttachedView() const { return m_view; }
  // Attach to a plain picture: its bitmap becomes the image; clears the view.
  void SetAttachedTImage(TPixPicture* picture);
  TPixPicture* AttachedTImage() const { return m_picture; }
  // Work on a bare bitmap: clears both attachments. nullptr is ignored while
  // either attachment is set.
  void SetBitmap(TBitmap* bitmap);
  TBitmap* Bitmap() const { return m_bitmap; }
  TPixMask* AlphaPlane() const { return m_alpha; }

  // The view's background while attached, else our own (0 at construction).
  TColor Background() const;
  virtual void SetBackground(TColor c);
  // The value kept for when no view is attached, whatever the attachment.
  TColor OwnBackground() const { return m_ownBackground; }

  // With a view: refresh it and fire its image-changed event. Otherwise mark
  // the bitmap modified.
  void NotifyImageChanged();

  TMsgLanguage MsgLanguage = msSystem;
  TPixProgressEvent OnProgress;

  void ViewBitmapChanged(TPixView& view) override;
  void ViewGoingAway(TPixView& view) override;

protected:
  // Progress of an operation of this component: OnProgress with this as sender.
  TProgressRecord ProgressRecord() { return TProgressRecord{.Handler = &OnProgress, .Sender = this}; }

private:
  TBitmap* m_bitmap = nullptr;
  TPixView* m_view = nullptr;
  TPixPicture* m_picture = nullptr;
  TPixMask* m_alpha = nullptr;
  TColor m_ownBackground = 0;
};

}  // namespace pix
