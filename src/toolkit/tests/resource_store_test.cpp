#include "toolkit/resource_store.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <thread>
#include <vector>

#include "core/file_io.h"
#include "core/paths.h"
#include "testing/temp_dir.h"
#include "toolkit/tests/zip_writer_support.h"

namespace nimbrook::toolkit {
namespace {

using nimbrook::testing::TempDir;

class ResourceStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(CreateDirectoryIfMissing(dir_.File(L"img")));
    ASSERT_TRUE(WriteFileBytes(dir_.File(L"ok.xml"), "<Window/>"));
    ASSERT_TRUE(WriteFileBytes(JoinPath(dir_.File(L"img"), L"Close.png"), "folder png"));
    testing::ZipWriter writer;
    writer.Add("ok.xml", "<Window from=\"zip\"/>");
    writer.Add("img/close.png", "zip png", 0);
    ASSERT_TRUE(CreateDirectoryIfMissing(dir_.File(L"skin")));
    ASSERT_TRUE(WriteFileBytes(JoinPath(dir_.File(L"skin"), L"skin.dll"), writer.Finish()));
  }
  TempDir dir_;
  TempDir outside_;
  ResourceStore store_;
};

TEST_F(ResourceStoreTest, FolderNamesMatchWithEitherSlashAndAnyCase) {
  ASSERT_TRUE(store_.SetResourcePath(dir_.Dir()));
  EXPECT_EQ(store_.ReadResource(L"ok.xml"), "<Window/>");
  EXPECT_EQ(store_.ReadResource(L"OK.XML"), "<Window/>");
  EXPECT_EQ(store_.ReadResource(L"img/close.png"), "folder png");
  EXPECT_EQ(store_.ReadResource(L"IMG\\CLOSE.PNG"), "folder png");
  EXPECT_FALSE(store_.ReadResource(L"missing.xml"));
  EXPECT_FALSE(store_.ReadResource(L"img"));  // a folder is no resource
}

TEST_F(ResourceStoreTest, ZipIsReadInsteadOfTheFolderOnceSet) {
  ASSERT_TRUE(store_.SetResourcePath(dir_.Dir()));
  ASSERT_TRUE(store_.SetResourceZip(L"skin\\skin.dll"));
  EXPECT_TRUE(store_.HasZip());
  EXPECT_EQ(store_.ReadResource(L"ok.xml"), "<Window from=\"zip\"/>");
  EXPECT_EQ(store_.ReadResource(L"Img\\Close.PNG"), "zip png");
  EXPECT_FALSE(store_.ReadResource(L"skin/skin.dll"));  // folder files are not mixed in
  ASSERT_TRUE(store_.SetResourceZip(L""));
  EXPECT_EQ(store_.ReadResource(L"ok.xml"), "<Window/>");
}

TEST_F(ResourceStoreTest, AbsoluteZipPathAndRefusedSettingsLeaveTheStoreAsItWas) {
  ASSERT_TRUE(store_.SetResourcePath(dir_.Dir()));
  EXPECT_FALSE(store_.SetResourcePath(dir_.File(L"no-such-folder")));
  EXPECT_EQ(store_.ResourcePath(), dir_.Dir());
  EXPECT_FALSE(store_.SetResourceZip(L"missing.dll"));
  EXPECT_FALSE(store_.SetResourceZip(L"ok.xml"));  // not an archive
  EXPECT_FALSE(store_.HasZip());
  EXPECT_EQ(store_.ReadResource(L"ok.xml"), "<Window/>");
  ResourceStore other;
  ASSERT_TRUE(other.SetResourceZip(JoinPath(dir_.File(L"skin"), L"skin.dll")));
  EXPECT_EQ(other.ReadResource(L"img/close.png"), "zip png");
}

TEST_F(ResourceStoreTest, GenerationMovesOnEveryChangeOfSource) {
  const uint64_t start = store_.Generation();
  ASSERT_TRUE(store_.SetResourcePath(dir_.Dir()));
  const uint64_t folder = store_.Generation();
  EXPECT_NE(folder, start);
  EXPECT_FALSE(store_.SetResourceZip(L"missing.dll"));
  EXPECT_EQ(store_.Generation(), folder);  // a refused change changes nothing
  ASSERT_TRUE(store_.SetResourceZip(L"skin/skin.dll"));
  const uint64_t zip = store_.Generation();
  EXPECT_NE(zip, folder);
  ASSERT_TRUE(store_.SetResourceZip(L""));
  EXPECT_NE(store_.Generation(), zip);
}

TEST_F(ResourceStoreTest, NamesThatLeaveTheFolderAreRefused) {
  ASSERT_TRUE(WriteFileBytes(outside_.File(L"secret.txt"), "secret"));
  ASSERT_TRUE(store_.SetResourcePath(dir_.File(L"img")));
  const std::wstring outsideName = outside_.Path().filename().wstring() + L"/secret.txt";
  for (const std::wstring& name : std::vector<std::wstring>{L"../ok.xml", L"..\\ok.xml", L"a/../../ok.xml", L"/etc/hostname", L"\\ok.xml",
                                   L"C:\\Windows\\win.ini", L"c:ok.xml", L"", std::wstring(L"../../") + outsideName,
                                   outside_.File(L"secret.txt")}) {
    EXPECT_FALSE(store_.ReadResource(name)) << std::string(name.begin(), name.end());
  }
  ASSERT_TRUE(store_.SetResourceZip(JoinPath(dir_.File(L"skin"), L"skin.dll")));
  EXPECT_FALSE(store_.ReadResource(L"../ok.xml"));
}

TEST_F(ResourceStoreTest, ReadersAndAnArchiveSwitchMeetSafely) {
  ASSERT_TRUE(store_.SetResourcePath(dir_.Dir()));
  std::atomic<bool> stop{false};
  std::atomic<int> wrong{0};
  std::vector<std::thread> readers;
  for (int i = 0; i < 3; ++i) {
    readers.emplace_back([&] {
      while (!stop) {
        const auto bytes = store_.ReadResource(L"img/close.png");
        if (!bytes || (*bytes != "folder png" && *bytes != "zip png")) ++wrong;
      }
    });
  }
  for (int i = 0; i < 200; ++i) {
    EXPECT_TRUE(store_.SetResourceZip(i % 2 ? L"" : L"skin/skin.dll"));
  }
  stop = true;
  for (auto& t : readers) t.join();
  EXPECT_EQ(wrong.load(), 0);
}

TEST(ResourceStoreProcessTest, FreeFunctionsUseOneStore) {
  TempDir dir;
  ASSERT_TRUE(WriteFileBytes(dir.File(L"menu.xml"), "<Window/>"));
  ASSERT_TRUE(SetResourcePath(dir.Dir()));
  ASSERT_TRUE(SetResourceZip(L""));
  EXPECT_EQ(ReadResource(L"MENU.xml"), "<Window/>");
  EXPECT_EQ(Resources().ResourcePath(), dir.Dir());
}

}  // namespace
}  // namespace nimbrook::toolkit
