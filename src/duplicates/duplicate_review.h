#pragma once

// What the duplicates dialog works through, in plain C++: the finder's
// groups as the user's decisions change them. A pair said to be two people
// loses its links, and a group that falls apart splits; an entry merged
// into another leaves its groups and hands its links to the one kept (which
// now holds its memo); a group skipped leaves the list. Each merge can be
// taken back, last first, which puts the groups back as they were.

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "book/duplicate_finder.h"

namespace duplicates {

// The groups that the links in `reasons` make (entries joined directly or
// through others), each with at least two entries, in the order of their
// lowest record number. Links between one entry and itself, and repeats of
// a link of the same kind, are dropped.
std::vector<book::DuplicateGroup> groupsOf(std::vector<book::DuplicateReason> reasons);

// `groups` without the links `dismissed` says are between two people.
std::vector<book::DuplicateGroup> withoutDismissed(
    const std::vector<book::DuplicateGroup>& groups,
    const std::function<bool(std::uint32_t first, std::uint32_t second)>& dismissed);

class DuplicateReview {
 public:
  explicit DuplicateReview(std::vector<book::DuplicateGroup> groups) : groups_(std::move(groups)) {}

  const std::vector<book::DuplicateGroup>& groups() const { return groups_; }
  // The pair a group shows first: the two entries of its first link.
  static std::pair<std::uint32_t, std::uint32_t> firstPair(const book::DuplicateGroup& group);

  // `other` was merged into `keep`.
  void merged(std::uint32_t keep, std::uint32_t other);
  // Takes the last merge back (pairs dismissed since stay apart); false
  // when there is none.
  bool unmerged();
  bool canUndo() const { return !before_.empty(); }
  // The two entries were said to be two people.
  void dismissed(std::uint32_t first, std::uint32_t second);
  // The group at `index` leaves the list, for now.
  void skipped(std::size_t index);

 private:
  std::vector<book::DuplicateGroup> groups_;
  std::vector<std::vector<book::DuplicateGroup>> before_;  // the groups before each merge
  std::vector<std::pair<std::uint32_t, std::uint32_t>> dismissed_;
};

}  // namespace duplicates
