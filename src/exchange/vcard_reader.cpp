#include "exchange/vcard_reader.h"

#include <algorithm>
#include <cctype>
#include <optional>

#include "exchange/utf8.h"
#include "xbase/dbf_text.h"

namespace exchange {
namespace {

// The file's lines one at a time; CR LF, LF and CR each end a line.
class Lines {
 public:
  explicit Lines(std::string_view text) : text_(text) {}

  bool atEnd() const { return pos_ >= text_.size(); }
  std::size_t nextNumber() const { return number_ + 1; }

  std::string_view peek() const { return lineAt(pos_).first; }

  std::string_view take() {
    const auto [line, next] = lineAt(pos_);
    pos_ = next;
    ++number_;
    return line;
  }

 private:
  std::pair<std::string_view, std::size_t> lineAt(std::size_t start) const {
    const std::size_t end = text_.find_first_of("\r\n", start);
    if (end == std::string_view::npos) return {text_.substr(start), text_.size()};
    const std::size_t next = end + (text_[end] == '\r' && end + 1 < text_.size() && text_[end + 1] == '\n' ? 2 : 1);
    return {text_.substr(start, end - start), next};
  }

  std::string_view text_;
  std::size_t pos_ = 0;
  std::size_t number_ = 0;
};

// The part before the first ":" that is not inside a quoted parameter
// value: the property's name and parameters.
std::string_view head(std::string_view line) {
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '"') quoted = !quoted;
    if (line[i] == ':' && !quoted) return line.substr(0, i);
  }
  return line;
}

bool isQuotedPrintable(std::string_view line) {
  return xbase::asciiUpper(head(line)).find("QUOTED-PRINTABLE") != std::string::npos;
}

bool isBase64Line(std::string_view line) {
  if (line.empty()) return false;
  for (const char c : line)
    if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '/' || c == '=' || c == ' ' || c == '\t'))
      return false;
  return true;
}

// One logical line: a physical line with its folded continuations, its
// quoted-printable soft breaks and, in 2.1, the unindented lines of a
// base64 value up to the blank line that ends it.
std::string takeLogicalLine(Lines& lines, bool version21) {
  std::string line(lines.take());
  while (!lines.atEnd()) {
    const std::string_view next = lines.peek();
    if (!next.empty() && (next[0] == ' ' || next[0] == '\t')) {
      // 2.1 folds at a blank and keeps it; later versions drop one blank.
      line += version21 ? next : next.substr(1);
      lines.take();
    } else if (!line.empty() && line.back() == '=' && isQuotedPrintable(line)) {
      line.pop_back();
      line += next;
      lines.take();
    } else {
      break;
    }
  }
  if (version21 && xbase::asciiUpper(head(line)).find("BASE64") != std::string::npos) {
    while (!lines.atEnd() && isBase64Line(lines.peek())) lines.take();
  }
  return line;
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string decodeQuotedPrintable(std::string_view text, std::size_t line) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '=') {
      out.push_back(text[i]);
      continue;
    }
    const int high = i + 2 < text.size() ? hexDigit(text[i + 1]) : -1;
    const int low = i + 2 < text.size() ? hexDigit(text[i + 2]) : -1;
    if (high < 0 || low < 0)
      throw ReadError(line, "broken quoted-printable text: \"=\" must be followed by two hex digits");
    out.push_back(static_cast<char>(high * 16 + low));
    i += 2;
  }
  return out;
}

// `bytes` in `charset` as UTF-8.
std::string toUtf8(std::string bytes, std::string_view charset, std::size_t line) {
  const std::string name = xbase::asciiUpper(charset);
  if (name.empty() || name == "UTF-8" || name == "US-ASCII") {
    const std::size_t valid = validUtf8Prefix(bytes);
    if (valid != bytes.size())
      throw ReadError(line, "the text is not valid UTF-8 (byte " + std::to_string(valid + 1) +
                                " of the value); give its character set with CHARSET=");
    return bytes;
  }
  const bool latin1 = name == "ISO-8859-1" || name == "LATIN1";
  if (!latin1 && name != "WINDOWS-1252" && name != "CP1252")
    throw ReadError(line,
                    "unknown character set " + std::string(charset) + " (known: UTF-8, ISO-8859-1, WINDOWS-1252)");
  const codepage::CodePage windows1252;
  std::string out;
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    appendUtf8(out, latin1 ? char32_t{byte} : windows1252.toUnicode(byte));
  }
  return out;
}

// Reads "name" or "name=value[,value]" with quoted values; `pos` is past
// the ";" before it and ends on the ";" or ":" after it.
void parseParameter(std::string_view text, std::size_t& pos, Property& property) {
  const std::size_t nameEnd = text.find_first_of("=;:", pos);
  const std::string name = xbase::asciiUpper(text.substr(pos, nameEnd - pos));
  pos = nameEnd;
  if (pos >= text.size() || text[pos] != '=') {
    // 2.1 writes a type or an encoding alone.
    const bool encoding = name == "QUOTED-PRINTABLE" || name == "BASE64" || name == "8BIT" || name == "7BIT";
    property.parameters.push_back({encoding ? "ENCODING" : "TYPE", name});
    return;
  }
  ++pos;
  std::string value;
  while (pos < text.size() && text[pos] != ';' && text[pos] != ':') {
    if (text[pos] == '"') {
      const std::size_t close = text.find('"', pos + 1);
      if (close == std::string_view::npos) throw ReadError(property.line, "a parameter's quotes are not closed");
      value += text.substr(pos + 1, close - pos - 1);
      pos = close + 1;
    } else {
      value.push_back(text[pos++]);
    }
  }
  property.parameters.push_back({name, value});
}

