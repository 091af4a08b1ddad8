#pragma once
// The binding between libpng and the library: one session per read or write
// holds libpng's structures, the stream with its buffer, and the jump point
// of libpng's error function. Internal to the codec.
//
// libpng's error function leaves through longjmp back to the Guarded call
// that is running (codecs/common/c_library_guard.h says what the lambda passed
// in may hold). Errors and warnings are never printed; errors become a reason
// in Failure, the warnings that mean damaged data set DataDamaged.
#include <png.h>

#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>

#include "codecs/common/c_library_guard.h"
#include "imaging/failure_reason.h"
#include "imaging/progress.h"
#include "platform/stream.h"

namespace pix::png {

class TPngSession {
public:
  // progress receives the writer's short writes (frDiskFull, frCannotWrite).
  TPngSession(TPixStream& stream, bool writing, TProgressRecord& progress);
  // Destroys libpng's structures. A reader's stream is left just after the
  // bytes libpng consumed (the buffer may have read further).
  ~TPngSession();
  TPngSession(const TPngSession&) = delete;
  TPngSession& operator=(const TPngSession&) = delete;

  // Creates libpng's read or write structures with the binding's error,
  // warning and stream functions. False when libpng failed (Failure says why).
  bool Create();

  template <typename Call>
  bool Guarded(Call&& call) {
    return RunGuarded(m_jump, std::forward<Call>(call));
  }

  // Reads up to count bytes through the buffer (the reader's signature check
  // uses it before libpng does); returns how many arrived, -1 when the stream
  // threw (kept in Pending).
  int64_t ReadBuffered(uint8_t* data, int64_t count);
  // Sends the writer's buffered bytes to the stream; false after a short write
  // (AbortFlag is then set) or a stream exception (kept in Pending).
  bool FlushOutput();
  // Raises a stream exception caught inside a libpng callback, once libpng is
  // out of the way.
  void RaisePending();

  png_structp Png = nullptr;
  png_infop Info = nullptr;
  TFailureReason Failure = frNone;  // reason of libpng's first error
  bool Exhausted = false;           // the stream ended before libpng had its bytes
  bool DataDamaged = false;         // libpng went on past a bad CRC or checksum

  // libpng's callbacks; not for other callers.
  [[noreturn]] void Fail(TFailureReason reason, const char* message);
  void Warn(const char* message);
  void Consume(uint8_t* data, std::size_t length);
  void Produce(const uint8_t* data, std::size_t length);

private:
  static constexpr std::size_t kBufferSize = 65536;

  TPixStream& m_stream;
  bool m_writing;
  TProgressRecord& m_progress;
  std::unique_ptr<uint8_t[]> m_buffer;
  std::size_t m_begin = 0;  // reader: next unread byte; writer: unused
  std::size_t m_end = 0;    // reader: end of the buffered bytes; writer: bytes waiting
  std::exception_ptr m_pending;
  bool m_oversize = false;  // libpng warned that a size breaks a limit
  std::jmp_buf m_jump;
};

}  // namespace pix::png
