#pragma once
// Transition effects between two pictures of one size, as a slideshow plays
// them: frame k of n is computed from the old and the new picture.
#include <cstdint>

#include "imaging/bitmap.h"

namespace pix {

enum TTransitionEffect : uint8_t {
  teCut,        // the new picture at the last frame, the old one before
  teCrossFade,  // each pixel mixed from old to new
  teWipe,       // the new picture uncovered from the left edge
  tePush,       // the new picture comes in from the right and pushes the old one out
  teZoom,       // the new picture grows from the centre over the old one
};
constexpr int kTransitionEffectCount = teZoom + 1;

// The effect's name for a chooser ("Cross-fade", ...), in English and marked
// for translation (context "Transition"); "" outside the enumeration.
const char* TransitionName(TTransitionEffect effect);

// Writes frame k of n of the transition from `from` to `to` into frame, which
// becomes TrueColor of their size. k is clamped into 0..n and an n below 1
// counts as 1. Frame 0 is `from` and frame n is `to`, byte for byte (row
// padding included); the frames between follow the effect. frame must be
// neither of the two pictures. Returns false, leaving frame alone, when the
// pictures are not both TrueColor of one size. Throws EPixOutOfMemory when
// frame cannot be allocated.
bool TransitionFrame(const TBitmap& from, const TBitmap& to, TTransitionEffect effect, int k, int n, TBitmap& frame);

}  // namespace pix
