#pragma once
// The error, source and destination managers the JPEG binding installs in
// libjpeg, and the one way C++ code calls into libjpeg: JpegGuarded.
//
// libjpeg is C. Its error_exit leaves through longjmp back to the JpegGuarded
// call that is running (codecs/common/c_library_guard.h says what the lambda
// passed in may hold).
#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <memory>
#include <utility>

#include <jpeglib.h>

#include "codecs/common/c_library_guard.h"
#include "imaging/progress.h"
#include "platform/stream.h"

namespace pix {

// libjpeg's error record plus the binding's state. One per read or write.
struct TJpegErrorManager {
  jpeg_error_mgr Pub;  // first member: libjpeg sees only this part
  // Where failures go: error_exit sets AbortFlag with a reason taken from
  // libjpeg's message code; warnings mark the picture damaged. Cleared while a
  // decode is being finished, so that a failure there reaches nobody.
  const TProgressRecord* Sink = nullptr;
  std::jmp_buf Jump;
};

// Installs the binding's routines: error_exit jumps, warnings are counted,
// messages are never printed or formatted.
void InitJpegErrorManager(TJpegErrorManager& err, const TProgressRecord* sink);

// Runs call (one or more libjpeg calls) with the error manager's jump point
// set. Returns false when libjpeg called error_exit; AbortFlag is then set
// unless the manager's reference was cleared.
template <typename Call>
bool JpegGuarded(TJpegErrorManager& err, Call&& call) {
  return RunGuarded(err.Jump, std::forward<Call>(call));
}

// Size of the stream buffers of the source and destination managers.
inline constexpr std::size_t kJpegStreamBufferSize = 65536;

// Reads from a TPixStream for libjpeg. An empty stream sets AbortFlag; the end
// of data is reported to libjpeg as an end-of-image marker.
struct TJpegSource {
  jpeg_source_mgr Pub;  // first member
  TPixStream* Stream = nullptr;
  const TProgressRecord* Sink = nullptr;
  bool StartOfFile = false;
  bool Exhausted = false;  // the data ran out and an end-of-image marker stood in
  JOCTET Buffer[kJpegStreamBufferSize];
};

// Allocates a source for stream and installs it in cinfo. The caller keeps the
// returned object alive until the decompressor is destroyed.
std::unique_ptr<TJpegSource> InstallJpegSource(j_decompress_ptr cinfo, TPixStream& stream,
                                               const TProgressRecord* sink);

// Writes to a TPixStream for libjpeg in blocks of kJpegStreamBufferSize bytes.
// A short write sets AbortFlag; an exception from the stream is kept in
// Pending and libjpeg is stopped through error_exit.
struct TJpegDestination {
  jpeg_destination_mgr Pub;  // first member
  TPixStream* Stream = nullptr;
  const TProgressRecord* Sink = nullptr;
  std::exception_ptr Pending;
  JOCTET Buffer[kJpegStreamBufferSize];
};

std::unique_ptr<TJpegDestination> InstallJpegDestination(j_compress_ptr cinfo, TPixStream& stream,
                                                         const TProgressRecord* sink);

}  // namespace pix
