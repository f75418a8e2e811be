// The updater's proxy values read from the real registry (the test prefix's own), restored afterwards.
#include <windows.h>

#include <gtest/gtest.h>

#include "http/proxy_settings.h"

namespace nimbrook {
namespace {

constexpr wchar_t kKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

class InternetSettingsWinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr),
              ERROR_SUCCESS);
    for (const wchar_t* name : {L"ProxyEnable", L"ProxyServer", L"ProxyOverride"}) Save(name);
  }
  void TearDown() override {
    for (auto& saved : saved_) {
      if (saved.present) {
        RegSetValueExW(key_, saved.name, 0, saved.type, saved.data.data(), static_cast<DWORD>(saved.data.size()));
      } else {
        RegDeleteValueW(key_, saved.name);
      }
    }
    RegCloseKey(key_);
  }
  void SetDword(const wchar_t* name, DWORD value) {
    ASSERT_EQ(RegSetValueExW(key_, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value),
              ERROR_SUCCESS);
  }
  void SetText(const wchar_t* name, const std::wstring& value) {
    ASSERT_EQ(RegSetValueExW(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
  }
  void Delete(const wchar_t* name) { RegDeleteValueW(key_, name); }

 private:
  struct Saved {
    const wchar_t* name = nullptr;
    bool present = false;
    DWORD type = 0;
    std::vector<BYTE> data;
  };
  void Save(const wchar_t* name) {
    Saved saved;
    saved.name = name;
    DWORD size = 0;
    if (RegQueryValueExW(key_, name, nullptr, &saved.type, nullptr, &size) == ERROR_SUCCESS) {
      saved.data.resize(size);
      saved.present =
          RegQueryValueExW(key_, name, nullptr, &saved.type, saved.data.data(), &size) == ERROR_SUCCESS;
    }
    saved_.push_back(saved);
  }

  HKEY key_ = nullptr;
  std::vector<Saved> saved_;
};

TEST_F(InternetSettingsWinTest, ReadsTheThreeValues) {
  SetDword(L"ProxyEnable", 1);
  SetText(L"ProxyServer", L"10.2.3.4:8080");
  SetText(L"ProxyOverride", L"<local>;*.corp");
  InternetSettings values = SystemInternetSettings().Read();
  EXPECT_TRUE(values.keyOpened);
  EXPECT_EQ(values.proxyEnable, 1u);
  EXPECT_EQ(values.proxyServer, L"10.2.3.4:8080");
  EXPECT_EQ(values.proxyOverride, L"<local>;*.corp");
  EXPECT_EQ(UpdaterProxySettings(values).accessType, kAccessTypeNamedProxy);

  SetDword(L"ProxyEnable", 0);
  EXPECT_EQ(UpdaterProxySettings(SystemInternetSettings().Read()).accessType, kAccessTypeNoProxy);
}

TEST_F(InternetSettingsWinTest, MissingValuesGiveTheDefaultProxy) {
  Delete(L"ProxyEnable");
  SetText(L"ProxyServer", L"10.2.3.4:8080");
  InternetSettings values = SystemInternetSettings().Read();
  EXPECT_TRUE(values.keyOpened);
  EXPECT_FALSE(values.proxyEnable);
  EXPECT_EQ(UpdaterProxySettings(values).accessType, kAccessTypeDefaultProxy);

  SetDword(L"ProxyEnable", 1);
  Delete(L"ProxyOverride");
  values = SystemInternetSettings().Read();
  EXPECT_FALSE(values.proxyOverride);
  const ProxySettings settings = UpdaterProxySettings(values);
  EXPECT_EQ(settings.accessType, kAccessTypeDefaultProxy);
  EXPECT_FALSE(settings.proxyList);

  // A server name too long for the 2048-byte buffer cannot be read.
  SetText(L"ProxyOverride", L"<local>");
  SetText(L"ProxyServer", std::wstring(1500, L'a'));
  EXPECT_FALSE(SystemInternetSettings().Read().proxyServer);
}

}  // namespace
}  // namespace nimbrook
