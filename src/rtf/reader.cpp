#include "rtf/reader.h"

#include <algorithm>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "rtf/control_words.h"

namespace rtf {
namespace {

enum class Destination : std::uint8_t { Text, FontTable, ColorTable, Skipped };

// The properties a group inherits from its parent and gets back on '}'. In
// `format`, font and color hold the numbers as written; they are turned into
// table indices when text is added.
struct GroupState {
  CharFormat format;
  int unicodeSkip = 1;
  Destination destination = Destination::Text;
};

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

class Reader {
 public:
  Reader(std::string_view in, const codepage::CodePage& page) : in_(in), page_(page), markupPage_(page) {}

  Document run() {
    while (pos_ < in_.size()) {
      const char c = in_[pos_++];
      switch (c) {
        case '{': openGroup(); break;
        case '}':
          if (!closeGroup()) return finish();
          break;
        case '\\': control(); break;
        case '\r':
        case '\n': break;
        default: literal(c);
      }
    }
    return finish();
  }

 private:
  void openGroup() {
    skipping_ = 0;
    if (excessDepth_ > 0 || stack_.size() >= kMaxGroupDepth) {
      // Too deep: whatever this group holds is dropped, and the state before
      // it comes back when it closes.
      if (excessDepth_++ == 0) {
        beforeExcess_ = state_;
        state_.destination = Destination::Skipped;
      }
      return;
    }
    stack_.push_back(state_);
  }

  // False when the outermost group closed (or a '}' had no group to close):
  // the document ends there.
  bool closeGroup() {
    skipping_ = 0;
    if (excessDepth_ > 0) {
      if (--excessDepth_ == 0) state_ = beforeExcess_;
      return true;
    }
    if (state_.destination == Destination::FontTable) finishFont();
    if (stack_.empty()) return false;
    state_ = stack_.back();
    stack_.pop_back();
    return !stack_.empty();
  }

  void control() {
    if (pos_ >= in_.size()) return;
    if (!isLetter(in_[pos_])) return symbol(in_[pos_++]);
    const std::size_t start = pos_;
    while (pos_ < in_.size() && isLetter(in_[pos_])) ++pos_;
    const std::string_view name = in_.substr(start, pos_ - start);
    bool hasParameter = false;
    long long parameter = 0;
    const bool negative = pos_ + 1 < in_.size() && in_[pos_] == '-' && isDigit(in_[pos_ + 1]);
    if (negative) ++pos_;
    while (pos_ < in_.size() && isDigit(in_[pos_])) {
      hasParameter = true;
      parameter = std::min(parameter * 10 + (in_[pos_++] - '0'), kParameterLimit);
    }
    if (pos_ < in_.size() && in_[pos_] == ' ') ++pos_;
    word(lookUpControlWord(name), hasParameter, static_cast<int>(negative ? -parameter : parameter));
  }

  void symbol(char c) {
    switch (c) {
      case '\\':
      case '{':
      case '}': return escaped(c);
      case '\'': return hexEscape();
      case '~': return escaped(byteOf(0xA0));
      case '_': return escaped('-');
      case '\r':
      case '\n':
        if (consumeSkipped()) return;
        return endParagraph();
      case '*':
        if (consumeSkipped()) return;
        state_.destination = Destination::Skipped;
        return;
      default: consumeSkipped();  // \- and other symbols show nothing
    }
  }

  void hexEscape() {
    int value = 0;
    int digits = 0;
    while (digits < 2 && pos_ < in_.size() && hexDigit(in_[pos_]) >= 0) {
      value = value * 16 + hexDigit(in_[pos_++]);
      ++digits;
    }
    if (digits == 2)
      escaped(markupPage_ == page_ ? static_cast<char>(value)
                                   : byteOf(markupPage_.toUnicode(static_cast<unsigned char>(value))));
    else
      consumeSkipped();  // a cut-off escape shows nothing
  }

  void word(ControlWord control, bool hasParameter, int parameter) {
    if (control.word == Word::Binary) skipBinary(hasParameter ? parameter : 0);
    if (consumeSkipped()) return;
    const bool on = !hasParameter || parameter != 0;
    CharFormat& format = state_.format;
    switch (control.word) {
      case Word::Paragraph: return endParagraph();
      case Word::LineBreak: return textOnly('\n');
      case Word::Tab: return textOnly('\t');
      case Word::Character: return escaped(byteOf(control.character));
      case Word::Bold: format.bold = on; return;
      case Word::Italic: format.italic = on; return;
      case Word::Underline: format.underline = on; return;
      case Word::UnderlineNone: format.underline = false; return;
      case Word::Plain:
        format = CharFormat{};
        format.font = defaultFont_;
        return;
      case Word::Font:
        if (state_.destination == Destination::FontTable) return startFont(parameter);
        format.font = parameter;
        return;
      case Word::FontSize:
        format.halfPoints = parameter > 0 ? std::min(parameter, kMaxHalfPoints) : kDefaultHalfPoints;
        return;
      case Word::ForeColor: format.color = std::max(parameter, 0); return;
      case Word::DefaultFont:
        defaultFont_ = parameter;
        if (format.font < 0) format.font = parameter;
        return;
      case Word::Unicode:
        if (hasParameter) unicode(parameter);
        return;
      case Word::UnicodeSkip: state_.unicodeSkip = std::max(parameter, 0); return;
      case Word::FontTable: state_.destination = Destination::FontTable; return;
      case Word::ColorTable:
        state_.destination = Destination::ColorTable;
        color_ = Color{};
        return;
      case Word::Red: return colorComponent(color_.red, parameter);
      case Word::Green: return colorComponent(color_.green, parameter);
      case Word::Blue: return colorComponent(color_.blue, parameter);
      case Word::AnsiCodePage:
        if (const auto named = codepage::CodePage::fromNumber(parameter)) markupPage_ = *named;
        return;
      case Word::SkippedDestination: state_.destination = Destination::Skipped; return;
      case Word::Binary:
      case Word::Unknown: return;
    }
  }

