#include "imaging/pixel_block.h"

#include <sys/mman.h>

#include <cstdlib>

namespace pix {

namespace {

constexpr size_t kHugePage = size_t{2} << 20;
constexpr size_t kMapThreshold = size_t{4} << 20;

}  // namespace

bool TPixelBlock::Allocate(size_t bytes) {
  Release();
  if (bytes == 0) return true;
  if (bytes < kMapThreshold) {
    m_data = static_cast<uint8_t*>(std::calloc(bytes, 1));
    return m_data != nullptr;
  }
  // Anonymous mappings are zero-filled; over-map by one huge page to align.
  size_t length = bytes + kHugePage;
  void* base = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (base == MAP_FAILED) return false;
  auto address = reinterpret_cast<uintptr_t>(base);
  uintptr_t aligned = (address + kHugePage - 1) & ~(uintptr_t{kHugePage} - 1);
#ifdef MADV_HUGEPAGE
  ::madvise(reinterpret_cast<void*>(aligned), bytes, MADV_HUGEPAGE);
#endif
  m_mapBase = base;
  m_mapLength = length;
  m_data = reinterpret_cast<uint8_t*>(aligned);
  return true;
}

void TPixelBlock::Release() {
  if (m_mapBase)
    ::munmap(m_mapBase, m_mapLength);
  else
    std::free(m_data);
  m_mapBase = nullptr;
  m_mapLength = 0;
  m_data = nullptr;
}

}  // namespace pix
