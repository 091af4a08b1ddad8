#include "codecs/common/memory_input.h"

#include <algorithm>
#include <new>

#include "platform/pix_exception.h"

namespace pix {

void ReadIntoMemory(TPixStream& stream, int64_t count, std::vector<uint8_t>& out) {
  const int64_t wanted = std::max<int64_t>(0, std::min(count, RemainingBytes(stream)));
  try {
    out.resize(static_cast<std::size_t>(wanted));
  } catch (const std::bad_alloc&) {
    throw EPixOutOfMemory();
  } catch (const std::length_error&) {
    throw EPixOutOfMemory();
  }
  int64_t done = 0;
  while (done < wanted) {
    const int64_t got = stream.Read(out.data() + done, wanted - done);
    if (got <= 0) break;
    done += got;
  }
  out.resize(static_cast<std::size_t>(done));
}

int64_t RemainingBytes(const TPixStream& stream) { return std::max<int64_t>(0, stream.Size() - stream.Position()); }

}  // namespace pix
