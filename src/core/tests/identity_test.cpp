#include "core/identity.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <memory>

#include "core/startup.h"
#include "core/system_facts.h"
#include "os/profile_file.h"
#include "os/wmi_fake.h"
#include "testing/temp_dir.h"

namespace nimbrook {
namespace {

constexpr wchar_t kBoardWql[] = L"SELECT SerialNumber FROM Win32_BaseBoard";
constexpr wchar_t kProcessorWql[] = L"SELECT ProcessorId FROM Win32_Processor";
constexpr wchar_t kAdapterWql[] = L"SELECT MACAddress FROM Win32_NetworkAdapter WHERE NetConnectionID IS NOT NULL";
constexpr wchar_t kPhysicalAdapterWql[] =
    L"SELECT MACAddress FROM Win32_NetworkAdapter WHERE PhysicalAdapter = TRUE AND MACAddress IS NOT NULL";
constexpr wchar_t kDiskWql[] = L"SELECT SerialNumber FROM Win32_DiskDrive";
constexpr long kInvalidQuery = static_cast<long>(0x80041001);

TEST(IdentityTextTest, SpacesAndLineEndsAreDroppedEverywhere) {
  EXPECT_EQ(IdentityText(kDiskSerialSelector, {L"     WD-WCC4N 1234567\r\n"}), "WD-WCC4N1234567");
  EXPECT_EQ(IdentityText(kBoardSerialSelector, {L" /7X2K\n\rZ12/CN1296 "}), "/7X2KZ12/CN1296");
  EXPECT_EQ(IdentityText(kProcessorIdSelector, {L"BFEBFBFF000306C3"}), "BFEBFBFF000306C3");
  // Other white space is part of the value, as it was in the tool's output.
  EXPECT_EQ(IdentityText(kDiskSerialSelector, {L"A\tB"}), "A\tB");
}

TEST(IdentityTextTest, SeveralDevicesRunTogetherInQueryOrder) {
  EXPECT_EQ(IdentityText(kDiskSerialSelector, {L"WINEHDISK", L"  S3Z9NB0K123  ", L"0000_0000_0100"}),
            "WINEHDISKS3Z9NB0K1230000_0000_0100");
  // A device without a serial (a null property) adds nothing.
  EXPECT_EQ(IdentityText(kDiskSerialSelector, {L"", L"B", L""}), "B");
  EXPECT_EQ(IdentityText(kDiskSerialSelector, {}), "");
}

TEST(IdentityTextTest, AdapterAddressKeepsOnlyTheFirstAddress) {
  EXPECT_EQ(IdentityText(kAdapterAddressSelector, {L"00:1A:2B:3C:4D:5E", L"00:50:56:C0:00:08"}), "00:1A:2B:3C:4D:5E");
  EXPECT_EQ(IdentityText(kAdapterAddressSelector, {L"00:1A:2B:3C:4D:5E"}), "00:1A:2B:3C:4D:5E");
  // Wine and Linux report lower case; Windows reports upper case, and so does the identity.
  EXPECT_EQ(IdentityText(kAdapterAddressSelector, {L"9e:e4:71:bc:8d:f5", L"b2:d4:52:26:50:6e"}), "9E:E4:71:BC:8D:F5");
  // Seventeen characters, whatever they are.
  EXPECT_EQ(IdentityText(kAdapterAddressSelector, {L"00:1A:2B", L"3C:4D:5E:6F:70"}), "00:1A:2B3C:4D:5E:");
  // Only the address is put in upper case.
  EXPECT_EQ(IdentityText(kDiskSerialSelector, {L"ab:cd"}), "ab:cd");
}

TEST(IdentityTextTest, LongValuesAreCutAt259Characters) {
  const std::wstring a(200, L'A'), b(100, L'B');
  const std::string text = IdentityText(kDiskSerialSelector, {a, b});
  EXPECT_EQ(text, std::string(200, 'A') + std::string(59, 'B'));
  // Dropped characters do not count.
  EXPECT_EQ(IdentityText(kBoardSerialSelector, {std::wstring(300, L' ') + L"X"}), "X");
}

TEST(IdentityTextTest, InvalidBecomesEmpty) {
  EXPECT_EQ(IdentityText(kBoardSerialSelector, {L"INVALID"}), "");
  EXPECT_EQ(IdentityText(kBoardSerialSelector, {L" INVALID \r\n"}), "");
  EXPECT_EQ(IdentityText(kBoardSerialSelector, {L"IN", L"VALID"}), "");
  EXPECT_EQ(IdentityText(kBoardSerialSelector, {L"INVALID1"}), "INVALID1");
  EXPECT_EQ(IdentityText(kBoardSerialSelector, {L"Invalid"}), "Invalid");
  EXPECT_EQ(IdentityText(kBoardSerialSelector, {L"None"}), "None");
}

class QueryIdentityTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wmi.Answer(kBoardWql, {L"  PF0ABCDE  "});
    wmi.Answer(kProcessorWql, {L"BFEBFBFF000906EA"});
    wmi.Answer(kAdapterWql, {L"00:1A:2B:3C:4D:5E", L"0A:00:27:00:00:11"});
    wmi.Answer(kPhysicalAdapterWql, {L"AA:BB:CC:DD:EE:FF"});
    wmi.Answer(kDiskWql, {L"WINEHDISK", L"WINEHDISK"});
  }
  os::FakeWmi wmi;
};

