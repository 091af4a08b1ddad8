// The I/O component's BMP operations.
#include "codecs/bmp/bmp_codec.h"
#include "io/pix_image_io.h"

namespace pix {

void TPixImageIO::LoadBmpFromFile(const std::string& fileName) {
  LoadFileWith(
      fileName,
      [this](TPixStream& s, TBitmap& image, TProgressRecord& progress) {
        ReadBmpStream(s, image, s.Size(), false, progress, ParamRecord());
      },
      {.FileType = ftBMP});
}

void TPixImageIO::LoadBmpFromStream(TPixStream& stream) {
  LoadStreamWith(
      stream,
      [this](TPixStream& s, TBitmap& image, TProgressRecord& progress) {
        ReadBmpStream(s, image, 0, false, progress, ParamRecord());
      },
      {.FileType = ftBMP, .PassResolution = false});
}

void TPixImageIO::SaveBmpToFile(const std::string& fileName) {
  SaveFileWith(fileName, [this](TPixStream& s, TBitmap& image, TProgressRecord& progress) {
    WriteBmpStream(s, image, ParamRecord(), progress);
  });
}

void TPixImageIO::SaveBmpToStream(TPixStream& stream) {
  SaveStreamWith(stream, [this](TPixStream& s, TBitmap& image, TProgressRecord& progress) {
    WriteBmpStream(s, image, ParamRecord(), progress);
  });
}

void TPixImageIO::ParamsFromBmpFile(const std::string& fileName) {
  ParamsFromFileWith(fileName, ftBMP, [this](TPixStream& s, TBitmap& untouched, TProgressRecord& progress) {
    ReadBmpStream(s, untouched, s.Size(), true, progress, ParamRecord());
  });
}

}  // namespace pix
