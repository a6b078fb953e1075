#include "exchange/csv.h"

#include <algorithm>

#include "exchange/utf8.h"

namespace exchange {
namespace {

// The separator of the first record, outside quoted fields: a comma unless
// there is none and there are semicolons or tabs.
char separatorOf(std::string_view text) {
  bool quoted = false;
  bool seen[3] = {false, false, false};
  for (const char c : text) {
    if (c == '"') quoted = !quoted;
    if (quoted) continue;
    if (c == '\r' || c == '\n') break;
    if (c == ',') seen[0] = true;
    if (c == ';') seen[1] = true;
    if (c == '\t') seen[2] = true;
  }
  if (seen[0] || !(seen[1] || seen[2])) return ',';
  return seen[1] ? ';' : '\t';
}

class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text), separator_(separatorOf(text)) {}

  std::vector<CsvRecord> records() {
    std::vector<CsvRecord> out;
    while (pos_ < text_.size()) {
      CsvRecord record{line_, {}};
      bool more = true;
      while (more) record.fields.push_back(field(more));
      if (std::any_of(record.fields.begin(), record.fields.end(), [](const std::string& f) { return !f.empty(); }))
        out.push_back(std::move(record));
    }
    return out;
  }

 private:
  // One field; `more` tells whether another follows in the same record.
  std::string field(bool& more) {
    std::string value;
    const std::size_t start = line_;
    if (pos_ < text_.size() && text_[pos_] == '"') {
      ++pos_;
      while (true) {
        if (pos_ >= text_.size()) throw ReadError(start, "a quoted field is not closed");
        checkValueLength(value.size(), start, "a field");
        const char c = text_[pos_++];
        if (c == '"') {
          if (pos_ < text_.size() && text_[pos_] == '"') {
            value.push_back('"');
            ++pos_;
            continue;
          }
          break;
        }
        if (c == '\n' || (c == '\r' && (pos_ >= text_.size() || text_[pos_] != '\n'))) ++line_;
        value.push_back(c);
      }
      if (pos_ < text_.size() && text_[pos_] != separator_ && text_[pos_] != '\r' && text_[pos_] != '\n')
        throw ReadError(line_, "text after the closing quote of a field (a quote inside a field is written \"\")");
    } else {
      const std::size_t end = std::min(text_.find_first_of(std::string{separator_, '\r', '\n'}, pos_), text_.size());
      checkValueLength(end - pos_, start, "a field");
      value = text_.substr(pos_, end - pos_);
      pos_ = end;
    }
    more = pos_ < text_.size() && text_[pos_] == separator_;
    if (more) {
      ++pos_;
    } else if (pos_ < text_.size()) {  // a line break ends the record
      pos_ += text_[pos_] == '\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n' ? 2 : 1;
      ++line_;
    }
    return value;
  }

  std::string_view text_;
  char separator_;
  std::size_t pos_ = 0;
  std::size_t line_ = 1;
};

// The line of the byte at `offset`.
std::size_t lineAt(std::string_view text, std::size_t offset) {
  std::size_t line = 1;
  for (std::size_t i = 0; i < offset; ++i) {
    if (text[i] == '\n' || (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n'))) ++line;
  }
  return line;
}

}  // namespace

std::vector<CsvRecord> readCsv(std::string_view file) {
  const std::string_view text = withoutBom(file);
  const std::size_t valid = validUtf8Prefix(text);
  if (valid != text.size()) throw ReadError(lineAt(text, valid), "the text is not valid UTF-8");
  return Parser(text).records();
}

void appendCsvRecord(std::string& out, std::span<const std::string> fields) {
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) out.push_back(',');
    const std::string& f = fields[i];
    // Semicolons and tabs too, so a reader never takes them for the separator.
    const bool quote = f.find_first_of(",;\t\"\r\n") != std::string::npos ||
                       (!f.empty() && (f.front() == ' ' || f.back() == ' ')) ||
                       f.starts_with("\xEF\xBB\xBF");  // else taken for a byte order mark
    if (!quote) {
      out += f;
      continue;
    }
    out.push_back('"');
    for (const char c : f) {
      if (c == '"') out.push_back('"');
      out.push_back(c);
    }
    out.push_back('"');
  }
  out += "\r\n";
}

}  // namespace exchange
