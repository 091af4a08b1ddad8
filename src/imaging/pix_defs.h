#pragma once
// Shared definitions of the imaging library: object root, progress event,
// filters, rectangles and the progress percentage rule.
#include <cstdint>
#include <functional>

#include "platform/pix_exception.h"
#include "platform/system_colors.h"

namespace pix {

// Root of the library's component classes; lets AssignParams and progress
// senders be typed loosely and tested with dynamic_cast.
class TPixObject {
public:
  virtual ~TPixObject() = default;
};

// Progress callback: per is a percentage 0..100.
using TPixProgressEvent = std::function<void(TPixObject* Sender, int per)>;
using TNotifyEvent = std::function<void(TPixObject* Sender)>;

enum TResampleFilter { rfNone, rfTriangle, rfHermite, rfBell, rfBSpline, rfLanczos3, rfMitchell };

enum TMsgLanguage { msSystem, msEnglish };

struct TRect {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Right = 0;   // exclusive
  int32_t Bottom = 0;  // exclusive
};

// Percentage after k of n steps: trunc(k * 100 / (n + 0.5)), so it never reaches 100.
inline int ProgressPercent(int64_t k, int64_t n) {
  return static_cast<int>(static_cast<long double>(k) * 100.0L / (static_cast<long double>(n) + 0.5L));
}

}  // namespace pix
