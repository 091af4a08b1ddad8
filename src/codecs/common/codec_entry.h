#pragma once
// The one shape of a codec's reader and writer, so that the I/O component can
// run any of them from a row of its format table.
#include "codecs/common/io_params.h"
#include "imaging/bitmap.h"
#include "imaging/pix_mask.h"
#include "imaging/progress.h"
#include "platform/stream.h"

namespace pix {

// Reads the image at the stream's position into image and fills the record
// (size, samples, resolution, the format's own group; ColorMap for palette
// images). With paramsOnly the image and alpha are left alone. alpha, when
// given, ends at the image's size: the file's transparency, or opaque
// (Allocate + Fill(255)) when it has none. Bad data: AbortFlag with a reason
// through progress, never an exception; a picture that loads although damaged
// is noted with NoteDamage. Allocation failures throw EPixOutOfMemory.
using TCodecRead = void (*)(TPixStream& stream, TBitmap& image, TPixMask* alpha, bool paramsOnly, TIOParams& params,
                            TProgressRecord& progress);

// Writes image (TrueColor or Bilevel) at the stream's position with the
// record's settings for the format; alpha (may be null) is the image's
// transparency. A short write sets AbortFlag (frDiskFull, frCannotWrite).
using TCodecWrite = void (*)(TPixStream& stream, TBitmap& image, const TPixMask* alpha, TIOParams& params,
                             TProgressRecord& progress);

// Gives alpha (when there is one) the image's size, fully opaque.
inline void MakeOpaqueAlpha(TPixMask* alpha, int32_t width, int32_t height) {
  if (!alpha) return;
  alpha->Allocate(width, height, 8);
  alpha->Fill(255);
}

// True when alpha is absent, of another size than width x height (it then
// says nothing about this image), or 255 everywhere. Reads every value unless
// the plane was filled with 255 and never written since.
bool AlphaIsOpaque(const TPixMask* alpha, int32_t width, int32_t height);
// True when every value of the 8-bit plane is 0: files that carry an alpha
// channel nobody filled in.
bool AlphaIsZero(const TPixMask& alpha);

}  // namespace pix
