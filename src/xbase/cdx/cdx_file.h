#pragma once

// The structural compact compound index (.CDX): a tag directory and one
// B-tree of fixed-length byte keys per tag, in 512-byte nodes, laid out as
// FoxPro writes it so that other xBase tools read our files and we maintain
// theirs.
//
// This class stores and navigates keys; it does not compute them. Callers
// hand in keys of exactly the tag's key length (character keys padded with
// blanks). Order is bytewise unsigned on the key, then ascending record
// number.
//
// Nothing is cached between calls except the tag directory, which only an
// exclusive user changes: every navigation reads its nodes afresh, so writes
// by other cursors and processes are seen at the next call. Callers serialise
// writers with their own locks (the table's header lock). Every change
// advances the change counters of the file header and of the changed tag's
// header (bytes 8-11), which other programs that cache index nodes watch.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "xbase/error.h"
#include "xbase/table_types.h"

namespace xbase {

struct CdxEntry {
  std::string key;  // exactly the tag's key length
  std::uint32_t recno = 0;
  friend bool operator==(const CdxEntry&, const CdxEntry&) = default;
};

// What a tag's header says beyond TagInfo. Keys are always stored ascending;
// a descending tag is only read backwards by the caller. A unique or FOR tag
// holds only the entries the caller chose to insert.
struct CdxTagOptions {
  bool unique = false;
  bool descending = false;
  std::string forExpression;  // "" when none
};

// A bulk build's input: the caller calls `emit` once per entry, in any order.
// Entries are held flat (keys of up to 32 bytes in 40-byte items, longer
// ones as key length + 4 bytes), so a million 30-byte keys take about 40 MB
// instead of a vector of strings; beyond a budget they go to a temporary file.
using CdxEntryEmitter = std::function<void(std::string_view key, std::uint32_t recno)>;
using CdxEntrySource = std::function<void(const CdxEntryEmitter& emit)>;

class CdxFile {
 public:
  // Opens an existing CDX; a malformed header or tag directory throws
  // Error(Corrupt). Node-level damage is reported when it is met.
  static std::unique_ptr<CdxFile> open(const std::filesystem::path& path, bool writable);
  // Creates an empty structural CDX (tag directory only); fails if it exists.
  static std::unique_ptr<CdxFile> create(const std::filesystem::path& path);
  ~CdxFile();
  CdxFile(const CdxFile&) = delete;
  CdxFile& operator=(const CdxFile&) = delete;

  const std::filesystem::path& path() const;

  // --- tag directory
  std::vector<TagInfo> tags() const;
  int tagCount() const;
  const TagInfo& tag(int tag) const;
  int findTag(std::string_view name) const;  // ignoring case; -1 when absent
  // Adds a tag filled from `entries` (any order; sorted here). The name is
  // stored upper-cased (at most 10 bytes). keyLength 1..240. Returns its
  // number. A tag of that name already present: Error(Argument).
  // `pad` is the tag's pad byte (see setPadByte): give it here for keys that
  // are not character keys, since the build already compresses with it.
  int addTag(std::string_view name, std::string_view expression, int keyLength, const CdxEntrySource& entries,
             char pad = ' ');
  // Replaces every entry of a tag (pack, reindex); the old nodes are freed.
  void rebuildTag(int tag, const CdxEntrySource& entries);
  // Conveniences for small sets (tests, tools).
  int addTag(std::string_view name, std::string_view expression, int keyLength, const std::vector<CdxEntry>& entries,
             char pad = ' ');
  void rebuildTag(int tag, const std::vector<CdxEntry>& entries);
  // Writes a new index file at `target` (which must not exist) holding
  // every tag of this one, in the same order with the same names,
  // expressions, options and pad bytes, tag i filled from `entries[i]`. The
  // file is as compact as a fresh build and flushed to disk on return; on
  // failure it is removed. This file is not changed: the caller puts the
  // new one in its place.
  void rebuildInto(const std::filesystem::path& target, const std::vector<CdxEntrySource>& entries) const;
  CdxTagOptions options(int tag) const;
  // The byte that trailing-count compression strips and decoding pads with:
  // a blank for character keys (the default), NUL for numeric and date keys.
  // The file does not record it: set it after open for such tags.
  void setPadByte(int tag, char pad);

  // --- maintenance in place (touches a few nodes)
  // Inserting an entry that is already there changes nothing.
  void insert(int tag, std::string_view key, std::uint32_t recno);
  // Removes that exact (key, recno); returns false when it was not there.
  bool remove(int tag, std::string_view key, std::uint32_t recno);

  // --- navigation
  std::optional<CdxEntry> first(int tag) const;
  std::optional<CdxEntry> last(int tag) const;
  // The first entry after / last entry before (key, recno) in index order;
  // `from` need not be present any more (another cursor may have removed it).
  std::optional<CdxEntry> next(int tag, const CdxEntry& from) const;
  std::optional<CdxEntry> prev(int tag, const CdxEntry& from) const;
  // The first entry whose key is >= `key` bytewise; a probe shorter than the
  // key length compares as a prefix ("M" finds the first key from M on).
  std::optional<CdxEntry> seekGE(int tag, std::string_view key) const;
  // The first entry not below (key, recno).
  std::optional<CdxEntry> lowerBound(int tag, std::string_view key, std::uint32_t recno) const;
  // Whether that exact (key, recno) is in the tag.
  bool contains(int tag, std::string_view key, std::uint32_t recno) const;

  // Visits entries in index order, forward from the first entry not below
  // `from` (the first entry when absent) or backward from the last entry not
  // above it (the last entry when absent), until `visit` returns false.
  // Reads leaf after leaf along the sibling links: the fast way through a
  // range or a whole tag.
  void scan(int tag, const std::optional<CdxEntry>& from, bool forward,
            const std::function<bool(const CdxEntry&)>& visit) const;
  // All entries in index order (check, dump, tests).
  void forEach(int tag, const std::function<void(const CdxEntry&)>& visit) const;
  // Structural faults of a tag (order, sibling links, parent keys, node
  // bounds), one text each; empty when sound. Never throws Corrupt.
  std::vector<std::string> verify(int tag) const;

  void sync();

  class Impl;

 private:
  explicit CdxFile(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace xbase
