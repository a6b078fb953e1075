#pragma once

// Reads vCard files of versions 2.1, 3.0 and 4.0: lines ending in CR LF,
// LF or CR, folded lines joined, quoted-printable soft breaks joined,
// parameters in any letter case (2.1's bare "HOME" or "QUOTED-PRINTABLE"
// given their parameter names), grouped properties ("item1.EMAIL"), any
// number of cards, UTF-8 with or without a byte order mark, and CHARSET=
// any character set the system's iconv knows. Values come out
// as UTF-8 with their transfer encoding and character set undone but their
// backslash escapes kept, since where a value splits depends on the
// property (see splitComponents).

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/read_error.h"

namespace exchange {

struct Parameter {
  std::string name;   // upper case: "TYPE", "ENCODING", "CHARSET"
  std::string value;  // as written, quotes removed
};

struct Property {
  std::string group;  // "item1", or ""
  std::string name;   // upper case: "TEL"
  std::vector<Parameter> parameters;
  std::string value;    // UTF-8, escapes kept; empty when binary
  bool binary = false;  // base64 data or a photo, logo, sound or key: not kept
  std::size_t line = 0;

  // The first value of the parameter, "" when absent. `name` in upper case.
  std::string parameter(std::string_view name) const;
};

struct Card {
  std::size_t line = 0;              // of its BEGIN:VCARD
  std::string version;               // "2.1", "3.0", "4.0" or "" when not given
  std::vector<Property> properties;  // in file order, without BEGIN, END and VERSION
};

struct VCardFile {
  std::vector<Card> cards;
  std::vector<ReadError> faults;  // in file order: a card or text left out, and why
};

// Every card of the file that can be read. A card with a faulty line (no
// ":", broken quoted-printable, a character set iconv does not know, text
// not in its CHARSET, an overlong value) or without END:VCARD is left out
// and reading goes on at the next BEGIN:VCARD; text outside a card is left
// out too. A file without cards has the fault "no card". A value without
// CHARSET that is not UTF-8 is read as Windows-1252.
VCardFile readVCardFile(std::string_view file);

// The cards of a file without faults; throws the first fault as ReadError.
std::vector<Card> readVCards(std::string_view file);

// A text value with its escapes undone: \n and \N a line feed, \, \; \:
// and \\ the character itself; a backslash before anything else stays.
std::string unescapeText(std::string_view raw);

// A structured value (N, ADR, ORG) split at unescaped `separator`s, each
// part unescaped.
std::vector<std::string> splitComponents(std::string_view raw, char separator = ';');

}  // namespace exchange
