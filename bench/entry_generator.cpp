#include "entry_generator.h"

#include <array>
#include <cctype>
#include <cstring>

namespace bench {
namespace {

// Names carry Windows-1252 bytes, as the table stores them.
constexpr std::array kFirstNames{"James",
                                 "Mary",
                                 "John",
                                 "Patricia",
                                 "Robert",
                                 "Jennifer",
                                 "Michael",
                                 "Linda",
                                 "William",
                                 "Elizabeth",
                                 "David",
                                 "Barbara",
                                 "Richard",
                                 "Susan",
                                 "Joseph",
                                 "Jessica",
                                 "Thomas",
                                 "Sarah",
                                 "Charles",
                                 "Karen",
                                 "J\xF6rg",
                                 "Zo\xEB",
                                 "Ren\xE9"
                                 "e",
                                 "Ana",
                                 "Piotr",
                                 "Mei",
                                 "Hiro",
                                 "Olu",
                                 "Fatima",
                                 "Sven"};
constexpr std::array kLastNames{"Smith",    "Johnson",   "Williams", "Brown",     "Jones",   "Garcia",   "Miller",
                                "Davis",    "Rodriguez", "Martinez", "Hernandez", "Lopez",   "Gonzalez", "Wilson",
                                "Anderson", "Thomas",    "Taylor",   "Moore",     "Jackson", "Martin",   "Lee",
                                "Perez",    "Thompson",  "White",    "Harris",    "Sanchez", "Clark",    "Ramirez",
                                "Lewis",    "Robinson",  "Walker",   "Young",     "Allen",   "King",     "Wright",
                                "Scott",    "Torres",    "Nguyen",   "Hill",      "Flores",  "Smithson", "M\xFCller",
                                "O'Brien",  "van Dijk",  "Kowalski", "Osmium"};
constexpr std::array kFirmWords{"Acme",   "Global", "North",  "Summit", "Blue",    "River",   "Pioneer",
                                "Atlas",  "Cedar",  "Harbor", "Metro",  "Apex",    "Liberty", "Granite",
                                "Silver", "Eagle",  "Oak",    "Union",  "Prairie", "Coastal"};
constexpr std::array kFirmKinds{"Plumbing",   "Dental",  "Bakery",   "Motors", "Insurance", "Printing",
                                "Law Office", "Florist", "Hardware", "Travel", "Books",     "Consulting"};
constexpr std::array kFirmSuffixes{"Ltd", "Inc.", "LLC", "& Sons", "Co.", "GmbH", ""};
constexpr std::array kNoteWords{"met",      "at",    "conference", "call",    "back",  "after",     "lunch",
                                "birthday", "in",    "May",        "prefers", "email", "kids",      "names",
                                "owes",     "book",  "referred",   "by",      "old",   "neighbour", "new",
                                "address",  "since", "spring",     "ask",     "about", "project"};
constexpr std::array kDomains{"example.com", "mail.example.org", "post.example.net", "firm.example"};

}  // namespace

EntryGenerator::EntryGenerator(std::uint64_t seed, int averageMemoBytes)
    : random_(seed), averageMemoBytes_(averageMemoBytes) {}

int EntryGenerator::pick(int n) { return static_cast<int>(random_() % static_cast<std::uint64_t>(n)); }

// Four syllables from the serial number, so the word is unique up to
// 80^4 entries and always 8 letters long.
std::string EntryGenerator::uniqueWord() {
  static constexpr char kConsonants[] = "bdfghklmnprstvwz";
  static constexpr char kVowels[] = "aeiou";
  std::string word;
  std::uint64_t n = serial_++;
  for (int i = 0; i < 4; ++i, n /= 80) {
    word += kConsonants[n % 80 / 5];
    word += kVowels[n % 5];
  }
  word[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(word[0])));
  return word;
}

std::string EntryGenerator::personName() {
  std::string last = kLastNames[pick(kLastNames.size())];
  if (uniqueNames_) last += "-" + uniqueWord();
  std::string name = last + ", " + kFirstNames[pick(kFirstNames.size())];
  if (pick(4) == 0) name += " " + std::string(1, static_cast<char>('A' + pick(26))) + ".";
  return name;
}

std::string EntryGenerator::firmName() {
  std::string name = std::string(kFirmWords[pick(kFirmWords.size())]) + " " + kFirmKinds[pick(kFirmKinds.size())];
  if (uniqueNames_) name = uniqueWord() + " " + name;  // first, where cutting the name to 30 bytes keeps it
  std::string suffix = kFirmSuffixes[pick(kFirmSuffixes.size())];
  if (!suffix.empty()) name += " " + suffix;
  return name;
}

std::string EntryGenerator::phoneNumber() {
  static constexpr std::array kLabels{"Phone: ", "Tel ", "Cell: ", "Fax: ", "Work ", ""};
  std::string number = "(" + std::to_string(200 + pick(800)) + ") " + std::to_string(200 + pick(800)) + "-" +
                       std::to_string(1000 + pick(9000));
  return kLabels[pick(kLabels.size())] + number;
}

