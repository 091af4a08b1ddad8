// The WebP codec: lossy and lossless pictures with and without alpha, the
// lossless flag through the record, animations' first frame, metadata chunks
// as JPEG markers, cut files, and hostile input with its named reasons.
#include <gtest/gtest.h>

#include <webp/decode.h>
#include <webp/encode.h>
#include <webp/mux.h>

#include "codecs/exif/container_metadata.h"
#include "codecs/heif_webp_test_support.h"

using namespace pix;
using namespace heiftest;
using jpegtest::ExifPayload;

namespace {

Bytes WriteWebp(TBitmap& image, const TPixMask* alpha, bool lossless, int quality = 90) {
  TIOParams params;
  params.WebpLossless = lossless;
  params.JpegQuality = quality;
  return Write(WriteWebpStream, image, alpha, params);
}

WebPBitstreamFeatures FeaturesOf(const Bytes& file) {
  WebPBitstreamFeatures f{};
  WebPGetFeatures(file.data(), file.size(), &f);
  return f;
}

// A file with the chunks set through libwebp's muxer.
Bytes WithChunks(const Bytes& file, const std::vector<std::pair<const char*, Bytes>>& chunks) {
  const WebPData in{file.data(), file.size()};
  WebPMux* mux = WebPMuxCreate(&in, 1);
  for (const auto& [fourcc, bytes] : chunks) {
    const WebPData chunk{bytes.data(), bytes.size()};
    WebPMuxSetChunk(mux, fourcc, &chunk, 1);
  }
  WebPData out{};
  WebPMuxAssemble(mux, &out);
  Bytes result(out.bytes, out.bytes + out.size);
  WebPDataClear(&out);
  WebPMuxDelete(mux);
  return result;
}

}  // namespace

TEST(WebpCodec, LosslessPicturesComeBackExactlyAndSayTheyAreLossless) {
  auto source = Photo(37, 23);
  const TPixMask ramp = Ramp(37, 23);
  for (bool withAlpha : {false, true}) {
    const Bytes file = WriteWebp(*source, withAlpha ? &ramp : nullptr, true);
    ASSERT_FALSE(file.empty());
    EXPECT_EQ(FeaturesOf(file).has_alpha != 0, withAlpha);
    TBitmap image;
    TPixMask alpha;
    TIOParams read;
    const TRun run = Read(ReadWebpStream, file, image, &alpha, read);
    ASSERT_FALSE(run.Aborted) << FailureText(run.Reason);
    EXPECT_EQ(MaxDifference(image, *source), 0);
    EXPECT_TRUE(read.WebpLossless);
    EXPECT_EQ(std::make_tuple(read.Width, read.Height, read.BitsPerSample, read.SamplesPerPixel),
              std::make_tuple(37, 23, 8, 3));
    if (withAlpha)
      EXPECT_EQ(MaxDifference(alpha, ramp), 0);
    else
      EXPECT_TRUE(alpha.Full());
  }
}

TEST(WebpCodec, LossyPicturesFollowTheQualityAndOpaqueAlphaIsLeftOut) {
  auto source = Photo(64, 48);
  TPixMask opaque(64, 48, 8);
  opaque.Fill(255);
  const Bytes low = WriteWebp(*source, &opaque, false, 10);
  const Bytes high = WriteWebp(*source, &opaque, false, 100);
  EXPECT_LT(low.size(), high.size());
  EXPECT_EQ(FeaturesOf(high).format, 1);  // lossy
  EXPECT_FALSE(FeaturesOf(high).has_alpha);
  TBitmap image;
  TIOParams read;
  read.WebpLossless = true;
  ASSERT_FALSE(Read(ReadWebpStream, high, image, nullptr, read).Aborted);
  EXPECT_FALSE(read.WebpLossless);
  EXPECT_LT(MeanDifference(image, *source), 4.0);

  const TPixMask ramp = Ramp(64, 48);
  TPixMask alpha;
  ASSERT_FALSE(Read(ReadWebpStream, WriteWebp(*source, &ramp, false), image, &alpha, read).Aborted);
  // Lossy pictures keep their alpha losslessly by default.
  EXPECT_EQ(MaxDifference(alpha, ramp), 0);
}

TEST(WebpCodec, BilevelPicturesAreWrittenBlackAndWhite) {
  TBitmap bilevel(10, 3, TPixelFormat::Bilevel);
  bilevel.ScanLine(1)[0] = 0xA0;  // pixels 0 and 2 of the middle row are white
  TBitmap image;
  TIOParams read;
  ASSERT_FALSE(Read(ReadWebpStream, WriteWebp(bilevel, nullptr, true), image, nullptr, read).Aborted);
  EXPECT_EQ(image.ScanLine(1)[0], 255);
  EXPECT_EQ(image.ScanLine(1)[3], 0);
  EXPECT_EQ(image.ScanLine(1)[8], 255);
  EXPECT_EQ(image.ScanLine(0)[0], 0);
}

