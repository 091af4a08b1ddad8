#pragma once
// Memory for pixel blocks. Large blocks come straight from the kernel, aligned
// to 2 MiB and marked for transparent huge pages, each with generous address
// space behind it so that it can serve a larger picture later: a fresh
// multi-megabyte block is paid for on first touch with page faults and pages
// the kernel clears, which costs more than the quarter turn that fills it.
// So released large blocks are kept, per thread, for the next images: a
// photo's conversion (decode target, undo snapshot, intermediates) then runs
// on memory the thread already has.
#include <cstddef>
#include <cstdint>
#include <utility>

namespace pix {

class TPixelBlock {
public:
  TPixelBlock() = default;
  ~TPixelBlock() { Release(); }
  TPixelBlock(const TPixelBlock&) = delete;
  TPixelBlock& operator=(const TPixelBlock&) = delete;
  TPixelBlock(TPixelBlock&& other) noexcept { Swap(other); }
  TPixelBlock& operator=(TPixelBlock&& other) noexcept {
    if (this != &other) {
      Release();
      Swap(other);
    }
    return *this;
  }

  // Replaces the block with bytes zero bytes; returns false when the memory
  // cannot be had (the block is then empty).
  bool Allocate(size_t bytes);
  // Replaces the block with at least bytes bytes whose content is undefined
  // (the caller overwrites them): a kept large block when one will do,
  // otherwise as Allocate.
  bool AllocateForOverwrite(size_t bytes);
  // Keeps the present block for bytes bytes of undefined content when it is
  // large enough and not far too large (a large block that held a big picture
  // goes back to the kept ones instead of serving a small one); otherwise as
  // AllocateForOverwrite. Returns whether the block is ready.
  bool ReshapeForOverwrite(size_t bytes);
  // Bytes the block can hold.
  size_t Capacity() const { return m_capacity; }
  // Gives the block up; a large one is kept by this thread for its next
  // blocks (at most two, the larger ones by the bytes they have used).
  void Release();
  void Swap(TPixelBlock& other) noexcept {
    std::swap(m_data, other.m_data);
    std::swap(m_mapBase, other.m_mapBase);
    std::swap(m_mapLength, other.m_mapLength);
    std::swap(m_capacity, other.m_capacity);
    std::swap(m_touched, other.m_touched);
  }
  uint8_t* Data() const { return m_data; }

private:
  bool TakeKept(size_t bytes);

  uint8_t* m_data = nullptr;
  void* m_mapBase = nullptr;  // non-null for kernel-mapped blocks
  size_t m_mapLength = 0;
  size_t m_capacity = 0;
  size_t m_touched = 0;  // bytes ever handed out: pages past them were never touched, so still zero
};

// Bytes of the large blocks this thread keeps for reuse, counted by what they
// have used (their resident size at most).
size_t KeptPixelBlockBytes();
// Returns this thread's kept blocks to the system (a worker done with its
// run); they are returned anyway when the thread ends.
void ReleaseKeptPixelBlocks();

}  // namespace pix
