#include "app/logic/print_layout.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace pix {

namespace {

int32_t MmToDots(double mm, int dpi) { return static_cast<int32_t>(std::lround(mm * dpi / 25.4)); }

}  // namespace

std::vector<TPrintCell> LayoutSheet(const TPrintPage& page, TSheetGrid grid, int32_t captionHeight) {
  if (grid.Columns < 1 || grid.Rows < 1 || page.DpiX < 1 || page.DpiY < 1) return {};
  int columns = grid.Columns;
  int rows = grid.Rows;
  if (page.Width > page.Height && columns < rows) std::swap(columns, rows);
  const int32_t gutterX = MmToDots(kPrintGutterMm, page.DpiX);
  const int32_t gutterY = MmToDots(kPrintGutterMm, page.DpiY);
  const int32_t caption = std::max(captionHeight, 0);
  const int32_t captionGap = caption > 0 ? MmToDots(kPrintCaptionGapMm, page.DpiY) : 0;
  const int64_t cellWidth = (static_cast<int64_t>(page.Width) - int64_t{gutterX} * (columns - 1)) / columns;
  const int64_t cellHeight = (static_cast<int64_t>(page.Height) - int64_t{gutterY} * (rows - 1)) / rows;
  if (cellWidth < 1 || cellHeight - caption - captionGap < 1) return {};
  const auto w = static_cast<int32_t>(cellWidth);
  const auto h = static_cast<int32_t>(cellHeight);
  std::vector<TPrintCell> cells;
  cells.reserve(static_cast<size_t>(columns) * static_cast<size_t>(rows));
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < columns; ++c) {
      TPrintCell cell;
      const int32_t left = c * (w + gutterX);
      const int32_t top = r * (h + gutterY);
      cell.Cell = {left, top, left + w, top + h};
      cell.Picture = {left, top, left + w, top + h - caption - captionGap};
      if (caption > 0) cell.Caption = {left, top + h - caption, left + w, top + h};
      cells.push_back(cell);
    }
  return cells;
}

TFitSize PrintedSize(int32_t width, int32_t height, const TRect& box, int dpiX, int dpiY) {
  if (dpiX < 1 || dpiY < 1 || width < 1) return {};
  // The picture's dots are square: on a device with wider dots it needs
  // fewer of them across.
  // The same expression as LoadFittedPicture's, so both give one size.
  const double aspect = static_cast<double>(dpiX) / dpiY;
  const long stretched = std::lround(static_cast<double>(width) * aspect);
  return FitIntoBox(static_cast<int32_t>(std::clamp(stretched, 1L, static_cast<long>(INT32_MAX))), height,
                    box.Right - box.Left, box.Bottom - box.Top, true);
}

TRect CentredIn(const TRect& box, TFitSize size) {
  const int32_t left = box.Left + (box.Right - box.Left - size.Width) / 2;
  const int32_t top = box.Top + (box.Bottom - box.Top - size.Height) / 2;
  return {left, top, left + size.Width, top + size.Height};
}

int PageCount(int pictures, int perPage) {
  if (perPage < 1 || pictures < 1) return 1;
  return (pictures + perPage - 1) / perPage;
}

}  // namespace pix
