#include "imaging/streamed_fit.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "imaging/orient.h"
#include "imaging/resample_passes.h"
#include "imaging/turn_fit_plan.h"
#include "platform/pix_exception.h"

namespace pix {

namespace {

// Destination rows of a first pass down the columns filtered together: few
// enough that their source rows (a band of some hundred rows of a photo shrunk
// to a screen) stay in the caches, enough that the pass over the band's
// columns is not all set-up. Also the rows a first pass along the rows takes
// at once.
constexpr int32_t kGroupRows = 16;

// The rows held between the decoder and the first pass; per thread and kept,
// so that an album's photos reuse the same pages.
std::vector<uint8_t>& BandBuffer() {
  thread_local std::vector<uint8_t> band;
  return band;
}

void GrowBand(size_t bytes) {
  std::vector<uint8_t>& band = BandBuffer();
  try {
    if (band.size() < bytes) band.resize(bytes);
  } catch (const std::bad_alloc&) {
    throw EPixOutOfMemory();
  }
}

}  // namespace

struct TStreamedTurnAndFit::TState {
  TArrangement Arrangement;
  const TFilterEntry* Filter = nullptr;
  TFitPlan Plan;
  int32_t Width = 0, Height = 0;
  TTapLists Taps;  // the first pass's
  TBitmap Mid;     // the first pass's result, in the source's arrangement
  // Transposed: groups of destination rows in the order their source rows
  // complete, and the lowest source row any group from i on reads.
  struct TGroup {
    int32_t First, Last, Low, High;
  };
  std::vector<TGroup> Groups;
  std::vector<int32_t> LowFrom;
  size_t Next = 0;
  // The band: source rows Base .. Base + Held - 1, RowBytes apart.
  int64_t RowBytes = 0;
  int32_t Capacity = 0;
  int32_t Base = 0, Held = 0;

  TState(const TArrangement& arrangement, const TFilterEntry& filter, TFitPlan plan, int32_t width, int32_t height)
      : Arrangement(arrangement), Filter(&filter), Plan(plan), Width(width), Height(height),
        Taps(ArrangedFirstTaps(width, height, arrangement, plan.Size[0], filter)) {}

