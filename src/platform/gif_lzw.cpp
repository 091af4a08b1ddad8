#include "platform/gif_lzw.h"

#include <cstddef>

namespace pix {

std::vector<int32_t> InterlacedRowOrder(int32_t height) {
  std::vector<int32_t> order;
  if (height <= 0) return order;
  order.reserve(static_cast<size_t>(height));
  struct TPass {
    int32_t start;
    int32_t step;
  };
  static constexpr TPass kPasses[] = {{0, 8}, {4, 8}, {2, 4}, {1, 2}};
  for (const TPass& pass : kPasses)
    for (int32_t y = pass.start; y < height; y += pass.step) order.push_back(y);
  return order;
}

}  // namespace pix
