#include "platform/translate.h"

#include <atomic>
#include <vector>

namespace pix {

namespace {

std::atomic<TTranslateFunction> g_translate{nullptr};

std::string ReplaceCount(std::string_view text, int n) {
  std::string out;
  out.reserve(text.size() + 8);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 1 < text.size() && text[i + 1] == 'n') {
      out += std::to_string(n);
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace

void SetTranslateFunction(TTranslateFunction translate) { g_translate.store(translate); }

TTranslateFunction GetTranslateFunction() { return g_translate.load(); }

std::string TranslateText(const char* context, const char* sourceText, const char* disambiguation, int n) {
  if (const TTranslateFunction translate = g_translate.load()) return translate(context, sourceText, disambiguation, n);
  return n >= 0 ? ReplaceCount(sourceText, n) : std::string(sourceText);
}

std::string FormatText(std::string_view pattern, std::initializer_list<std::string_view> args) {
  const std::vector<std::string_view> values(args);
  std::string out;
  out.reserve(pattern.size() + 32);
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] >= '1' && pattern[i + 1] <= '9') {
      const size_t index = static_cast<size_t>(pattern[i + 1] - '1');
      if (index < values.size()) {
        out += values[index];
        ++i;
        continue;
      }
    }
    out += pattern[i];
  }
  return out;
}

}  // namespace pix
