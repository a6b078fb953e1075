// Opening and creating the compound index, and its tag directory: a tree of
// its own, keyed by tag name, whose record numbers are the offsets of the
// tags' headers.

#include <algorithm>

#include "xbase/cdx/cdx_entry_buffer.h"
#include "xbase/cdx/cdx_file_impl.h"
#include "xbase/cdx/cdx_tree_builder.h"
#include "xbase/dbf_text.h"

namespace xbase {

using namespace cdx;

namespace {

HeaderBytes readHeader(const File& file, std::uint64_t offset) {
  HeaderBytes bytes;
  if (file.readSomeAt(offset, bytes.data(), bytes.size()) != bytes.size())
    throw Error(ErrorCode::Corrupt,
                "Index header at " + std::to_string(offset) + " lies outside the file (" + file.path().string() + ")");
  return bytes;
}

std::string trimmedName(const std::string& key) {
  std::string name = key;
  while (!name.empty() && (name.back() == ' ' || name.back() == '\0')) name.pop_back();
  return name;
}

void checkTagName(std::string_view name) {
  const bool valid = !name.empty() && name.size() <= static_cast<std::size_t>(kTagNameLength) &&
                     !std::isdigit(static_cast<unsigned char>(name.front())) &&
                     std::all_of(name.begin(), name.end(),
                                 [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; });
  if (!valid)
    throw Error(ErrorCode::Argument, "Tag name \"" + std::string(name) +
                                         "\" must be 1 to 10 letters, digits or _, not starting with a digit");
}

}  // namespace

const CdxFile::Impl::Tag& CdxFile::Impl::tagAt(int tag) const {
  if (tag < 0 || static_cast<std::size_t>(tag) >= tags.size())
    throw Error(ErrorCode::Argument, "No index tag number " + std::to_string(tag));
  return tags[static_cast<std::size_t>(tag)];
}

Tree CdxFile::Impl::directory() const { return Tree(store, 0, KeyShape{directoryKeyLength, ' '}); }

void CdxFile::Impl::requireWritable() const {
  if (!writable) throw Error(ErrorCode::State, "Index " + file.path().string() + " is open read-only");
}

void CdxFile::Impl::loadTags() {
  const std::string where = file.path().string();
  const TagHeader top = parseTagHeader(readHeader(file, 0), where);
  directoryKeyLength = top.keyLength;
  std::vector<CdxEntry> entries;
  const std::uint64_t size = file.size();
  directory().scan(Probe{Probe::Kind::KeyPrefix, ""}, true, [&](const CdxEntry& e) {
    if (entries.size() > size / kHeaderSize) throw Error(ErrorCode::Corrupt, "Index " + where + ": too many tags");
    entries.push_back(e);
    return true;
  });
  tags.clear();
  for (const CdxEntry& e : entries) {
    Tag tag;
    tag.info.name = trimmedName(e.key);
    tag.header = e.recno;
    if (tag.header % kNodeSize != 0 || tag.header < kHeaderSize)
      throw Error(ErrorCode::Corrupt, "Index " + where + ": tag " + tag.info.name + " has a misplaced header");
    const TagHeader h = parseTagHeader(readHeader(file, tag.header), where + " tag " + tag.info.name);
    tag.info.expression = h.keyExpression;
    tag.info.keyLength = h.keyLength;
    tag.options = {(h.options & kOptionUnique) != 0, h.descending, h.forExpression};
    tag.shape = KeyShape{h.keyLength, ' '};
    tags.push_back(std::move(tag));
  }
  std::sort(tags.begin(), tags.end(), [](const Tag& a, const Tag& b) { return a.header < b.header; });
}

std::uint32_t CdxFile::Impl::buildTree(const KeyShape& shape, const CdxEntrySource& entries) {
  EntryBuffer buffer(shape.length);
  if (entries) entries([&](std::string_view key, std::uint32_t recno) { buffer.add(key, recno); });
  store.beginBatch();
  try {
    TreeBuilder builder(store, shape);
    buffer.forEachSorted([&](std::string_view key, std::uint32_t recno) { builder.add(key, recno); });
    const std::uint32_t root = builder.finish();
    store.endBatch();
    return root;
  } catch (...) {
    store.dropBatch();  // nothing refers to the nodes built so far
    throw;
  }
}

void CdxFile::Impl::countChange(int tag) {
  const auto advance = [this](std::uint64_t header) {
    Byte counter[4];
    file.readAt(header + 8, counter, sizeof counter);
    putLe32(counter, getLe32(counter) + 1);
    file.writeAt(header + 8, counter, sizeof counter);
  };
  advance(0);
  if (tag >= 0) advance(tagAt(tag).header);
}

CdxFile::CdxFile(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
CdxFile::~CdxFile() = default;

std::unique_ptr<CdxFile> CdxFile::open(const std::filesystem::path& path, bool writable) {
  auto impl = std::make_unique<Impl>(File(path, writable ? File::Access::ReadWrite : File::Access::ReadOnly), writable);
  impl->loadTags();
  return std::unique_ptr<CdxFile>(new CdxFile(std::move(impl)));
}

std::unique_ptr<CdxFile> CdxFile::create(const std::filesystem::path& path) {
  auto impl = std::make_unique<Impl>(File(path, File::Access::ReadWrite, File::Create::Exclusive), true);
  TagHeader top;
  top.root = kHeaderSize;
  top.keyLength = kTagNameLength;
  top.options = kOptionCompact | kOptionCompound | kOptionDirectory;
  const HeaderBytes bytes = encodeTagHeader(top);
  impl->file.writeAt(0, bytes.data(), bytes.size());
  Node root;
  root.offset = kHeaderSize;
  root.root = true;
  impl->store.write(root, KeyShape{kTagNameLength, ' '});
  return std::unique_ptr<CdxFile>(new CdxFile(std::move(impl)));
}

const std::filesystem::path& CdxFile::path() const { return impl_->file.path(); }

std::vector<TagInfo> CdxFile::tags() const {
  std::vector<TagInfo> out;
  for (const auto& t : impl_->tags) out.push_back(t.info);
  return out;
}

int CdxFile::tagCount() const { return static_cast<int>(impl_->tags.size()); }
const TagInfo& CdxFile::tag(int tag) const { return impl_->tagAt(tag).info; }
CdxTagOptions CdxFile::options(int tag) const { return impl_->tagAt(tag).options; }

int CdxFile::findTag(std::string_view name) const {
  const std::string wanted = asciiUpper(name);
  for (std::size_t i = 0; i < impl_->tags.size(); ++i)
    if (asciiUpper(impl_->tags[i].info.name) == wanted) return static_cast<int>(i);
  return -1;
}

void CdxFile::setPadByte(int tag, char pad) {
  impl_->tagAt(tag);
  impl_->tags[static_cast<std::size_t>(tag)].shape.pad = pad;
}

int CdxFile::addTag(std::string_view name, std::string_view expression, int keyLength, const CdxEntrySource& entries,
                    char pad) {
  impl_->requireWritable();
  checkTagName(name);
  if (keyLength < 1 || keyLength > kMaxKeyLength)
    throw Error(ErrorCode::Argument,
                "Index key length " + std::to_string(keyLength) + " is outside 1.." + std::to_string(kMaxKeyLength));
  if (findTag(name) >= 0) throw Error(ErrorCode::Argument, "Tag " + asciiUpper(name) + " already exists");
  if (impl_->directoryKeyLength < static_cast<int>(name.size()))
    throw Error(ErrorCode::Unsupported, "Index tag directory holds shorter names");

  TagHeader header;
  header.keyLength = keyLength;
  header.keyExpression = std::string(expression);
  HeaderBytes bytes = encodeTagHeader(header);  // checks the expression's length first
  // A header spans two nodes, so it always goes at the end of the file.
  const std::uint64_t offset = (impl_->file.size() + kNodeSize - 1) / kNodeSize * kNodeSize;
  if (offset + kHeaderSize > kNoNode) throw Error(ErrorCode::Io, "Index file would exceed 4 GiB");
  impl_->file.writeAt(offset, bytes.data(), bytes.size());
  const KeyShape shape{keyLength, pad};
  header.root = impl_->buildTree(shape, entries);
  bytes = encodeTagHeader(header);
  impl_->file.writeAt(offset, bytes.data(), bytes.size());

  Impl::Tag tag;
  tag.info = TagInfo{asciiUpper(name), header.keyExpression, keyLength};
  tag.header = static_cast<std::uint32_t>(offset);
  tag.shape = shape;
  std::string key = tag.info.name;
  key.resize(static_cast<std::size_t>(impl_->directoryKeyLength), ' ');
  impl_->directory().insert(CdxEntry{key, tag.header});
  impl_->countChange(-1);
  impl_->tags.push_back(std::move(tag));
  return static_cast<int>(impl_->tags.size()) - 1;
}

void CdxFile::rebuildTag(int tagNumber, const CdxEntrySource& entries) {
  impl_->requireWritable();
  const Impl::Tag& tag = impl_->tagAt(tagNumber);
  Tree tree = impl_->tree(tagNumber);
  // Old nodes are freed only when the old tree is sound: a damaged one may
  // point into live nodes of other tags.
  const bool oldTreeSound = tree.verify(1).empty();
  const std::uint32_t oldRoot = impl_->store.readRoot(tag.header);
  const std::uint32_t newRoot = impl_->buildTree(tag.shape, entries);
  impl_->store.writeRoot(tag.header, newRoot);
  if (oldTreeSound) tree.releaseNodes(oldRoot);
  impl_->countChange(tagNumber);
}

namespace {

CdxEntrySource sourceOf(const std::vector<CdxEntry>& entries) {
  return [&entries](const CdxEntryEmitter& emit) {
    for (const CdxEntry& e : entries) emit(e.key, e.recno);
  };
}

}  // namespace

int CdxFile::addTag(std::string_view name, std::string_view expression, int keyLength,
                    const std::vector<CdxEntry>& entries, char pad) {
  return addTag(name, expression, keyLength, sourceOf(entries), pad);
}

void CdxFile::rebuildTag(int tag, const std::vector<CdxEntry>& entries) { rebuildTag(tag, sourceOf(entries)); }

void CdxFile::sync() { impl_->file.sync(); }

}  // namespace xbase
