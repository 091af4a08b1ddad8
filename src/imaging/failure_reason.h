#pragma once
// Why a load or save gave up (or why a loaded picture is damaged): one value
// per kind of fault, each with a short English text for the user.
#include <cstdint>
#include <string>

namespace pix {

enum TFailureReason : int {
  frNone,
  frNotThisFormat,          // the data is not a file of the format its name says
  frTruncated,              // the file ends before its picture does
  frUnsupportedDepth,       // a bit depth or colour layout no decoder here reads
  frUnsupportedCompression, // a compression no decoder here reads
  frSizeTooLarge,           // the picture is larger than can be held or written
  frCorruptData,            // the coded data is damaged
  frNoImage,                // the file holds no picture (or not the one asked for)
  frNoCodec,                // no reader or writer for this file type
  frCannotOpen,             // the file cannot be opened for reading
  frCannotWrite,            // the destination cannot be written
  frDiskFull,               // no space left on the device
  frPermissionDenied,       // the file system refuses access
  frOutOfMemory,            // not enough memory for the picture
  frCannotCreateFolder,     // the destination folder cannot be made
  frUnsupportedFeature,     // a valid file that uses something not implemented here
  frDestinationExists,      // the destination exists and the run was told to fail such rows
  frNotAFile,               // a pipe, socket or device where a picture file was expected
};

constexpr int kFailureReasonCount = frNotAFile + 1;

// A short English text ("truncated file", ...); "" for frNone.
const char* FailureText(TFailureReason reason);
// The same in the language the program speaks (platform/translate.h).
std::string LocalFailureText(TFailureReason reason);

// The reason for a system error code (errno): a full disk or quota, a refused
// access, or otherwise fallback.
TFailureReason FailureOfSystemError(int errorCode, TFailureReason fallback);

}  // namespace pix