std::string EntryGenerator::emailAddress(const std::string& name) {
  std::string local;
  for (char c : name) {
    if (std::isalpha(static_cast<unsigned char>(c))) local += static_cast<char>(std::tolower(c));
    if (local.size() >= 12) break;
  }
  if (local.empty() || uniqueNames_) {
    // The name's own word, which no other entry has.
    const std::size_t word = name.find_first_of("-");
    local = word != std::string::npos && name.find(',') != std::string::npos ? name.substr(word + 1, 8)
                                                                             : name.substr(0, 8);
    for (char& c : local) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return "E-mail: " + local + std::to_string(pick(100)) + "@" + kDomains[pick(kDomains.size())];
}

std::string EntryGenerator::webAddress() {
  return "http://www." + std::string(kFirmWords[pick(kFirmWords.size())]) + "-" + std::to_string(pick(1000)) +
         ".example.com/";
}

std::string EntryGenerator::noteLine() {
  std::string line;
  int words = 4 + pick(12);
  for (int i = 0; i < words; ++i) {
    if (i) line += ' ';
    line += kNoteWords[pick(kNoteWords.size())];
  }
  return line;
}

std::string EntryGenerator::memo(const std::string& name) {
  // Lengths follow a skewed distribution: many short memos, a few long ones
  // up to about 4,000 bytes, averaging near averageMemoBytes_.
  if (pick(10) == 0) return {};
  std::exponential_distribution<double> lengths(1.0 / averageMemoBytes_);
  auto target = static_cast<std::size_t>(std::min(4000.0, lengths(random_) * 1.1));
  std::string text;
  auto addLine = [&](const std::string& line) {
    if (!text.empty()) text += "\r\n";
    text += line;
  };
  addLine(phoneNumber());
  if (pick(3) != 0) addLine(emailAddress(name));
  if (pick(3) == 0) addLine(webAddress());
  while (text.size() < target) addLine(pick(5) == 0 ? phoneNumber() : noteLine());
  return text;
}

Entry EntryGenerator::next() {
  Entry entry;
  entry.name = pick(5) == 0 ? firmName() : personName();
  if (entry.name.size() > 30) entry.name.resize(30);
  entry.memo = memo(entry.name);
  int year = 1990 + pick(37), month = 1 + pick(12), day = 1 + pick(28);
  char date[16];
  std::snprintf(date, sizeof date, "%04d%02d%02d", year, month, day);
  entry.lastDate = date;
  return entry;
}

Entry EntryGenerator::duplicateOf(const Entry& original, int variant) {
  static constexpr std::size_t kNameBytes = 30;
  Entry copy = original;
  copy.memo = memo(original.name);
  const auto upperCased = [&] {
    for (char& c : copy.name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return copy;
  };
  const auto suffixed = [&](const char* suffix) {
    if (original.name.size() + std::strlen(suffix) > kNameBytes) return upperCased();
    copy.name += suffix;
    return copy;
  };
  switch (variant % 6) {
    case 0: {
      const std::size_t comma = original.name.find(", ");
      if (comma == std::string::npos || original.name.back() == ')') return upperCased();
      copy.name = original.name.substr(comma + 2) + " " + original.name.substr(0, comma);
      return copy;
    }
    case 1: return suffixed(" (2)");
    case 2: return suffixed(" (server)");
    case 3: return upperCased();
    case 4: {
      // The first memo line is a phone number "(206) 555-1234" after a label.
      std::string digits;
      for (char c : original.memo.substr(0, original.memo.find('\r')))
        if (std::isdigit(static_cast<unsigned char>(c))) digits += c;
      if (digits.size() != 10) return upperCased();
      const Entry other = next();
      copy.name = other.name;
      copy.memo = "Mobile +1 " + digits.substr(0, 3) + " " + digits.substr(3, 3) + " " + digits.substr(6) + "\r\n" +
                  other.memo;
      return copy;
    }
    default: {
      const std::size_t at = original.memo.find("E-mail: ");
      if (at == std::string::npos) return upperCased();
      std::string address = original.memo.substr(at + 8, original.memo.find('\r', at) - at - 8);
      for (char& c : address) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      const Entry other = next();
      copy.name = other.name;
      copy.memo = other.memo + "\r\nmail " + address;
      return copy;
    }
  }
}

std::string importLine(const Entry& entry) {
  std::string line = entry.name + '\t';
  for (char c : entry.memo) {
    switch (c) {
      case '\n': line += "\\n"; break;
      case '\r': line += "\\r"; break;
      case '\t': line += "\\t"; break;
      case '\\': line += "\\\\"; break;
      default: line += c;
    }
  }
  line += '\t';
  line += entry.lastDate;
  return line;
}

}  // namespace bench
