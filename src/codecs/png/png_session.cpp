#include "codecs/png/detail/png_session.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "codecs/common/stream_io.h"

namespace pix::png {

namespace {

TPngSession& SessionOf(png_const_structrp png, bool io) {
  return *static_cast<TPngSession*>(io ? png_get_io_ptr(png) : png_get_error_ptr(png));
}

bool Contains(const char* text, const char* part) { return text && std::strstr(text, part) != nullptr; }

// The failure reason of a libpng error message. libpng names faults only in
// text; these phrases are stable across its 1.6 releases.
TFailureReason ReasonOfMessage(const char* message) {
  if (Contains(message, "memory")) return frOutOfMemory;
  if (Contains(message, "exceeds user limit") || Contains(message, "too large")) return frSizeTooLarge;
  // An IEND reached before any image data: the file holds no picture.
  if (message && std::strncmp(message, "IEND", 4) == 0) return frNoImage;
  // The image data stops although the file goes on: cut off like a short file.
  if (Contains(message, "Not enough image data")) return frTruncated;
  return frCorruptData;
}

[[noreturn]] void ErrorFn(png_structp png, png_const_charp message) {
  SessionOf(png, false).Fail(ReasonOfMessage(message), message);
}

void WarningFn(png_structp png, png_const_charp message) { SessionOf(png, false).Warn(message); }

void ReadFn(png_structp png, png_bytep data, std::size_t length) { SessionOf(png, true).Consume(data, length); }

void WriteFn(png_structp png, png_bytep data, std::size_t length) { SessionOf(png, true).Produce(data, length); }

void FlushFn(png_structp png) {
  TPngSession& s = SessionOf(png, true);
  if (!s.FlushOutput()) s.Fail(frCannotWrite, nullptr);
}

}  // namespace

TPngSession::TPngSession(TPixStream& stream, bool writing, TProgressRecord& progress)
    : m_stream(stream), m_writing(writing), m_progress(progress), m_buffer(new uint8_t[kBufferSize]) {}

TPngSession::~TPngSession() {
  if (m_writing) {
    if (Png) png_destroy_write_struct(&Png, Info ? &Info : nullptr);
    return;
  }
  if (Png) png_destroy_read_struct(&Png, Info ? &Info : nullptr, nullptr);
  if (m_end > m_begin) {
    try {
      m_stream.Seek(-static_cast<int64_t>(m_end - m_begin), TSeekOrigin::soCurrent);
    } catch (...) {
      // The position after a read is a courtesy; a stream that cannot seek
      // back loses nothing the reader needs.
    }
  }
}

bool TPngSession::Create() {
  return Guarded([this] {
    if (m_writing) {
      Png = png_create_write_struct(PNG_LIBPNG_VER_STRING, this, ErrorFn, WarningFn);
      if (Png) png_set_write_fn(Png, this, WriteFn, FlushFn);
    } else {
      Png = png_create_read_struct(PNG_LIBPNG_VER_STRING, this, ErrorFn, WarningFn);
      if (Png) png_set_read_fn(Png, this, ReadFn);
    }
    if (!Png) Fail(frOutOfMemory, nullptr);
    Info = png_create_info_struct(Png);
    if (!Info) Fail(frOutOfMemory, nullptr);
  });
}

void TPngSession::Fail(TFailureReason reason, const char*) {
  // libpng names the limit an IHDR breaks in a warning and then fails with
  // "Invalid IHDR data".
  if (reason == frCorruptData && m_oversize) reason = frSizeTooLarge;
  if (Failure == frNone) Failure = Exhausted ? frTruncated : reason;
  std::longjmp(m_jump, 1);
}

void TPngSession::Warn(const char* message) {
  // An ancillary chunk with a bad CRC is dropped, and a bad checksum at the
  // end of the image data is passed over: the load goes on, damaged.
  if (Contains(message, "CRC error") || Contains(message, "incorrect data check")) DataDamaged = true;
  if (Contains(message, "exceeds user limit") || Contains(message, "too large")) m_oversize = true;
}

int64_t TPngSession::ReadBuffered(uint8_t* data, int64_t count) {
  int64_t done = 0;
  while (done < count) {
    if (m_begin == m_end) {
      int64_t got = -1;
      try {
        got = m_stream.Read(m_buffer.get(), static_cast<int64_t>(kBufferSize));
      } catch (...) {
        m_pending = std::current_exception();
      }
      if (got < 0) return -1;
      if (got == 0) break;
      m_begin = 0;
      m_end = static_cast<std::size_t>(got);
    }
    const std::size_t n = std::min(static_cast<std::size_t>(count - done), m_end - m_begin);
    std::memcpy(data + done, m_buffer.get() + m_begin, n);
    m_begin += n;
    done += static_cast<int64_t>(n);
  }
  return done;
}

void TPngSession::Consume(uint8_t* data, std::size_t length) {
  const int64_t got = ReadBuffered(data, static_cast<int64_t>(length));
  if (got < 0) Fail(frCannotOpen, nullptr);
  if (got < static_cast<int64_t>(length)) {
    Exhausted = true;
    Fail(frTruncated, nullptr);
  }
}

bool TPngSession::FlushOutput() {
  if (m_end == 0) return !m_progress.Aborted();
  bool written = false;
  try {
    written = WriteChecked(m_stream, m_buffer.get(), static_cast<int64_t>(m_end), m_progress);
  } catch (...) {
    m_pending = std::current_exception();
  }
  m_end = 0;
  return written;
}

void TPngSession::Produce(const uint8_t* data, std::size_t length) {
  while (length > 0) {
    if (m_end == kBufferSize && !FlushOutput()) Fail(frCannotWrite, nullptr);
    const std::size_t n = std::min(length, kBufferSize - m_end);
    std::memcpy(m_buffer.get() + m_end, data, n);
    m_end += n;
    data += n;
    length -= n;
  }
}

void TPngSession::RaisePending() {
  if (m_pending) std::rethrow_exception(std::exchange(m_pending, nullptr));
}

}  // namespace pix::png
