// The I/O component's JPEG operations: file and stream loads with the IPTC
// and EXIF extras, saves with the rebuilt APP13 marker, the optional 12-byte
// "JFIF" stream framing and the parameters-only read.
#include <cstring>

#include "codecs/exif/container_metadata.h"
#include "codecs/exif/exif_reader.h"
#include "codecs/jpeg/jpeg_codec.h"
#include "codecs/metadata/jpeg_metadata.h"
#include "codecs/common/stream_io.h"
#include "io/pix_image_io.h"

namespace pix {

namespace {

constexpr uint8_t kApp1 = 0xE1;
constexpr uint8_t kApp13 = 0xED;
constexpr int kFrameSize = 12;
// A marker segment holds at most this many payload bytes.
constexpr std::size_t kMaxMarkerPayload = 65533;

// After a file load: an EXIF resolution replaces the JFIF one when the JFIF
// header gave none (1 x 1). An EXIF block without a usable resolution keeps
// the 1 x 1 rather than storing 0 or an overflowed value.
void ApplyExifResolution(TIOParams& params) {
  if (params.DpiX != 1 || params.DpiY != 1) return;
  ExifResolutionDpi(params, params.DpiX, params.DpiY);
}

// The extras after a JPEG read: IPTC records from the first APP13 marker, the
// EXIF block from the first APP1 marker.
void ReadJpegExtras(TIOParams& params, bool fileResolutionRule) {
  const TPixMarkerList& markers = params.MarkerList();
  int i = markers.IndexOf(kApp13);
  if (i >= 0) params.IptcInfo().ParseIptcBlock(markers.MarkerData(i), markers.MarkerLength(i));
  i = markers.IndexOf(kApp1);
  bool haveExif = i >= 0 && ReadExifBlock(markers.MarkerData(i), static_cast<std::size_t>(markers.MarkerLength(i)), params);
  if (i < 0) ClearExifBlock(params);
  if (haveExif && fileResolutionRule) ApplyExifResolution(params);
}

// Before a JPEG save: a changed IPTC list becomes the payload of the first
// APP13 marker (appended when there is none). A block too long for one marker
// fails the save instead of being cut to 16 bits.
void PutIptcMarker(TIOParams& params, const TProgressRecord& progress) {
  TPixIPTCInfoList& iptc = params.IptcInfo();
  if (!iptc.IptcChanged) return;
  const std::vector<uint8_t> block = iptc.BuildIptcBlock();
  if (block.size() > kMaxMarkerPayload) {
    progress.Abort(frSizeTooLarge);
    throw EPixJpegException();
  }
  TPixMarkerList& markers = params.MarkerList();
  const int length = static_cast<int>(block.size());
  const int i = markers.IndexOf(kApp13);
  if (i >= 0)
    markers.SetMarker(i, kApp13, block.data(), length);
  else
    markers.AddMarker(kApp13, block.data(), length);
}

// Hands the rows on to a streamed fit once accept has seen the picture's size
// and the orientation its first APP1 block states (the reader keeps the
// markers before the first row).
class TAcceptingSink final : public TRowSink {
public:
  TAcceptingSink(TStreamedTurnAndFit& fit, const TIOParams& params, const TPixImageIO::TFitAccept& accept)
      : m_fit(fit), m_params(params), m_accept(accept) {}

