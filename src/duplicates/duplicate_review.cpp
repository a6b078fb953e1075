#include "duplicates/duplicate_review.h"

#include <algorithm>
#include <map>
#include <tuple>

namespace duplicates {

namespace {

// Union-find over record numbers.
class Components {
 public:
  std::uint32_t root(std::uint32_t recno) {
    parent_.try_emplace(recno, recno);
    while (parent_[recno] != recno) recno = parent_[recno];
    return recno;
  }
  void join(std::uint32_t a, std::uint32_t b) {
    const std::uint32_t ra = root(a), rb = root(b);
    if (ra != rb) parent_[std::max(ra, rb)] = std::min(ra, rb);
  }

 private:
  std::map<std::uint32_t, std::uint32_t> parent_;
};

std::pair<std::uint32_t, std::uint32_t> orderedPair(std::uint32_t a, std::uint32_t b) {
  return {std::min(a, b), std::max(a, b)};
}

std::vector<book::DuplicateReason> allReasons(const std::vector<book::DuplicateGroup>& groups) {
  std::vector<book::DuplicateReason> reasons;
  for (const book::DuplicateGroup& group : groups)
    reasons.insert(reasons.end(), group.reasons.begin(), group.reasons.end());
  return reasons;
}

}  // namespace

std::vector<book::DuplicateGroup> groupsOf(std::vector<book::DuplicateReason> reasons) {
  for (book::DuplicateReason& reason : reasons)
    if (reason.second < reason.first) std::swap(reason.first, reason.second);
  std::erase_if(reasons, [](const book::DuplicateReason& r) { return r.first == r.second; });
  const auto tie = [](const book::DuplicateReason& r) { return std::tie(r.first, r.second, r.kind, r.key); };
  std::stable_sort(reasons.begin(), reasons.end(), [&](const auto& a, const auto& b) { return tie(a) < tie(b); });
  reasons.erase(std::unique(reasons.begin(), reasons.end(),
                            [](const auto& a, const auto& b) {
                              return a.first == b.first && a.second == b.second && a.kind == b.kind;
                            }),
                reasons.end());
  Components components;
  for (const book::DuplicateReason& reason : reasons) components.join(reason.first, reason.second);
  std::map<std::uint32_t, book::DuplicateGroup> byRoot;  // the root is the group's lowest record number
  for (const book::DuplicateReason& reason : reasons) {
    book::DuplicateGroup& group = byRoot[components.root(reason.first)];
    group.recnos.push_back(reason.first);
    group.recnos.push_back(reason.second);
    group.reasons.push_back(reason);
  }
  std::vector<book::DuplicateGroup> groups;
  for (auto& [root, group] : byRoot) {
    std::sort(group.recnos.begin(), group.recnos.end());
    group.recnos.erase(std::unique(group.recnos.begin(), group.recnos.end()), group.recnos.end());
    groups.push_back(std::move(group));
  }
  return groups;
}

std::vector<book::DuplicateGroup> withoutDismissed(
    const std::vector<book::DuplicateGroup>& groups,
    const std::function<bool(std::uint32_t first, std::uint32_t second)>& dismissed) {
  std::vector<book::DuplicateReason> reasons = allReasons(groups);
  std::erase_if(reasons, [&](const book::DuplicateReason& r) { return dismissed(r.first, r.second); });
  return groupsOf(std::move(reasons));
}

std::pair<std::uint32_t, std::uint32_t> DuplicateReview::firstPair(const book::DuplicateGroup& group) {
  if (group.reasons.empty()) return {group.recnos.at(0), group.recnos.at(1)};
  return {group.reasons.front().first, group.reasons.front().second};
}

void DuplicateReview::merged(std::uint32_t keep, std::uint32_t other) {
  before_.push_back(groups_);
  std::vector<book::DuplicateReason> reasons = allReasons(groups_);
  for (book::DuplicateReason& reason : reasons) {
    if (reason.first == other) reason.first = keep;
    if (reason.second == other) reason.second = keep;
  }
  groups_ = groupsOf(std::move(reasons));
}

bool DuplicateReview::unmerged() {
  if (before_.empty()) return false;
  groups_ = std::move(before_.back());
  before_.pop_back();
  groups_ = withoutDismissed(groups_, [&](std::uint32_t a, std::uint32_t b) {
    return std::count(dismissed_.begin(), dismissed_.end(), orderedPair(a, b)) != 0;
  });
  return true;
}

void DuplicateReview::dismissed(std::uint32_t first, std::uint32_t second) {
  dismissed_.push_back(orderedPair(first, second));
  groups_ = withoutDismissed(groups_,
                             [&](std::uint32_t a, std::uint32_t b) { return orderedPair(a, b) == dismissed_.back(); });
}

void DuplicateReview::skipped(std::size_t index) {
  if (index < groups_.size()) groups_.erase(groups_.begin() + static_cast<std::ptrdiff_t>(index));
}

}  // namespace duplicates
