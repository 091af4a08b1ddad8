// Metafile reading (drawing the records) on representative corpus files and
// on our own 4000 x 3000 bitmap metafiles, and writing those, in memory
// streams. Beside them: libwmf drawing the same WMF files through its gd
// device (when libwmf is installed), and the BMP codec on the same 4000 x 3000
// picture, the floor for a metafile that is one DIB.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "codecs/bmp/bmp_codec.h"
#include "codecs/metafile/metafile_codec.h"
#include "platform/stream.h"

#ifdef PIXFOLD_BENCH_LIBWMF
#include <libwmf/api.h>
#include <libwmf/gd.h>
#endif

using namespace pix;

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

const TBitmap& Picture() {
  static const std::unique_ptr<TBitmap> image = [] {
    auto b = std::make_unique<TBitmap>(kWidth, kHeight, TPixelFormat::TrueColor);
    for (int y = 0; y < kHeight; ++y) {
      uint8_t* row = b->ScanLine(y);
      for (int x = 0; x < kWidth; ++x) {
        row[3 * x] = static_cast<uint8_t>(x * 255 / kWidth);
        row[3 * x + 1] = static_cast<uint8_t>(y * 255 / kHeight);
        row[3 * x + 2] = static_cast<uint8_t>((x ^ y) & 0xFF);
      }
    }
    return b;
  }();
  return *image;
}

struct TRun {
  bool aborted = false;
  TFailureReason reason = frNone;
  TProgressRecord progress;
  TIOParams params;
  TRun() {
    progress.Aborting = &aborted;
    progress.Reason = &reason;
  }
};

std::vector<uint8_t> Encode(TCodecWrite write) {
  TRun run;
  TBitmap image;
  CopyImage(Picture(), image);
  TPixMemoryStream out;
  write(out, image, nullptr, run.params, run.progress);
  return out.Bytes();
}

std::vector<uint8_t> CorpusFile(const std::string& name) {
  const std::string path = std::string(PIXFOLD_SHARED_TESTDATA) + "/metafile/" + name;
  try {
    TPixFileStream in(path, TFileMode::fmOpenRead);
    std::vector<uint8_t> bytes(static_cast<size_t>(in.Size()));
    in.Read(bytes.data(), in.Size());
    return bytes;
  } catch (const EPixException&) {
    return {};
  }
}

void Read(benchmark::State& state, const std::vector<uint8_t>& file) {
  if (file.empty()) {
    state.SkipWithError("shared corpus not present");
    return;
  }
  TPixMemoryStream in(file);
  for (auto _ : state) {
    TRun run;
    in.Seek(0, TSeekOrigin::soBeginning);
    TBitmap image;
    ReadMetafileStream(in, image, nullptr, false, run.params, run.progress);
    if (run.aborted && run.reason != frUnsupportedFeature) state.SkipWithError("the file did not load");
    benchmark::DoNotOptimize(image.Bits());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(file.size()));
}

void Write(benchmark::State& state, TCodecWrite write) {
  TBitmap image;
  CopyImage(Picture(), image);
  for (auto _ : state) {
    TRun run;
    TPixMemoryStream out;
    write(out, image, nullptr, run.params, run.progress);
    benchmark::DoNotOptimize(out.Bytes().data());
  }
}

void BM_ReadEmf_MapModeText_1122x794(benchmark::State& s) { Read(s, CorpusFile("libuemf/test_mm_text_ref.emf")); }
void BM_ReadEmf_Chart_2445Records(benchmark::State& s) { Read(s, CorpusFile("libemf2svg/emf/test-175.emf")); }
void BM_ReadEmf_Diagram_1871Records(benchmark::State& s) {
  Read(s, CorpusFile("libemf2svg/emf-ea/EA-test-file-005.emf"));
}
void BM_ReadWmf_Fulltest_406Records(benchmark::State& s) { Read(s, CorpusFile("wmf2svg/fulltest.wmf")); }
void BM_ReadWmf_Gdiplus_221Records(benchmark::State& s) { Read(s, CorpusFile("libgdiplus/test.wmf")); }

void BM_ReadWmf_Bitmap4000x3000(benchmark::State& s) {
  static const auto file = Encode(WriteWmfStream);
  Read(s, file);
}
void BM_ReadEmf_Bitmap4000x3000(benchmark::State& s) {
  static const auto file = Encode(WriteEmfStream);
  Read(s, file);
}
void BM_WriteWmf_Bitmap4000x3000(benchmark::State& s) { Write(s, WriteWmfStream); }
void BM_WriteEmf_Bitmap4000x3000(benchmark::State& s) { Write(s, WriteEmfStream); }

