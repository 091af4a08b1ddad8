#pragma once
// GIF reading and writing; the LZW data passes through the record's coders.
#include <string>

#include "imaging/bitmap.h"
#include "imaging/pix_mask.h"
#include "codecs/common/io_params.h"
#include "imaging/progress.h"
#include "platform/stream.h"

namespace pix {

// Reads image GifImageIndex of the GIF at the stream's position; count receives
// the number of images in the file. mask (may be null) receives transparency.
void ReadGifStream(TPixStream& stream, TBitmap& image, int& count, TPixMask* mask, bool paramsOnly,
                   TProgressRecord& progress, TIOParams& params);
void ReadGifFile(const std::string& fileName, TBitmap& image, int& count, TPixMask* mask,
                 TProgressRecord& progress, TIOParams& params);
// Installs this platform's LZW coders as DefaultGifLzwDecode and
// DefaultGifLzwEncode (the library itself installs none). Parameter records
// reset afterwards copy them; records reset before fall back to them because
// the codec uses the defaults when a record's coder is empty. Call once at
// start-up, before any GIF is loaded or saved.
void InstallGifLzwCoders();

// Writes image as a single-image GIF at the stream's position.
void WriteGifStream(TPixStream& stream, TBitmap& image, TIOParams& params, TProgressRecord& progress);
void WriteGifFile(const std::string& fileName, TBitmap& image, TIOParams& params, TProgressRecord& progress);

}  // namespace pix
