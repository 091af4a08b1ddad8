#include "codecs/common/stream_io.h"

#include <algorithm>
#include <cstring>

namespace pix {

bool WriteChecked(TPixStream& stream, const void* data, int64_t count, TProgressRecord& progress) {
  if (progress.Aborted()) return false;
  if (count <= 0) return true;
  if (stream.Write(data, count) < count) {
    progress.Abort(FailureOfSystemError(stream.LastError(), frCannotWrite));
    return false;
  }
  return true;
}

bool WriteByte(TPixStream& stream, uint8_t value, TProgressRecord& progress) {
  return WriteChecked(stream, &value, 1, progress);
}

bool WriteLE16(TPixStream& stream, uint16_t value, TProgressRecord& progress) {
  uint8_t b[2];
  PutLE16(b, value);
  return WriteChecked(stream, b, 2, progress);
}

bool WriteLE32(TPixStream& stream, uint32_t value, TProgressRecord& progress) {
  uint8_t b[4];
  PutLE32(b, value);
  return WriteChecked(stream, b, 4, progress);
}

bool ReadByte(TPixStream& stream, uint8_t& value) { return stream.Read(&value, 1) == 1; }

bool ReadLE16(TPixStream& stream, uint16_t& value) {
  uint8_t b[2];
  if (stream.Read(b, 2) != 2) return false;
  value = GetLE16(b);
  return true;
}

bool ReadLE32(TPixStream& stream, uint32_t& value) {
  uint8_t b[4];
  if (stream.Read(b, 4) != 4) return false;
  value = GetLE32(b);
  return true;
}

int64_t BytesLeft(const TPixStream& stream) { return std::max<int64_t>(0, stream.Size() - stream.Position()); }

namespace {

constexpr size_t kBufferBytes = size_t{1} << 16;

}  // namespace

TBufferedReader::TBufferedReader(TPixStream& stream, int64_t limit)
    : m_stream(stream), m_left(std::max<int64_t>(0, limit)), m_buffer(kBufferBytes) {}

bool TBufferedReader::Refill() {
  const int64_t want = std::min<int64_t>(m_left, static_cast<int64_t>(m_buffer.size()));
  const int64_t got = want > 0 ? std::max<int64_t>(0, m_stream.Read(m_buffer.data(), want)) : 0;
  // A stream that stops short ends the data for good.
  m_left = got < want ? 0 : m_left - got;
  m_consumed += got;
  m_at = 0;
  m_end = static_cast<size_t>(got);
  return got > 0;
}

int64_t TBufferedReader::Read(uint8_t* out, int64_t count) {
  int64_t done = 0;
  while (done < count) {
    if (m_at == m_end) {
      // Large remainders go straight to the caller's memory.
      if (count - done >= static_cast<int64_t>(m_buffer.size())) {
        const int64_t want = std::min(m_left, count - done);
        const int64_t got = want > 0 ? std::max<int64_t>(0, m_stream.Read(out + done, want)) : 0;
        m_left = got < want ? 0 : m_left - got;
        m_consumed += got;
        done += got;
        break;
      }
      if (!Refill()) break;
    }
    const int64_t n = std::min(count - done, static_cast<int64_t>(m_end - m_at));
    std::memcpy(out + done, m_buffer.data() + m_at, static_cast<size_t>(n));
    m_at += static_cast<size_t>(n);
    done += n;
  }
  return done;
}

TBufferedWriter::TBufferedWriter(TPixStream& stream, TProgressRecord& progress)
    : m_stream(stream), m_progress(progress), m_buffer(kBufferBytes) {}

void TBufferedWriter::Write(const void* data, int64_t count) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  if (count <= 0) return;
  m_written += count;
  if (count >= static_cast<int64_t>(m_buffer.size())) {
    Flush();
    WriteChecked(m_stream, bytes, count, m_progress);
    return;
  }
  while (count > 0) {
    if (m_used == m_buffer.size()) Flush();
    const int64_t n = std::min(count, static_cast<int64_t>(m_buffer.size() - m_used));
    std::memcpy(m_buffer.data() + m_used, bytes, static_cast<size_t>(n));
    m_used += static_cast<size_t>(n);
    bytes += n;
    count -= n;
  }
}

bool TBufferedWriter::Flush() {
  const bool ok = WriteChecked(m_stream, m_buffer.data(), static_cast<int64_t>(m_used), m_progress);
  m_used = 0;
  return ok;
}

}  // namespace pix