  uint8_t* Band() { return BandBuffer().data(); }
  uint8_t* BandRow(int32_t y) { return Band() + static_cast<int64_t>(y - Base) * RowBytes; }
  TRows<const uint8_t> BandRows() { return {Band(), RowBytes, Width, Held}; }
};

TStreamedTurnAndFit::TStreamedTurnAndFit(double angle, int32_t maxWidth, int32_t maxHeight, TResampleFilter filter)
    : m_angle(angle), m_maxWidth(maxWidth), m_maxHeight(maxHeight), m_filter(filter) {}

TStreamedTurnAndFit::~TStreamedTurnAndFit() = default;

namespace {

TArrangement ArrangementFor(double angle, int32_t orientation) {
  return ArrangementOf(TurnedOrientation(orientation, QuarterTurnOf(angle)));
}

}  // namespace

bool TStreamedTurnAndFit::Fits(int32_t width, int32_t height, int32_t orientation) const {
  if (QuarterTurnOf(m_angle) == TQuarterTurn::None || !FilterEntryOf(m_filter)) return false;
  return PlanFit(ArrangedSize(width, height, ArrangementFor(m_angle, orientation)), m_maxWidth, m_maxHeight).Steps > 0;
}

bool TStreamedTurnAndFit::Started() const { return m_state != nullptr; }

bool TStreamedTurnAndFit::Start(int32_t width, int32_t height, int32_t orientation) {
  m_state.reset();
  const TFilterEntry* filter = FilterEntryOf(m_filter);
  const TArrangement arrangement = ArrangementFor(m_angle, orientation);
  const TFitPlan plan = PlanFit(ArrangedSize(width, height, arrangement), m_maxWidth, m_maxHeight);
  if (QuarterTurnOf(m_angle) == TQuarterTurn::None || !filter || plan.Steps == 0) return false;
  auto state = std::make_unique<TState>(arrangement, *filter, plan, width, height);
  TState& s = *state;
  s.RowBytes = (static_cast<int64_t>(width) * 3 + 63) / 64 * 64;
  s.Capacity = std::min(height, kGroupRows);
  if (arrangement.Transposed) {
    const int32_t rows = s.Plan.Size[0].Width;
    for (int32_t first = 0; first < rows; first += kGroupRows) {
      const int32_t last = std::min(rows, first + kGroupRows);
      const auto [low, high] = s.Taps.Span(first, last);
      s.Groups.push_back({first, last, low, high});
    }
    // A group is filtered once its last source row is in; mirrored lists
    // complete from the bottom group up.
    std::stable_sort(s.Groups.begin(), s.Groups.end(),
                     [](const TState::TGroup& a, const TState::TGroup& b) { return a.High < b.High; });
    s.LowFrom.assign(s.Groups.size() + 1, height);
    int32_t span = 1;
    for (size_t i = s.Groups.size(); i-- > 0;) {
      s.LowFrom[i] = std::min(s.LowFrom[i + 1], s.Groups[i].Low);
      span = std::max(span, s.Groups[i].High - s.Groups[i].Low + 1);
    }
    s.Capacity = std::min(height, span + kGroupRows);
  }
  GrowBand(static_cast<size_t>(s.RowBytes * s.Capacity));
  const TFitSize mid = ArrangedMidSize(width, height, arrangement, s.Plan.Size[0]);
  s.Mid.ReshapeForOverwrite(mid.Width, mid.Height, TPixelFormat::TrueColor);
  m_state = std::move(state);
  return true;
}

uint8_t* TStreamedTurnAndFit::RowTarget(int32_t y) {
  TState& s = *m_state;
  if (s.Held == s.Capacity) {
    // Rows below what any group still reads make room.
    const int32_t keep = s.Arrangement.Transposed ? std::clamp(s.LowFrom[s.Next], s.Base, y) : y;
    const int32_t kept = y - keep;
    if (kept > 0) std::memmove(s.Band(), s.BandRow(keep), static_cast<size_t>(kept * s.RowBytes));
    s.Base = keep;
    s.Held = kept;
    if (s.Held == s.Capacity) {
      // Lists whose spans do not follow the rows' order: the band grows.
      s.Capacity = std::min(s.Height, 2 * s.Capacity);
      GrowBand(static_cast<size_t>(s.RowBytes * s.Capacity));
    }
  }
  return s.BandRow(s.Base + s.Held);
}

void TStreamedTurnAndFit::RowDone(int32_t) {
  ++m_state->Held;
  ProcessReadyGroups();
}

void TStreamedTurnAndFit::ProcessReadyGroups() {
  TState& s = *m_state;
  const int32_t end = s.Base + s.Held;  // rows 0 .. end - 1 have come
  const TRows<uint8_t> mid = RowsOf(s.Mid);
  if (!s.Arrangement.Transposed) {
    // Along the rows: a full band, or the last rows, go through at once.
    if (s.Held < s.Capacity && end < s.Height) return;
    const TRows<uint8_t> rows{mid.Row(s.Base), mid.Step, mid.Width, s.Held};
    ResampleRows(s.BandRows(), rows, 3, s.Taps);
    s.Base = end;
    s.Held = 0;
    return;
  }
  for (; s.Next < s.Groups.size() && s.Groups[s.Next].High < end; ++s.Next) {
    const TState::TGroup& g = s.Groups[s.Next];
    // The group's lists, their source rows counted in the band.
    std::vector<std::vector<std::pair<int32_t, double>>> lists;
    lists.reserve(static_cast<size_t>(g.Last - g.First));
    for (int32_t j = g.First; j < g.Last; ++j) {
      auto& list = lists.emplace_back();
      const int32_t* index = s.Taps.Index(j);
      const double* weight = s.Taps.Weight(j);
      for (int32_t k = 0; k < s.Taps.Count(j); ++k) list.emplace_back(index[k] - s.Base, weight[k]);
    }
    const TRows<uint8_t> rows{mid.Row(g.First), mid.Step, mid.Width, g.Last - g.First};
    ResampleColumns(s.BandRows(), rows, 3, TTapLists(lists));
  }
}

void TStreamedTurnAndFit::Finish(TBitmap& result) {
  TState& s = *m_state;
  // A decode that stopped early leaves its last rows black, as the whole
  // picture would have them.
  for (int32_t y = s.Base + s.Held; y < s.Height; ++y) {
    std::memset(RowTarget(y), 0, static_cast<size_t>(s.Width) * 3);
    RowDone(y);
  }
  const TProgressRecord quiet;
  TBitmap first, second;
  ResampleArrangedSecond(s.Mid, s.Width, s.Height, s.Arrangement, s.Plan.Size[0], *s.Filter, first, quiet);
  const TBitmap* last = &first;
  if (s.Plan.Steps == 2) {
    ResampleArranged(first, s.Arrangement, s.Plan.Size[1], *s.Filter, second, quiet);
    last = &second;
  }
  OrientToUpright(*last, result, s.Arrangement.Orientation);
  m_state.reset();
}

}  // namespace pix
