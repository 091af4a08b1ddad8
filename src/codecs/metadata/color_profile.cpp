#include "codecs/metadata/color_profile.h"

#include <lcms2.h>
#include <lcms2_plugin.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>

#include "codecs/metadata/detail/metadata_blocks.h"

namespace pix {

namespace {

constexpr uint8_t kApp2 = 0xE2;
constexpr std::size_t kChunkHeader = metadata::kIccSignature.size() + 2;  // signature, number, count
constexpr std::size_t kIccHeader = 128;
constexpr std::size_t kMaxLcmsBytes = std::size_t{64} << 20;

uint32_t GetBE32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

// --- lcms2 with a memory budget ---------------------------------------------

struct TBudget {
  std::atomic<std::size_t> Used{0};
};

// Every block carries its size in front so that frees and reallocations can
// give it back to the budget.
constexpr std::size_t kBlockHeader = 16;

void* BudgetMalloc(cmsContext context, cmsUInt32Number size) {
  auto* budget = static_cast<TBudget*>(cmsGetContextUserData(context));
  if (budget && size > kMaxLcmsBytes - std::min(budget->Used.load(), kMaxLcmsBytes)) return nullptr;
  auto* block = static_cast<uint8_t*>(std::malloc(kBlockHeader + size));
  if (!block) return nullptr;
  std::memcpy(block, &size, sizeof size);
  if (budget) budget->Used += size;
  return block + kBlockHeader;
}

void BudgetFree(cmsContext context, void* pointer) {
  if (!pointer) return;
  uint8_t* block = static_cast<uint8_t*>(pointer) - kBlockHeader;
  cmsUInt32Number size;
  std::memcpy(&size, block, sizeof size);
  auto* budget = static_cast<TBudget*>(cmsGetContextUserData(context));
  if (budget) budget->Used -= std::min<std::size_t>(budget->Used.load(), size);
  std::free(block);
}

void* BudgetRealloc(cmsContext context, void* pointer, cmsUInt32Number size) {
  void* fresh = BudgetMalloc(context, size);
  if (!fresh || !pointer) return fresh;
  cmsUInt32Number old;
  std::memcpy(&old, static_cast<uint8_t*>(pointer) - kBlockHeader, sizeof old);
  std::memcpy(fresh, pointer, std::min(old, size));
  BudgetFree(context, pointer);
  return fresh;
}

cmsPluginMemHandler g_memoryPlugin = {
    {cmsPluginMagicNumber, 2060, cmsPluginMemHandlerSig, nullptr}, BudgetMalloc, BudgetFree, BudgetRealloc,
    nullptr, nullptr, nullptr};

void Quiet(cmsContext, cmsUInt32Number, const char*) {}

// One lcms2 context with its budget; closes what was opened in it.
class TLcms {
public:
  TLcms() : m_budget(std::make_unique<TBudget>()) {
    m_context = cmsCreateContext(&g_memoryPlugin, m_budget.get());
    if (m_context) cmsSetLogErrorHandlerTHR(m_context, Quiet);
  }
  ~TLcms() {
    if (m_transform) cmsDeleteTransform(m_transform);
    if (m_profile) cmsCloseProfile(m_profile);
    if (m_srgb) cmsCloseProfile(m_srgb);
    if (m_context) cmsDeleteContext(m_context);
  }
  TLcms(const TLcms&) = delete;
  TLcms& operator=(const TLcms&) = delete;

