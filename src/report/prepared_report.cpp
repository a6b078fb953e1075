#include "report/prepared_report.h"

#include <bit>
#include <cmath>
#include <cstring>

namespace report {

namespace {

constexpr std::size_t kMagicSize = 8;
constexpr std::uint32_t kFirstVersion = 1;   // no code page byte: Windows-1252
constexpr double kLargestPosition = 100000;  // ten metres in tenths of a millimetre
constexpr std::uint64_t kFnvOffset = 14695981039346656037ull;
constexpr std::uint64_t kFnvPrime = 1099511628211ull;

std::uint64_t fnv1a(std::string_view bytes) {
  std::uint64_t hash = kFnvOffset;
  for (const char c : bytes) {
    hash ^= static_cast<unsigned char>(c);
    hash *= kFnvPrime;
  }
  return hash;
}

class Writer {
 public:
  void unsigned32(std::uint32_t value) { little(value, 4); }
  void signed32(std::int32_t value) { little(static_cast<std::uint32_t>(value), 4); }
  void unsigned64(std::uint64_t value) { little(value, 8); }
  void real(double value) { unsigned64(std::bit_cast<std::uint64_t>(value)); }
  void byte(std::uint8_t value) { out_ += static_cast<char>(value); }
  void bytes(std::string_view text) { out_ += text; }
  std::string& out() { return out_; }

 private:
  void little(std::uint64_t value, int size) {
    for (int i = 0; i < size; ++i) out_ += static_cast<char>((value >> (8 * i)) & 0xFF);
  }
  std::string out_;
};

class Reader {
 public:
  explicit Reader(std::string_view in) : in_(in) {}

  std::uint32_t unsigned32() { return static_cast<std::uint32_t>(little(4)); }
  std::int32_t signed32() { return static_cast<std::int32_t>(unsigned32()); }
  std::uint64_t unsigned64() { return little(8); }
  double position() {
    const double value = std::bit_cast<double>(unsigned64());
    if (!std::isfinite(value) || std::fabs(value) > kLargestPosition) fail("a position is out of range");
    return value;
  }
  std::uint8_t choice(std::uint8_t count, const char* what) {
    const auto value = static_cast<std::uint8_t>(take(1)[0]);
    if (value >= count) fail(std::string("unknown ") + what);
    return value;
  }
  // A count of items at least `itemSize` bytes each, checked against the rest.
  std::uint32_t count(std::size_t itemSize) {
    const std::uint32_t n = unsigned32();
    if (n > left() / itemSize) fail("a count exceeds the file");
    return n;
  }
  std::string_view take(std::size_t size) {
    if (size > left()) fail("the file ends early");
    const std::string_view part = in_.substr(at_, size);
    at_ += size;
    return part;
  }
  std::size_t left() const { return in_.size() - at_; }
  std::size_t offset() const { return at_; }

  [[noreturn]] static void fail(const std::string& why) { throw PreparedReportError(why); }

