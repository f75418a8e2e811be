// The settings under a program folder whose name the ANSI code page cannot spell (Wine runs with code
// page 1252 here, which has no "Ω"): every key is saved and read back, and the file keeps its
// encoding on disk.
#include <gtest/gtest.h>

#include "core/file_io.h"
#include "core/paths.h"
#include "core/settings.h"
#include "os/profile_file.h"
#include "testing/bytes.h"
#include "testing/temp_dir.h"

namespace nimbrook {
namespace {

class SettingsWidePathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    configDir_ = AsDirectory(JoinPath(JoinPath(dir_.Dir(), L"Ωmega 用户"), L"config"));
    ASSERT_TRUE(CreateDirectoryIfMissing(JoinPath(dir_.Dir(), L"Ωmega 用户")));
    ASSERT_TRUE(CreateDirectoryIfMissing(configDir_));
    file_ = JoinPath(configDir_, L"config.ini");
  }
  testing::TempDir dir_;
  std::wstring configDir_;
  std::wstring file_;
};

TEST_F(SettingsWidePathTest, EveryKeyIsSavedAndReadBackAndTheEncodingStays) {
  for (const bool utf16 : {false, true}) {
    SCOPED_TRACE(utf16 ? "UTF-16 file" : "ANSI file");
    const std::string head = utf16 ? testing::Utf16Le(L"\xFEFF[Setting]\r\n") : std::string("[Setting]\r\n");
    ASSERT_TRUE(WriteFileBytes(file_, head));
    {
      Settings settings(os::SystemProfile(), file_);
      settings.Load();
      settings.SetUsername("alice01");
      settings.SetPassword("secret123");
      settings.SetAutoLogin(true);
      settings.SetRemberPw(true);
      settings.SetLanguage("chs");
      settings.SetUserChoosedProtocol("OVPN-UDP");
      ASSERT_TRUE(settings.Save());
    }
    Settings reread(os::SystemProfile(), file_);
    reread.Load();
    EXPECT_EQ(reread.Username(), "alice01");
    EXPECT_EQ(reread.Password(), "secret123");
    EXPECT_TRUE(reread.IsAutoLogin());
    EXPECT_TRUE(reread.IsRemberPw());
    EXPECT_EQ(reread.Language(), "chs");
    EXPECT_EQ(reread.UserChoosedProtocol(), "OVPN-UDP");

    std::string bytes;
    ASSERT_TRUE(ReadFileBytes(file_, bytes));
    EXPECT_EQ(bytes.compare(0, head.size(), head), 0) << "the file starts as it did";
    if (!utf16) EXPECT_NE(bytes.find("username=alice01"), std::string::npos);
  }
}

TEST_F(SettingsWidePathTest, NarrowValuesKeepTheirBytesAndTheirLimit) {
  os::ProfileFiles& profile = os::SystemProfile();
  ASSERT_TRUE(profile.WriteStringA(file_, "Setting", "refer", "caf\xE9"));  // "café" in code page 1252
  EXPECT_EQ(profile.ReadStringA(file_, "Setting", "refer", "not found", 64), "caf\xE9");
  EXPECT_EQ(profile.ReadStringA(file_, "Setting", "refer", "not found", 3), "ca");
  EXPECT_EQ(profile.ReadStringA(file_, "Setting", "missing", "not found", 64), "not found");
}

}  // namespace
}  // namespace nimbrook
