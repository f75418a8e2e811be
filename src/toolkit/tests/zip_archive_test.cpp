#include "toolkit/zip_archive.h"

#include <gtest/gtest.h>

#include <random>

#include <zlib.h>

#include "toolkit/tests/zip_writer_support.h"

namespace nimbrook::toolkit {
namespace {

using testing::Put16;
using testing::Put32;
using testing::ZipWriter;

const std::string kLayout = "<Window size=\"360,180\"><VerticalLayout bkcolor=\"#FFFFFFFF\"/></Window>\n";

std::string Repeated(const std::string& piece, size_t times) {
  std::string out;
  for (size_t i = 0; i < times; ++i) out += piece;
  return out;
}

TEST(ZipArchiveTest, ANameStoredTwiceReadsAsItsFirstEntry) {
  ZipWriter writer;
  writer.Add("layouts/main.xml", kLayout, 8);
  writer.Add("Layouts\\Main.xml", "<Window/>", 0);
  const auto archive = ZipArchive::Open(writer.Finish());
  ASSERT_TRUE(archive);
  EXPECT_EQ(archive->Entries().size(), 2u);
  EXPECT_EQ(archive->Read("layouts/main.xml"), kLayout);
  EXPECT_EQ(archive->Read("LAYOUTS/MAIN.XML"), kLayout);
}

TEST(ZipArchiveTest, ReadsStoredAndDeflatedEntriesByAnySpellingOfTheirName) {
  ZipWriter writer;
  writer.Add("ok.xml", kLayout, 8);
  writer.Add("img/Button_Normal.png", std::string("\x89PNG\r\n\x1a\n\0\0", 10), 0);
  writer.Add("img/", "", 0);
  writer.Add("empty.txt", "", 8);
  const auto archive = ZipArchive::Open(writer.Finish());
  ASSERT_TRUE(archive);
  EXPECT_EQ(archive->Entries().size(), 4u);
  EXPECT_EQ(archive->Read("ok.xml"), kLayout);
  EXPECT_EQ(archive->Read("OK.XML"), kLayout);
  EXPECT_EQ(archive->Read("img\\button_normal.PNG"), std::string("\x89PNG\r\n\x1a\n\0\0", 10));
  EXPECT_EQ(archive->Read("/img/button_normal.png"), std::string("\x89PNG\r\n\x1a\n\0\0", 10));
  EXPECT_EQ(archive->Read("empty.txt"), std::string());
  EXPECT_FALSE(archive->Read("img/"));  // a folder has no bytes
  EXPECT_FALSE(archive->Read("missing.xml"));
  EXPECT_TRUE(archive->Contains("IMG\\BUTTON_NORMAL.PNG"));
}

TEST(ZipArchiveTest, EndRecordIsFoundBehindACommentThatMimicsIt) {
  ZipWriter writer;
  writer.Add("a.xml", kLayout);
  const std::string comment = std::string("PK\x05\x06", 4) + "not the real end record";
  const auto archive = ZipArchive::Open(writer.Finish(comment));
  ASSERT_TRUE(archive);
  EXPECT_EQ(archive->Read("a.xml"), kLayout);
}

TEST(ZipArchiveTest, BytesThatAreNoArchiveAreRefused) {
  EXPECT_FALSE(ZipArchive::Open(""));
  EXPECT_FALSE(ZipArchive::Open("PK"));
  EXPECT_FALSE(ZipArchive::Open(std::string(100, 'x')));
  EXPECT_FALSE(ZipArchive::Open("\x89PNG\r\n\x1a\nnot a zip at all, but an image header"));
}

TEST(ZipArchiveTest, FirstOfTwoEqualNamesWins) {
  ZipWriter writer;
  writer.Add("x.xml", "first");
  writer.Add("X.XML", "second");
  const auto archive = ZipArchive::Open(writer.Finish());
  ASSERT_TRUE(archive);
  EXPECT_EQ(archive->Read("x.xml"), "first");
}

// Hostile archives: every refusal is an empty answer, never a crash, a hang or a huge allocation.
class HostileZipTest : public ::testing::Test {
 protected:
  void SetUp() override {
    writer_.Add("a.xml", Repeated(kLayout, 20), 8);
    writer_.Add("b.png", "stored bytes of b", 0);
    bytes_ = writer_.Finish();
  }
  ZipWriter writer_;
  std::string bytes_;
};

TEST_F(HostileZipTest, TruncatedAtEveryLengthNeverReadsWrongBytes) {
  for (size_t length = 0; length < bytes_.size(); ++length) {
    const auto archive = ZipArchive::Open(bytes_.substr(0, length));
    if (!archive) continue;
    // A cut that keeps the directory but loses data must not hand out partial bytes.
    const auto a = archive->Read("a.xml");
    if (a) {
      EXPECT_EQ(*a, Repeated(kLayout, 20));
    }
  }
}

TEST_F(HostileZipTest, LyingUncompressedSizesAreRefused) {
  const auto& a = writer_.Entries()[0];
  for (uint32_t lie : {0u, 1u, static_cast<uint32_t>(kLayout.size() * 20 - 1), static_cast<uint32_t>(kLayout.size() * 20 + 1),
                       0xFFFFFFFEu}) {
    std::string bytes = bytes_;
    Put32(bytes, a.centralHeader + 24, lie);
    const auto archive = ZipArchive::Open(bytes);
    ASSERT_TRUE(archive);
    EXPECT_FALSE(archive->Read("a.xml")) << lie;
    EXPECT_EQ(archive->Read("b.png"), "stored bytes of b");  // the other entry is unharmed
  }
}

TEST_F(HostileZipTest, CompressedSizeOrOffsetPointingOutsideIsRefused) {
  const auto& a = writer_.Entries()[0];
  const auto& b = writer_.Entries()[1];
  {
    std::string bytes = bytes_;
    Put32(bytes, b.centralHeader + 20, 0x7FFFFFFF);
    const auto archive = ZipArchive::Open(bytes);
    ASSERT_TRUE(archive);
    EXPECT_FALSE(archive->Read("b.png"));
  }
  {
    std::string bytes = bytes_;
    Put32(bytes, a.centralHeader + 42, 0xFFFFFF00);  // local header beyond the end
    const auto archive = ZipArchive::Open(bytes);
    ASSERT_TRUE(archive);
    EXPECT_FALSE(archive->Read("a.xml"));
  }
  {
    std::string bytes = bytes_;
    Put32(bytes, writer_.EndRecord() + 16, 0xFFFFFFF0);  // central directory beyond the end
    EXPECT_FALSE(ZipArchive::Open(bytes));
  }
  {
    std::string bytes = bytes_;
    Put16(bytes, writer_.EndRecord() + 10, 0xFFF0);  // more entries than the directory can hold
    Put16(bytes, writer_.EndRecord() + 8, 0xFFF0);
    EXPECT_FALSE(ZipArchive::Open(bytes));
  }
}

TEST_F(HostileZipTest, AnEntryPointingAtAnotherEntrysHeaderIsRefused) {
  std::string bytes = bytes_;
  Put32(bytes, writer_.Entries()[1].centralHeader + 42, static_cast<uint32_t>(writer_.Entries()[0].localHeader));
  const auto archive = ZipArchive::Open(bytes);
  ASSERT_TRUE(archive);
  EXPECT_FALSE(archive->Read("b.png"));
  EXPECT_EQ(archive->Read("a.xml"), Repeated(kLayout, 20));
}

TEST(ZipOverlapTest, EntriesSharingBytesAreBothRefused) {
  // "a.bin" claims to run on over all of "b.bin", with a checksum that matches the longer run: its
  // bytes would read back whole, so only the overlap gives it away.
  ZipWriter writer;
  writer.Add("a.bin", "first entry", 0);
  writer.Add("b.bin", "second entry", 0);
  std::string bytes = writer.Finish();
  const auto& a = writer.Entries()[0];
  const auto& b = writer.Entries()[1];
  const size_t span = b.data + b.compressedSize - a.data;
  const uint32_t crc = static_cast<uint32_t>(
      crc32(0L, reinterpret_cast<const Bytef*>(bytes.data() + a.data), static_cast<uInt>(span)));
  Put32(bytes, a.centralHeader + 16, crc);
  Put32(bytes, a.centralHeader + 20, static_cast<uint32_t>(span));
  Put32(bytes, a.centralHeader + 24, static_cast<uint32_t>(span));
  const auto archive = ZipArchive::Open(bytes);
  ASSERT_TRUE(archive);
  EXPECT_FALSE(archive->Read("a.bin"));
  EXPECT_FALSE(archive->Read("b.bin"));
}

TEST_F(HostileZipTest, ChecksumMismatchIsRefused) {
  std::string bytes = bytes_;
  const auto& b = writer_.Entries()[1];
  bytes[b.data] ^= 0x20;  // stored data altered, size unchanged
  const auto archive = ZipArchive::Open(bytes);
  ASSERT_TRUE(archive);
  EXPECT_FALSE(archive->Read("b.png"));
  EXPECT_EQ(archive->Read("a.xml"), Repeated(kLayout, 20));
}

TEST_F(HostileZipTest, EncryptionUnknownMethodsAndMismatchedLocalNamesAreRefused) {
  const auto& a = writer_.Entries()[0];
  for (int variant = 0; variant < 3; ++variant) {
    std::string bytes = bytes_;
    if (variant == 0) Put16(bytes, a.centralHeader + 8, 0x0001);
    if (variant == 1) Put16(bytes, a.centralHeader + 10, 12);  // bzip2
    if (variant == 2) bytes[a.localHeader + 30] = 'z';         // local name "z.xml"
    const auto archive = ZipArchive::Open(bytes);
    ASSERT_TRUE(archive);
    EXPECT_FALSE(archive->Read("a.xml")) << variant;
  }
}

TEST_F(HostileZipTest, RandomCorruptionGivesTheOriginalBytesOrNothing) {
  std::mt19937 random(20261207);
  const std::string expectedA = Repeated(kLayout, 20);
  for (int round = 0; round < 3000; ++round) {
    std::string bytes = bytes_;
    const int flips = 1 + static_cast<int>(random() % 4);
    for (int i = 0; i < flips; ++i) bytes[random() % bytes.size()] = static_cast<char>(random());
    const auto archive = ZipArchive::Open(bytes);
    if (!archive) continue;
    for (const auto& entry : archive->Entries()) {
      const auto data = archive->Read(entry.name);
      if (!data) continue;
      EXPECT_TRUE(*data == expectedA || *data == "stored bytes of b") << "round " << round;
    }
  }
}

TEST(ZipBombTest, SizeAndRatioCapsRefuseExpansion) {
  const std::string zeros(2 * 1024 * 1024, '\0');
  ZipWriter writer;
  writer.Add("zeros.bin", zeros, 8);
  const std::string bytes = writer.Finish();
  ASSERT_LT(bytes.size(), zeros.size() / 500);  // really a bomb-shaped entry

  ZipLimits small;
  small.maxEntrySize = 1024 * 1024;
  const auto capped = ZipArchive::Open(bytes, small);
  ASSERT_TRUE(capped);
  EXPECT_FALSE(capped->Read("zeros.bin"));

  ZipLimits strictRatio;
  strictRatio.maxRatio = 100;
  const auto ratio = ZipArchive::Open(bytes, strictRatio);
  ASSERT_TRUE(ratio);
  EXPECT_FALSE(ratio->Read("zeros.bin"));

  const auto generous = ZipArchive::Open(bytes);
  ASSERT_TRUE(generous);
  EXPECT_EQ(generous->Read("zeros.bin"), zeros);
}

TEST(ZipBombTest, DeclaredSizeSmallerThanTheStreamStopsInflating) {
  const std::string zeros(1024 * 1024, '\0');
  ZipWriter writer;
  writer.Add("zeros.bin", zeros, 8);
  std::string bytes = writer.Finish();
  Put32(bytes, writer.Entries()[0].centralHeader + 24, 1000);  // claims 1000 bytes, inflates to 1 MiB
  const auto archive = ZipArchive::Open(bytes);
  ASSERT_TRUE(archive);
  EXPECT_FALSE(archive->Read("zeros.bin"));
}

TEST(ZipNameTest, NormalizedKeys) {
  EXPECT_EQ(ZipArchive::NormalizeName("Skin\\Img\\OK.PNG"), "skin/img/ok.png");
  EXPECT_EQ(ZipArchive::NormalizeName("./a.xml"), "a.xml");
  EXPECT_EQ(ZipArchive::NormalizeName("/a.xml"), "a.xml");
}

}  // namespace
}  // namespace nimbrook::toolkit
