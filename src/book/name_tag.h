#pragma once

// The name tag "Address" of the index file ADDRESS.CDX, which the
// alphabetical order, seeks and the duplicate-name lookups use. A table
// written by another program may come without the index file, or with one
// that lacks the tag. The window and cardlark-db both settle that here, by
// one rule: the tag is built when the table can be had exclusively; else
// the table is used as it is (in the order entered) and the note says why.

#include <filesystem>
#include <string>

namespace xbase {
class Cursor;
}

namespace book {

struct NameTagState {
  enum class Kind {
    Present,  // the table has its tag
    Built,    // it was missing and has been built now
    Missing,  // it is missing and could not be built
  } kind = Kind::Present;
  // For Built and Missing, one sentence for the user: what was missing and
  // what was done, or why it could not be built; and an index rebuilt after
  // an interrupted import. "" when there is nothing to tell.
  std::string note;
};

// Whether the open table has the name tag.
bool hasNameTag(const xbase::Cursor& cursor);

// What the table `dbf` lacks of its name tag, as a finding ("ADDRESS.CDX is
// missing", "ADDRESS.CDX lacks the tag Address"); "" when it has it.
std::string nameTagLack(const std::filesystem::path& dbf);

// Builds the name tag of the table `dbf` (and its index file) when it lacks
// it and no one else has the table open. The table's own errors (missing,
// damaged) are thrown as the engine gives them. An index left behind by an
// interrupted import is rebuilt first, when no one else has the table
// open; the note then says so (whatever the kind).
NameTagState ensureNameTag(const std::filesystem::path& dbf);

}  // namespace book
