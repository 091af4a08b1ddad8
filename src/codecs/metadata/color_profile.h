#pragma once
// The colour profile a JPEG embeds (APP2 "ICC_PROFILE" markers) and the
// conversion of its picture to sRGB on lcms2, for outputs that leave the
// profile out and must still look the same in a viewer that assumes sRGB.
#include <cstdint>
#include <vector>

#include "codecs/common/io_params.h"
#include "codecs/common/marker_lists.h"
#include "imaging/bitmap.h"

namespace pix {

// The profile carried by a JPEG's markers: the data of its APP2
// "ICC_PROFILE" chunks joined in the order of their sequence numbers. Empty
// when there is none or the chunks do not form one profile (a number
// missing, repeated or beyond the count; counts that disagree).
std::vector<uint8_t> JoinIccProfile(const TPixMarkerList& markers);

enum TProfileVerdict {
  pvNone,        // nothing to do with it: no profile, a damaged one, one lcms2
                 // refuses, or one that does not describe these pixels (CMYK
                 // or Lab profiles, a gray profile on colour pixels)
  pvSrgb,        // sRGB, or a profile whose conversion to sRGB moves no
                 // colour by more than one level: nothing to do either
  pvConvertible  // the pixels must be converted to look the same without it
};

// What profile means for pixels decoded from a JPEG coded as colorSpace.
// sRGB is recognised by content, not by name: a matrix/curve profile whose
// three colorants lie within 0.0025 (XYZ, D50) of sRGB's and whose curves
// stay within 0.002 of the sRGB curve at 65 points; any other profile by
// converting a grid of 729 colours (256 grays) and finding every one within
// one level of where it started. Never throws on bad profile data.
TProfileVerdict JudgeIccProfile(const std::vector<uint8_t>& profile, TJpegColorSpace colorSpace);

// Converts a TrueColor picture decoded from a JPEG to sRGB when the profile
// its markers embed (params.MarkerList(), params.JpegColorSpace as the load
// left them) is pvConvertible: lcms2, relative colorimetric intent with
// black point compensation, 8 bits per channel, in place. Returns true when
// the pixels were converted. Other formats and every other verdict leave the
// picture alone. The transform of the last profile is kept for the next
// picture with the same profile. Memory of lcms2 is capped at 64 MiB per
// profile. Safe to call on several threads at once. Never throws on bad
// profile data.
bool ConvertEmbeddedProfileToSrgb(TBitmap& image, const TIOParams& params);

}  // namespace pix
