#include "codecs/jpeg/detail/jpeg_managers.h"

#include <cstring>

#include <jerror.h>

namespace pix {

namespace {

TJpegErrorManager& ErrorManagerOf(j_common_ptr cinfo) {
  return *reinterpret_cast<TJpegErrorManager*>(cinfo->err);
}

// The failure reason of a libjpeg error code.
TFailureReason ReasonOfError(int code) {
  switch (code) {
    case JERR_INPUT_EMPTY:
    case JERR_INPUT_EOF:
      return frTruncated;
    case JERR_NO_SOI:
      return frNotThisFormat;
    case JERR_IMAGE_TOO_BIG:
    case JERR_WIDTH_OVERFLOW:
      return frSizeTooLarge;
    case JERR_OUT_OF_MEMORY:
    case JERR_VIRTUAL_BUG:
      return frOutOfMemory;
    case JERR_BAD_PRECISION:
    case JERR_BAD_J_COLORSPACE:
    case JERR_CONVERSION_NOTIMPL:
      return frUnsupportedDepth;
    case JERR_ARITH_NOTIMPL:
    case JERR_NOT_COMPILED:
      return frUnsupportedCompression;
    case JERR_FILE_WRITE:
      return frCannotWrite;
    case JERR_FILE_READ:
      return frCannotOpen;
    default:
      return frCorruptData;
  }
}

TJpegSource& SourceOf(j_decompress_ptr cinfo) { return *reinterpret_cast<TJpegSource*>(cinfo->src); }

// A decode that fails after the data ran out failed because the file is cut
// short, whatever libjpeg made of the stand-in end marker.
bool SourceExhausted(j_common_ptr cinfo) {
  if (!cinfo->is_decompressor) return false;
  auto dinfo = reinterpret_cast<j_decompress_ptr>(cinfo);
  return dinfo->src && SourceOf(dinfo).Exhausted;
}

[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
  TJpegErrorManager& err = ErrorManagerOf(cinfo);
  if (err.Sink) err.Sink->Abort(SourceExhausted(cinfo) ? frTruncated : ReasonOfError(cinfo->err->msg_code));
  std::longjmp(err.Jump, 1);
}

void EmitMessage(j_common_ptr cinfo, int msgLevel) {
  if (msgLevel != -1) return;
  cinfo->err->num_warnings++;
  // Warnings are damage libjpeg worked around (data ended early, bad Huffman
  // codes): the picture loads, but not as the file meant it.
  TJpegErrorManager& err = ErrorManagerOf(cinfo);
  if (err.Sink) err.Sink->NoteDamage(cinfo->err->msg_code == JWRN_JPEG_EOF ? frTruncated : frCorruptData);
}

void OutputMessage(j_common_ptr) {}

void FormatMessage(j_common_ptr, char* buffer) {
  // libjpeg may print the buffer; keep it a valid empty string.
  if (buffer) buffer[0] = '\0';
}

void ResetErrorManager(j_common_ptr cinfo) {
  cinfo->err->num_warnings = 0;
  cinfo->err->msg_code = 0;
}

// --- source ---------------------------------------------------------------

void InitSource(j_decompress_ptr cinfo) { SourceOf(cinfo).StartOfFile = true; }

// The stream read, with any exception turned into -1: the caller must leave
// through error_exit only after the handler has finished.
int64_t ReadBlock(TJpegSource& src) {
  try {
    return src.Stream->Read(src.Buffer, static_cast<int64_t>(kJpegStreamBufferSize));
  } catch (...) {
    return -1;
  }
}

boolean FillInputBuffer(j_decompress_ptr cinfo) {
  TJpegSource& src = SourceOf(cinfo);
  int64_t got = ReadBlock(src);
  if (got < 0) ERREXIT(cinfo, JERR_FILE_READ);
  if (got == 0) {
    // Nothing at all is no JPEG; data that stops early still decodes, with
    // libjpeg filling the rest, but the picture is incomplete.
    if (src.StartOfFile && src.Sink) src.Sink->Abort(frTruncated);
    if (src.Sink) src.Sink->NoteDamage(frTruncated);
    src.Exhausted = true;
    // An end-of-image marker lets libjpeg finish the image with its own filling.
    src.Buffer[0] = 0xFF;
    src.Buffer[1] = JPEG_EOI;
    got = 2;
  }
  src.Pub.next_input_byte = src.Buffer;
  src.Pub.bytes_in_buffer = static_cast<std::size_t>(got);
  src.StartOfFile = false;
  return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count) {
  if (count <= 0) return;
  TJpegSource& src = SourceOf(cinfo);
  while (static_cast<unsigned long>(count) > src.Pub.bytes_in_buffer) {
    count -= static_cast<long>(src.Pub.bytes_in_buffer);
    FillInputBuffer(cinfo);
  }
  src.Pub.next_input_byte += count;
  src.Pub.bytes_in_buffer -= static_cast<std::size_t>(count);
}

void TermSource(j_decompress_ptr) {}

// --- destination ----------------------------------------------------------

TJpegDestination& DestinationOf(j_compress_ptr cinfo) {
  return *reinterpret_cast<TJpegDestination*>(cinfo->dest);
}

void InitDestination(j_compress_ptr cinfo) {
  TJpegDestination& dest = DestinationOf(cinfo);
  dest.Pub.next_output_byte = dest.Buffer;
  dest.Pub.free_in_buffer = kJpegStreamBufferSize;
}

// Writes count bytes of the buffer. A short write sets AbortFlag; an
// exception is kept for the binding to raise after libjpeg is cleaned up.
bool WriteBlock(TJpegDestination& dest, std::size_t count) {
  if (count == 0) return true;
  try {
    if (dest.Stream->Write(dest.Buffer, static_cast<int64_t>(count)) < static_cast<int64_t>(count) && dest.Sink)
      dest.Sink->Abort(FailureOfSystemError(dest.Stream->LastError(), frCannotWrite));
    return true;
  } catch (...) {
    dest.Pending = std::current_exception();
    return false;
  }
}

boolean EmptyOutputBuffer(j_compress_ptr cinfo) {
  TJpegDestination& dest = DestinationOf(cinfo);
  if (!WriteBlock(dest, kJpegStreamBufferSize)) ERREXIT(cinfo, JERR_FILE_WRITE);
  dest.Pub.next_output_byte = dest.Buffer;
  dest.Pub.free_in_buffer = kJpegStreamBufferSize;
  return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
  TJpegDestination& dest = DestinationOf(cinfo);
  if (!WriteBlock(dest, kJpegStreamBufferSize - dest.Pub.free_in_buffer)) ERREXIT(cinfo, JERR_FILE_WRITE);
}

}  // namespace

void InitJpegErrorManager(TJpegErrorManager& err, const TProgressRecord* sink) {
  std::memset(&err.Pub, 0, sizeof(err.Pub));
  err.Pub.error_exit = ErrorExit;
  err.Pub.emit_message = EmitMessage;
  err.Pub.output_message = OutputMessage;
  err.Pub.format_message = FormatMessage;
  err.Pub.reset_error_mgr = ResetErrorManager;
  err.Sink = sink;
}

std::unique_ptr<TJpegSource> InstallJpegSource(j_decompress_ptr cinfo, TPixStream& stream,
                                               const TProgressRecord* sink) {
  auto src = std::make_unique<TJpegSource>();
  src->Pub.next_input_byte = nullptr;
  src->Pub.bytes_in_buffer = 0;
  src->Pub.init_source = InitSource;
  src->Pub.fill_input_buffer = FillInputBuffer;
  src->Pub.skip_input_data = SkipInputData;
  src->Pub.resync_to_restart = jpeg_resync_to_restart;
  src->Pub.term_source = TermSource;
  src->Stream = &stream;
  src->Sink = sink;
  cinfo->src = &src->Pub;
  return src;
}

std::unique_ptr<TJpegDestination> InstallJpegDestination(j_compress_ptr cinfo, TPixStream& stream,
                                                         const TProgressRecord* sink) {
  auto dest = std::make_unique<TJpegDestination>();
  dest->Pub.next_output_byte = nullptr;
  dest->Pub.free_in_buffer = 0;
  dest->Pub.init_destination = InitDestination;
  dest->Pub.empty_output_buffer = EmptyOutputBuffer;
  dest->Pub.term_destination = TermDestination;
  dest->Stream = &stream;
  dest->Sink = sink;
  cinfo->dest = &dest->Pub;
  return dest;
}

}  // namespace pix
