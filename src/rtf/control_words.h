#pragma once

// The control words the reader acts on; every other word is skipped.

#include <string_view>

namespace rtf {

enum class Word {
  Unknown,
  Paragraph,  // \par and the breaks shown as a new paragraph
  LineBreak,  // \line
  Tab,        // \tab, \cell
  Character,  // a named character such as \emdash: see ControlWord::character
  Bold,
  Italic,
  Underline,      // \ul and its styles; parameter 0 turns it off
  UnderlineNone,  // \ulnone
  Plain,
  Font,
  FontSize,
  ForeColor,
  DefaultFont,
  Unicode,
  UnicodeSkip,
  Binary,
  FontTable,
  ColorTable,
  Red,
  Green,
  Blue,
  AnsiCodePage,        // \ansicpg: the code page of the \'hh escapes that follow
  SkippedDestination,  // a destination whose text is not part of the memo
};

struct ControlWord {
  Word word = Word::Unknown;
  char32_t character = 0;  // for Word::Character
};

ControlWord lookUpControlWord(std::string_view name);

}  // namespace rtf
