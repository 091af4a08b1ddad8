#include "app/logic/text_case.h"

#include <locale>
#include <optional>

namespace pix {

namespace {

// The case tables of the C.UTF-8 locale cover all of Unicode whatever the
// user's locale is; without it only ASCII letters change case.
const std::ctype<wchar_t>* UnicodeCtype() {
  static const std::optional<std::locale> locale = []() -> std::optional<std::locale> {
    for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"}) {
      try {
        return std::locale(name);
      } catch (const std::runtime_error&) {
      }
    }
    return std::nullopt;
  }();
  return locale ? &std::use_facet<std::ctype<wchar_t>>(*locale) : nullptr;
}

// Decodes one UTF-8 sequence at text[i]; returns its length, or 0 when the
// bytes there are not a valid, shortest-form sequence.
size_t DecodeUtf8(const std::string& text, size_t i, char32_t& cp) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  unsigned char b0 = byte(i);
  size_t len = b0 < 0x80 ? 1 : (b0 & 0xE0) == 0xC0 ? 2 : (b0 & 0xF0) == 0xE0 ? 3 : (b0 & 0xF8) == 0xF0 ? 4 : 0;
  if (len == 0 || i + len > text.size()) return 0;
  static constexpr unsigned char kLeadMask[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
  cp = b0 & kLeadMask[len];
  for (size_t k = 1; k < len; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (byte(i + k) & 0x3F);
  }
  static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < kSmallest[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return len;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

template <typename Map>
std::string MapCase(const std::string& text, Map map) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    char32_t cp = 0;
    size_t len = DecodeUtf8(text, i, cp);
    if (len == 0) {
      out += text[i++];
      continue;
    }
    char32_t mapped = map(cp);
    // A mapping that leaves the valid range would corrupt the text.
    if (mapped > 0x10FFFF || (mapped >= 0xD800 && mapped <= 0xDFFF)) mapped = cp;
    AppendUtf8(out, mapped);
    i += len;
  }
  return out;
}

char32_t AsciiUpper(char32_t c) { return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c; }
char32_t AsciiLower(char32_t c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; }

}  // namespace

std::string UpperCase(const std::string& text) {
  const auto* ctype = UnicodeCtype();
  return MapCase(text, [ctype](char32_t c) {
    return ctype ? static_cast<char32_t>(ctype->toupper(static_cast<wchar_t>(c))) : AsciiUpper(c);
  });
}

std::string LowerCase(const std::string& text) {
  const auto* ctype = UnicodeCtype();
  return MapCase(text, [ctype](char32_t c) {
    return ctype ? static_cast<char32_t>(ctype->tolower(static_cast<wchar_t>(c))) : AsciiLower(c);
  });
}

}  // namespace pix
