#pragma once

// The state behind CdxFile: the open file, node access, and the tags read
// from the tag directory (in creation order, so tag numbers stay stable
// while the file is open).

#include <vector>

#include "xbase/cdx/cdx_file.h"
#include "xbase/cdx/cdx_node_store.h"
#include "xbase/cdx/cdx_tree.h"
#include "xbase/file.h"

namespace xbase {

class CdxFile::Impl {
 public:
  struct Tag {
    TagInfo info;
    CdxTagOptions options;
    std::uint32_t header = 0;
    cdx::KeyShape shape;
  };

  Impl(File f, bool canWrite) : file(std::move(f)), store(file), writable(canWrite) {}

  const Tag& tagAt(int tag) const;
  cdx::Tree tree(int tag) const { return cdx::Tree(store, tagAt(tag).header, tagAt(tag).shape); }
  cdx::Tree directory() const;
  void requireWritable() const;
  void loadTags();
  std::uint32_t buildTree(const cdx::KeyShape& shape, const CdxEntrySource& entries);
  // Advances the change counters (offset 8) of the file header and of the
  // changed tag's header (none: -1) after every change, so that programs
  // caching index nodes notice the file changed.
  void countChange(int tag);

  File file;
  mutable cdx::NodeStore store;
  bool writable;
  int directoryKeyLength = cdx::kTagNameLength;
  std::vector<Tag> tags;
};

}  // namespace xbase
