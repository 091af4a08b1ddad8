#include "imaging/failure_reason.h"

#include <cerrno>

#include "platform/translate.h"

namespace pix {

const char* FailureText(TFailureReason reason) {
  switch (reason) {
    case frNone: return "";
    case frNotThisFormat: return PIX_TRANSLATE_NOOP("FailureReason", "not a file of this format");
    case frTruncated: return PIX_TRANSLATE_NOOP("FailureReason", "truncated file");
    case frUnsupportedDepth: return PIX_TRANSLATE_NOOP("FailureReason", "unsupported bit depth or colour layout");
    case frUnsupportedCompression: return PIX_TRANSLATE_NOOP("FailureReason", "unsupported compression");
    case frSizeTooLarge: return PIX_TRANSLATE_NOOP("FailureReason", "picture too large");
    case frCorruptData: return PIX_TRANSLATE_NOOP("FailureReason", "corrupt data");
    case frNoImage: return PIX_TRANSLATE_NOOP("FailureReason", "no picture in the file");
    case frNoCodec: return PIX_TRANSLATE_NOOP("FailureReason", "no reader or writer for this file type");
    case frCannotOpen: return PIX_TRANSLATE_NOOP("FailureReason", "cannot open the file");
    case frCannotWrite: return PIX_TRANSLATE_NOOP("FailureReason", "cannot write the file");
    case frDiskFull: return PIX_TRANSLATE_NOOP("FailureReason", "disk full");
    case frPermissionDenied: return PIX_TRANSLATE_NOOP("FailureReason", "permission denied");
    case frOutOfMemory: return PIX_TRANSLATE_NOOP("FailureReason", "out of memory");
    case frCannotCreateFolder: return PIX_TRANSLATE_NOOP("FailureReason", "cannot create the folder");
    case frUnsupportedFeature: return PIX_TRANSLATE_NOOP("FailureReason", "unsupported feature");
    case frDestinationExists: return PIX_TRANSLATE_NOOP("FailureReason", "the destination exists");
    case frNotAFile: return PIX_TRANSLATE_NOOP("FailureReason", "not a regular file");
  }
  return PIX_TRANSLATE_NOOP("FailureReason", "unknown failure");
}

std::string LocalFailureText(TFailureReason reason) {
  const char* text = FailureText(reason);
  return *text ? TranslateText("FailureReason", text) : std::string();
}

TFailureReason FailureOfSystemError(int errorCode, TFailureReason fallback) {
  switch (errorCode) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return frDiskFull;
    case EACCES:
    case EPERM:
    case EROFS:
      return frPermissionDenied;
    case ENOMEM:
      return frOutOfMemory;
    default:
      return fallback;
  }
}

}  // namespace pix
