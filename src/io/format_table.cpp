#include "io/format_table.h"

#include "io/pix_image_io.h"

namespace pix {

namespace {

// A reader for a type this library has no codec for: the load fails the way
// a codec fails on a file it cannot read.
template <TPixFileType kType, bool kFillsAlpha>
void LoadWithoutCodec(TPixImageIO& io, const std::string& fileName) {
  io.LoadWithoutCodec(fileName, kType, kFillsAlpha);
}

void LoadJpeg(TPixImageIO& io, const std::string& n) { io.LoadJpegFromFile(n); }
void SaveJpeg(TPixImageIO& io, const std::string& n) { io.SaveAsJpeg(n); }
void LoadGif(TPixImageIO& io, const std::string& n) { io.LoadGifFromFile(n); }
void SaveGif(TPixImageIO& io, const std::string& n) { io.SaveGifToFile(n); }
void LoadBmp(TPixImageIO& io, const std::string& n) { io.LoadBmpFromFile(n); }
void SaveBmp(TPixImageIO& io, const std::string& n) { io.SaveBmpToFile(n); }
void SaveWithoutCodec(TPixImageIO& io, const std::string&) { io.SaveWithoutCodec(); }

const TFormatRow kRows[] = {
    {ftTIFF, "TIFF Bitmap", "TIF;TIFF", {"tif", "tiff"}, LoadWithoutCodec<ftTIFF, true>, SaveWithoutCodec},
    {ftGIF, "CompuServe Bitmap", "GIF", {"gif"}, LoadGif, SaveGif},
    {ftJPEG, "JPEG Bitmap", "JPG;JPEG;JPE", {"jpg", "jpeg", "jpe"}, LoadJpeg, SaveJpeg},
    {ftPCX, "PaintBrush", "PCX", {"pcx"}, LoadWithoutCodec<ftPCX, false>, SaveWithoutCodec},
    {ftBMP, "Windows Bitmap", "BMP;DIB;RLE", {"bmp", "dib", "rle"}, LoadBmp, SaveBmp},
    {ftICO, "Windows Icon", "ICO", {"ico"}, LoadWithoutCodec<ftICO, true>, nullptr},
    {ftCUR, "Windows Cursor", "CUR", {"cur"}, LoadWithoutCodec<ftCUR, true>, nullptr},
    {ftPNG, "Portable Network Graphics", "PNG", {"png"}, LoadWithoutCodec<ftPNG, true>, SaveWithoutCodec},
    {ftWMF, "Windows Metafile", "WMF", {"wmf"}, LoadWithoutCodec<ftWMF, true>, nullptr},
    {ftEMF, "Enhanced Windows Metafile", "EMF", {"emf"}, LoadWithoutCodec<ftEMF, true>, nullptr},
    {ftTGA, "Targa Bitmap", "TGA;TARGA;VDA;ICB;VST;PIX", {"tga", "targa", "vda", "icb", "vst", "win"},
     LoadWithoutCodec<ftTGA, true>, SaveWithoutCodec},
    {ftPXM, "Portable Pixmap, GreyMap, BitMap", "PXM;PPM;PGM;PBM", {"pxm", "ppm", "pgm", "pbm"},
     LoadWithoutCodec<ftPXM, false>, SaveWithoutCodec},
};

}  // namespace

std::span<const TFormatRow> FormatRows() { return kRows; }

const TFormatRow* FindFormatRow(std::string_view extension) {
  if (extension.empty()) return nullptr;
  for (const TFormatRow& row : kRows)
    for (std::string_view e : row.Extensions)
      if (e == extension) return &row;
  return nullptr;
}

}  // namespace pix