TEST_F(QueryIdentityTest, EachSelectorRunsItsQuery) {
  EXPECT_EQ(QueryIdentity(kBoardSerialSelector, wmi), "PF0ABCDE");
  EXPECT_EQ(QueryIdentity(kProcessorIdSelector, wmi), "BFEBFBFF000906EA");
  EXPECT_EQ(QueryIdentity(kAdapterAddressSelector, wmi), "00:1A:2B:3C:4D:5E");
  EXPECT_EQ(QueryIdentity(kDiskSerialSelector, wmi), "WINEHDISKWINEHDISK");
  EXPECT_EQ(wmi.queries(), (std::vector<std::wstring>{kBoardWql, kProcessorWql, kAdapterWql, kDiskWql}));
}

TEST_F(QueryIdentityTest, UnknownSelectorsGiveEmptyTextWithoutQuerying) {
  for (int selector : {0, 100, 105, -101, 1001}) EXPECT_EQ(QueryIdentity(selector, wmi), "");
  EXPECT_TRUE(wmi.queries().empty());
  EXPECT_EQ(QueryIdentity(100), "");
}

TEST_F(QueryIdentityTest, FailingQueryGivesEmptyText) {
  wmi.Fail(kBoardWql, static_cast<long>(0x80041003));
  wmi.Fail(kDiskWql, static_cast<long>(0x80070005));
  EXPECT_EQ(QueryIdentity(kBoardSerialSelector, wmi), "");
  EXPECT_EQ(QueryIdentity(kDiskSerialSelector, wmi), "");
  EXPECT_EQ(wmi.queries().size(), 2u);  // no fallback for anything but the adapter
}

TEST_F(QueryIdentityTest, AdapterFallsBackToPhysicalAdaptersOnlyWhenTheQueryFails) {
  wmi.Fail(kAdapterWql, kInvalidQuery);  // WMI without NetConnectionID
  EXPECT_EQ(QueryIdentity(kAdapterAddressSelector, wmi), "AA:BB:CC:DD:EE:FF");
  EXPECT_EQ(wmi.queries(), (std::vector<std::wstring>{kAdapterWql, kPhysicalAdapterWql}));

  // A machine without connected adapters has no address; that is an answer, not a failure.
  os::FakeWmi none;
  none.Answer(kAdapterWql, {});
  none.Answer(kPhysicalAdapterWql, {L"AA:BB:CC:DD:EE:FF"});
  EXPECT_EQ(QueryIdentity(kAdapterAddressSelector, none), "");
  EXPECT_EQ(none.queries().size(), 1u);

  os::FakeWmi neither;
  neither.Fail(kAdapterWql, kInvalidQuery);
  neither.Fail(kPhysicalAdapterWql, kInvalidQuery);
  EXPECT_EQ(QueryIdentity(kAdapterAddressSelector, neither), "");
}

