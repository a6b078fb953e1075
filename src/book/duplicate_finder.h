#pragma once

// Finds entries that are probably the same person, in one pass over the
// table: every entry is reduced to a few keys (its folded name, the digits
// of each phone number, each e-mail address without letter case), the keys
// are hashed, and two entries meet when they share a key. No two entries
// are ever compared with each other, so the time grows with the number of
// entries, not with its square; the memory holds one small slot per key,
// never a name or a memo.
//
// The keys:
// - The name: letter case, blanks and punctuation left out, "Last, First"
//   turned around to "First Last", and a trailing " (N)" (an import that
//   numbered a taken name) or " (server)" (a sync conflict, in any letter
//   case) dropped. So "Smith, Ann", "ann smith" and "Ann Smith (2)" meet.
// - A phone number the contact rules find by its dash (finding_rules.h),
//   with the area code and country code written before it, or a number
//   written "+1 206 555 1234": its last 10 digits when it has at
//   least 10, else all of its digits. A number without its area code
//   ("555-1234") thus meets only the same seven digits, never a number
//   with an area code, which keeps numbers of different towns apart.
// - An e-mail address as the contact rules find it, ASCII letter case
//   ignored, enclosing "<", ">" and trailing punctuation left out.
//
// A phone number or an e-mail address held by more than kCrowdedKey
// entries is an office's switchboard or shared mailbox, not a person's:
// it links nothing. Entries linked to each other directly or through
// others form one group.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace book {

// The name as the finder compares it; "" for a name with no letter or
// digit, which meets no other.
std::string foldedName(std::string_view name);
// The digits a phone number is compared by; "" when it has fewer than 7.
std::string phoneDigits(std::string_view number);
// The e-mail address as compared.
std::string foldedEmail(std::string_view address);

enum class MatchKind { Name, Phone, Email };

// Why two entries were matched: their record numbers, what they share, and
// that key as the user reads it (the folded name, the digits of the phone
// number, the address in lower case).
struct DuplicateReason {
  std::uint32_t first;
  std::uint32_t second;
  MatchKind kind;
  std::string key;
};

struct DuplicateGroup {
  std::vector<std::uint32_t> recnos;  // ascending
  std::vector<DuplicateReason> reasons;
};

// "same name", "same phone number", "same e-mail address".
const char* describe(MatchKind kind);

class DuplicateFinder {
 public:
  static constexpr std::uint32_t kCrowdedKey = 8;

  // Offers one live entry; each record number once, in any order.
  void add(std::uint32_t recno, std::string_view name, std::string_view memo);
  // The groups found so far, in the order of their lowest record number.
  std::vector<DuplicateGroup> groups() const;

 private:
  // The keys seen, by their 64-bit hash: an open-addressing table with
  // linear probing, 16 bytes a slot and at most 70 % full, which walks
  // memory far less than a node per key would. Hash 0 marks a free slot.
  // Keys are told apart by the hash alone: at a few million keys two of
  // them share one with odds of about one in a million.
  struct Slot {
    std::uint64_t hash = 0;
    std::uint32_t first = 0;  // index of the first entry holding the key
    std::uint32_t holders = 0;
  };
  Slot& slotOf(std::uint64_t hash);
  const Slot& slotOf(std::uint64_t hash) const;
  void grow();
  void addKey(std::uint32_t entry, MatchKind kind, const std::string& key);

  std::vector<Slot> slots_ = std::vector<Slot>(1024);
  std::size_t used_ = 0;
  std::vector<std::uint32_t> recnos_;  // per entry index
  struct Link {
    std::uint32_t first;
    std::uint32_t second;  // entry indexes
    std::uint64_t hash;
    DuplicateReason reason;
  };
  std::vector<Link> links_;
  std::vector<std::uint64_t> ownKeys_;  // the keys of the entry being added
};

}  // namespace book
