#pragma once
// BMP reading and writing.
#include <cstdint>

#include "imaging/bitmap.h"
#include "codecs/common/io_params.h"
#include "imaging/pix_mask.h"
#include "imaging/progress.h"
#include "platform/stream.h"

namespace pix {

// Reads the BMP at the stream's position. totalSize is the byte count of the
// whole BMP from there (0 or less when unknown). Bad data ends with AbortFlag set.
void ReadBmpStream(TPixStream& stream, TBitmap& image, int64_t totalSize, bool paramsOnly,
                   TProgressRecord& progress, TIOParams& params);
// Writes image as a BMP at the stream's position; a short write sets AbortFlag.
void WriteBmpStream(TPixStream& stream, TBitmap& image, TIOParams& params, TProgressRecord& progress);
// Bytes WriteDibStream writes for image: 40-byte info header, a two-entry
// table for Bilevel, then the rows.
int64_t DibByteSize(const TBitmap& image);
// Writes image as an uncompressed DIB (1 bit with a black, white table for
// Bilevel, else 24 bits), rows bottom-up, with dpiX/dpiY as its resolution.
// A short write sets AbortFlag.
void WriteDibStream(TPixStream& stream, const TBitmap& image, int32_t dpiX, int32_t dpiY,
                    TProgressRecord& progress);

// Bytes per stored DIB row: ((width x depth + 31) div 32) x 4; 0 for width <= 0.
inline int64_t DibRowSize(int64_t width, int depth) {
  if (width <= 0 || depth <= 0) return 0;
  return ((width * depth + 31) / 32) * 4;
}

// How ReadDibStream reads a device-independent bitmap held inside another
// file (an icon or cursor entry).
struct TDibOptions {
  int64_t Size = 0;            // bytes from the stream's position the DIB may use
  bool HalfHeight = false;     // the header height counts an AND mask's rows too (icons, cursors)
  bool RequirePixels = false;  // refuse (frTruncated) before allocating when uncompressed rows run past Size
  TPixMask* Alpha = nullptr;   // receives a 32-bit DIB's fourth bytes; left alone for other depths
};

// Where ReadDibStream found the pixels, for a reader that looks for data behind them.
struct TDibLayout {
  int Depth = 0;
  bool Compressed = false;     // RLE: the end of the pixel data is not known
  bool TopDown = false;        // rows stored top row first
  int64_t PixelStart = 0;      // stream position of the first stored row
  int64_t PixelBytes = 0;      // bytes of the uncompressed rows
};

// Reads a DIB (info or core header, masks, colour table, pixels; no file
// header) at the stream's position with the BMP reader's decoders, as icon
// entries, metafile records and clipboard data hold them. 1-bit pictures come
// back Bilevel (set = white when the table is white, black; else the bit is
// the table index, whose colours are in params.ColorMap), all others TrueColor. Fills the
// general fields and ColorMap of the record, not its BMP group. Bad data ends
// with AbortFlag set and a reason; layout is filled once the headers were read.
void ReadDibStream(TPixStream& stream, TBitmap& image, const TDibOptions& options, bool paramsOnly,
                   TProgressRecord& progress, TIOParams& params, TDibLayout& layout);

}  // namespace pix
