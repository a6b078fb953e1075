// The table check. It reads the files directly rather than through a
// cursor, so that it can describe damage that would stop a cursor from
// opening the table, and it never changes a byte. It marks the table as
// opened shared, like any reader, and holds a read lock on the header lock
// byte (and the memo lock) throughout: writers wait, so the header, the
// file size, the records and the index are seen as one state, never halfway
// through an append.

#include "xbase/table_check.h"

#include <algorithm>
#include <map>
#include <optional>

#include "xbase/cdx/cdx_file.h"
#include "xbase/dbf_bytes.h"
#include "xbase/dbf_header.h"
#include "xbase/dbf_record.h"
#include "xbase/expr/expression.h"
#include "xbase/file.h"
#include "xbase/lock.h"
#include "xbase/table.h"
#include "xbase/table_files.h"
#include "xbase/table_pack.h"

namespace xbase {

namespace {

// Collects fault lines, keeping at most `max` of each kind.
class Faults {
 public:
  explicit Faults(std::size_t max) : max_(max) {}

  void add(const std::string& kind, const std::string& text) {
    std::size_t& n = counts_[kind];
    if (++n <= max_) lines_.push_back(text);
  }

  std::vector<std::string> finish() {
    for (const auto& [kind, n] : counts_)
      if (n > max_) lines_.push_back(kind + ": " + std::to_string(n - max_) + " more faults of this kind");
    return std::move(lines_);
  }

 private:
  std::size_t max_;
  std::map<std::string, std::size_t> counts_;
  std::vector<std::string> lines_;
};

// Bytes as readable text: printable ASCII as is, the rest as \xNN.
std::string printable(std::string_view bytes) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (char c : bytes) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 0x20 && u < 0x7F && u != '\\') {
      out.push_back(c);
    } else {
      out += "\\x";
      out.push_back(digits[u >> 4]);
      out.push_back(digits[u & 15]);
    }
  }
  return out;
}

// Eight blanks (or zeros) for no date, else YYYYMMDD of a real day.
bool isDateOrBlank(std::string_view raw) {
  if (raw.size() != 8 || raw.find_first_not_of(' ') == std::string_view::npos ||
      raw.find_first_not_of('\0') == std::string_view::npos)
    return true;
  if (raw.find_first_not_of("0123456789") != std::string_view::npos) return false;
  const int year = std::stoi(std::string(raw.substr(0, 4)));
  const int month = std::stoi(std::string(raw.substr(4, 2)));
  const int day = std::stoi(std::string(raw.substr(6, 2)));
  static const int days[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12 || day < 1 || day > days[month - 1]) return false;
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month != 2 || day < 29 || leap;
}

struct MemoRun {
  std::uint64_t start;
  std::uint64_t end;
  std::uint32_t recno;
};

class TableChecker {
 public:
  TableChecker(const std::filesystem::path& dbfPath, std::size_t maxPerKind)
      : dbfPath_(dbfPath),
        dbfName_(dbfPath.filename().string()),
        faults_(maxPerKind),
        dbf_(dbfPath, File::Access::ReadOnly) {}

  std::vector<std::string> run() {
    if (!dbf_.tryLock(lockregion::kOpenMarker, 1, false) || !dbf_.tryLockWhole(false))
      throw Error(ErrorCode::Exclusive, "The table " + dbfName_ + " is opened exclusively by another user");
    const auto journal = packJournalOf(dbfPath_);
    std::error_code ec;
    if (std::filesystem::exists(journal, ec)) {
      faults_.add(dbfName_, journal.filename().string() + ": a pack of " + dbfName_ +
                                " was interrupted; the next open of the table finishes it when the journal verifies");
      return faults_.finish();
    }
    const LockGuard writersWait = LockGuard::wait(&dbf_, lockregion::kHeader, false);
    if (readHeader()) {
      checkRecordsAndMemos();
      checkIndex();
    }
    return faults_.finish();
  }

 private:
  // --- DBF header against the file size

  bool readHeader() {
    const std::uint64_t size = dbf_.size();
    std::string fixed(DbfHeader::kFixedSize, '\0');
    fixed.resize(dbf_.readSomeAt(0, fixed.data(), fixed.size()));
    try {
      std::string bytes(DbfHeader::announcedLength(fixed, dbfName_), '\0');
      bytes.resize(dbf_.readSomeAt(0, bytes.data(), bytes.size()));
      header_ = DbfHeader::parse(bytes, dbfName_);
    } catch (const Error& e) {
      faults_.add(dbfName_, e.what());
      return false;
    }
    const std::uint64_t recordLength = header_.recordLength;
    const std::uint64_t expected = header_.headerLength + header_.recordCount * recordLength;
    const std::string counted = dbfName_ + ": the header counts " + std::to_string(header_.recordCount) +
                                " records of " + std::to_string(recordLength) + " bytes";
    if (size < expected)
      faults_.add(dbfName_, counted + " (" + std::to_string(expected) +
                                " bytes with the header) but the file has only " + std::to_string(size) + " bytes");
    // Other programs count the records from the file size, so whole
    // records past the count are part of the table for them (and an
    // exclusive open, a reindex or a pack takes them in).
    const std::uint64_t whole = size < header_.headerLength ? 0 : (size - header_.headerLength) / recordLength;
    if (whole > header_.recordCount)
      faults_.add(dbfName_, counted + " but the file holds " + std::to_string(whole) +
                                " whole records; the records past the count are taken in by a reindex or a pack");
    const std::uint64_t tail = size < header_.headerLength ? 0 : size - header_.headerLength - whole * recordLength;
    char mark = 0x1A;
    if (tail == 1) dbf_.readAt(size - 1, &mark, 1);
    if (tail > 1 || mark != 0x1A)
      faults_.add(dbfName_, dbfName_ + ": the file ends in a partial record of " + std::to_string(tail) +
                                " bytes; a reindex or a pack moves it to " + dbfName_ + ".partial");
    records_ = static_cast<std::uint32_t>(std::min<std::uint64_t>(whole, 0x07FFFFFF));
    return true;
  }

