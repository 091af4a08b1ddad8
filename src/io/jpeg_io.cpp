// The I/O component's JPEG operations.
#include "codecs/jpeg_codec.h"
#include "io/pix_image_io.h"

namespace pix {

void TPixImageIO::LoadJpegFromFile(const std::string& fileName) {
  LoadFileWith(
      fileName,
      [this](TPixStream& s, TBitmap& image, TProgressRecord& progress) {
        ReadJpegStream(s, image, ParamRecord(), false, progress);
      },
      {.FileType = 3});
}

void TPixImageIO::LoadJpegFromStream(TPixStream& stream) {
  LoadStreamWith(
      stream,
      [this](TPixStream& s, TBitmap& image, TProgressRecord& progress) {
        ReadJpegStream(s, image, ParamRecord(), false, progress);
      },
      {.FileType = 3});
}

void TPixImageIO::SaveAsJpeg(const std::string& fileName) {
  SaveFileWith(fileName, [this](TPixStream& s, TBitmap& image, TProgressRecord& progress) {
    WriteJpegStream(s, image, ParamRecord(), progress);
  });
}

void TPixImageIO::SaveJpegToStream(TPixStream& stream) {
  SaveStreamWith(stream, [this](TPixStream& s, TBitmap& image, TProgressRecord& progress) {
    WriteJpegStream(s, image, ParamRecord(), progress);
  });
}

}  // namespace pix
