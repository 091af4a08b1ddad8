#include "imaging/failure_reason.h"

#include <cerrno>

namespace pix {

const char* FailureText(TFailureReason reason) {
  switch (reason) {
    case frNone: return "";
    case frNotThisFormat: return "not a file of this format";
    case frTruncated: return "truncated file";
    case frUnsupportedDepth: return "unsupported bit depth or colour layout";
    case frUnsupportedCompression: return "unsupported compression";
    case frSizeTooLarge: return "picture too large";
    case frCorruptData: return "corrupt data";
    case frNoImage: return "no picture in the file";
    case frNoCodec: return "no reader or writer for this file type";
    case frCannotOpen: return "cannot open the file";
    case frCannotWrite: return "cannot write the file";
    case frDiskFull: return "disk full";
    case frPermissionDenied: return "permission denied";
    case frOutOfMemory: return "out of memory";
    case frCannotCreateFolder: return "cannot create the folder";
    case frUnsupportedFeature: return "unsupported feature";
    case frDestinationExists: return "the destination exists";
    case frNotAFile: return "not a regular file";
  }
  return "unknown failure";
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