  std::uint64_t recordOffset(std::uint32_t recno) const {
    return header_.headerLength + std::uint64_t{recno - 1} * header_.recordLength;
  }

  void readRecord(std::uint32_t recno, std::string& out) const {
    out.resize(header_.recordLength);
    dbf_.readAt(recordOffset(recno), out.data(), out.size());
  }

  // --- records and memo pointers

  void checkRecordsAndMemos() {
    openMemoFile();
    constexpr std::uint32_t kChunk = 1024;
    std::string chunk;
    for (std::uint32_t first = 1; first <= records_; first += kChunk) {
      const std::uint32_t n = std::min(kChunk, records_ - first + 1);
      chunk.resize(std::size_t{n} * header_.recordLength);
      dbf_.readAt(recordOffset(first), chunk.data(), chunk.size());
      for (std::uint32_t i = 0; i < n; ++i)
        checkRecord(first + i,
                    std::string_view(chunk).substr(std::size_t{i} * header_.recordLength, header_.recordLength));
    }
    checkMemoOverlaps();
  }

  void openMemoFile() {
    if (!header_.hasMemo()) return;
    const std::filesystem::path path = fileBeside(dbfPath_, ".fpt");
    if (path.empty()) {
      faults_.add(dbfName_, dbfName_ + ": the table has memo fields but no .FPT memo file");
      return;
    }
    fptName_ = path.filename().string();
    fpt_ = File(path, File::Access::ReadOnly);
    memoLock_ = LockGuard::wait(&fpt_, lockregion::kMemo, false);
    fptSize_ = fpt_.size();
    char head[8] = {};
    if (fptSize_ < 512) {
      faults_.add(fptName_,
                  fptName_ + ": the file has " + std::to_string(fptSize_) + " bytes, less than its 512-byte header");
      fpt_ = File();
      return;
    }
    fpt_.readAt(0, head, sizeof head);
    blockSize_ = readBe16(head + 6);
    nextFree_ = std::uint64_t{readBe32(head)} * blockSize_;
    if (blockSize_ == 0) {
      faults_.add(fptName_, fptName_ + ": the header gives block size 0");
      fpt_ = File();
    } else if (nextFree_ > fptSize_ + blockSize_) {
      faults_.add(fptName_, fptName_ + ": the next free block lies at byte " + std::to_string(nextFree_) +
                                ", past the end of the file (" + std::to_string(fptSize_) + " bytes)");
    }
  }

  void checkRecord(std::uint32_t recno, std::string_view record) {
    const std::string where = dbfName_ + " record " + std::to_string(recno);
    if (record[0] != ' ' && record[0] != '*')
      faults_.add(dbfName_ + " deletion flags",
                  where + ": deletion flag " + printable(record.substr(0, 1)) + " is neither blank nor *");
    for (std::size_t f = 0; f < header_.fields.size(); ++f) {
      const FieldInfo& field = header_.fields[f];
      const std::string_view raw = record.substr(static_cast<std::size_t>(header_.offsets[f]),
                                                 static_cast<std::size_t>(field.length));
      if (field.type == 'D' && !isDateOrBlank(raw))
        faults_.add(dbfName_ + " dates",
                    where + ": " + field.name + " holds \"" + printable(raw) + "\", which is not a date");
      if (field.type != 'M' && field.type != 'G' && field.type != 'P') continue;
      try {
        const std::uint32_t block = memoBlockOf(field, raw);
        if (block != 0) checkMemoPointer(recno, field.name, block);
      } catch (const Error& e) {
        faults_.add(fptName_ + " pointers", where + ": " + field.name + ": " + e.what());
      }
    }
  }