// The floor: the same picture as a 24-bit BMP.
void BM_Floor_ReadBmp4000x3000(benchmark::State& state) {
  static const auto file = [] {
    TRun run;
    TBitmap image;
    CopyImage(Picture(), image);
    TPixMemoryStream out;
    WriteBmpStream(out, image, run.params, run.progress);
    return out.Bytes();
  }();
  TPixMemoryStream in(file);
  for (auto _ : state) {
    TRun run;
    in.Seek(0, TSeekOrigin::soBeginning);
    TBitmap image;
    ReadBmpStream(in, image, static_cast<int64_t>(file.size()), false, run.progress, run.params);
    benchmark::DoNotOptimize(image.Bits());
  }
}
void BM_Floor_WriteBmp4000x3000(benchmark::State& state) {
  TBitmap image;
  CopyImage(Picture(), image);
  for (auto _ : state) {
    TRun run;
    TPixMemoryStream out;
    WriteBmpStream(out, image, run.params, run.progress);
    benchmark::DoNotOptimize(out.Bytes().data());
  }
}

#ifdef PIXFOLD_BENCH_LIBWMF
// libwmf drawing a WMF into a gd image at 96 dpi, as wmf2gd does.
void LibwmfRead(benchmark::State& state, const std::vector<uint8_t>& file) {
  if (file.empty()) {
    state.SkipWithError("shared corpus not present");
    return;
  }
  std::vector<unsigned char> bytes(file.begin(), file.end());
  for (auto _ : state) {
    wmfAPI* api = nullptr;
    wmfAPI_Options options;
    std::memset(&options, 0, sizeof options);
    options.function = wmf_gd_function;
    const unsigned long flags = WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
    if (wmf_api_create(&api, flags, &options) != wmf_E_None) {
      state.SkipWithError("libwmf cannot start (fonts missing?)");
      return;
    }
    wmfD_Rect bbox;
    unsigned int w = 0, h = 0;
    if (wmf_mem_open(api, bytes.data(), static_cast<long>(bytes.size())) == wmf_E_None &&
        wmf_scan(api, 0, &bbox) == wmf_E_None && wmf_display_size(api, &w, &h, 96, 96) == wmf_E_None) {
      wmf_gd_t* gd = WMF_GD_GetData(api);
      gd->type = wmf_gd_image;
      gd->bbox = bbox;
      gd->width = w;
      gd->height = h;
      wmf_play(api, 0, &bbox);
      if (gd->gd_image) benchmark::DoNotOptimize(wmf_gd_image_pixels(gd->gd_image));
    }
    wmf_api_destroy(api);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(file.size()));
}
void BM_Libwmf_ReadWmf_Fulltest_406Records(benchmark::State& s) { LibwmfRead(s, CorpusFile("wmf2svg/fulltest.wmf")); }
void BM_Libwmf_ReadWmf_Gdiplus_221Records(benchmark::State& s) { LibwmfRead(s, CorpusFile("libgdiplus/test.wmf")); }
void BM_Libwmf_ReadWmf_Bitmap4000x3000(benchmark::State& s) {
  static const auto file = Encode(WriteWmfStream);
  LibwmfRead(s, file);
}
#endif

}  // namespace

BENCHMARK(BM_ReadEmf_MapModeText_1122x794)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadEmf_Chart_2445Records)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadEmf_Diagram_1871Records)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadWmf_Fulltest_406Records)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadWmf_Gdiplus_221Records)->Unit(benchmark::kMillisecond);
#ifdef PIXFOLD_BENCH_LIBWMF
BENCHMARK(BM_Libwmf_ReadWmf_Fulltest_406Records)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Libwmf_ReadWmf_Gdiplus_221Records)->Unit(benchmark::kMillisecond);
#endif
BENCHMARK(BM_ReadWmf_Bitmap4000x3000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadEmf_Bitmap4000x3000)->Unit(benchmark::kMillisecond);
#ifdef PIXFOLD_BENCH_LIBWMF
BENCHMARK(BM_Libwmf_ReadWmf_Bitmap4000x3000)->Unit(benchmark::kMillisecond);
#endif
BENCHMARK(BM_Floor_ReadBmp4000x3000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteWmf_Bitmap4000x3000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteEmf_Bitmap4000x3000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Floor_WriteBmp4000x3000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
