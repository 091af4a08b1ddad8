#pragma once
// Texts a person reads, in the language the program speaks. The layers below
// the window know nothing of Qt: they write their texts in English, mark them
// for Qt's translation tools and look them up through TranslateText, which the
// window points at its translations. Until something installs a translator
// (the batch command never does) every text stays the English it was written as.
#include <initializer_list>
#include <string>
#include <string_view>

// Marks sourceText for lupdate (told to read it as QT_TRANSLATE_NOOP) and
// stands for the text itself: a table of English texts, translated when shown.
#define PIX_TRANSLATE_NOOP(context, sourceText) sourceText

namespace pix {

// Answers sourceText (UTF-8) of context in the user's language, as UTF-8.
// disambiguation tells apart equal texts of one context (may be null); n >= 0
// picks the plural form for n and stands for every "%n" in the answer. Called
// from any thread.
using TTranslateFunction = std::string (*)(const char* context, const char* sourceText, const char* disambiguation,
                                           int n);

// Installs translate for the whole process; nullptr restores the English texts.
void SetTranslateFunction(TTranslateFunction translate);
TTranslateFunction GetTranslateFunction();

// sourceText of context translated by the installed function; without one,
// sourceText with "%n" replaced by n when n >= 0. lupdate reads calls with
// string literals as QCoreApplication::translate.
std::string TranslateText(const char* context, const char* sourceText, const char* disambiguation = nullptr,
                          int n = -1);

// pattern with %1 .. %9 replaced by the matching argument, in one pass: an
// argument that itself holds "%2" stays as it is. A placeholder without an
// argument, and any other "%", is kept.
std::string FormatText(std::string_view pattern, std::initializer_list<std::string_view> args);

}  // namespace pix