  bool Open(const std::vector<uint8_t>& profile) {
    if (!m_context) return false;
    m_profile = cmsOpenProfileFromMemTHR(m_context, profile.data(), static_cast<cmsUInt32Number>(profile.size()));
    m_srgb = cmsCreate_sRGBProfileTHR(m_context);
    return m_profile && m_srgb;
  }
  cmsHPROFILE Profile() const { return m_profile; }
  cmsHPROFILE Srgb() const { return m_srgb; }
  // Without lcms2's one-pixel cache the transform may run on several
  // threads at once; photos rarely repeat a pixel anyway.
  bool MakeTransform(cmsUInt32Number inputFormat) {
    m_transform = cmsCreateTransformTHR(m_context, m_profile, inputFormat, m_srgb, TYPE_BGR_8,
                                        INTENT_RELATIVE_COLORIMETRIC,
                                        cmsFLAGS_BLACKPOINTCOMPENSATION | cmsFLAGS_NOCACHE);
    return m_transform != nullptr;
  }
  cmsHTRANSFORM Transform() const { return m_transform; }

private:
  std::unique_ptr<TBudget> m_budget;
  cmsContext m_context = nullptr;
  cmsHPROFILE m_profile = nullptr;
  cmsHPROFILE m_srgb = nullptr;
  cmsHTRANSFORM m_transform = nullptr;
};

// Gray pixels are the first of the three equal bytes of a TrueColor pixel.
constexpr cmsUInt32Number kGrayInTrueColor = COLORSPACE_SH(PT_GRAY) | EXTRA_SH(2) | CHANNELS_SH(1) | BYTES_SH(1);

// --- recognising sRGB -------------------------------------------------------

bool CloseXYZ(cmsHPROFILE a, cmsHPROFILE b, cmsTagSignature tag) {
  const auto* x = static_cast<const cmsCIEXYZ*>(cmsReadTag(a, tag));
  const auto* y = static_cast<const cmsCIEXYZ*>(cmsReadTag(b, tag));
  constexpr double kTolerance = 0.0025;
  return x && y && std::fabs(x->X - y->X) <= kTolerance && std::fabs(x->Y - y->Y) <= kTolerance &&
         std::fabs(x->Z - y->Z) <= kTolerance;
}

bool CloseCurve(cmsHPROFILE a, cmsTagSignature tagA, cmsHPROFILE b, cmsTagSignature tagB) {
  const auto* x = static_cast<const cmsToneCurve*>(cmsReadTag(a, tagA));
  const auto* y = static_cast<const cmsToneCurve*>(cmsReadTag(b, tagB));
  if (!x || !y) return false;
  for (int i = 0; i <= 64; ++i) {
    const auto v = static_cast<cmsFloat32Number>(i / 64.0);
    const cmsFloat32Number p = cmsEvalToneCurveFloat(x, v), q = cmsEvalToneCurveFloat(y, v);
    if (!std::isfinite(p) || std::fabs(p - q) > 0.002f) return false;
  }
  return true;
}

bool MatrixShaperSrgb(const TLcms& lcms, bool gray) {
  cmsHPROFILE p = lcms.Profile(), s = lcms.Srgb();
  if (!cmsIsMatrixShaper(p)) return false;
  if (gray) return CloseCurve(p, cmsSigGrayTRCTag, s, cmsSigRedTRCTag);
  return CloseXYZ(p, s, cmsSigRedColorantTag) && CloseXYZ(p, s, cmsSigGreenColorantTag) &&
         CloseXYZ(p, s, cmsSigBlueColorantTag) && CloseCurve(p, cmsSigRedTRCTag, s, cmsSigRedTRCTag) &&
         CloseCurve(p, cmsSigGreenTRCTag, s, cmsSigGreenTRCTag) && CloseCurve(p, cmsSigBlueTRCTag, s, cmsSigBlueTRCTag);
}

// The transform moves no sample colour by more than one level.
bool ActsAsIdentity(cmsHTRANSFORM transform, bool gray) {
  std::vector<uint8_t> in, out;
  if (gray) {
    for (int v = 0; v < 256; ++v) in.insert(in.end(), {static_cast<uint8_t>(v), 0, 0});
  } else {
    for (int b = 0; b <= 256; b += 32)
      for (int g = 0; g <= 256; g += 32)
        for (int r = 0; r <= 256; r += 32)
          in.insert(in.end(), {static_cast<uint8_t>(std::min(b, 255)), static_cast<uint8_t>(std::min(g, 255)),
                               static_cast<uint8_t>(std::min(r, 255))});
  }
  out.resize(in.size());
  cmsDoTransform(transform, in.data(), out.data(), static_cast<cmsUInt32Number>(in.size() / 3));
  for (std::size_t i = 0; i < in.size(); ++i) {
    const int expected = gray ? in[i - i % 3] : in[i];
    if (std::abs(out[i] - expected) > 1) return false;
  }
  return true;
}

// --- the verdict, kept for the next picture ----------------------------------

bool HeaderUsable(const std::vector<uint8_t>& profile, bool& gray) {
  if (profile.size() < kIccHeader + 4 || GetBE32(profile.data()) > profile.size() ||
      std::memcmp(profile.data() + 36, "acsp", 4) != 0)
    return false;
  const uint32_t space = GetBE32(profile.data() + 16);
  const uint32_t deviceClass = GetBE32(profile.data() + 12);
  if (deviceClass == cmsSigLinkClass || deviceClass == cmsSigAbstractClass || deviceClass == cmsSigNamedColorClass)
    return false;
  if (space != cmsSigRgbData && space != cmsSigGrayData) return false;
  gray = space == cmsSigGrayData;
  return true;
}

struct TJudged {
  TProfileVerdict Verdict = pvNone;
  bool Gray = false;
  std::unique_ptr<TLcms> Lcms;  // holds the transform when pvConvertible
};

TJudged Judge(const std::vector<uint8_t>& profile, TJpegColorSpace colorSpace) {
  TJudged judged;
  bool gray = false;
  if (!HeaderUsable(profile, gray)) return judged;
  const bool grayPixels = colorSpace == jcGrayscale;
  const bool colourPixels = colorSpace == jcRGB || colorSpace == jcYCbCr;
  if (gray ? !grayPixels : !colourPixels) return judged;
  auto lcms = std::make_unique<TLcms>();
  if (!lcms->Open(profile)) return judged;
  judged.Gray = gray;
  if (MatrixShaperSrgb(*lcms, gray)) {
    judged.Verdict = pvSrgb;
    return judged;
  }
  if (!lcms->MakeTransform(gray ? kGrayInTrueColor : TYPE_BGR_8)) return judged;
  if (ActsAsIdentity(lcms->Transform(), gray)) {
    judged.Verdict = pvSrgb;
    return judged;
  }
  judged.Verdict = pvConvertible;
  judged.Lcms = std::move(lcms);
  return judged;
}

// The last profile judged, with its transform: a batch of photos from one
// camera carries the same profile, and building a transform costs a few
// milliseconds. Callers share the verdict and run the transform outside the
// lock.
struct TLastProfile {
  std::mutex Lock;
  std::vector<uint8_t> Profile;
  TJpegColorSpace ColorSpace = jcYCbCr;
  std::shared_ptr<const TJudged> Judged;
};

std::shared_ptr<const TJudged> JudgedFor(const std::vector<uint8_t>& profile, TJpegColorSpace colorSpace) {
  static TLastProfile last;
  std::lock_guard<std::mutex> hold(last.Lock);
  if (!last.Judged || last.ColorSpace != colorSpace || last.Profile != profile) {
    last.Judged.reset();
    last.Judged = std::make_shared<const TJudged>(Judge(profile, colorSpace));
    last.Profile = profile;
    last.ColorSpace = colorSpace;
  }
  return last.Judged;
}

}  // namespace

std::vector<uint8_t> JoinIccProfile(const TPixMarkerList& markers) {
  std::vector<const TPixMarkerList::TMarker*> chunks;
  int count = -1;
  for (int i = 0; i < markers.Count(); ++i) {
    const TPixMarkerList::TMarker& m = markers.Marker(i);
    if (m.Code != kApp2 || m.Payload.size() < kChunkHeader ||
        !metadata::StartsWith(m.Payload.data(), m.Payload.size(), metadata::kIccSignature))
      continue;
    const int number = m.Payload[kChunkHeader - 2], total = m.Payload[kChunkHeader - 1];
    if (count < 0) {
      count = total;
      chunks.assign(static_cast<std::size_t>(total), nullptr);
    }
    if (total != count || number < 1 || number > count || chunks[number - 1]) return {};
    chunks[number - 1] = &m;
  }
  std::vector<uint8_t> profile;
  for (const TPixMarkerList::TMarker* m : chunks) {
    if (!m) return {};
    profile.insert(profile.end(), m->Payload.begin() + kChunkHeader, m->Payload.end());
  }
  return profile;
}

TProfileVerdict JudgeIccProfile(const std::vector<uint8_t>& profile, TJpegColorSpace colorSpace) {
  return JudgedFor(profile, colorSpace)->Verdict;
}

bool ConvertEmbeddedProfileToSrgb(TBitmap& image, const TIOParams& params) {
  if (image.PixelFormat() != TPixelFormat::TrueColor || image.Empty()) return false;
  const std::vector<uint8_t> profile = JoinIccProfile(params.MarkerList());
  if (profile.empty()) return false;
  const std::shared_ptr<const TJudged> judged = JudgedFor(profile, params.JpegColorSpace);
  if (judged->Verdict != pvConvertible) return false;
  const cmsHTRANSFORM transform = judged->Lcms->Transform();
  const auto width = static_cast<cmsUInt32Number>(image.Width());
  // Input and output pixels are both three bytes, which lcms2 allows in place.
  for (int32_t y = 0; y < image.Height(); ++y) cmsDoTransform(transform, image.ScanLine(y), image.ScanLine(y), width);
  return true;
}

}  // namespace pix
