#include "codecs/tiff/detail/tiff_client.h"

#include <cstdio>
#include <cstring>
#include <limits>
#include <mutex>
#include <utility>

#include "codecs/common/stream_io.h"

namespace pix::tiff {

namespace {

TTiffClient& ClientOf(thandle_t handle) { return *static_cast<TTiffClient*>(handle); }

tmsize_t ReadProc(thandle_t h, void* buffer, tmsize_t size) { return ClientOf(h).Read(buffer, size); }
tmsize_t WriteProc(thandle_t h, void* buffer, tmsize_t size) { return ClientOf(h).Write(buffer, size); }
toff_t SeekProc(thandle_t h, toff_t offset, int whence) { return ClientOf(h).Seek(offset, whence); }
toff_t SizeProc(thandle_t h) { return ClientOf(h).Size(); }
int CloseProc(thandle_t) { return 0; }
int MapProc(thandle_t, void**, toff_t*) { return 0; }
void UnmapProc(thandle_t, void*, toff_t) {}

int ErrorHandler(TIFF*, void* user, const char*, const char* format, va_list args) {
  static_cast<TTiffClient*>(user)->Error(format, args);
  return 1;  // handled: the process-wide handlers are not called
}

int WarningHandler(TIFF*, void* user, const char*, const char* format, va_list args) {
  static_cast<TTiffClient*>(user)->Warning(format, args);
  return 1;
}

// libtiff's process-wide handlers print to stderr; a few of its messages are
// given before any handle exists. They are silenced once for the process.
void SilenceProcessHandlers() {
  static std::once_flag once;
  std::call_once(once, [] {
    TIFFSetErrorHandler(nullptr);
    TIFFSetWarningHandler(nullptr);
  });
}

bool Contains(const char* text, const char* part) { return std::strstr(text, part) != nullptr; }

// The failure reason of a libtiff message. libtiff names faults only in
// text; these phrases are stable across its 4.x releases.
TFailureReason ReasonOfMessage(const char* m) {
  if (Contains(m, "Not a TIFF") || Contains(m, "bad magic number")) return frNotThisFormat;
  if (Contains(m, "byte limit") || Contains(m, "too large") || Contains(m, "Integer overflow") ||
      Contains(m, "exceeds"))
    return frSizeTooLarge;
  if (Contains(m, "memory") || Contains(m, "Failed to allocate") || Contains(m, "Cannot allocate"))
    return frOutOfMemory;
  if (Contains(m, "not configured") || Contains(m, "not implemented") || Contains(m, "not supported"))
    return frUnsupportedCompression;
  if (Contains(m, "Read error") || Contains(m, "Can not read") || Contains(m, "Cannot read") ||
      Contains(m, "Seek error") || Contains(m, "EOF") || Contains(m, "end of file") || Contains(m, "Not enough data") ||
      Contains(m, "Premature end") || Contains(m, "Error fetching"))
    return frTruncated;
  return frCorruptData;
}

// Warnings that describe the file, not damage to its pixels.
bool HarmlessWarning(const char* m) {
  return Contains(m, "Old-style LZW codes") || Contains(m, "old-style JPEG") || Contains(m, "unknown field") ||
         Contains(m, "Unknown field");
}

}  // namespace

TTiffClient::TTiffClient(TPixStream& stream, TProgressRecord& progress)
    : m_stream(stream), m_progress(progress), m_base(stream.Position()) {}

TTiffClient::~TTiffClient() { Close(); }

bool TTiffClient::Open(const char* mode, int64_t maxAlloc) {
  SilenceProcessHandlers();
  m_writing = mode[0] == 'w';
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  if (!options) {
    m_failure = frOutOfMemory;
    return false;
  }
  TIFFOpenOptionsSetMaxSingleMemAlloc(options, static_cast<tmsize_t>(maxAlloc));
  TIFFOpenOptionsSetErrorHandlerExtR(options, ErrorHandler, this);
  TIFFOpenOptionsSetWarningHandlerExtR(options, WarningHandler, this);
  m_tif = TIFFClientOpenExt("stream", mode, static_cast<thandle_t>(this), ReadProc, WriteProc, SeekProc, CloseProc,
                            SizeProc, MapProc, UnmapProc, options);
  TIFFOpenOptionsFree(options);
  if (!m_tif && m_failure == frNone) m_failure = frCorruptData;
  return m_tif != nullptr;
}

void TTiffClient::Mark() {
  m_markErrors = m_errors;
  m_failure = frNone;
}

bool TTiffClient::Close() {
  if (!m_tif) return true;
  const int errorsBefore = m_errors;
  // TIFFClose flushes a writer's pending directory; it reports failures only
  // through the error handler.
  TIFFClose(m_tif);
  m_tif = nullptr;
  if (m_writing) {
    try {
      m_stream.Seek(m_base + m_end, TSeekOrigin::soBeginning);
    } catch (...) {
      if (!m_pending) m_pending = std::current_exception();
    }
  }
  return m_errors == errorsBefore && !m_pending;
}

void TTiffClient::RaisePending() {
  if (m_pending) std::rethrow_exception(std::exchange(m_pending, nullptr));
}

tmsize_t TTiffClient::Read(void* buffer, tmsize_t size) {
  try {
    return static_cast<tmsize_t>(m_stream.Read(buffer, static_cast<int64_t>(size)));
  } catch (...) {
    if (!m_pending) m_pending = std::current_exception();
    return -1;
  }
}

tmsize_t TTiffClient::Write(const void* buffer, tmsize_t size) {
  try {
    const int64_t at = m_stream.Position() - m_base;
    if (!WriteChecked(m_stream, buffer, static_cast<int64_t>(size), m_progress)) return -1;
    m_end = std::max(m_end, at + static_cast<int64_t>(size));
    return size;
  } catch (...) {
    if (!m_pending) m_pending = std::current_exception();
    return -1;
  }
}

toff_t TTiffClient::Seek(toff_t offset, int whence) {
  constexpr toff_t kFail = static_cast<toff_t>(-1);
  constexpr toff_t kLimit = static_cast<toff_t>(std::numeric_limits<int64_t>::max() / 2);
  try {
    int64_t target = 0;
    switch (whence) {
      case SEEK_SET:
        if (offset > kLimit) return kFail;
        target = m_base + static_cast<int64_t>(offset);
        break;
      case SEEK_CUR:
        // libtiff passes negative steps as wrapped unsigned values.
        target = m_stream.Position() + static_cast<int64_t>(offset);
        break;
      case SEEK_END:
        target = m_stream.Size() + static_cast<int64_t>(offset);
        break;
      default:
        return kFail;
    }
    if (target < m_base) return kFail;
    return static_cast<toff_t>(m_stream.Seek(target, TSeekOrigin::soBeginning) - m_base);
  } catch (...) {
    if (!m_pending) m_pending = std::current_exception();
    return kFail;
  }
}

toff_t TTiffClient::Size() {
  try {
    return static_cast<toff_t>(std::max<int64_t>(m_stream.Size() - m_base, 0));
  } catch (...) {
    if (!m_pending) m_pending = std::current_exception();
    return 0;
  }
}

void TTiffClient::Error(const char* format, va_list args) {
  char text[512];
  std::vsnprintf(text, sizeof text, format, args);
  if (m_errors++ == m_markErrors) m_failure = ReasonOfMessage(text);
}

void TTiffClient::Warning(const char* format, va_list args) {
  if (!CountDataWarnings) return;
  char text[512];
  std::vsnprintf(text, sizeof text, format, args);
  if (!HarmlessWarning(text)) ++m_dataWarnings;
}

bool CodecAvailable(uint16_t compression) { return TIFFIsCODECConfigured(compression) != 0; }

}  // namespace pix::tiff
