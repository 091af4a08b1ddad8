#pragma once
// How a writer of a format with bilevel, grey, palette and true-colour images
// (PNG, TIFF) stores the working image.
#include "codecs/common/io_params.h"
#include "imaging/bitmap.h"
#include "imaging/pix_mask.h"

namespace pix {

enum class TOutputLayout { Bilevel, Gray, Palette, TrueColor };

struct TOutputChoice {
  TOutputLayout Layout = TOutputLayout::TrueColor;
  bool Alpha = false;  // the alpha plane holds transparency and is written
};

// The first rule that applies: a Bilevel image is written at 1 bit (grey with
// alpha when the alpha plane holds transparency, since one bit cannot carry
// it); a source the record calls a palette image (SamplesPerPixel 1,
// BitsPerSample <= 8 and a ColorMap) is written as a palette; an image whose
// every pixel is grey is written as 8-bit grey; everything else as 24-bit
// colour. Alpha says whether the plane (may be null) holds transparency.
TOutputChoice ChooseOutputLayout(const TBitmap& image, const TPixMask* alpha, const TIOParams& params);

// True when every pixel of a TrueColor image has equal blue, green and red.
bool IsGrayImage(const TBitmap& image);

}  // namespace pix
