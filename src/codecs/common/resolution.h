#pragma once
// Resolution conversions shared by the readers and writers that store a
// physical resolution: all of them round to nearest, halves to even.
#include <cstdint>

namespace pix {

// Dots per inch to the nearest integer, saturated to the int32 range (a NaN
// gives the lowest value). 0 or less means no usable resolution.
int32_t RoundedDpi(long double dotsPerInch);

// Pixels per metre (BMP headers, PNG pHYs) to dots per inch; a result of 0 or
// less means the file gave no usable resolution.
int32_t DpiFromPixelsPerMetre(int32_t pixelsPerMetre);
// Dots per inch to pixels per metre for a written header, saturated.
int32_t PixelsPerMetreFromDpi(int32_t dpi);

}  // namespace pix
