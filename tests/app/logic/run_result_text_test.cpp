#include <gtest/gtest.h>

#include <set>
#include <string>

#include "app/logic/run_result.h"
#include "platform/translate.h"
#include "support/test_support.h"

using namespace pix;

namespace {

TRowResult Row(TRowState state, TFailureReason reason = frNone, const std::string& destination = "/out/pic.jpg") {
  TRowResult row;
  row.State = state;
  row.Reason = reason;
  row.Destination = destination;
  return row;
}

TRunSummary Summary(int converted, int damaged, int failed, int skipped) {
  TRunSummary s;
  s.Converted = converted;
  s.Damaged = damaged;
  s.Failed = failed;
  s.Skipped = skipped;
  return s;
}

std::set<std::string> g_contexts;

// Marks every looked-up text, as a translation would change it; "%n" is
// left to show that the number goes in after the look-up.
std::string Bracketing(const char* context, const char* sourceText, const char*, int n) {
  g_contexts.insert(context);
  std::string text = std::string("[") + sourceText + "]";
  const size_t at = text.find("%n");
  if (n >= 0 && at != std::string::npos) text.replace(at, 2, "#" + std::to_string(n));
  return text;
}

}  // namespace

TEST(RunResultText, EnglishTextsWithoutATranslator) {
  EXPECT_EQ(StatusText(Row(TRowState::Pending)), "");
  EXPECT_EQ(StatusText(Row(TRowState::Converted)), "converted");
  EXPECT_EQ(StatusText(Row(TRowState::Converted, frTruncated)), "converted from a damaged source: truncated file");
  EXPECT_EQ(StatusText(Row(TRowState::Renamed, frNone, "/out/pic_1.jpg")), "renamed to pic_1.jpg");
  EXPECT_EQ(StatusText(Row(TRowState::Renamed, frCorruptData, "/out/pic_1.jpg")),
            "renamed to pic_1.jpg, converted from a damaged source: corrupt data");
  EXPECT_EQ(StatusText(Row(TRowState::Skipped)), "skipped (exists)");
  EXPECT_EQ(StatusText(Row(TRowState::Failed, frCannotOpen)), "failed: cannot open the file");
  // A name with placeholders in it stays as it is.
  EXPECT_EQ(StatusText(Row(TRowState::Renamed, frNone, "/out/%1 100%n_1.jpg")), "renamed to %1 100%n_1.jpg");

  EXPECT_EQ(SummaryText(Summary(1997, 0, 3, 12)), "1997 converted, 3 failed, 12 skipped");
  EXPECT_EQ(SummaryText(Summary(1, 1, 1, 1)), "1 converted (1 from damaged sources), 1 failed, 1 skipped");
  TRunSummary stopped;
  stopped.Stopped = true;
  stopped.Reached = 719;
  stopped.Total = 2000;
  EXPECT_EQ(SummaryText(stopped), "Stopped after 719 of 2000");
}

TEST(RunResultText, EveryPartGoesThroughTheInstalledTranslator) {
  pixtest::ScopedSetting<TTranslateFunction> translator(GetTranslateFunction, SetTranslateFunction, Bracketing);
  g_contexts.clear();
  EXPECT_EQ(StatusText(Row(TRowState::Failed, frCorruptData)), "[failed: [corrupt data]]");
  EXPECT_EQ(StatusText(Row(TRowState::Renamed, frTruncated, "/out/pic_1.jpg")),
            "[renamed to pic_1.jpg, converted from a damaged source: [truncated file]]");
  EXPECT_EQ(SummaryText(Summary(2, 1, 0, 5)), "[#2 converted] [(#1 from damaged sources)], [#0 failed], [#5 skipped]");
  EXPECT_EQ(g_contexts, (std::set<std::string>{"RunResult", "FailureReason"}));
  // The English text stays what FailureText gives, for the batch report and logs.
  EXPECT_STREQ(FailureText(frCorruptData), "corrupt data");
  EXPECT_EQ(LocalFailureText(frNone), "");
}

TEST(TranslateText, FormatFillsPlaceholdersOnceAndKeepsTheRest) {
  EXPECT_EQ(FormatText("%2 of %1", {"a", "b"}), "b of a");
  EXPECT_EQ(FormatText("%1", {"%2"}), "%2");
  EXPECT_EQ(FormatText("100% %3 %", {"x"}), "100% %3 %");
  EXPECT_EQ(TranslateText("RunResult", "%n of %n", nullptr, 7), "7 of 7");
  EXPECT_EQ(TranslateText("RunResult", "%n left"), "%n left");
}
