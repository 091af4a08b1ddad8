#pragma once
// The walk of the source folder that fills the file list of a run.
#include <string>
#include <vector>

namespace pix {

// One eligible file: its folder relative to the source ("" for the source
// folder itself, names joined by "/") and its name as the file system has it.
struct TScanRow {
  std::string Subfolder;
  std::string File;
};

struct TScanOptions {
  bool Recursive = true;
  bool ConvertJPG = true;
  bool ConvertGIF = true;
  bool ConvertBMP = true;
  bool ConvertPNG = true;
  bool ConvertTIFF = true;
  bool ConvertOther = true;  // PCX, TGA, PNM, ICO, CUR, WMF, EMF
  bool ConvertHEIF = true;   // HEIC, HEIF, AVIF, WebP
  // A folder never entered (the destination, when it lies inside the
  // source: its outputs must not become the next run's sources).
  std::string ExcludedFolder;
};

// True when the upper-cased extension of the name is "JPG" or "JPEG" with JPEG
// sources on, "GIF" with GIF sources on, "BMP" with BMP sources on, "PNG"
// with PNG sources on, "TIF" or "TIFF" with TIFF sources on, one of "PCX",
// "TGA", "PNM", "PBM", "PGM", "PPM", "ICO", "CUR", "WMF", "EMF" with the other
// types on, or one of "HEIC", "HEIF", "HIF", "AVIF", "WEBP" with those on.
bool IsWantedImage(const std::string& fileName, const TScanOptions& options);

// Appends a row for every wanted entry of the folder relative to sourceText,
// entries sorted by name (byte order). A real directory whose name has no "."
// is a subfolder, scanned after the folder's files when options.Recursive is
// set (pre-order); a directory with a "." in its name is neither entered nor
// listed; every other entry, symbolic links included, is offered to
// IsWantedImage. Symbolic links are never entered, nor is the excluded folder.
// A folder that cannot be read contributes nothing.
void ScanFolder(const std::string& sourceText, const std::string& relative,
                const TScanOptions& options, std::vector<TScanRow>& rows);

}  // namespace pix
