#pragma once
// The vector engine of the resampling passes (AVX2 with FMA). Only called when
// FmaKernelsAvailable(); the rest of the library stays baseline x86-64.
#include <cstdint>

#include "imaging/resample_passes.h"

namespace pix {

// The CPU (and the build) can run the kernels below.
bool FmaKernelsAvailable();

// Rows [y0, y1) of the horizontal pass.
void FmaResampleRows(const TRows<const uint8_t>& src, const TRows<uint8_t>& dst, int channels, const TTapLists& taps,
                     int32_t y0, int32_t y1);

// Pixel columns [x0, x1) of the vertical pass.
void FmaResampleColumns(const TRows<const uint8_t>& src, const TRows<uint8_t>& dst, int channels,
                        const TTapLists& taps, int32_t x0, int32_t x1);

}  // namespace pix