 private:
  std::uint64_t little(int size) {
    const std::string_view part = take(static_cast<std::size_t>(size));
    std::uint64_t value = 0;
    for (int i = size - 1; i >= 0; --i)
      value = (value << 8) | static_cast<unsigned char>(part[static_cast<std::size_t>(i)]);
    return value;
  }
  std::string_view in_;
  std::size_t at_ = 0;
};

constexpr std::size_t kTextMinSize = 8 + 8 + 1 + 1 + 4;
constexpr std::size_t kRuleSize = 4 * 8 + 1;
constexpr std::size_t kPageMinSize = 4 + 4 + 4;

}  // namespace

std::string writePreparedReport(const PreparedReport& report) {
  Writer w;
  w.bytes(std::string_view(kPreparedReportMagic, kMagicSize));
  w.unsigned32(kPreparedReportVersion);
  const PageSetup& s = report.setup;
  for (const double v : {s.paperWidth, s.paperHeight, s.leftMargin, s.topMargin, s.rightMargin, s.bottomMargin})
    w.real(v);
  w.byte(s.codePage.mark());
  w.unsigned32(static_cast<std::uint32_t>(report.pages.size()));
  for (const Page& page : report.pages) {
    w.signed32(page.number);
    w.unsigned32(static_cast<std::uint32_t>(page.texts.size()));
    for (const TextRun& t : page.texts) {
      w.real(t.x);
      w.real(t.y);
      w.byte(t.alignment == Alignment::Right ? 1 : 0);
      w.byte(t.font == FontStyle::Bold ? 1 : 0);
      w.unsigned32(static_cast<std::uint32_t>(t.text.size()));
      w.bytes(t.text);
    }
    w.unsigned32(static_cast<std::uint32_t>(page.rules.size()));
    for (const RuleLine& r : page.rules) {
      for (const double v : {r.x1, r.y1, r.x2, r.y2}) w.real(v);
      w.byte(r.style == PenStyle::DashDotDot ? 1 : 0);
    }
  }
  w.unsigned64(fnv1a(w.out()));
  return std::move(w.out());
}

PreparedReport readPreparedReport(std::string_view bytes) {
  Reader r(bytes);
  if (r.left() < kMagicSize || std::memcmp(bytes.data(), kPreparedReportMagic, kMagicSize) != 0)
    Reader::fail("it is not a prepared report");
  r.take(kMagicSize);
  const std::uint32_t version = r.unsigned32();
  if (version != kPreparedReportVersion && version != kFirstVersion)
    Reader::fail("unsupported version " + std::to_string(version));
  if (bytes.size() < r.offset() + 8) Reader::fail("the file ends early");
  const std::string_view body = bytes.substr(0, bytes.size() - 8);
  Reader checksum(bytes.substr(bytes.size() - 8));
  if (checksum.unsigned64() != fnv1a(body)) Reader::fail("the checksum does not match");
  Reader in(body);
  in.take(r.offset());

  PreparedReport report;
  PageSetup& s = report.setup;
  for (double* v : {&s.paperWidth, &s.paperHeight, &s.leftMargin, &s.topMargin, &s.rightMargin, &s.bottomMargin})
    *v = in.position();
  if (s.paperWidth <= 0 || s.paperHeight <= 0) Reader::fail("the paper size is not positive");
  if (version != kFirstVersion) s.codePage = codepage::CodePage::fromMark(static_cast<std::uint8_t>(in.take(1)[0]));
  const std::uint32_t pageCount = in.count(kPageMinSize);
  report.pages.reserve(pageCount);
  for (std::uint32_t p = 0; p < pageCount; ++p) {
    Page page;
    page.number = in.signed32();
    if (page.number != static_cast<std::int32_t>(p + 1)) Reader::fail("the pages are out of order");
    const std::uint32_t textCount = in.count(kTextMinSize);
    page.texts.reserve(textCount);
    for (std::uint32_t i = 0; i < textCount; ++i) {
      TextRun t;
      t.x = in.position();
      t.y = in.position();
      t.alignment = in.choice(2, "alignment") == 1 ? Alignment::Right : Alignment::Left;
      t.font = in.choice(2, "font") == 1 ? FontStyle::Bold : FontStyle::Regular;
      t.text = std::string(in.take(in.count(1)));
      page.texts.push_back(std::move(t));
    }
    const std::uint32_t ruleCount = in.count(kRuleSize);
    page.rules.reserve(ruleCount);
    for (std::uint32_t i = 0; i < ruleCount; ++i) {
      RuleLine rule;
      for (double* v : {&rule.x1, &rule.y1, &rule.x2, &rule.y2}) *v = in.position();
      rule.style = in.choice(2, "line style") == 1 ? PenStyle::DashDotDot : PenStyle::Solid;
      page.rules.push_back(rule);
    }
    report.pages.push_back(std::move(page));
  }
  if (in.left() != 0) Reader::fail("unexpected bytes after the last page");
  return report;
}

}  // namespace report
