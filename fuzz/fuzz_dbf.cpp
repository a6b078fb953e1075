// Fuzzes the DBF reader: the input is the table file; a small sound memo
// file stands beside it so that memo pointers lead somewhere.

#include "fuzz_table_reader.h"
#include "xbase/fpt_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string memo = xbase::FptFile::headerImage(10, 64);
  memo += xbase::FptFile::blockImage("first memo", 64);
  memo += xbase::FptFile::blockImage(std::string(70, 'x'), 64);
  fuzzing::writeFile("F.fpt", reinterpret_cast<const std::uint8_t*>(memo.data()), memo.size());
  fuzzing::writeFile("F.DBF", data, size);
  fuzzing::exercise(fuzzing::folder() / "F.DBF");
  return 0;
}