TEST(WebpCodec, AnAnimationGivesItsFirstFrameOnItsCanvas) {
  WebPAnimEncoderOptions options;
  ASSERT_TRUE(WebPAnimEncoderOptionsInit(&options));
  options.allow_mixed = 0;
  WebPAnimEncoder* encoder = WebPAnimEncoderNew(30, 20, &options);
  WebPConfig config;
  WebPConfigInit(&config);
  config.lossless = 1;
  config.exact = 1;
  auto first = Photo(30, 20);
  auto second = jpegtest::Constant(30, 20, 10, 200, 10);
  // The first frame leaves its left third clear.
  TPixMask clear(30, 20, 8);
  clear.Fill(255);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 10; ++x) clear.ScanLine(y)[x] = 0;
  int timestamp = 0;
  for (TBitmap* frame : {first.get(), second.get()}) {
    WebPPicture picture;
    WebPPictureInit(&picture);
    picture.width = 30, picture.height = 20, picture.use_argb = 1;
    std::vector<uint8_t> bgra(30 * 20 * 4);
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 30; ++x) {
        std::copy_n(frame->ScanLine(y) + x * 3, 3, &bgra[(y * 30 + x) * 4]);
        bgra[(y * 30 + x) * 4 + 3] = frame == first.get() ? clear.ScanLine(y)[x] : 255;
      }
    WebPPictureImportBGRA(&picture, bgra.data(), 30 * 4);
    ASSERT_TRUE(WebPAnimEncoderAdd(encoder, &picture, timestamp, &config));
    WebPPictureFree(&picture);
    timestamp += 100;
  }
  WebPAnimEncoderAdd(encoder, nullptr, timestamp, nullptr);
  WebPData assembled{};
  ASSERT_TRUE(WebPAnimEncoderAssemble(encoder, &assembled));
  const Bytes file(assembled.bytes, assembled.bytes + assembled.size);
  WebPDataClear(&assembled);
  WebPAnimEncoderDelete(encoder);
  ASSERT_TRUE(FeaturesOf(file).has_animation);

  TBitmap image;
  TPixMask alpha;
  TIOParams read;
  ASSERT_FALSE(Read(ReadWebpStream, file, image, &alpha, read).Aborted);
  EXPECT_EQ(std::make_tuple(read.Width, read.Height), std::make_tuple(30, 20));
  EXPECT_EQ(MaxDifference(alpha, clear), 0);
  int wrong = 0;
  for (int y = 0; y < 20; ++y)
    for (int x = 10; x < 30; ++x) wrong += !std::equal(image.ScanLine(y) + x * 3, image.ScanLine(y) + x * 3 + 3,
                                                       first->ScanLine(y) + x * 3);
  EXPECT_EQ(wrong, 0);
}

TEST(WebpCodec, MetadataChunksBecomeJpegMarkersAndGoBackIntoChunks) {
  auto source = Photo(16, 16);
  const Bytes app1 = ExifPayload(true, {{0x010F, 2, {}, "Pixfold"}, {0x0112, 3, {6}, ""},
                                        {0x011A, 5, {720, 10}, ""}, {0x011B, 5, {720, 10}, ""}, {0x0128, 3, {3}, ""}});
  const Bytes tiff(app1.begin() + 6, app1.end());
  const Bytes xmp{'<', 'x', '/', '>'};
  const Bytes icc(3000, 0x42);
  // The EXIF chunk holds the bare TIFF structure, or (some writers) the APP1 payload.
  for (const Bytes& chunk : {tiff, app1}) {
    const Bytes file = WithChunks(WriteWebp(*source, nullptr, false), {{"EXIF", chunk}, {"XMP ", xmp}, {"ICCP", icc}});
    TBitmap image;
    TIOParams read;
    ASSERT_FALSE(Read(ReadWebpStream, file, image, nullptr, read).Aborted);
    const TPixMarkerList& markers = read.MarkerList();
    ASSERT_EQ(markers.Count(), 3);
    EXPECT_EQ(Bytes(markers.Marker(0).Payload), app1);
    const TContainerMetadata back = ContainerMetadataOf(markers);
    EXPECT_EQ(back.Xmp, xmp);
    EXPECT_EQ(back.Icc, icc);
    EXPECT_EQ(read.ExifMake, "Pixfold");
    // WebP has no turn of its own: the EXIF one stands, as for a JPEG.
    EXPECT_EQ(read.ExifOrientation, 6);
    // 72 pixels per centimetre.
    EXPECT_EQ(std::make_tuple(read.DpiX, read.DpiY), std::make_tuple(182, 182));

    // Our writer puts them back as chunks (EXIF bare).
    const Bytes again = Write(WriteWebpStream, image, nullptr, read);
    const WebPData data{again.data(), again.size()};
    WebPMux* mux = WebPMuxCreate(&data, 0);
    WebPData exifChunk{}, iccChunk{};
    ASSERT_EQ(WebPMuxGetChunk(mux, "EXIF", &exifChunk), WEBP_MUX_OK);
    ASSERT_EQ(WebPMuxGetChunk(mux, "ICCP", &iccChunk), WEBP_MUX_OK);
    EXPECT_EQ(Bytes(exifChunk.bytes, exifChunk.bytes + exifChunk.size), tiff);
    EXPECT_EQ(Bytes(iccChunk.bytes, iccChunk.bytes + iccChunk.size), icc);
    WebPMuxDelete(mux);
  }
}

