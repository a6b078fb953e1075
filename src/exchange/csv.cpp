#include "exchange/csv.h"

#include <algorithm>

#include "exchange/utf8.h"

namespace exchange {
namespace {

char separatorOf(std::string_view text) {
  const std::string_view first = text.substr(0, text.find_first_of("\r\n"));
  if (first.find(',') != std::string_view::npos) return ',';
  if (first.find(';') != std::string_view::npos) return ';';
  if (first.find('\t') != std::string_view::npos) return '\t';
  return ',';
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
    if (pos_ < text_.size() && text_[pos_] == '"') {
      const std::size_t opened = line_;
      ++pos_;
      while (true) {
        if (pos_ >= text_.size()) throw ReadError(opened, "a quoted field is not closed");
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
    const bool quote = f.find_first_of(",\"\r\n") != std::string::npos ||
                       (!f.empty() && (f.front() == ' ' || f.back() == ' '));
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
