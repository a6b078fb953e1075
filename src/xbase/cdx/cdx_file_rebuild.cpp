// Rebuilding every tag of an index into a new file, laid out as a fresh
// build: the file header, the tag directory's root, then each tag's header
// followed by its tree. No space of the old trees is carried over.

#include <system_error>

#include "xbase/cdx/cdx_file_impl.h"

namespace xbase {

using namespace cdx;

namespace {

// A header of the old file as the new file takes it: everything kept
// (options, expressions, bytes this engine does not read) but the root, the
// free list (empty) and the change counter (advanced, for programs that
// cache index nodes).
HeaderBytes carriedHeader(const File& file, std::uint64_t offset, std::uint32_t root) {
  HeaderBytes bytes;
  file.readAt(offset, bytes.data(), bytes.size());
  putLe32(&bytes[0], root);
  putLe32(&bytes[4], 0);
  putLe32(&bytes[8], getLe32(&bytes[8]) + 1);
  return bytes;
}

void writeFresh(const CdxFile::Impl& old, CdxFile::Impl& fresh, const std::vector<CdxEntrySource>& entries) {
  fresh.directoryKeyLength = old.directoryKeyLength;
  const HeaderBytes top = carriedHeader(old.file, 0, kHeaderSize);
  fresh.file.writeAt(0, top.data(), top.size());
  Node directoryRoot;
  directoryRoot.offset = kHeaderSize;
  directoryRoot.root = true;
  fresh.store.write(directoryRoot, KeyShape{fresh.directoryKeyLength, ' '});
  for (std::size_t t = 0; t < old.tags.size(); ++t) {
    const CdxFile::Impl::Tag& tag = old.tags[t];
    const std::uint32_t offset = static_cast<std::uint32_t>(fresh.file.size());  // whole nodes so far
    const HeaderBytes header = carriedHeader(old.file, tag.header, 0);
    fresh.file.writeAt(offset, header.data(), header.size());
    fresh.store.writeRoot(offset, fresh.buildTree(tag.shape, entries[t]));
    std::string key = tag.info.name;
    key.resize(static_cast<std::size_t>(fresh.directoryKeyLength), ' ');
    fresh.directory().insert(CdxEntry{key, offset});
  }
  fresh.file.sync();
}

}  // namespace

void CdxFile::rebuildInto(const std::filesystem::path& target, const std::vector<CdxEntrySource>& entries) const {
  impl_->requireWritable();
  if (entries.size() != impl_->tags.size())
    throw Error(ErrorCode::Argument,
                "An index rebuild needs the entries of each of its " + std::to_string(impl_->tags.size()) + " tags");
  Impl fresh(File(target, File::Access::ReadWrite, File::Create::Exclusive), true);
  try {
    std::error_code ec;
    std::filesystem::permissions(target, std::filesystem::status(path(), ec).permissions(), ec);
    writeFresh(*impl_, fresh, entries);
  } catch (...) {
    std::error_code ec;
    std::filesystem::remove(target, ec);  // a part-built file is of no use
    throw;
  }
}

}  // namespace xbase
