#pragma once
// Page layout for printing pictures: cells over the printable area, each with
// a box for the picture and a line for its file name below, in the printer's
// own device pixels. Qt-free; the window draws what this lays out.
#include <array>
#include <cstdint>
#include <vector>

#include "imaging/fit_box.h"
#include "imaging/pix_defs.h"
#include "platform/translate.h"

namespace pix {

// The printable area of a page in device pixels, and the device's resolution.
struct TPrintPage {
  int32_t Width = 0;
  int32_t Height = 0;
  int DpiX = 300;
  int DpiY = 300;
};

// Pictures per page as columns x rows on a portrait page (a landscape page
// takes them as rows x columns, so the cells keep their shape).
struct TSheetGrid {
  int Columns = 1;
  int Rows = 1;
  const char* Text = "";  // in English, marked for translation (context "PrintLayout")
};
constexpr std::array<TSheetGrid, 4> kSheetGrids{{
    {1, 1, PIX_TRANSLATE_NOOP("PrintLayout", "One picture per page")},
    {2, 3, PIX_TRANSLATE_NOOP("PrintLayout", "6 per page (2 x 3)")},
    {3, 4, PIX_TRANSLATE_NOOP("PrintLayout", "12 per page (3 x 4)")},
    {4, 5, PIX_TRANSLATE_NOOP("PrintLayout", "20 per page (4 x 5)")},
}};

struct TPrintCell {
  TRect Cell;     // the cell, from the printable area's top-left corner
  TRect Picture;  // the box the picture is fitted into
  TRect Caption;  // the file name's line under the box; empty without captions
};

// Gap between cells and between a picture and its caption, in millimetres.
constexpr double kPrintGutterMm = 4.0;
constexpr double kPrintCaptionGapMm = 1.0;

// The cells of one page, row by row from the top-left: columns x rows of them
// (swapped on a landscape page), evenly dividing the area with kPrintGutterMm
// between them (converted at the device's resolution per axis), each cell's
// picture box above a caption line captionHeight pixels high (none when 0).
// Pixels left over by the division stay at the right and bottom edges. An
// area too small for the cells, or a grid below 1 x 1, gives no cells.
std::vector<TPrintCell> LayoutSheet(const TPrintPage& page, TSheetGrid grid, int32_t captionHeight);

// The device size of a width x height picture fitted into box, enlarged as
// needed, its proportions kept on paper when the device's dots are not
// square. Zero for an empty picture or box.
TFitSize PrintedSize(int32_t width, int32_t height, const TRect& box, int dpiX, int dpiY);

// The rectangle of a picture of size centred in box (odd pixel right and down).
TRect CentredIn(const TRect& box, TFitSize size);

// Pages needed for pictures at perPage a page (at least one page, even for none).
int PageCount(int pictures, int perPage);

}  // namespace pix
