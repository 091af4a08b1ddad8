#include <cmath>

#include "codecs/bmp/detail/bmp_format.h"

namespace pix::bmp {

void ReportRowProgress(TProgressRecord& progress, int64_t k, double step) {
  if (!progress.HasHandler()) return;
  progress.Report(static_cast<int>(std::trunc(static_cast<long double>(k) * step)));
}

}  // namespace pix::bmp
