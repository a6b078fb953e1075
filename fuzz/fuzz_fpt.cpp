// Fuzzes the FPT reader: the input is the memo file beside a sound table
// whose records point at blocks throughout the first few kilobytes.

#include "fuzz_table_reader.h"
#include "xbase/dbf_header.h"
#include "xbase/dbf_record.h"
#include "xbase/field_list.h"

namespace {

std::string tableImage() {
  xbase::DbfHeader header = xbase::DbfHeader::forNewTable(xbase::parseFieldList("Name,Char,10;Info,Memo;"));
  const std::uint32_t blocks[] = {0, 1, 8, 9, 10, 12, 16, 40, 64, 200};
  header.recordCount = sizeof blocks / sizeof blocks[0];
  std::string image = header.serialize();
  for (std::uint32_t block : blocks) {
    std::string record = xbase::blankRecord(header);
    record.replace(1, 4, "Anna");
    const std::string pointer = xbase::encodeMemoBlock(header.fields[1], block);
    record.replace(static_cast<std::size_t>(header.offsets[1]), pointer.size(), pointer);
    image += record;
  }
  return image + "\x1A";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string table = tableImage();
  fuzzing::writeFile("F.DBF", reinterpret_cast<const std::uint8_t*>(table.data()), table.size());
  fuzzing::writeFile("F.fpt", data, size);
  fuzzing::exercise(fuzzing::folder() / "F.DBF");
  return 0;
}
