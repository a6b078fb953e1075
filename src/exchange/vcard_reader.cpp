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

// Whether a logical line that grows as its continuations are joined asks
// for quoted-printable. Each byte is looked at once, so a line of many soft
// breaks is joined in linear time; until the ":" after the parameters shows
// up (a quote left open hides it) the answer is no.
class QuotedPrintableHead {
 public:
  bool of(std::string_view line) {
    for (; !known_ && scanned_ < line.size(); ++scanned_) {
      if (line[scanned_] == '"') quoted_ = !quoted_;
      if (line[scanned_] == ':' && !quoted_) {
        known_ = true;
        answer_ = isQuotedPrintable(line.substr(0, scanned_));
      }
    }
    return answer_;
  }

 private:
  std::size_t scanned_ = 0;
  bool quoted_ = false;
  bool known_ = false;
  bool answer_ = false;
};

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
  QuotedPrintableHead quotedPrintable;
  while (!lines.atEnd()) {
    const std::string_view next = lines.peek();
    if (!next.empty() && (next[0] == ' ' || next[0] == '\t')) {
      // 2.1 folds at a blank and keeps it; later versions drop one blank.
      line += version21 ? next : next.substr(1);
      lines.take();
    } else if (!line.empty() && line.back() == '=' && quotedPrintable.of(line)) {
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

// `bytes` in `charset` as UTF-8. 8-bit text without a character set is
// Windows-1252, as the producers that write it mean it.
std::string toUtf8(std::string bytes, std::string_view charset, std::size_t line) {
  const std::string name = xbase::asciiUpper(charset);
  const std::size_t valid = validUtf8Prefix(bytes);
  if (name.empty() && valid != bytes.size()) return windows1252ToUtf8(bytes);
  if (name.empty() || name == "UTF-8" || name == "US-ASCII") {
    if (valid != bytes.size())
      throw ReadError(line, "the text is not valid UTF-8 (byte " + std::to_string(valid + 1) +
                                " of the value); give its character set with CHARSET=");
    return bytes;
  }
  if (name == "WINDOWS-1252" || name == "CP1252") return windows1252ToUtf8(bytes);
  if (name == "ISO-8859-1" || name == "LATIN1") {
    std::string out;
    for (const char c : bytes) appendUtf8(out, char32_t{static_cast<unsigned char>(c)});
    return out;
  }
  std::string why;
  std::optional<std::string> converted = charsetToUtf8(bytes, std::string(charset), why);
  if (!converted) throw ReadError(line, why);
  return std::move(*converted);
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
  checkValueLength(raw.size(), number, "a value");
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

VCardFile readVCardFile(std::string_view file) {
  Lines lines(withoutBom(file));
  VCardFile out;
  std::optional<Card> card;
  std::optional<ReadError> fault;  // the current card's first: it is left out at its end
  int nested = 0;                  // depth of cards inside the current one (2.1 AGENT), skipped
  bool afterAgent = false;         // the last property was an AGENT, whose card may follow
  bool outside = false;            // in a run of text outside a card, reported once
  const auto leaveOut = [&](const ReadError& why) {
    out.faults.push_back(fault.value_or(why));
    card.reset();
  };
  while (!lines.atEnd()) {
    const std::size_t number = lines.nextNumber();
    const std::string line = takeLogicalLine(lines, card && card->version == "2.1");
    // Blank lines, and the end-of-file mark (Ctrl-Z) some exports end with, are no text.
    if (line.find_first_not_of(" \t\x1A") == std::string::npos) continue;
    const std::string upper = xbase::asciiUpper(head(line));
    const std::string_view value = std::string_view(line).substr(std::min(line.size(), head(line).size() + 1));
    const bool isBegin = upper == "BEGIN" && xbase::equalsIgnoringCase(value, "VCARD");
    const bool isEnd = upper == "END" && xbase::equalsIgnoringCase(value, "VCARD");
    // A card that begins where no AGENT asks for one: the one before lacks
    // its END:VCARD, and reading goes on with the new card.
    if (card && isBegin && nested == 0 && !afterAgent)
      leaveOut(ReadError(card->line, "the card that starts here has no END:VCARD"));
    afterAgent = false;
    if (!card) {
      if (!isBegin) {
        if (!outside) out.faults.emplace_back(number, "text outside a card (a card starts with BEGIN:VCARD)");
        outside = true;
        continue;
      }
      outside = false;
      card.emplace();
      card->line = number;
      fault.reset();
      nested = 0;
    } else if (isBegin) {
      ++nested;
    } else if (isEnd && nested > 0) {
      --nested;
    } else if (isEnd) {
      if (fault) {
        leaveOut(*fault);
      } else {
        out.cards.push_back(std::move(*card));
        card.reset();
      }
    } else if (fault || nested > 0) {
      continue;
    } else if (upper == "VERSION") {
      card->version = std::string(value);
    } else {
      try {
        card->properties.push_back(parseProperty(line, number));
        afterAgent = card->properties.back().name == "AGENT";
      } catch (const ReadError& e) {
        fault = e;
      }
    }
  }
  if (card) leaveOut(ReadError(card->line, "the card that starts here has no END:VCARD"));
  if (out.cards.empty() && out.faults.empty())
    out.faults.emplace_back(1, "no card in the file (a card starts with BEGIN:VCARD)");
  return out;
}

std::vector<Card> readVCards(std::string_view file) {
  VCardFile read = readVCardFile(file);
  if (!read.faults.empty()) throw read.faults.front();
  return std::move(read.cards);
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
