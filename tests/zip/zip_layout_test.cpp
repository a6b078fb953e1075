// The bytes of archives we write: header values, offsets, sizes and data,
// read back field by field.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zlib.h>

#include <cstring>

#include "book/table_layout.h"
#include "zip/entry_encoder.h"
#include "zip/table_backup.h"
#include "zip/zip_archive.h"
#include "zip_test_files.h"

namespace {

using namespace ziptest;

std::uint32_t crcOf(const std::string& bytes) {
  return static_cast<std::uint32_t>(
      crc32(0L, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

std::string inflateRaw(const std::string& data, std::size_t expectedSize) {
  z_stream stream{};
  EXPECT_EQ(inflateInit2(&stream, -15), Z_OK);
  std::string out(expectedSize + 1, '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  stream.avail_in = static_cast<uInt>(data.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(inflate(&stream, Z_FINISH), Z_STREAM_END);
  out.resize(stream.total_out);
  inflateEnd(&stream);
  return out;
}

// 2024-03-07 13:45:31 local time, in the two-second DOS form (seconds round down).
constexpr std::uint16_t kDosTime = (13 << 11) | (45 << 5) | 15;
constexpr std::uint16_t kDosDate = ((2024 - 1980) << 9) | (3 << 5) | 7;

TEST(ZipLayout, TableBackupHoldsTwoLocalEntriesTheirDirectoryAndTheEndRecord) {
  TempFolder folder;
  const std::string dbf = compressibleText(100000), fpt = compressibleText(40000) + "memo";
  writeFile(folder / "ADDRESS.DBF", dbf);
  writeFile(folder / "ADDRESS.fpt", fpt);
  writeFile(folder / "ADDRESS.CDX", "not archived");
  for (const char* name : {"ADDRESS.DBF", "ADDRESS.fpt"})
    setLocalModificationTime(folder / name, 2024, 3, 7, 13, 45, 31);

  zip::backupFiles(folder / "KTdata.zip", book::filesToBackUp(folder.path()));
  const std::string zip = readFile(folder / "KTdata.zip");

  struct Expected {
    std::string name, content;
  };
  std::size_t at = 0;
  std::vector<std::size_t> localOffsets;
  for (const Expected& file : {Expected{"ADDRESS.DBF", dbf}, Expected{"ADDRESS.fpt", fpt}}) {
    SCOPED_TRACE(file.name);
    localOffsets.push_back(at);
    EXPECT_EQ(le32(zip, at), 0x04034B50u);
    EXPECT_EQ(le16(zip, at + 4), 20);  // version needed: deflated
    EXPECT_EQ(le16(zip, at + 6), 0);   // flags
    EXPECT_EQ(le16(zip, at + 8), 8);   // method: deflate
    EXPECT_EQ(le16(zip, at + 10), kDosTime);
    EXPECT_EQ(le16(zip, at + 12), kDosDate);
    EXPECT_EQ(le32(zip, at + 14), crcOf(file.content));
    const std::uint32_t compressed = le32(zip, at + 18);
    EXPECT_LT(compressed, file.content.size() / 3);
    EXPECT_EQ(le32(zip, at + 22), file.content.size());
    EXPECT_EQ(le16(zip, at + 26), file.name.size());
    EXPECT_EQ(le16(zip, at + 28), 0);  // no extra field
    EXPECT_EQ(zip.substr(at + 30, file.name.size()), file.name);
    const std::size_t dataStart = at + 30 + file.name.size();
    EXPECT_EQ(inflateRaw(zip.substr(dataStart, compressed), file.content.size()), file.content);
    at = dataStart + compressed;
  }

  const std::size_t directoryOffset = at;
  for (std::size_t i = 0; i < 2; ++i) {
    SCOPED_TRACE(i);
    const std::size_t local = localOffsets[i];
    EXPECT_EQ(le32(zip, at), 0x02014B50u);
    EXPECT_EQ(le16(zip, at + 4), 0x0014);  // made by zip 2.0 on an MS-DOS host
    // Version needed through extra field length equal the local header's.
    EXPECT_EQ(zip.substr(at + 6, 26), zip.substr(local + 4, 26));
    EXPECT_EQ(le16(zip, at + 32), 0);      // comment length
    EXPECT_EQ(le16(zip, at + 34), 0);      // disk
    EXPECT_EQ(le16(zip, at + 36), 0);      // internal attributes
    EXPECT_EQ(le32(zip, at + 38), 0x20u);  // archive bit
    EXPECT_EQ(le32(zip, at + 42), local);
    EXPECT_EQ(zip.substr(at + 46, 11), zip.substr(local + 30, 11));
    at += 46 + 11;
  }

  EXPECT_EQ(le32(zip, at), 0x06054B50u);
  EXPECT_EQ(le16(zip, at + 4), 0);
  EXPECT_EQ(le16(zip, at + 6), 0);
  EXPECT_EQ(le16(zip, at + 8), 2);
  EXPECT_EQ(le16(zip, at + 10), 2);
  EXPECT_EQ(le32(zip, at + 12), at - directoryOffset);
  EXPECT_EQ(le32(zip, at + 16), directoryOffset);
  EXPECT_EQ(le16(zip, at + 20), 0);
  EXPECT_EQ(zip.size(), at + 22);
}

TEST(ZipLayout, EachKindOfFileGetsItsMethodVersionsAndSizes) {
  struct Case {
    const char* name;
    std::string content;
    std::uint16_t method, versionNeeded, versionMadeBy;
  };
  const Case cases[] = {
      {"empty.dbf", "", 0, 10, 0x0014},
      {"noise.bin", randomBytes(70000), 0, 10, 0x0014},
      {"one-byte.txt", "x", 0, 10, 0x0014},  // deflate makes 1 byte into 3
      {"M\xC3\xBCller.txt", compressibleText(5000), 8, 20, 0x0B14},
      {"late\xFF", compressibleText(3000), 8, 20, 0x0B14},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    writeFile(folder / c.name, c.content);
    zip::backupFiles(folder / "a.zip", {folder / c.name});
    const std::string zip = readFile(folder / "a.zip");
    EXPECT_EQ(le16(zip, 4), c.versionNeeded);
    EXPECT_EQ(le16(zip, 8), c.method);
    EXPECT_EQ(le32(zip, 14), crcOf(c.content));
    EXPECT_EQ(le32(zip, 22), c.content.size());
    if (c.method == 0) {
      EXPECT_EQ(le32(zip, 18), c.content.size());
      EXPECT_EQ(zip.substr(30 + std::strlen(c.name), c.content.size()), c.content);
    }
    const std::size_t directory = le32(zip, zip.size() - 6);
    EXPECT_EQ(le16(zip, directory + 4), c.versionMadeBy);
    EXPECT_EQ(zip.substr(directory + 46, std::strlen(c.name)), c.name);
    EXPECT_EQ(zip.size(), directory + 46 + std::strlen(c.name) + 22);
  }
}

TEST(ZipLayout, ReadOnlyFileCarriesTheReadOnlyBitBesideTheArchiveBit) {
  TempFolder folder;
  writeFile(folder / "locked.txt", "text");
  ASSERT_EQ(::chmod((folder / "locked.txt").c_str(), 0444), 0);
  zip::backupFiles(folder / "a.zip", {folder / "locked.txt"});
  const std::string zip = readFile(folder / "a.zip");
  EXPECT_EQ(le32(zip, le32(zip, zip.size() - 6) + 38), 0x21u);
}

TEST(ZipLayout, NewArchiveWithNoFilesIsAnEmptyButValidArchive) {
  TempFolder folder;
  zip::ZipArchive archive = zip::ZipArchive::open(folder / "a.zip");
  EXPECT_EQ(archive.freshen(folder / "missing.dbf"), zip::FreshenResult::Skipped);
  EXPECT_TRUE(archive.save().written);
  EXPECT_EQ(readFile(folder / "a.zip"), std::string("PK\x05\x06", 4) + std::string(18, '\0'));
}

// Text and noise in alternating stretches that do not line up with the
// deflater's blocks, so matches and stored runs straddle the cuts.
std::string mixedBytes(std::size_t size) {
  std::string bytes;
  for (std::uint32_t part = 0; bytes.size() < size; ++part)
    bytes += part % 3 == 2 ? randomBytes(70000, part) : compressibleText(150000 + part * 1000);
  bytes.resize(size);
  return bytes;
}

// Writes one entry from `content` on `workers` threads; returns the entry's data.
std::string encodeEntry(const TempFolder& folder, const std::string& content, unsigned workers,
                        zip::CentralEntry& entry) {
  writeFile(folder / "source.bin", content);
  zip::PosixFile source = zip::PosixFile::openForReading(folder / "source.bin");
  {
    zip::ReplacementFile out(folder / "entry.bin");
    zip::writeFileEntry(out, source, entry, workers);
    out.commit();
  }
  return readFile(folder / "entry.bin").substr(zip::kLocalHeaderSize);
}

TEST(ZipLayout, BlocksDeflatedOnSeveralThreadsFormOneDeflateStreamOfTheWholeFile) {
  TempFolder folder;
  constexpr std::size_t kBlock = zip::ParallelDeflater::kParallelBlockSize;
  struct Case {
    const char* what;
    std::string content;
    std::uint16_t method;
  };
  for (const Case& c : {Case{"mixed", mixedBytes(3 * 1000 * 1000 + 7), zip::kMethodDeflated},
                        Case{"whole blocks", compressibleText(16 * kBlock), zip::kMethodDeflated},
                        Case{"one byte past whole blocks", compressibleText(16 * kBlock + 1), zip::kMethodDeflated},
                        Case{"noise is stored", randomBytes(12 * kBlock), zip::kMethodStored}}) {
    SCOPED_TRACE(c.what);
    zip::CentralEntry entry;
    const std::string data = encodeEntry(folder, c.content, 3, entry);
    EXPECT_EQ(entry.method, c.method);
    EXPECT_EQ(entry.crc32, crcOf(c.content));
    EXPECT_EQ(entry.uncompressedSize, c.content.size());
    EXPECT_EQ(entry.compressedSize, data.size());
    EXPECT_TRUE((c.method == zip::kMethodStored ? data : inflateRaw(data, c.content.size())) == c.content);
    if (c.method == zip::kMethodDeflated) {
      // The preset dictionaries keep the cost of the cuts to a fraction of a percent.
      zip::CentralEntry single;
      const std::size_t singleSize = encodeEntry(folder, c.content, 1, single).size();
      EXPECT_LT(static_cast<double>(data.size()), singleSize * 1.01);
    }
  }
}

}  // namespace
