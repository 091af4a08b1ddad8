#pragma once
// The resampling filters: one kernel and one support radius per
// TResampleFilter value. Each kernel takes and returns a 64-bit float and is 0
// at and beyond its support; intermediates are extended precision and the
// values named in each kernel are rounded to 64 bits where they are stored.
#include "imaging/pix_defs.h"

namespace pix {

using TFilterKernel = double (*)(double x);

struct TFilterEntry {
  TFilterKernel Kernel = nullptr;
  double Support = 0;
};

double TriangleFilter(double x);
double HermiteFilter(double x);
double BellFilter(double x);
double BSplineFilter(double x);
double Lanczos3Filter(double x);
// Mitchell-Netravali cubic with B = C = 1/3: 8/9 at 0, 1/18 at 1, 0 from 2.
double MitchellFilter(double x);

// The kernel and support of a filter; nullptr when the filter has no kernel
// (rfNone, or a value outside the enumeration).
const TFilterEntry* FilterEntryOf(TResampleFilter filter);

}  // namespace pix
