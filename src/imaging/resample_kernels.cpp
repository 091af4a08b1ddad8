#include "imaging/resample_kernels.h"

#include <cmath>
#include <numbers>

#include "imaging/extended_trig.h"

namespace pix {

namespace {

using ext = long double;

constexpr ext kPi = std::numbers::pi_v<long double>;

// sin(pi y) / (pi y) with pi y rounded to 64 bits before use.
double Sinc(double y) {
  if (y == 0) return 1.0;
  const double v = static_cast<double>(kPi * y);
  return static_cast<double>(ExtendedSin(v) / v);
}

}  // namespace

double TriangleFilter(double x) {
  const ext a = std::fabs(static_cast<ext>(x));
  return a < 1 ? static_cast<double>(1 - a) : 0.0;
}

double HermiteFilter(double x) {
  const ext a = std::fabs(static_cast<ext>(x));
  return a < 1 ? static_cast<double>((2 * a - 3) * (a * a) + 1) : 0.0;
}

double BellFilter(double x) {
  const ext a = std::fabs(static_cast<ext>(x));
  if (a < 0.5L) return static_cast<double>(0.75L - a * a);
  if (a < 1.5L) {
    const ext d = a - 1.5L;
    return static_cast<double>(0.5L * (d * d));
  }
  return 0.0;
}

double BSplineFilter(double x) {
  const ext a = std::fabs(static_cast<ext>(x));
  if (a < 1) {
    const ext t = static_cast<double>(a * a);
    return static_cast<double>(0.5L * t * a - t + 2.0L / 3.0L);
  }
  if (a < 2) {
    const ext u = static_cast<double>(2 - a);
    return static_cast<double>(u * u * (1.0L / 6.0L) * u);
  }
  return 0.0;
}

double Lanczos3Filter(double x) {
  const double a = std::fabs(x);
  if (a < 3) return static_cast<double>(static_cast<ext>(Sinc(a)) * Sinc(static_cast<double>(a / 3.0L)));
  return 0.0;
}

double MitchellFilter(double x) {
  const ext a = std::fabs(static_cast<ext>(x));
  const ext t = static_cast<double>(static_cast<ext>(x) * x);
  double sum;
  if (a < 1)
    sum = static_cast<double>(7 * a * t + (-12) * t + 16.0L / 3.0L);
  else if (a < 2)
    sum = static_cast<double>((-7.0L / 3.0L) * a * t + 12 * t + (-20) * a + 32.0L / 3.0L);
  else
    return 0.0;
  return static_cast<double>(sum / 6.0L);
}

const TFilterEntry* FilterEntryOf(TResampleFilter filter) {
  static const TFilterEntry kTable[] = {
      {nullptr, 0.0},          {TriangleFilter, 1.0}, {HermiteFilter, 1.0},  {BellFilter, 1.5},
      {BSplineFilter, 2.0},    {Lanczos3Filter, 3.0}, {MitchellFilter, 2.0},
  };
  const int index = static_cast<int>(filter);
  if (index <= 0 || index >= static_cast<int>(std::size(kTable))) return nullptr;
  return &kTable[index];
}

}  // namespace pix