  bool Start(int32_t width, int32_t height) override {
    const TPixMarkerList& markers = m_params.MarkerList();
    TIOParams exif;
    exif.FileType = ftJPEG;
    const int i = markers.IndexOf(kApp1);
    if (i >= 0) ReadExifBlock(markers.MarkerData(i), static_cast<std::size_t>(markers.MarkerLength(i)), exif);
    const int32_t upright = m_accept(width, height, LoadedExifOrientation(exif));
    return upright != 0 && m_fit.Start(width, height, upright);
  }
  uint8_t* RowTarget(int32_t y) override { return m_fit.RowTarget(y); }
  void RowDone(int32_t y) override { m_fit.RowDone(y); }

private:
  TStreamedTurnAndFit& m_fit;
  const TIOParams& m_params;
  const TPixImageIO::TFitAccept& m_accept;
};

}  // namespace

void TPixImageIO::LoadJpegFromFile(const std::string& fileName) {
  LoadFileWith(
      fileName,
      [this](TPixStream& s, TBitmap& image, TProgressRecord& progress) {
        ReadJpegStream(s, image, ParamRecord(), false, progress);
      },
      {.FileType = ftJPEG, .Extras = [this] { ReadJpegExtras(ParamRecord(), true); }});
}

bool TPixImageIO::LoadJpegFittedFromFile(const std::string& fileName, TStreamedTurnAndFit& fit,
                                         const TFitAccept& accept) {
  bool fitted = false;
  LoadFileWith(
      fileName,
      [this, &fit, &fitted, &accept](TPixStream& s, TBitmap& image, TProgressRecord& progress) {
        TAcceptingSink sink(fit, ParamRecord(), accept);
        ReadJpegStream(s, image, ParamRecord(), false, progress, &sink);
        if (!fit.Started()) return;
        fit.Finish(image);
        fitted = true;
      },
      {.FileType = ftJPEG, .Extras = [this] { ReadJpegExtras(ParamRecord(), true); }});
  return fitted;
}

void TPixImageIO::LoadJpegFromStream(TPixStream& stream) {
  LoadStreamWith(
      stream,
      [this](TPixStream& s, TBitmap& image, TProgressRecord& progress) {
        const int64_t start = s.Position();
        uint8_t frame[kFrameSize];
        const bool framed = s.ReadExact(frame, kFrameSize) && std::memcmp(frame, "JFIF", 5) == 0;
        if (!framed) s.Seek(start, TSeekOrigin::soBeginning);
        ReadJpegStream(s, image, ParamRecord(), false, progress);
        // libjpeg reads ahead in whole blocks; the frame says where the data ends.
        if (framed) s.Seek(start + kFrameSize + GetLE32(frame + 8), TSeekOrigin::soBeginning);
      },
      {.FileType = ftJPEG, .Extras = [this] { ReadJpegExtras(ParamRecord(), false); }});
}

void TPixImageIO::SaveAsJpeg(const std::string& fileName) {
  SaveFileWith(
      fileName,
      [this](TPixStream& s, TBitmap& image, TProgressRecord& progress) {
        WriteJpegStream(s, image, ParamRecord(), progress);
      },
      [this] { PutIptcMarker(ParamRecord(), MakeProgressRecord()); });
}

void TPixImageIO::SaveJpegToStream(TPixStream& stream) {
  SaveStreamWith(
      stream,
      [this](TPixStream& s, TBitmap& image, TProgressRecord& progress) {
        if (!StreamHeaders) {
          WriteJpegStream(s, image, ParamRecord(), progress);
          return;
        }
        const int64_t start = s.Position();
        uint8_t frame[kFrameSize] = {};
        if (!WriteChecked(s, frame, kFrameSize, progress)) return;
        WriteJpegStream(s, image, ParamRecord(), progress);
        const int64_t end = s.Position();
        std::memcpy(frame, "JFIF", 4);
        PutLE32(frame + 8, static_cast<uint32_t>(end - start - kFrameSize));
        s.Seek(start, TSeekOrigin::soBeginning);
        WriteChecked(s, frame, kFrameSize, progress);
        s.Seek(end, TSeekOrigin::soBeginning);
      },
      [this] { PutIptcMarker(ParamRecord(), MakeProgressRecord()); });
}

void TPixImageIO::ParamsFromJpegFile(const std::string& fileName) {
  TIOParams& params = ParamRecord();
  params.IptcInfo().Clear();
  params.MarkerList().Clear();
  ParamsFromFileWith(fileName, ftJPEG, [&params](TPixStream& s, TBitmap& untouched, TProgressRecord& progress) {
    ReadJpegStream(s, untouched, params, true, progress);
  });
  ReadJpegExtras(params, false);
}

}  // namespace pix
