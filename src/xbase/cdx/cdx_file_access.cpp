// Reading and maintaining a tag's entries through CdxFile.

#include "xbase/cdx/cdx_file_impl.h"

namespace xbase {

using cdx::Probe;

namespace {

const Probe kFromStart{Probe::Kind::KeyPrefix, "", 0};
const Probe kFromEnd{Probe::Kind::End, "", 0};

}  // namespace

void CdxFile::insert(int tag, std::string_view key, std::uint32_t recno) {
  impl_->requireWritable();
  impl_->tree(tag).insert(CdxEntry{std::string(key), recno});
  impl_->countChange(tag);
}

bool CdxFile::remove(int tag, std::string_view key, std::uint32_t recno) {
  impl_->requireWritable();
  if (!impl_->tree(tag).remove(CdxEntry{std::string(key), recno})) return false;
  impl_->countChange(tag);
  return true;
}

std::optional<CdxEntry> CdxFile::first(int tag) const { return impl_->tree(tag).firstFrom(kFromStart); }
std::optional<CdxEntry> CdxFile::last(int tag) const { return impl_->tree(tag).lastBefore(kFromEnd); }

std::optional<CdxEntry> CdxFile::next(int tag, const CdxEntry& from) const {
  return impl_->tree(tag).firstFrom(Probe{Probe::Kind::After, from.key, from.recno});
}

std::optional<CdxEntry> CdxFile::prev(int tag, const CdxEntry& from) const {
  return impl_->tree(tag).lastBefore(Probe{Probe::Kind::AtLeast, from.key, from.recno});
}

std::optional<CdxEntry> CdxFile::seekGE(int tag, std::string_view key) const {
  return impl_->tree(tag).firstFrom(Probe{Probe::Kind::KeyPrefix, key, 0});
}

std::optional<CdxEntry> CdxFile::lowerBound(int tag, std::string_view key, std::uint32_t recno) const {
  return impl_->tree(tag).firstFrom(Probe{Probe::Kind::AtLeast, key, recno});
}

bool CdxFile::contains(int tag, std::string_view key, std::uint32_t recno) const {
  const auto found = lowerBound(tag, key, recno);
  return found && found->recno == recno && found->key == key;
}

void CdxFile::scan(int tag, const std::optional<CdxEntry>& from, bool forward,
                   const std::function<bool(const CdxEntry&)>& visit) const {
  Probe start = forward ? kFromStart : kFromEnd;
  if (from) start = Probe{forward ? Probe::Kind::AtLeast : Probe::Kind::After, from->key, from->recno};
  impl_->tree(tag).scan(start, forward, visit);
}

void CdxFile::forEach(int tag, const std::function<void(const CdxEntry&)>& visit) const {
  impl_->tree(tag).scan(kFromStart, true, [&](const CdxEntry& e) {
    visit(e);
    return true;
  });
}

std::vector<std::string> CdxFile::verify(int tag) const {
  std::vector<std::string> faults = impl_->tree(tag).verify();
  for (std::string& fault : faults) fault = "Tag " + impl_->tagAt(tag).info.name + ": " + fault;
  return faults;
}

}  // namespace xbase
