// Fuzzes the reader of a pack's journal (ADDRESS.DBF.packed), which a table
// open reads after a pack was interrupted: any text is either refused with
// xbase::Error or read with every file it names verified. Beside it lie a
// sound packed table file F.DBF.packing and memo file F.fpt.packing; the digest of a
// file is hard to guess, so "@T" and "@M" in the input stand for their size
// and CRC-32 columns, which lets the fuzzer reach the checks after them.

#include <cstdint>
#include <cstdio>
#include <string>

#include "fuzz_table_reader.h"
#include "xbase/dbf_header.h"
#include "xbase/field_list.h"
#include "xbase/table_pack_journal.h"

namespace {

std::string writeDigested(const std::string& name, const std::string& bytes) {
  fuzzing::writeFile(name, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  const xbase::Digest digest = xbase::digestOf(fuzzing::folder() / name);
  char crc[9];
  std::snprintf(crc, sizeof crc, "%08x", digest.crc);
  return std::to_string(digest.size) + '\t' + crc;
}

void replaceAll(std::string& text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string table = writeDigested(
      "F.DBF.packing",
      xbase::DbfHeader::forNewTable(xbase::parseFieldList("Name,Char,10;Info,Memo;")).serialize() + "\x1A");
  static const std::string memo = writeDigested("F.fpt.packing", std::string(512, '\0'));
  std::string journal(reinterpret_cast<const char*>(data), size);
  replaceAll(journal, "@T", table);
  replaceAll(journal, "@M", memo);
  try {
    xbase::verifiedJournal(fuzzing::folder() / "F.DBF", journal);
  } catch (const xbase::Error&) {
  }
  return 0;
}