TEST(WebpCodec, AFileCutInsideItsPictureLoadsTheRowsItHolds) {
  auto source = Photo(64, 64);
  const Bytes file = WriteWebp(*source, nullptr, false, 90);
  const Bytes cut(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(file.size() * 2 / 3));
  TBitmap image;
  TIOParams read;
  const TRun run = Read(ReadWebpStream, cut, image, nullptr, read);
  ASSERT_FALSE(run.Aborted) << FailureText(run.Reason);
  EXPECT_EQ(run.Damage, frTruncated);
  EXPECT_EQ(image.Height(), 64);
  // The top rows are there; the bottom row was never decoded and is black.
  EXPECT_LT(MeanDifference(image, *source), 128.0);
  EXPECT_GT(image.ScanLine(0)[0] + image.ScanLine(0)[1] + image.ScanLine(0)[2], 0);
  EXPECT_TRUE(std::all_of(image.ScanLine(63), image.ScanLine(63) + 64 * 3, [](uint8_t v) { return v == 0; }));
}

TEST(WebpCodec, HostileInputFailsWithItsReasonAndLeavesThePictureAlone) {
  auto source = Photo(64, 64);
  const Bytes good = WriteWebp(*source, nullptr, false);
  Bytes notWebp = good;
  notWebp[8] = 'A';
  Bytes badBits = good;
  std::fill(badBits.begin() + 20, badBits.begin() + 30, 0xFF);
  const struct {
    const char* Name;
    Bytes File;
    TFailureReason Reason;
  } cases[] = {
      {"empty", {}, frTruncated},
      {"RIFF only", Bytes{'R', 'I', 'F', 'F', 0, 0}, frTruncated},
      {"a GIF", Bytes{'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, 0}, frNotThisFormat},
      {"another RIFF", notWebp, frNotThisFormat},
      {"headers cut", Bytes(good.begin(), good.begin() + 24), frTruncated},
      {"frame header damaged", badBits, frCorruptData},
  };
  for (const auto& c : cases) {
    TBitmap image(3, 2);
    image.ScanLine(1)[4] = 0x5A;
    TPixMask alpha(3, 2, 8);
    alpha.Fill(7);
    TIOParams read;
    const TRun run = Read(ReadWebpStream, c.File, image, &alpha, read);
    EXPECT_TRUE(run.Aborted) << c.Name;
    EXPECT_EQ(run.Reason, c.Reason) << c.Name << ": " << FailureText(run.Reason);
    EXPECT_EQ(image.ScanLine(1)[4], 0x5A) << c.Name;
    EXPECT_EQ(alpha.GetPixel(1, 1), 7) << c.Name;
  }
  pixtest::ScopedSetting<int64_t> cap(MaxBitmapBytes, SetMaxBitmapBytes, 64 * 63 * 3);
  TBitmap image;
  TIOParams read;
  EXPECT_EQ(Read(ReadWebpStream, good, image, nullptr, read).Reason, frSizeTooLarge);
}

TEST(WebpCodec, TheStreamIsLeftWhereTheRiffSizeEnds) {
  auto source = Photo(8, 8);
  Bytes file = WriteWebp(*source, nullptr, true);
  const auto size = static_cast<int64_t>(file.size());
  file.insert(file.end(), {'t', 'a', 'i', 'l'});
  TPixMemoryStream stream(file);
  TBitmap image;
  TIOParams params;
  TRun run;
  ReadWebpStream(stream, image, nullptr, false, params, run.Progress);
  EXPECT_FALSE(run.Aborted);
  EXPECT_EQ(stream.Position(), size);
}

TEST(WebpCodec, WritersRefuseOversizedPicturesAndReportShortWrites) {
  TBitmap wide(16384, 1);
  TIOParams params;
  TRun run;
  TPixMemoryStream out;
  WriteWebpStream(out, wide, nullptr, params, run.Progress);
  EXPECT_EQ(run.Reason, frSizeTooLarge);
  auto source = Photo(16, 16);
  TPixMemoryStream full;
  full.SetWriteLimit(10);
  TRun shortWrite;
  WriteWebpStream(full, *source, nullptr, params, shortWrite.Progress);
  EXPECT_EQ(shortWrite.Reason, frDiskFull);
}
