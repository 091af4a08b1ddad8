#pragma once
// libtiff on a TPixStream: TIFFClientOpenExt with the stream's read, write,
// seek and size, offsets counted from where the TIFF starts in the stream,
// and per-handle error and warning handlers that never print. Internal to
// the codec.
#include <tiffio.h>

#include <cstdarg>
#include <cstdint>
#include <exception>
#include <string>

#include "imaging/failure_reason.h"
#include "imaging/progress.h"
#include "platform/stream.h"

namespace pix::tiff {

class TTiffClient {
public:
  // The TIFF starts at the stream's position. progress receives a writer's
  // short writes (frDiskFull, frCannotWrite).
  TTiffClient(TPixStream& stream, TProgressRecord& progress);
  // Closes the handle; a writer's stream is left at the end of what it wrote.
  ~TTiffClient();
  TTiffClient(const TTiffClient&) = delete;
  TTiffClient& operator=(const TTiffClient&) = delete;

  // Opens with a libtiff mode ("rh": the header only, the reader picks the
  // directory; "w": a new file). No single allocation of libtiff's may exceed
  // maxAlloc bytes. False when libtiff refused (Failure says why).
  bool Open(const char* mode, int64_t maxAlloc);
  TIFF* Handle() const { return m_tif; }
  // Closes the handle (a writer flushes what is pending); false when that
  // failed.
  bool Close();
  // Raises a stream exception caught inside a libtiff callback, once libtiff
  // no longer needs the stream.
  void RaisePending();

  // Starts a new operation: Failure forgets earlier errors.
  void Mark();
  // The reason of libtiff's first error since the last Mark (frCorruptData
  // for a message that names no known fault); frNone while there was none.
  // libtiff follows a fault with more general messages, so the first one is
  // the most telling.
  TFailureReason Failure() const { return m_failure; }
  int ErrorCount() const { return m_errors; }
  // Warnings about damaged data given while CountDataWarnings is on.
  int DataWarnings() const { return m_dataWarnings; }
  bool CountDataWarnings = false;

  // libtiff's callbacks; not for other callers.
  tmsize_t Read(void* buffer, tmsize_t size);
  tmsize_t Write(const void* buffer, tmsize_t size);
  toff_t Seek(toff_t offset, int whence);
  toff_t Size();
  void Error(const char* format, va_list args);
  void Warning(const char* format, va_list args);

private:
  TPixStream& m_stream;
  TProgressRecord& m_progress;
  int64_t m_base;
  int64_t m_end = 0;  // furthest byte written, from the base
  bool m_writing = false;
  TIFF* m_tif = nullptr;
  TFailureReason m_failure = frNone;
  int m_errors = 0;
  int m_markErrors = 0;
  int m_dataWarnings = 0;
  std::exception_ptr m_pending;
};

// libtiff's compression codes that a codec here cannot decode make this
// false (the codec is not built into libtiff).
bool CodecAvailable(uint16_t compression);

}  // namespace pix::tiff