  void checkMemoPointer(std::uint32_t recno, const std::string& field, std::uint32_t block) {
    if (!fpt_.isOpen()) return;
    const std::string where = dbfName_ + " record " + std::to_string(recno) + ": " + field + " memo at block " +
                              std::to_string(block);
    const std::uint64_t start = std::uint64_t{block} * blockSize_;
    if (start < 512) return faults_.add(fptName_ + " pointers", where + " points into the memo file header");
    if (start + 8 > fptSize_) return faults_.add(fptName_ + " pointers", where + " lies past the end of " + fptName_);
    char head[8];
    fpt_.readAt(start, head, sizeof head);
    const std::uint64_t end = start + 8 + readBe32(head + 4);
    if (end > fptSize_)
      return faults_.add(fptName_ + " pointers",
                         where + " runs " + std::to_string(end - fptSize_) + " bytes past the end of " + fptName_);
    if (end > nextFree_)
      faults_.add(fptName_ + " pointers",
                  where + " reaches past the header's next free block, so a new memo would overwrite it");
    const std::uint64_t blockEnd = (end + blockSize_ - 1) / blockSize_ * blockSize_;
    runs_.push_back({start, blockEnd, recno});
  }

  void checkMemoOverlaps() {
    std::sort(runs_.begin(), runs_.end(), [](const MemoRun& a, const MemoRun& b) { return a.start < b.start; });
    for (std::size_t i = 1; i < runs_.size(); ++i) {
      if (runs_[i].start < runs_[i - 1].end)
        faults_.add(fptName_ + " sharing", fptName_ + ": the memos of records " + std::to_string(runs_[i - 1].recno) +
                                               " and " + std::to_string(runs_[i].recno) + " share blocks");
    }
  }

  // --- index tags

  void checkIndex() {
    const std::filesystem::path path = fileBeside(dbfPath_, ".CDX");
    if (path.empty()) {
      if (header_.flags & DbfHeader::kFlagCdx)
        faults_.add(dbfName_, dbfName_ + ": the header announces a structural index but there is no .CDX file");
      return;
    }
    const std::string cdxName = path.filename().string();
    try {
      const auto cdx = CdxFile::open(path, false);
      for (int t = 0; t < cdx->tagCount(); ++t) checkTag(*cdx, t, cdxName + " tag " + cdx->tag(t).name);
    } catch (const Error& e) {
      faults_.add(cdxName, cdxName + ": " + e.what());
    }
  }

  void checkTag(const CdxFile& cdx, int tag, const std::string& where) {
    for (const std::string& fault : cdx.verify(tag)) faults_.add(where + " structure", where + ": " + fault);
    const TagInfo& info = cdx.tag(tag);
    const CdxTagOptions options = cdx.options(tag);
    const RecordLayout layout{header_.fields, header_.offsets};
    std::optional<Expression> key, condition;
    try {
      key = Expression::parse(info.expression, layout);
      if (!options.forExpression.empty()) condition = Expression::parse(options.forExpression, layout);
    } catch (const Error& e) {
      faults_.add(where, where + ": " + e.what());
    }
    if (key && key->width() != info.keyLength)
      faults_.add(where, where + ": key length " + std::to_string(info.keyLength) + " but " + info.expression +
                             " gives " + std::to_string(key->width()) + " bytes");

    std::vector<std::uint8_t> seen(std::size_t{records_} + 1, 0);
    std::string record, expected;
    std::optional<CdxEntry> previous;
    try {
      cdx.forEach(tag, [&](const CdxEntry& entry) {
        const std::string at = where + ": record " + std::to_string(entry.recno);
        if (previous && (previous->key > entry.key || (previous->key == entry.key && previous->recno >= entry.recno)))
          faults_.add(where + " order", at + " (key \"" + printable(entry.key) + "\") is out of order after record " +
                                            std::to_string(previous->recno));
        previous = entry;
        if (entry.recno < 1 || entry.recno > records_) return faults_.add(where + " records", at + " does not exist");
        if (seen[entry.recno]++) return faults_.add(where + " records", at + " has more than one key");
        if (!key) return;
        readRecord(entry.recno, record);
        key->key(record, expected);
        if (entry.key != expected)
          faults_.add(where + " keys", at + " has the key \"" + printable(entry.key) + "\" but " + info.expression +
                                           " gives \"" + printable(expected) + "\"");
        if (condition && !condition->matches(record))
          faults_.add(where + " keys", at + " is in the tag but fails its FOR condition");
      });
    } catch (const Error& e) {
      faults_.add(where, where + ": " + e.what());
      return;
    }
    // A unique tag keeps one record per key, so others may lack a key.
    if (options.unique || !key) return;
    for (std::uint32_t recno = 1; recno <= records_; ++recno) {
      if (seen[recno]) continue;
      if (condition) {
        readRecord(recno, record);
        if (!condition->matches(record)) continue;
      }
      faults_.add(where + " records", where + ": record " + std::to_string(recno) + " has no key");
    }
  }

  std::filesystem::path dbfPath_;
  std::string dbfName_;
  Faults faults_;
  File dbf_;
  DbfHeader header_;
  std::uint32_t records_ = 0;

  File fpt_;
  LockGuard memoLock_;
  std::string fptName_ = "memo file";
  std::uint64_t fptSize_ = 0;
  std::uint32_t blockSize_ = 0;
  std::uint64_t nextFree_ = 0;
  std::vector<MemoRun> runs_;
};

}  // namespace

std::vector<std::string> checkTable(const std::filesystem::path& dbfPath, std::size_t maxPerKind) {
  return TableChecker(dbfPath, maxPerKind).run();
}

}  // namespace xbase