TEST_F(QueryIdentityTest, GatherFillsTheFiveTextsInOrder) {
  os::VersionFacts win7;
  win7.valid = true;
  win7.major = 6;
  win7.minor = 1;
  win7.platformId = os::kPlatformNt;
  win7.productType = os::kWorkstation;
  win7.nativeArchitecture = os::kArchitectureAmd64;
  wmi.Answer(kBoardWql, {L"INVALID"});
  const IdentityTexts texts = GatherIdentity(wmi, win7);
  EXPECT_EQ(texts.boardSerial, "");
  EXPECT_EQ(texts.processorId, "BFEBFBFF000906EA");
  EXPECT_EQ(texts.adapterAddress, "00:1A:2B:3C:4D:5E");
  EXPECT_EQ(texts.diskSerial, "WINEHDISKWINEHDISK");
  EXPECT_EQ(texts.systemDescription, "Microsoft Windows 7 64");
  EXPECT_EQ(wmi.queries(), (std::vector<std::wstring>{kBoardWql, kProcessorWql, kAdapterWql, kDiskWql}));
}

// Tells when the collector thread has let go of its work: the gather function it owns is destroyed
// only after the thread has published or decided not to.
struct ThreadEnd {
  std::promise<void> ended;
  ~ThreadEnd() { ended.set_value(); }
};

IdentityTexts SampleTexts() {
  IdentityTexts texts;
  texts.boardSerial = "PF0ABCDE";
  texts.processorId = "BFEBFBFF000906EA";
  texts.adapterAddress = "00:1A:2B:3C:4D:5E";
  texts.diskSerial = "WINEHDISK";
  texts.systemDescription = "Microsoft Windows 7 64";
  return texts;
}

class CollectorHandOverTest : public ::testing::Test {
 protected:
  testing::TempDir dir;
  std::unique_ptr<os::ProfileFiles> profile = os::MakePortableProfileFiles();
  Settings settings{*profile, dir.File(L"config.ini")};
};

TEST_F(CollectorHandOverTest, TextsArePublishedTogetherWhenTheCollectorEnds) {
  std::promise<void> release;
  auto end = std::make_shared<ThreadEnd>();
  std::future<void> ended = end->ended.get_future();
  ASSERT_TRUE(StartIdentityCollector(
      [gate = release.get_future().share(), end] {
        gate.wait();
        return SampleTexts();
      },
      settings));
  EXPECT_FALSE(settings.IdentityPublished());
  end.reset();
  release.set_value();
  ended.wait();
  ASSERT_TRUE(settings.IdentityPublished());
  const IdentityTexts published = settings.Identity(std::chrono::milliseconds(0));
  EXPECT_EQ(published.processorId, "BFEBFBFF000906EA");
  EXPECT_EQ(published.systemDescription, "Microsoft Windows 7 64");
}

TEST_F(CollectorHandOverTest, ACollectorStillBusyAtShutdownPublishesNothing) {
  std::promise<void> release;
  auto end = std::make_shared<ThreadEnd>();
  std::future<void> ended = end->ended.get_future();
  ASSERT_TRUE(StartIdentityCollector(
      [gate = release.get_future().share(), end] {
        gate.wait();
        return SampleTexts();
      },
      settings));
  end.reset();
  RunShutdown();  // the client ends while WMI still answers
  release.set_value();
  ended.wait();
  EXPECT_FALSE(settings.IdentityPublished());
}

// The machine's own collector: whatever this machine reports, the texts follow the rules and are
// handed over in one piece.
TEST(IdentityCollectorTest, CollectorPublishesTheMachineIdentityAtOnce) {
  ASSERT_TRUE(StartIdentityCollector());
  const IdentityTexts published = ClientSettings().Identity(std::chrono::minutes(2));
  ASSERT_TRUE(ClientSettings().IdentityPublished());
  EXPECT_EQ(published.systemDescription, SystemDescription(SystemVersion()));
  EXPECT_EQ(published.processorId, QueryIdentity(kProcessorIdSelector));
  EXPECT_EQ(published.diskSerial, QueryIdentity(kDiskSerialSelector));
  for (const std::string* text : {&published.boardSerial, &published.processorId, &published.adapterAddress,
                                  &published.diskSerial}) {
    EXPECT_EQ(text->find_first_of(" \r\n"), std::string::npos) << *text;
    EXPECT_LE(text->size(), kIdentityTextLimit);
  }
  EXPECT_LE(published.adapterAddress.size(), kAdapterAddressLength);
#if defined(__x86_64__) || defined(__i386__)
  // Windows reports CPUID leaf 1 as the processor id, and the native stand-in does the same.
  EXPECT_EQ(published.processorId.size(), 16u);
#endif
}

}  // namespace
}  // namespace nimbrook
