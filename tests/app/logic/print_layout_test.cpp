#include <gtest/gtest.h>

#include "app/logic/print_layout.h"

using namespace pix;

namespace {

int32_t W(const TRect& r) { return r.Right - r.Left; }
int32_t H(const TRect& r) { return r.Bottom - r.Top; }

bool Overlap(const TRect& a, const TRect& b) {
  return a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom && b.Top < a.Bottom;
}

}  // namespace

TEST(LayoutSheet, EqualCellsRowByRowWithTheGutterBetweenThemInsideThePage) {
  // A4's printable area at 300 dpi with 5 mm margins.
  const TPrintPage page{2362, 3390, 300, 300};
  const std::vector<TPrintCell> cells = LayoutSheet(page, kSheetGrids[2], 40);
  ASSERT_EQ(cells.size(), 12u);
  const int32_t gutter = 47;  // 4 mm at 300 dpi
  for (size_t i = 0; i < cells.size(); ++i) {
    const TPrintCell& c = cells[i];
    EXPECT_EQ(W(c.Cell), (2362 - 2 * gutter) / 3);
    EXPECT_EQ(H(c.Cell), (3390 - 3 * gutter) / 4);
    EXPECT_GE(c.Cell.Left, 0);
    EXPECT_LE(c.Cell.Right, page.Width);
    EXPECT_LE(c.Cell.Bottom, page.Height);
    // The caption is the cell's last line; 1 mm (12 dots) above it the box ends.
    EXPECT_EQ(H(c.Caption), 40);
    EXPECT_EQ(c.Caption.Bottom, c.Cell.Bottom);
    EXPECT_EQ(c.Picture.Bottom, c.Caption.Top - 12);
    EXPECT_EQ(W(c.Picture), W(c.Cell));
    for (size_t j = 0; j < i; ++j) EXPECT_FALSE(Overlap(c.Cell, cells[j].Cell)) << i << " " << j;
  }
  EXPECT_EQ(cells[1].Cell.Left - cells[0].Cell.Right, gutter);
  EXPECT_EQ(cells[3].Cell.Top - cells[0].Cell.Bottom, gutter);
  EXPECT_EQ(cells[3].Cell.Left, 0);  // row by row
}

TEST(LayoutSheet, ALandscapePageTurnsTheGridAndNoCaptionGivesTheWholeCell) {
  const TPrintPage page{3390, 2362, 300, 300};
  const std::vector<TPrintCell> cells = LayoutSheet(page, kSheetGrids[1], 0);
  ASSERT_EQ(cells.size(), 6u);
  EXPECT_EQ(cells[2].Cell.Top, 0);  // three across
  EXPECT_GT(cells[3].Cell.Top, 0);
  for (const TPrintCell& c : cells) {
    EXPECT_EQ(c.Picture.Bottom, c.Cell.Bottom);
    EXPECT_EQ(W(c.Caption), 0);
  }
  EXPECT_TRUE(LayoutSheet({100, 100, 300, 300}, kSheetGrids[3], 40).empty()) << "too small for 20 cells";
  EXPECT_TRUE(LayoutSheet(page, {0, 3, ""}, 0).empty());
  const std::vector<TPrintCell> one = LayoutSheet(page, kSheetGrids[0], 0);
  ASSERT_EQ(one.size(), 1u);
  EXPECT_EQ(W(one[0].Cell), 3390);
}

TEST(PrintedSize, FillsTheBoxKeepingTheProportionsOnPaper) {
  const TRect box{100, 100, 800, 700};
  EXPECT_EQ(PrintedSize(4000, 3000, box, 300, 300), (TFitSize{700, 525}));
  EXPECT_EQ(PrintedSize(300, 400, box, 300, 300), (TFitSize{450, 600}));  // enlarged
  // Dots twice as wide as high: the picture needs twice the dots across.
  EXPECT_EQ(PrintedSize(4000, 3000, box, 600, 300), (TFitSize{700, 263}));
  EXPECT_EQ(PrintedSize(0, 3000, box, 300, 300), (TFitSize{}));
  EXPECT_EQ(CentredIn(box, {700, 525}).Top, 137);
  EXPECT_EQ(CentredIn(box, {700, 525}).Bottom, 662);
}

TEST(PageCount, WholePagesAndAtLeastOne) {
  EXPECT_EQ(PageCount(0, 12), 1);
  EXPECT_EQ(PageCount(12, 12), 1);
  EXPECT_EQ(PageCount(13, 12), 2);
  EXPECT_EQ(PageCount(5000, 20), 250);
}
