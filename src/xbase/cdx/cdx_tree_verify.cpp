// Structural check of one index tree, and freeing a whole tree.

#include <unordered_set>

#include "xbase/cdx/cdx_tree.h"
#include "xbase/error.h"

namespace xbase::cdx {
namespace {

std::string describe(const CdxEntry& e) {
  std::string key = e.key;
  while (!key.empty() && key.back() == ' ') key.pop_back();
  return "\"" + key + "\"/" + std::to_string(e.recno);
}

struct LinkInfo {
  std::uint32_t offset, left, right;
};

class Checker {
 public:
  Checker(const NodeStore& store, const KeyShape& shape, std::size_t limit)
      : store_(store), shape_(shape), limit_(limit) {}

  std::vector<std::string> run(std::uint32_t root) {
    visit(root, 0, nullptr, nullptr, true);
    checkLinks();
    return std::move(faults_);
  }

 private:
  void fault(const std::string& text) {
    if (faults_.size() < limit_) faults_.push_back(text);
  }

  void visit(std::uint32_t offset, std::size_t depth, const CdxEntry* lower, const CdxEntry* upper, bool isRoot) {
    if (faults_.size() >= limit_) return;
    const std::string where = "node " + std::to_string(offset);
    if (depth >= static_cast<std::size_t>(kMaxTreeDepth)) return fault(where + ": tree too deep");
    if (!seen_.insert(offset).second) return fault(where + ": reached twice (cyclic or shared pointers)");
    Node node;
    try {
      node = store_.read(offset, shape_);
    } catch (const Error& e) {
      return fault(e.what());
    }
    if (node.root != isRoot) fault(where + (isRoot ? ": root lacks the root mark" : ": marked root below the root"));
    for (std::size_t i = 0; i < node.entries.size(); ++i) {
      const CdxEntry& e = node.entries[i];
      if (i > 0 && !entryLess(node.entries[i - 1], e)) fault(where + ": " + describe(e) + " out of order");
      if (lower && !entryLess(*lower, e)) fault(where + ": " + describe(e) + " not above the previous separator");
      if (upper && entryLess(*upper, e)) fault(where + ": " + describe(e) + " above its parent's key");
    }
    if (links_.size() <= depth) links_.resize(depth + 1);
    links_[depth].push_back({offset, node.left, node.right});
    if (node.leaf) {
      if (leafDepth_ && *leafDepth_ != depth) fault(where + ": leaves at different depths");
      leafDepth_ = depth;
      if (!node.entries.empty()) {
        if (lastLeafEntry_ && !entryLess(*lastLeafEntry_, node.entries.front()))
          fault(where + ": " + describe(node.entries.front()) + " not above the previous leaf's keys");
        lastLeafEntry_ = node.entries.back();
      }
      return;
    }
    for (std::size_t i = 0; i < node.children.size(); ++i)
      visit(node.children[i], depth + 1, i > 0 ? &node.entries[i - 1] : lower, &node.entries[i], false);
  }

  void checkLinks() {
    for (std::size_t depth = 0; depth < links_.size(); ++depth) {
      const auto& level = links_[depth];
      for (std::size_t i = 0; i < level.size(); ++i) {
        const std::uint32_t expectLeft = i == 0 ? kNoNode : level[i - 1].offset;
        const std::uint32_t expectRight = i + 1 == level.size() ? kNoNode : level[i + 1].offset;
        const std::string where = "node " + std::to_string(level[i].offset);
        if (level[i].left != expectLeft) fault(where + ": left sibling pointer is wrong");
        if (level[i].right != expectRight) fault(where + ": right sibling pointer is wrong");
      }
    }
  }

  const NodeStore& store_;
  KeyShape shape_;
  std::size_t limit_;
  std::vector<std::string> faults_;
  std::unordered_set<std::uint32_t> seen_;
  std::vector<std::vector<LinkInfo>> links_;
  std::optional<std::size_t> leafDepth_;
  std::optional<CdxEntry> lastLeafEntry_;
};

}  // namespace

std::vector<std::string> Tree::verify(std::size_t limit) const {
  std::uint32_t root = 0;
  try {
    root = store_.readRoot(header_);
  } catch (const Error& e) {
    return {e.what()};
  }
  return Checker(store_, shape_, limit).run(root);
}

void Tree::releaseNodes(std::uint32_t root) {
  std::vector<std::uint32_t> pending{root};
  std::unordered_set<std::uint32_t> seen;
  std::vector<std::uint32_t> all;
  while (!pending.empty()) {
    const std::uint32_t offset = pending.back();
    pending.pop_back();
    if (!seen.insert(offset).second) continue;
    const Node node = store_.read(offset, shape_);
    all.push_back(offset);
    pending.insert(pending.end(), node.children.begin(), node.children.end());
  }
  for (std::uint32_t offset : all) store_.release(offset);
}

}  // namespace xbase::cdx
