#include "report/text_layout.h"

#include <algorithm>

#include "book/memo_lines.h"

namespace report {

namespace {

// The longest prefix of `word` whose width passes `fits`. Widths grow with
// the prefix, so the prefixes that fit are those up to some length: found by
// doubling, then halving, which keeps a 70 KB word without a blank cheap.
template <typename Fits>
std::size_t longestFittingPrefix(std::string_view word, const WidthFunction& width, Fits fits) {
  std::size_t good = 0;               // a length known to fit
  std::size_t bad = word.size() + 1;  // a length known not to fit (or past the end)
  for (std::size_t step = 1; good + step < bad; step *= 2) {
    if (fits(width(word.substr(0, good + step)))) {
      good += step;
    } else {
      bad = good + step;
      break;
    }
  }
  while (bad - good > 1) {
    const std::size_t middle = good + (bad - good) / 2;
    if (fits(width(word.substr(0, middle))))
      good = middle;
    else
      bad = middle;
  }
  return good;
}

class BlockFormatter {
 public:
  BlockFormatter(const TextFormat& format, const WidthFunction& width, std::vector<std::string>& lines)
      : format_(format), width_(width), lines_(lines) {}

  void block(std::string_view raw) {
    std::string text;
    text.reserve(raw.size());
    std::copy_if(raw.begin(), raw.end(), std::back_inserter(text), [](char c) { return c != '\n'; });
    if (text.find('\r') != std::string::npos) {
      std::size_t start = 0;
      for (std::size_t cr = text.find('\r'); cr != std::string::npos; cr = text.find('\r', start)) {
        block(std::string_view(text).substr(start, cr - start));
        start = cr + 1;
      }
      block(std::string_view(text).substr(start));
      return;
    }
    if (format_.autoSize) {
      lines_.push_back(std::move(text));
      return;
    }
    line_.clear();
    std::size_t start = 0;
    while (start < text.size()) {
      const std::size_t brk = text.find_first_of(" -", start);
      const std::size_t end = brk == std::string::npos ? text.size() : brk + 1;
      word(std::string_view(text).substr(start, end - start));
      start = end;
    }
    lines_.push_back(line_);
  }

 private:
  void word(std::string_view w) {
    const double limit = format_.width;
    candidate_.assign(line_).append(w);
    if (width_(candidate_) <= limit) {
      line_ = candidate_;
      return;
    }
    if (line_.empty()) {
      // Alone too wide: keep the characters while the line stays narrower
      // than the item, drop the rest of the word.
      line_.assign(w.substr(0, longestFittingPrefix(w, width_, [limit](double x) { return x < limit; })));
      w = {};
    }
    lines_.push_back(line_);
    line_.clear();
    if (width_(w) > limit) {
      // After other words: a line of its own, cut from its end until it fits.
      w = limit == 0 ? std::string_view{}
                     : w.substr(0, longestFittingPrefix(w, width_, [limit](double x) { return x <= limit; }));
      lines_.emplace_back(w);
      w = {};
    }
    line_.assign(w);
  }

  const TextFormat& format_;
  const WidthFunction& width_;
  std::vector<std::string>& lines_;
  std::string line_;
  std::string candidate_;
};

}  // namespace

std::vector<std::string> formatText(std::string_view text, const TextFormat& format, const WidthFunction& width) {
  std::vector<std::string> lines;
  BlockFormatter(format, width, lines).block(text);
  return lines;
}

std::vector<std::string> formatLines(const std::vector<std::string>& blocks, const TextFormat& format,
                                     const WidthFunction& width) {
  std::vector<std::string> lines;
  BlockFormatter formatter(format, width, lines);
  for (const std::string& block : blocks) formatter.block(block);
  return lines;
}

std::vector<std::string> memoLines(std::string_view memo) {
  const std::vector<std::string_view> views = book::memoLines(memo);
  return {views.begin(), views.end()};
}

double widestLine(const std::vector<std::string>& lines, const WidthFunction& width) {
  double widest = 0;
  for (const std::string& line : lines) widest = std::max(widest, width(line));
  return widest;
}

}  // namespace report
