#include "io/format_table.h"

#include "codecs/heif/heif_codec.h"
#include "codecs/ico/ico_codec.h"
#include "codecs/metafile/metafile_codec.h"
#include "codecs/pcx/pcx_codec.h"
#include "codecs/png/png_codec.h"
#include "codecs/pnm/pnm_codec.h"
#include "codecs/tga/tga_codec.h"
#include "codecs/tiff/tiff_codec.h"
#include "codecs/webp/webp_codec.h"
#include "io/pix_image_io.h"
#include "platform/pix_exception.h"

namespace pix {

namespace {

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

// Metafiles are told apart by content, not name: an enhanced metafile named
// .wmf still loads as one (type 10), and the other way round. A file that
// cannot be opened keeps the named type; the load itself then reports it.
TPixFileType MetafileTypeOfFile(const std::string& fileName, TPixFileType named) {
  try {
    TPixFileStream stream(fileName, TFileMode::fmOpenRead);
    const TPixFileType type = MetafileTypeOf(stream);
    return type == ftUnknown ? named : type;
  } catch (const EPixStreamError&) {
    return named;
  }
}
template <TPixFileType kNamed>
void LoadMetafile(TPixImageIO& io, const std::string& fileName) {
  io.LoadFileWithCodec(fileName, MetafileTypeOfFile(fileName, kNamed), ReadMetafileStream);
}
template <TPixFileType kNamed>
void ParamsMetafile(TPixImageIO& io, const std::string& fileName) {
  io.ParamsFromFileWithCodec(fileName, MetafileTypeOfFile(fileName, kNamed), ReadMetafileStream);
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

const TFormatRow kRows[] = {
    {ftTIFF, "TIFF Bitmap", "TIF;TIFF", {"tif", "tiff"}, LoadCodec<ftTIFF, ReadTiffStream>, SaveCodec<WriteTiffStream>,
     ParamsCodec<ftTIFF, ReadTiffStream>},
    {ftGIF, "CompuServe Bitmap", "GIF", {"gif"}, LoadGif, SaveGif, ParamsGif},
    {ftJPEG, "JPEG Bitmap", "JPG;JPEG;JPE", {"jpg", "jpeg", "jpe"}, LoadJpeg, SaveJpeg, ParamsJpeg},
    {ftPCX, "PaintBrush", "PCX", {"pcx"}, LoadCodec<ftPCX, ReadPcxStream>, SaveCodec<WritePcxStream>,
     ParamsCodec<ftPCX, ReadPcxStream>},
    {ftBMP, "Windows Bitmap", "BMP;DIB;RLE", {"bmp", "dib", "rle"}, LoadBmp, SaveBmp, ParamsBmp},
    {ftICO, "Windows Icon", "ICO", {"ico"}, LoadCodec<ftICO, ReadIcoStream>, SaveCodec<WriteIcoStream>,
     ParamsCodec<ftICO, ReadIcoStream>},
    {ftCUR, "Windows Cursor", "CUR", {"cur"}, LoadCodec<ftCUR, ReadCurStream>, SaveCodec<WriteCurStream>,
     ParamsCodec<ftCUR, ReadCurStream>},
    {ftPNG, "Portable Network Graphics", "PNG", {"png"}, LoadCodec<ftPNG, ReadPngStream>, SaveCodec<WritePngStream>,
     ParamsCodec<ftPNG, ReadPngStream>},
    {ftWMF, "Windows Metafile", "WMF", {"wmf"}, LoadMetafile<ftWMF>, SaveCodec<WriteWmfStream>,
     ParamsMetafile<ftWMF>},
    {ftEMF, "Enhanced Windows Metafile", "EMF", {"emf"}, LoadMetafile<ftEMF>, SaveCodec<WriteEmfStream>,
     ParamsMetafile<ftEMF>},
    {ftTGA, "Targa Bitmap", "TGA;TARGA;VDA;ICB;VST;PIX", {"tga", "targa", "vda", "icb", "vst", "win"},
     LoadCodec<ftTGA, ReadTgaStream>, SaveCodec<WriteTgaStream>, ParamsCodec<ftTGA, ReadTgaStream>},
    {ftPXM, "Portable Pixmap, GreyMap, BitMap", "PXM;PPM;PGM;PBM;PNM", {"pxm", "ppm", "pgm", "pbm", "pnm"},
     LoadCodec<ftPXM, ReadPnmStream>, SaveCodec<WritePnmStream>, ParamsCodec<ftPXM, ReadPnmStream>},
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
