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

  // A record with a fault is left out; reading goes on at the line after
  // the fault, or for a quote never closed, after the record's first line.
  CsvFile records() {
    CsvFile out;
    while (pos_ < text_.size()) {
      const std::size_t start = pos_;
      CsvRecord record{line_, {}};
      try {
        bool more = true;
        while (more) record.fields.push_back(field(more));
      } catch (const ReadError& e) {
        out.faults.push_back(e);
        if (pos_ >= text_.size()) {
          pos_ = start;
          line_ = record.line;
        }
        skipLine();
        continue;
      }
      if (std::none_of(record.fields.begin(), record.fields.end(), [](const std::string& f) { return !f.empty(); }))
        continue;
      if (const auto bad = std::find_if(record.fields.begin(), record.fields.end(),
                                        [](const std::string& f) { return validUtf8Prefix(f) != f.size(); });
          bad != record.fields.end()) {
        out.faults.emplace_back(record.line, "field " + std::to_string(bad - record.fields.begin() + 1) +
                                                 " is not valid UTF-8, as the byte order mark says the file is");
      } else if (const auto tooLong = std::find_if(record.fields.begin(), record.fields.end(),
                                                   [](const std::string& f) { return f.size() > kLongestValue; });
                 tooLong != record.fields.end()) {
        try {
          checkValueLength(tooLong->size(), record.line, "a field");
        } catch (const ReadError& e) {
          out.faults.push_back(e);
        }
      } else {
        out.records.push_back(std::move(record));
      }
    }
    return out;
  }

 private:
  // One field; `more` tells whether another follows in the same record. A
  // field longer than kLongestValue is read whole, so that the next record
  // starts where it should, and refused with its record.
  std::string field(bool& more) {
    std::string value;
    const std::size_t start = line_;
    if (pos_ < text_.size() && text_[pos_] == '"') {
      ++pos_;
      while (true) {
        if (pos_ >= text_.size()) throw ReadError(start, "a quoted field is not closed");
        const char c = text_[pos_++];
        if (c == '"') {
          if (pos_ < text_.size() && text_[pos_] == '"') {
            if (value.size() <= kLongestValue) value.push_back('"');
            ++pos_;
            continue;
          }
          break;
        }
        if (c == '\n' || (c == '\r' && (pos_ >= text_.size() || text_[pos_] != '\n'))) ++line_;
        if (value.size() <= kLongestValue) value.push_back(c);
      }
      if (pos_ < text_.size() && text_[pos_] != separator_ && text_[pos_] != '\r' && text_[pos_] != '\n')
        throw ReadError(line_, "text after the closing quote of a field (a quote inside a field is written \"\")");
    } else {
      const std::size_t end = std::min(text_.find_first_of(std::string{separator_, '\r', '\n'}, pos_), text_.size());
      value = text_.substr(pos_, std::min(end - pos_, kLongestValue + 1));
      pos_ = end;
    }
    more = pos_ < text_.size() && text_[pos_] == separator_;
    if (more) {
      ++pos_;
    } else if (pos_ < text_.size()) {  // a line break ends the record
      skipLine();
    }
    return value;
  }

  // Moves past the next line break (or to the end).
  void skipLine() {
    const std::size_t end = text_.find_first_of("\r\n", pos_);
    if (end == std::string_view::npos) {
      pos_ = text_.size();
      return;
    }
    pos_ = end + (text_[end] == '\r' && end + 1 < text_.size() && text_[end + 1] == '\n' ? 2 : 1);
    ++line_;
  }

  std::string_view text_;
  char separator_;
  std::size_t pos_ = 0;
  std::size_t line_ = 1;
};

}  // namespace

CsvFile readCsvFile(std::string_view file) {
  const std::string_view text = withoutBom(file);
  // Without a byte order mark, a file that is not UTF-8 is Windows-1252, as
  // spreadsheets and mail programs write it; with one, a record that is not
  // UTF-8 is left out.
  if (text.size() == file.size() && validUtf8Prefix(text) != text.size())
    return Parser(windows1252ToUtf8(text)).records();
  return Parser(text).records();
}

std::vector<CsvRecord> readCsv(std::string_view file) {
  CsvFile read = readCsvFile(file);
  if (!read.faults.empty()) throw read.faults.front();
  return std::move(read.records);
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