bool isBinary(const Property& property) {
  const std::string encoding = xbase::asciiUpper(property.parameter("ENCODING"));
  return encoding == "B" || encoding == "BASE64" || property.name == "PHOTO" || property.name == "LOGO" ||
         property.name == "SOUND" || property.name == "KEY";
}

Property parseProperty(std::string_view line, std::size_t number) {
  Property property;
  property.line = number;
  const std::string_view nameAndParameters = head(line);
  if (nameAndParameters.size() == line.size())
    throw ReadError(number, "no \":\" between the property's name and value");
  std::size_t pos = nameAndParameters.find(';');
  const std::string_view fullName = nameAndParameters.substr(0, pos);
  const std::size_t dot = fullName.rfind('.');
  property.name = xbase::asciiUpper(dot == std::string_view::npos ? fullName : fullName.substr(dot + 1));
  if (dot != std::string_view::npos) property.group = std::string(fullName.substr(0, dot));
  if (property.name.empty()) throw ReadError(number, "a property without a name");
  while (pos < nameAndParameters.size()) {
    ++pos;
    parseParameter(nameAndParameters, pos, property);
  }
  if (isBinary(property)) {
    property.binary = true;
    return property;
  }
  std::string raw(line.substr(nameAndParameters.size() + 1));
  if (raw.size() > kLongestValue)
    throw ReadError(number, "a value of " + std::to_string(raw.size()) + " bytes, more than the " +
                                std::to_string(kLongestValue) + " accepted");
  if (xbase::asciiUpper(property.parameter("ENCODING")) == "QUOTED-PRINTABLE") raw = decodeQuotedPrintable(raw, number);
  property.value = toUtf8(std::move(raw), property.parameter("CHARSET"), number);
  return property;
}

}  // namespace

std::string Property::parameter(std::string_view wanted) const {
  for (const Parameter& p : parameters)
    if (p.name == wanted) return p.value;
  return {};
}

std::vector<Card> readVCards(std::string_view file) {
  Lines lines(withoutBom(file));
  std::vector<Card> cards;
  std::optional<Card> card;
  int nested = 0;  // depth of cards inside the current one (2.1 AGENT), skipped
  while (!lines.atEnd()) {
    const std::size_t number = lines.nextNumber();
    const std::string line = takeLogicalLine(lines, card && card->version == "2.1");
    if (line.find_first_not_of(" \t") == std::string::npos) continue;
    const std::string upper = xbase::asciiUpper(head(line));
    const std::string_view value = std::string_view(line).substr(std::min(line.size(), head(line).size() + 1));
    const bool isBegin = upper == "BEGIN" && xbase::equalsIgnoringCase(value, "VCARD");
    const bool isEnd = upper == "END" && xbase::equalsIgnoringCase(value, "VCARD");
    if (!card) {
      if (!isBegin) throw ReadError(number, "text outside a card (a card starts with BEGIN:VCARD)");
      card.emplace();
      card->line = number;
    } else if (isBegin) {
      ++nested;
    } else if (isEnd && nested > 0) {
      --nested;
    } else if (isEnd) {
      cards.push_back(std::move(*card));
      card.reset();
    } else if (nested == 0 && upper == "VERSION") {
      card->version = std::string(value);
    } else if (nested == 0) {
      card->properties.push_back(parseProperty(line, number));
    }
  }
  if (card) throw ReadError(card->line, "the card that starts here has no END:VCARD");
  if (cards.empty()) throw ReadError(1, "no card in the file (a card starts with BEGIN:VCARD)");
  return cards;
}

std::string unescapeText(std::string_view raw) {
  std::string out;
  out.reserve(raw.size());
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] != '\\' || i + 1 == raw.size()) {
      out.push_back(raw[i]);
      continue;
    }
    const char next = raw[i + 1];
    if (next == 'n' || next == 'N') {
      out.push_back('\n');
    } else if (next == ',' || next == ';' || next == ':' || next == '\\') {
      out.push_back(next);
    } else {
      out.push_back('\\');
      continue;
    }
    ++i;
  }
  return out;
}

std::vector<std::string> splitComponents(std::string_view raw, char separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= raw.size(); ++i) {
    if (i < raw.size() && raw[i] == '\\') {
      ++i;
      continue;
    }
    if (i == raw.size() || raw[i] == separator) {
      parts.push_back(unescapeText(raw.substr(start, i - start)));
      start = i + 1;
    }
  }
  return parts;
}

}  // namespace exchange