  char byteOf(char32_t code) const { return page_.fromUnicode(code).value_or('?'); }

  // The fallback characters after \uN: each character, escape or control
  // word counts as one; a brace ends them.
  bool consumeSkipped() {
    if (skipping_ == 0) return false;
    --skipping_;
    return true;
  }

  void skipBinary(int length) { pos_ += std::min(static_cast<std::size_t>(std::max(length, 0)), in_.size() - pos_); }

  void unicode(int parameter) {
    const long code = parameter < 0 ? parameter + 0x10000L : parameter;
    const bool high = code >= 0xD800 && code <= 0xDBFF;
    const bool low = code >= 0xDC00 && code <= 0xDFFF;
    // A character beyond the 16-bit range comes as two surrogates; it gets
    // one '?' for the pair.
    if (!(low && afterHighSurrogate_))
      escaped(high || low || code < 0 || code > 0x10FFFF ? '?' : byteOf(static_cast<char32_t>(code)));
    afterHighSurrogate_ = high;
    skipping_ = state_.unicodeSkip;
  }

  void colorComponent(std::uint8_t& component, int value) {
    if (state_.destination != Destination::ColorTable) return;
    color_.automatic = false;
    component = static_cast<std::uint8_t>(std::clamp(value, 0, 255));
  }

  void startFont(int number) {
    finishFont();
    fontOpen_ = true;
    fontNumber_ = number;
    fontName_.clear();
  }

  void finishFont() {
    if (!fontOpen_) return;
    fontOpen_ = false;
    const std::size_t first = fontName_.find_first_not_of(' ');
    const std::size_t last = fontName_.find_last_not_of(' ');
    if (!fontIndex_.try_emplace(fontNumber_, static_cast<int>(document_.fonts.size())).second) return;
    formatCached_ = false;
    document_.fonts.push_back(Font{first == std::string::npos ? "" : fontName_.substr(first, last - first + 1)});
  }

  // A character written as itself: ';' ends a table entry.
  void literal(char c) {
    if (consumeSkipped()) return;
    afterHighSurrogate_ = false;
    switch (state_.destination) {
      case Destination::Text:
        if (c == '\t' || static_cast<unsigned char>(c) >= 0x20) addText(c);
        return;
      case Destination::FontTable:
        if (c == ';')
          finishFont();
        else if (fontOpen_)
          fontName_.push_back(c);
        return;
      case Destination::ColorTable:
        if (c == ';') {
          document_.colors.push_back(color_);
          color_ = Color{};
          formatCached_ = false;
        }
        return;
      case Destination::Skipped: return;
    }
  }

  // A character written as an escape: always text, also in a font name.
  void escaped(char c) {
    if (consumeSkipped()) return;
    afterHighSurrogate_ = false;
    if (state_.destination == Destination::Text)
      addText(c);
    else if (state_.destination == Destination::FontTable && fontOpen_)
      fontName_.push_back(c);
  }

  void textOnly(char c) {
    if (state_.destination == Destination::Text) addText(c);
  }

  void addText(char c) {
    if (!formatCached_ || !(state_.format == rawFormat_)) {
      formatCached_ = true;
      rawFormat_ = state_.format;
      format_ = rawFormat_;
      const auto font = fontIndex_.find(rawFormat_.font);
      format_.font = font == fontIndex_.end() ? -1 : font->second;
      if (static_cast<std::size_t>(format_.color) >= document_.colors.size()) format_.color = 0;
    }
    std::vector<Run>& runs = paragraph_.runs;
    if (runs.empty() || !(runs.back().format == format_)) runs.push_back(Run{format_, {}});
    runs.back().text.push_back(c);
  }

  void endParagraph() {
    if (state_.destination != Destination::Text) return;
    document_.paragraphs.push_back(std::move(paragraph_));
    paragraph_ = Paragraph{};
  }

  Document finish() {
    finishFont();
    if (!paragraph_.runs.empty()) document_.paragraphs.push_back(std::move(paragraph_));
    return std::move(document_);
  }

  static constexpr long long kParameterLimit = 1'000'000'000;

  std::string_view in_;
  codepage::CodePage page_;        // the bytes of the document's text
  codepage::CodePage markupPage_;  // the bytes of \'hh escapes
  std::size_t pos_ = 0;
  std::vector<GroupState> stack_;
  GroupState state_;
  std::size_t excessDepth_ = 0;
  GroupState beforeExcess_;
  int skipping_ = 0;
  bool afterHighSurrogate_ = false;
  int defaultFont_ = -1;
  bool fontOpen_ = false;
  int fontNumber_ = 0;
  std::string fontName_;
  std::unordered_map<int, int> fontIndex_;  // RTF font number -> index in document_.fonts
  Color color_;
  bool formatCached_ = false;  // false again whenever a table grows
  CharFormat rawFormat_;       // the last format added, as written, and
  CharFormat format_;          // the same with table indices
  Paragraph paragraph_;
  Document document_;
};

}  // namespace

bool isRtf(std::string_view memo) { return memo.starts_with("{\\rtf"); }

Document read(std::string_view markup, const codepage::CodePage& page) { return Reader(markup, page).run(); }

}  // namespace rtf
