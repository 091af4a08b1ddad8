#include <gtest/gtest.h>

#include "codecs/common/io_params.h"
#include "io/pix_image_io.h"

using namespace pix;

TEST(IOParams, ResetValuesWithoutBitmapOrView) {
  TPixImageIO io;
  TIOParams& p = io.ParamRecord();
  EXPECT_EQ(p.OwnerIO, &io);
  EXPECT_EQ(p.Width, 0);
  EXPECT_EQ(p.Height, 0);
  EXPECT_EQ(p.DpiX, 0);
  EXPECT_EQ(p.DpiY, 0);
  EXPECT_EQ(p.BitsPerSample, 8);
  EXPECT_EQ(p.SamplesPerPixel, 3);
  EXPECT_EQ(p.JpegQuality, 50);
  EXPECT_EQ(p.JpegColorSpace, 2);
  EXPECT_EQ(p.JpegScale, 1);
  EXPECT_EQ(p.JpegScaleDenominator, 1);
  EXPECT_EQ(p.GifVersion, "GIF89a");
  EXPECT_EQ(p.BmpVersion, 1);
  EXPECT_EQ(p.BmpCompression, 0);
  EXPECT_EQ(p.ColorMap(), nullptr);
  EXPECT_EQ(p.ColorMapCount, 0);
  EXPECT_EQ(p.ExifThumbnail().Width(), 1);
  EXPECT_EQ(p.GifLzwDecode, nullptr);
  EXPECT_EQ(p.FileType, 0);
}

TEST(IOParams, ResetTakesSizeAndResolutionFromTheOwner) {
  TPixImageView view;
  view.CurrentBitmap()->Allocate(30, 20, TPixelFormat::TrueColor);
  view.SetResolution(72, 144);
  TPixImageIO io;
  io.SetAttachedView(&view);
  io.ParamRecord().Reset();
  EXPECT_EQ(io.ParamRecord().Width, 30);
  EXPECT_EQ(io.ParamRecord().Height, 20);
  EXPECT_EQ(io.ParamRecord().DpiX, 72);
  EXPECT_EQ(io.ParamRecord().DpiY, 144);
  // A bare bitmap gives the size but keeps the previous resolution.
  TBitmap bare(4, 5);
  io.SetBitmap(&bare);
  io.ParamRecord().Reset();
  EXPECT_EQ(io.ParamRecord().Width, 4);
  EXPECT_EQ(io.ParamRecord().DpiX, 72);
}

TEST(IOParams, ResetPicksUpTheCurrentLzwDefaults) {
  auto decode = [](TPixStream&, int32_t, int32_t, bool, uint8_t*) {};
  TGifLzwDecodeProc saved = DefaultGifLzwDecode;
  DefaultGifLzwDecode = decode;
  TIOParams p;
  EXPECT_EQ(p.GifLzwDecode, static_cast<TGifLzwDecodeProc>(decode));
  DefaultGifLzwDecode = saved;
}

TEST(IOParams, AssignFromMakesIndependentDeepCopies) {
  TIOParams copy;
  {
    TIOParams src;
    TRGB map[4] = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {10, 11, 12}};
    src.SetColorMap(map, 4);
    src.JpegQuality = 87;
    src.GifTransparent = true;
    src.GifBackground = TRGB{9, 8, 7};
    src.FileName = "/tmp/x.gif";
    uint8_t payload[3] = {'a', 'b', 'c'};
    src.MarkerList().AddMarker(0xFE, payload, 3);
    src.IptcInfo().Add(2, 120, payload, 3);
    src.ExifThumbnail().Allocate(8, 6, TPixelFormat::TrueColor);
    src.ExifThumbnail().ScanLine(0)[0] = 77;
    src.ExifXResolution = 72.0;
    src.SetExifISOSpeedRatings(1, 400);
    copy.AssignFrom(src);
    EXPECT_NE(copy.ColorMap(), src.ColorMap());
  }
  ASSERT_EQ(copy.ColorMapCount, 4);
  EXPECT_EQ(copy.ColorMap()[3], (TRGB{10, 11, 12}));
  EXPECT_EQ(copy.JpegQuality, 87);
  EXPECT_TRUE(copy.GifTransparent);
  EXPECT_EQ(copy.GifBackground, (TRGB{9, 8, 7}));
  EXPECT_EQ(copy.FileName, "/tmp/x.gif");
  ASSERT_EQ(copy.MarkerList().Count(), 1);
  EXPECT_EQ(copy.MarkerList().MarkerLength(0), 3);
  EXPECT_EQ(copy.MarkerList().MarkerData(0)[2], 'c');
  ASSERT_EQ(copy.IptcInfo().Count(), 1);
  EXPECT_TRUE(copy.IptcInfo().IptcChanged);
  EXPECT_EQ(copy.ExifThumbnail().Width(), 8);
  EXPECT_EQ(copy.ExifThumbnail().ScanLine(0)[0], 77);
  EXPECT_EQ(copy.ExifXResolution, 72.0);
  EXPECT_EQ(copy.GetExifISOSpeedRatings(1), 400);
  EXPECT_EQ(copy.OwnerIO, nullptr);  // the owner is not copied
}

TEST(IOParams, AssignParamsAcceptsComponentsAndRecordsOnly) {
  TPixImageIO a, b;
  a.ParamRecord().JpegQuality = 12;
  b.AssignParams(&a);
  EXPECT_EQ(b.ParamRecord().JpegQuality, 12);
  TIOParams bare;
  bare.JpegQuality = 99;
  b.AssignParams(&bare);
  EXPECT_EQ(b.ParamRecord().JpegQuality, 99);
  TPixImageView other;
  b.AssignParams(&other);
  EXPECT_EQ(b.ParamRecord().JpegQuality, 99);
  EXPECT_EQ(b.ParamRecord().OwnerIO, &b);
}

TEST(MarkerLists, FindReplaceAndIptcChangedRules) {
  TPixMarkerList list;
  uint8_t a[2] = {1, 2}, b[1] = {3};
  list.AddMarker(0xE1, a, 2);
  list.AddMarker(0xED, b, 1);
  EXPECT_EQ(list.IndexOf(0xED), 1);
  EXPECT_EQ(list.IndexOf(0xE0), -1);
  list.SetMarker(1, 0xED, a, 2);
  EXPECT_EQ(list.MarkerLength(1), 2);
  std::vector<uint8_t> big(70000, 5);
  list.AddMarker(0xFE, big.data(), static_cast<int>(big.size()));
  EXPECT_EQ(list.MarkerLength(2), 70000 & 0xFFFF);  // lengths are 16-bit
  list.Clear();
  EXPECT_EQ(list.Count(), 0);

  TPixIPTCInfoList iptc;
  EXPECT_FALSE(iptc.IptcChanged);
  iptc.Clear();
  EXPECT_TRUE(iptc.IptcChanged);
}

TEST(ImageIOComponent, BackgroundWriteGoesToTheView) {
  TPixImageView view;
  TPixImageIO io;
  io.SetBackground(RGBColor(5, 5, 5));
  EXPECT_EQ(io.Background(), RGBColor(5, 5, 5));
  io.SetAttachedView(&view);
  EXPECT_EQ(io.Background(), clBtnFace);
  io.SetBackground(RGBColor(6, 6, 6));
  EXPECT_EQ(view.Background(), RGBColor(6, 6, 6));
}
