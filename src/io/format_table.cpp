#include "io/format_table.h"

#include "codecs/heif/heif_codec.h"
#include "codecs/webp/webp_codec.h"
#include "io/pix_image_io.h"

namespace pix {

namespace {

// A reader for a type this library has no codec for: the load fails the way
// a codec fails on a file it cannot read.
template <TPixFileType kType, bool kFillsAlpha>
void LoadWithoutCodec(TPixImageIO& io, const std::string& fileName) {
  io.LoadWithoutCodec(fileName, kType, kFillsAlpha);
}

// A codec of the common shape (codecs/common/codec_entry.h): a new format
// needs only these three in its row, e.g.
//   {ftXYZ, "...", "XYZ", {"xyz"}, LoadCodec<ftXYZ, ReadXyzStream>, SaveCodec<WriteXyzStream>,
//    ParamsCodec<ftXYZ, ReadXyzStream>}
template <TPixFileType kType, TCodecRead kRead>
void LoadCodec(TPixImageIO& io, const std::string& fileName) {
  io.LoadFileWithCodec(fileName, kType, kRead);
}
template <TCodecWrite kWrite>
void SaveCodec(TPixImageIO& io, const std::string& fileName) {
  io.SaveFileWithCodec(fileName, kWrite);
}
template <TPixFileType kType, TCodecRead kRead>
void ParamsCodec(TPixImageIO& io, const std::string& fileName) {
  io.ParamsFromFileWithCodec(fileName, kType, kRead);
}

void LoadJpeg(TPixImageIO& io, const std::string& n) { io.LoadJpegFromFile(n); }
void ParamsJpeg(TPixImageIO& io, const std::string& n) { io.ParamsFromJpegFile(n); }
void ParamsGif(TPixImageIO& io, const std::string& n) { io.ParamsFromGifFile(n); }
void ParamsBmp(TPixImageIO& io, const std::string& n) { io.ParamsFromBmpFile(n); }
void SaveJpeg(TPixImageIO& io, const std::string& n) { io.SaveAsJpeg(n); }
void LoadGif(TPixImageIO& io, const std::string& n) { io.LoadGifFromFile(n); }
void SaveGif(TPixImageIO& io, const std::string& n) { io.SaveGifToFile(n); }
void LoadBmp(TPixImageIO& io, const std::string& n) { io.LoadBmpFromFile(n); }
void SaveBmp(TPixImageIO& io, const std::string& n) { io.SaveBmpToFile(n); }
void SaveWithoutCodec(TPixImageIO& io, const std::string&) { io.SaveWithoutCodec(); }

const TFormatRow kRows[] = {
    {ftTIFF, "TIFF Bitmap", "TIF;TIFF", {"tif", "tiff"}, LoadWithoutCodec<ftTIFF, true>, SaveWithoutCodec, nullptr},
    {ftGIF, "CompuServe Bitmap", "GIF", {"gif"}, LoadGif, SaveGif, ParamsGif},
    {ftJPEG, "JPEG Bitmap", "JPG;JPEG;JPE", {"jpg", "jpeg", "jpe"}, LoadJpeg, SaveJpeg, ParamsJpeg},
    {ftPCX, "PaintBrush", "PCX", {"pcx"}, LoadWithoutCodec<ftPCX, false>, SaveWithoutCodec, nullptr},
    {ftBMP, "Windows Bitmap", "BMP;DIB;RLE", {"bmp", "dib", "rle"}, LoadBmp, SaveBmp, ParamsBmp},
    {ftICO, "Windows Icon", "ICO", {"ico"}, LoadWithoutCodec<ftICO, true>, nullptr, nullptr},
    {ftCUR, "Windows Cursor", "CUR", {"cur"}, LoadWithoutCodec<ftCUR, true>, nullptr, nullptr},
    {ftPNG, "Portable Network Graphics", "PNG", {"png"}, LoadWithoutCodec<ftPNG, true>, SaveWithoutCodec, nullptr},
    {ftWMF, "Windows Metafile", "WMF", {"wmf"}, LoadWithoutCodec<ftWMF, true>, nullptr, nullptr},
    {ftEMF, "Enhanced Windows Metafile", "EMF", {"emf"}, LoadWithoutCodec<ftEMF, true>, nullptr, nullptr},
    {ftTGA, "Targa Bitmap", "TGA;TARGA;VDA;ICB;VST;PIX", {"tga", "targa", "vda", "icb", "vst", "win"},
     LoadWithoutCodec<ftTGA, true>, SaveWithoutCodec, nullptr},
    {ftPXM, "Portable Pixmap, GreyMap, BitMap", "PXM;PPM;PGM;PBM", {"pxm", "ppm", "pgm", "pbm"},
     LoadWithoutCodec<ftPXM, false>, SaveWithoutCodec, nullptr},
    {ftHEIF, "High Efficiency Image File", "HEIC;HEIF;HIF", {"heic", "heif", "hif"},
     LoadCodec<ftHEIF, ReadHeifStream>, SaveCodec<WriteHeicStream>, ParamsCodec<ftHEIF, ReadHeifStream>, CanWriteHeic},
    {ftAVIF, "AV1 Image File", "AVIF", {"avif"}, LoadCodec<ftAVIF, ReadHeifStream>, SaveCodec<WriteAvifStream>,
     ParamsCodec<ftAVIF, ReadHeifStream>, CanWriteAvif},
    {ftWEBP, "WebP Image", "WEBP", {"webp"}, LoadCodec<ftWEBP, ReadWebpStream>, SaveCodec<WriteWebpStream>,
     ParamsCodec<ftWEBP, ReadWebpStream>},
};

}  // namespace

std::span<const TFormatRow> FormatRows() { return kRows; }

bool RowWrites(const TFormatRow& row) { return row.Save && (!row.Writable || row.Writable()); }

const TFormatRow* FindFormatRow(std::string_view extension) {
  if (extension.empty()) return nullptr;
  for (const TFormatRow& row : kRows)
    for (std::string_view e : row.Extensions)
      if (e == extension) return &row;
  return nullptr;
}

}  // namespace pix
