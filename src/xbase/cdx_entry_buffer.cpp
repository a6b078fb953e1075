#include "xbase/cdx_entry_buffer.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "xbase/error.h"

namespace xbase::cdx {
namespace {

constexpr std::size_t kChunkBytes = 1 << 20;

}  // namespace

EntryBuffer::EntryBuffer(int keyLength)
    : keyLength_(static_cast<std::size_t>(keyLength)),
      recordSize_(keyLength_ + 4),
      perChunk_(kChunkBytes / recordSize_) {}

void EntryBuffer::add(std::string_view key, std::uint32_t recno) {
  if (key.size() != keyLength_)
    throw Error(ErrorCode::Argument, "Index key of " + std::to_string(key.size()) + " bytes where the tag's keys have " +
                                         std::to_string(keyLength_));
  if (count_ >= std::numeric_limits<std::uint32_t>::max()) throw Error(ErrorCode::Argument, "Too many index entries");
  if (count_ == chunks_.size() * perChunk_) chunks_.push_back(std::make_unique<Byte[]>(perChunk_ * recordSize_));
  Byte* p = chunks_.back().get() + (count_ % perChunk_) * recordSize_;
  std::memcpy(p, key.data(), keyLength_);
  putBe32(p + keyLength_, recno);
  ++count_;
}

const Byte* EntryBuffer::record(std::size_t index) const {
  return chunks_[index / perChunk_].get() + (index % perChunk_) * recordSize_;
}

void EntryBuffer::sort() {
  // A record compares bytewise as (key, record number): the number is big-endian.
  struct Item {
    std::uint64_t prefix;
    std::uint32_t index;
  };
  std::vector<Item> items(count_);
  for (std::size_t i = 0; i < count_; ++i) {
    const Byte* p = record(i);
    std::uint64_t prefix = 0;
    for (std::size_t b = 0; b < 8; ++b) prefix = (prefix << 8) | (b < recordSize_ ? p[b] : 0);
    items[i] = {prefix, static_cast<std::uint32_t>(i)};
  }
  std::sort(items.begin(), items.end(), [this](const Item& a, const Item& b) {
    if (a.prefix != b.prefix) return a.prefix < b.prefix;
    return std::memcmp(record(a.index), record(b.index), recordSize_) < 0;
  });
  order_.resize(count_);
  for (std::size_t i = 0; i < count_; ++i) order_[i] = items[i].index;
}

std::string_view EntryBuffer::keyAt(std::size_t i) const {
  return {reinterpret_cast<const char*>(record(order_.empty() ? i : order_[i])), keyLength_};
}

std::uint32_t EntryBuffer::recnoAt(std::size_t i) const {
  return getBe32(record(order_.empty() ? i : order_[i]) + keyLength_);
}

}  // namespace xbase::cdx
