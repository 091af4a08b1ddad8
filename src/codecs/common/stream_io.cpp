#include "codecs/common/stream_io.h"

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

}  // namespace pix
