#include "book/search_rule.h"

#include <bit>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "book/table_layout.h"
#include "xbase/cursor.h"
#include "xbase/dbf_text.h"
#include "xbase/expr/expression.h"

namespace book {
namespace {

// Each byte upper-cased by the a-to-z rule, looked up instead of tested.
constexpr std::array<unsigned char, 256> kUpper = [] {
  std::array<unsigned char, 256> table{};
  for (int c = 0; c < 256; ++c)
    table[static_cast<std::size_t>(c)] = static_cast<unsigned char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  return table;
}();

}  // namespace

SearchRule::SearchRule(std::string_view text, bool includeMemo)
    : text_(xbase::asciiUpper(text)), search_(text_), includeMemo_(includeMemo) {
  expressionDecides_ = !includeMemo_ && !text_.empty() && xbase::stringLiteral(text_).has_value();
}

std::optional<std::string> SearchRule::expression() const {
  if (!expressionDecides_) return std::nullopt;
  return *xbase::stringLiteral(text_) + "$upper(Name)";
}

bool SearchRule::accepts(std::string_view name, const MemoFetcher& memo) const {
  if (expressionDecides_) return true;
  if (search_.in(name)) return true;
  if (!includeMemo_ || !memo) return false;
  return search_.in(memo());
}

namespace {

constexpr std::uint64_t kEachByte = 0x0101010101010101ULL;
constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;

std::uint64_t load8(const unsigned char* at) {
  std::uint64_t word;
  std::memcpy(&word, at, sizeof word);
  return word;
}

}  // namespace

UpperSearch::UpperSearch(std::string_view needle) : needle_(needle) {
  for (std::size_t i = 0; i < patterns_.size() && i < needle_.size(); ++i) {
    const auto c = static_cast<unsigned char>(needle_[i]);
    const std::uint64_t fold = c >= 'A' && c <= 'Z' ? 0x20 : 0;
    patterns_[i] = BytePattern{fold * kEachByte, (c | fold) * kEachByte};
  }
}

bool UpperSearch::matchesAt(const unsigned char* text) const {
  const auto* needle = reinterpret_cast<const unsigned char*>(needle_.data());
  for (std::size_t j = 0; j < needle_.size(); ++j)
    if (kUpper[text[j]] != needle[j]) return false;
  return true;
}

// Sixteen or eight places at a time: a place can hold the needle only where the first
// two of its bytes match, which a few word operations tell for eight places
// together (the flags may name a place too many, never one too few); only
// those places are compared in full. The rest, and short texts, one by one.
bool UpperSearch::in(std::string_view haystack) const {
  if (const void* zero = std::memchr(haystack.data(), '\0', haystack.size()))
    haystack = haystack.substr(0, static_cast<std::size_t>(static_cast<const char*>(zero) - haystack.data()));
  const std::size_t m = needle_.size();
  if (m == 0) return true;
  if (m > haystack.size()) return false;
  const auto* text = reinterpret_cast<const unsigned char*>(haystack.data());
  const std::size_t last = haystack.size() - m;  // the last place the needle fits
  std::size_t pos = 0;
  const BytePattern& first = patterns_[0];
  const BytePattern& second = patterns_[m > 1 ? 1 : 0];
  const std::size_t shift = m > 1 ? 1 : 0;
#if defined(__SSE2__)
  // Sixteen places at a time, the same test with vector compares.
  {
    const auto spread = [](std::uint64_t word) { return _mm_set1_epi8(static_cast<char>(word & 0xFF)); };
    const __m128i fold0 = spread(first.fold), pattern0 = spread(first.pattern);
    const __m128i fold1 = spread(second.fold), pattern1 = spread(second.pattern);
    for (; pos + 16 + shift <= haystack.size() && pos + 15 <= last; pos += 16) {
      const __m128i at0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + pos));
      const __m128i at1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + pos + shift));
      auto flags = static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(
          _mm_cmpeq_epi8(_mm_or_si128(at0, fold0), pattern0), _mm_cmpeq_epi8(_mm_or_si128(at1, fold1), pattern1))));
      while (flags != 0) {
        if (matchesAt(text + pos + static_cast<std::size_t>(std::countr_zero(flags)))) return true;
        flags &= flags - 1;
      }
    }
  }
#endif
  if constexpr (std::endian::native == std::endian::little) {
    // Zero bytes of (word | fold) ^ pattern are the matching bytes.
    const auto matching = [](std::uint64_t word, const BytePattern& p) {
      const std::uint64_t v = (word | p.fold) ^ p.pattern;
      return (v - kEachByte) & ~v & kHighBits;
    };
    for (; pos + 8 + shift <= haystack.size() && pos + 7 <= last; pos += 8) {
      std::uint64_t flags = matching(load8(text + pos), first) & matching(load8(text + pos + shift), second);
      while (flags != 0) {
        const std::size_t at = pos + static_cast<std::size_t>(std::countr_zero(flags)) / 8;
        if (matchesAt(text + at)) return true;
        flags &= flags - 1;
      }
    }
  }
  for (; pos <= last; ++pos)
    if (matchesAt(text + pos)) return true;
  return false;
}

void RecordMarks::set(std::uint32_t recordNumber, bool on) {
  const std::size_t word = recordNumber / 64;
  const std::uint64_t bit = std::uint64_t{1} << (recordNumber % 64);
  if (word >= words_.size()) {
    if (!on) return;
    words_.resize(word + 1);
  }
  if (((words_[word] & bit) != 0) == on) return;
  words_[word] ^= bit;
  on ? ++count_ : --count_;
}

bool RecordMarks::has(std::uint32_t recordNumber) const {
  const std::size_t word = recordNumber / 64;
  return word < words_.size() && (words_[word] >> (recordNumber % 64) & 1) != 0;
}

bool walkMatches(xbase::Cursor& cursor, const SearchRule& rule, const std::function<void(xbase::Cursor&)>& found,
                 const std::atomic<bool>* stop) {
  const auto stopped = [stop] { return stop && stop->load(std::memory_order_relaxed); };
  const int name = xbase::requireField(cursor, kName);
  const int memo = xbase::requireField(cursor, kInfo);
  if (const std::optional<std::string> expression = rule.expression()) {
    cursor.setFilter(*expression);
  } else {
    // Once stopped every record passes, so the walk below ends at the next one.
    cursor.setRecordFilter([&](xbase::Cursor& candidate) {
      return stopped() || rule.accepts(candidate.value(name), [&] { return candidate.value(memo); });
    });
  }
  struct MemoReads {
    xbase::Cursor& cursor;
    explicit MemoReads(xbase::Cursor& c) : cursor(c) { cursor.holdMemoReads(); }
    ~MemoReads() { cursor.releaseMemoReads(); }
    MemoReads(const MemoReads&) = delete;
    MemoReads& operator=(const MemoReads&) = delete;
  } held(cursor);
  for (cursor.first(); !cursor.eof(); cursor.skip(1)) {
    if (stopped()) return false;
    found(cursor);
  }
  return !stopped();
}

std::optional<RecordMarks> markMatches(const std::string& dbfPath, const SearchRule& rule,
                                       const std::atomic<bool>* stop) {
  const auto cursor = xbase::Cursor::open(dbfPath, xbase::OpenMode::Shared);
  RecordMarks marks;
  const auto mark = [&](xbase::Cursor& at) { marks.set(at.recno(), true); };
  if (!walkMatches(*cursor, rule, mark, stop)) return std::nullopt;
  return marks;
}

bool containsUpper(std::string_view haystack, std::string_view needle) { return UpperSearch(needle).in(haystack); }

}  // namespace book
