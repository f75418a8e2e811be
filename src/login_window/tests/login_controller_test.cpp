// The login window's decisions on a small layout with every control it looks up: the input rules,
// the remembered password and auto-login boxes, start-up from stored settings, the login service's
// codes, the links and the language button.
#include "login_window/login_controller.h"

#include <gtest/gtest.h>

#include <fstream>
#include <vector>

#include "account/descriptor.h"
#include "account/descriptor_cipher.h"
#include "account/login_service.h"
#include "client/memory_profile.h"
#include "core/file_io.h"
#include "core/languages.h"
#include "core/paths.h"
#include "core/settings.h"
#include "core/text.h"
#include "testing/bytes.h"
#include "testing/temp_dir.h"
#include "toolkit/controls.h"
#include "toolkit/dialog_builder.h"
#include "toolkit/fake_paint_host.h"

namespace nimbrook {
namespace {

using namespace toolkit;

constexpr char kLayout[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Window size="800,572">
  <VerticalLayout>
    <Button name="closebtn" /><Button name="minbtn" /><Button name="language_btn" />
    <Edit name="username_edit" /><Edit name="pwd_edit" password="true" />
    <Option name="remeberbox" /><Label name="remepwd_lab" />
    <Option name="autologbox" /><Label name="auto_lab" />
    <Button name="login_btn" /><Label name="tips" />
    <Button name="register_lab" /><Button name="getpwd_lab" />
  </VerticalLayout>
</Window>)";

class RecordingHost : public LoginWindowHost {
 public:
  bool StartLogin() override {
    calls.push_back(L"login");
    return startSucceeds;
  }
  bool OpenMainWindow(const std::wstring& answer, const std::wstring& site) override {
    calls.push_back(L"main " + answer + L" " + site);
    return openSucceeds;
  }
  void QuitProgram() override { calls.push_back(L"quit"); }
  void Minimise() override { calls.push_back(L"minimise"); }
  void OpenInBrowser(const std::wstring& url) override { calls.push_back(L"browser " + url); }
  void LanguageChanged() override { calls.push_back(L"language " + CurrentLanguage()); }

  std::vector<std::wstring> calls;
  bool startSucceeds = true;
  bool openSucceeds = true;
};

std::wstring Enc(const std::wstring& plain) { return text::AsciiToWide(EncodeDescriptorValue(text::ToAnsi(plain))); }

// A language file as the build writes it (UTF-16LE with BOM).
void WriteLanguage(const std::wstring& dir, const std::wstring& code, const std::wstring& body) {
  std::ofstream out(std::filesystem::path(dir + code + L".lng"), std::ios::binary);
  out << testing::Utf16Le(L"[String]\r\n" + body);
}

class LoginControllerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved = Paths();
    SetProcessPaths(ComputePaths(dir.File(L"Nimbrook.exe")));
    std::filesystem::create_directories(std::filesystem::path(Paths().languageDir));
    WriteLanguage(Paths().languageDir, L"eng",
                  L"username=Username\r\nregister_lab=Create account\r\nmsg_username_null=Enter a name\r\n"
                  L"str_logfailed=Sign-in failed\r\nillegal_username=Bad name\r\n");
    WriteLanguage(Paths().languageDir, L"chs",
                  L"username=用户名\r\nregister_lab=注册\r\nmsg_username_null=请输入用户名\r\nstr_logfailed=登录失败\r\n");
    WriteLanguage(Paths().languageDir, L"cht",
                  L"username=用戶名\r\nregister_lab=註冊\r\nmsg_username_null=請輸入用戶名\r\nstr_logfailed=登錄失敗\r\n");
    SelectLanguage(L"eng");
    LoadLanguage();

    settings = std::make_unique<Settings>(profile, Paths().configDir + L"config.ini");
    // The links are read only from an installed descriptor; its values live in the memory profile.
    std::filesystem::create_directories(std::filesystem::path(Paths().configDir));
    ASSERT_TRUE(WriteFileBytes(DescriptorPath(), ""));
    profile.WriteString(DescriptorPath(), kDescriptorUrlSection, L"site", Enc(L"http://site.example/"));
    profile.WriteString(DescriptorPath(), kDescriptorUrlSection, L"regURL", Enc(L"http://site.example/reg"));
    profile.WriteString(DescriptorPath(), kDescriptorUrlSection, L"getpwdURL", Enc(L"http://site.example/pwd"));

    pm.SetHost(&paintHost);
    paintHost.clientSize = {800, 572};
    CDialogBuilder builder;
    CControlUI* root = builder.CreateFromText(kLayout, L"LoginFrame.xml", nullptr, &pm);
    ASSERT_NE(root, nullptr) << text::ToUtf8(builder.GetLastError());
    ASSERT_TRUE(pm.AttachDialog(root));
    pm.OnClientResize(paintHost.clientSize);
    pm.AddNotifier(&forward);
  }
  void TearDown() override {
    SelectLanguage(L"eng");
    ProcessLanguages().Assign({});
    SetProcessPaths(saved);
  }

  void Open(const std::string& systemDescription = "Windows 10") {
    LoginWindowContext context;
    context.settings = settings.get();
    context.profile = &profile;
    context.systemDescription = systemDescription;
    context.configIni = Paths().configDir + L"config.ini";
    controller = std::make_unique<LoginController>(pm, host, context);
    missing = controller->Bind();
    pm.SendNotify(pm.GetRoot(), notify::kWindowInit);
  }

  CControlUI* C(const wchar_t* name) { return pm.FindControl(name); }
  COptionUI* Box(const wchar_t* name) { return dynamic_cast<COptionUI*>(pm.FindControl(name)); }
  std::wstring TextOf(const wchar_t* name) { return pm.FindControl(name)->GetText(); }
  void Type(const wchar_t* name, const std::wstring& value) { C(name)->SetText(value); }
  void Click(const wchar_t* name) {
    if (COptionUI* box = Box(name)) {
      (void)box->Activate();  // the click first, then the box's own change
    } else {
      pm.SendNotify(C(name), notify::kClick);
    }
  }
  bool Selected(const wchar_t* name) { return Box(name)->IsSelected(); }

  struct Forward : INotifyUI {
    LoginControllerTest* test;
    explicit Forward(LoginControllerTest* t) : test(t) {}
    void Notify(TNotifyUI& msg) override {
      if (test->controller) test->controller->Notify(msg);
    }
  } forward{this};

  testing::TempDir dir;
  ProcessPaths saved;
  MemoryProfileFiles profile;
  std::unique_ptr<Settings> settings;
  FakePaintHost paintHost;
  CPaintManagerUI pm;
  RecordingHost host;
  std::unique_ptr<LoginController> controller;
  std::vector<std::wstring> missing;
};

TEST(CredentialProblemTest, FirstFailingRuleNamesTheText) {
  EXPECT_EQ(CredentialProblem(L"abcd", L"abcdef"), L"username_short");
  EXPECT_EQ(CredentialProblem(L"abcde", L"abcde"), L"password_short");
  EXPECT_EQ(CredentialProblem(L"abcd", L"abcde"), L"username_pw_short");
  // An illegal character wins over the length rules, also when the password is short too.
  EXPECT_EQ(CredentialProblem(L"ab cd", L"abc"), L"illegal_username");
  EXPECT_EQ(CredentialProblem(L"王小明abc", L"abcdef"), L"illegal_username");
  EXPECT_EQ(CredentialProblem(L"alice01", L"secret-123"), L"illegal_password");
  EXPECT_EQ(CredentialProblem(L"alice_01", L"secret 123"), L"illegal_username_pwd");
  EXPECT_EQ(CredentialProblem(L"alice01", L"secret123"), L"");
  // No upper limit.
  EXPECT_EQ(CredentialProblem(std::wstring(300, L'a'), std::wstring(300, L'9')), L"");
}

TEST(LoginLayoutTest, TheShippedLayoutHasEveryControlOfTheRightKind) {
  std::string layout;
  ASSERT_TRUE(ReadFileBytes(text::FromUtf8(std::string(NIMBROOK_SOURCE_DIR) + "/skin/layouts/LoginFrame.xml"), layout));
  FakePaintHost paintHost;
  CPaintManagerUI pm;
  pm.SetHost(&paintHost);
  CDialogBuilder builder;
  CControlUI* root = builder.CreateFromText(layout, L"LoginFrame.xml", nullptr, &pm);
  ASSERT_NE(root, nullptr) << text::ToUtf8(builder.GetLastError());
  ASSERT_TRUE(pm.AttachDialog(root));
  RecordingHost host;
  LoginController controller(pm, host, LoginWindowContext{});
  EXPECT_TRUE(controller.Bind().empty());
  EXPECT_NE(dynamic_cast<COptionUI*>(pm.FindControl(L"remeberbox")), nullptr);
  EXPECT_NE(dynamic_cast<COptionUI*>(pm.FindControl(L"autologbox")), nullptr);
  EXPECT_NE(dynamic_cast<CEditUI*>(pm.FindControl(L"username_edit")), nullptr);
  auto* password = dynamic_cast<CEditUI*>(pm.FindControl(L"pwd_edit"));
  ASSERT_NE(password, nullptr);
  EXPECT_TRUE(password->IsPasswordMode());
}

TEST_F(LoginControllerTest, AFreshStartShowsThePlaceholderAndWaits) {
  Open();
  EXPECT_TRUE(missing.empty());
  EXPECT_EQ(TextOf(L"username_edit"), L"Username");
  EXPECT_EQ(TextOf(L"register_lab"), L"Create account");
  EXPECT_EQ(TextOf(L"language_btn"), L"En");
  EXPECT_FALSE(Selected(L"remeberbox"));
  EXPECT_TRUE(host.calls.empty());

  // The placeholder goes when the name box gets the focus and comes back when it is left empty.
  pm.SetFocus(C(L"username_edit"));
  EXPECT_EQ(TextOf(L"username_edit"), L"");
  pm.SetFocus(C(L"pwd_edit"));
  EXPECT_EQ(TextOf(L"username_edit"), L"Username");
}

TEST_F(LoginControllerTest, InputIsCheckedBeforeAnyLoginAndStoredWhenValid) {
  Open();
  // The placeholder counts as an empty name.
  Click(L"login_btn");
  EXPECT_EQ(TextOf(L"tips"), L"Enter a name");
  EXPECT_TRUE(C(L"login_btn")->IsEnabled());
  Type(L"username_edit", L"alice 01");
  Type(L"pwd_edit", L"");
  Click(L"login_btn");
  EXPECT_EQ(TextOf(L"tips"), L"msg_pwd_null");
  Type(L"pwd_edit", L"abc");
  Click(L"login_btn");
  EXPECT_EQ(TextOf(L"tips"), L"Bad name");
  EXPECT_TRUE(host.calls.empty());
  EXPECT_EQ(settings->Username(), "");

  Type(L"username_edit", L"alice01");
  Type(L"pwd_edit", L"secret123");
  Click(L"remeberbox");
  pm.SendNotify(C(L"pwd_edit"), notify::kReturn);
  EXPECT_EQ(host.calls, (std::vector<std::wstring>{L"login"}));
  EXPECT_FALSE(C(L"login_btn")->IsEnabled());
  EXPECT_EQ(settings->Username(), "alice01");
  EXPECT_EQ(settings->Password(), "secret123");
  EXPECT_TRUE(settings->IsRemberPw());
  EXPECT_FALSE(settings->IsAutoLogin());
  // A second return while the login runs starts nothing.
  pm.SendNotify(C(L"pwd_edit"), notify::kReturn);
  EXPECT_EQ(host.calls.size(), 1u);
}

TEST_F(LoginControllerTest, AutoLoginImpliesRememberingAndForgettingEndsAutoLogin) {
  Open();
  Click(L"autologbox");
  EXPECT_TRUE(Selected(L"autologbox"));
  EXPECT_TRUE(Selected(L"remeberbox"));
  EXPECT_TRUE(settings->IsAutoLogin());
  EXPECT_TRUE(settings->IsRemberPw());

  Click(L"remeberbox");
  EXPECT_FALSE(Selected(L"remeberbox"));
  EXPECT_FALSE(Selected(L"autologbox"));
  EXPECT_FALSE(settings->IsAutoLogin());
  EXPECT_FALSE(settings->IsRemberPw());

  // The labels work the boxes too.
  Click(L"auto_lab");
  EXPECT_TRUE(Selected(L"autologbox"));
  EXPECT_TRUE(Selected(L"remeberbox"));
  Click(L"remepwd_lab");
  EXPECT_FALSE(Selected(L"remeberbox"));
  EXPECT_FALSE(Selected(L"autologbox"));
  EXPECT_FALSE(settings->IsAutoLogin());
  Click(L"remepwd_lab");
  EXPECT_TRUE(Selected(L"remeberbox"));
  EXPECT_FALSE(Selected(L"autologbox"));
}

TEST_F(LoginControllerTest, StoredAutoLoginFillsTheFieldsAndLogsInAtOnce) {
  settings->SetUsername("alice01");
  settings->SetPassword("secret123");
  settings->SetRemberPw(true);
  settings->SetAutoLogin(true);
  Open("Microsoft Windows XP");
  EXPECT_EQ(TextOf(L"username_edit"), L"alice01");
  EXPECT_EQ(TextOf(L"pwd_edit"), L"secret123");
  EXPECT_TRUE(Selected(L"autologbox"));
  EXPECT_TRUE(Selected(L"remeberbox"));
  EXPECT_EQ(host.calls, (std::vector<std::wstring>{L"login"}));
}

TEST_F(LoginControllerTest, TheServiceCodesShowProgressAndOpenTheMainWindowOnce) {
  Open();
  Type(L"username_edit", L"alice01");
  Type(L"pwd_edit", L"secret123");
  Click(L"login_btn");
  controller->OnLoginState(kLoginRunningCode, L"");
  EXPECT_EQ(TextOf(L"tips"), L"str_loging");
  controller->OnLoginState(kLoginFailedCode, L"");
  EXPECT_EQ(TextOf(L"tips"), L"Sign-in failed");
  EXPECT_TRUE(C(L"login_btn")->IsEnabled());

  // Accepted without an answer: nothing opens.
  Click(L"login_btn");
  controller->OnLoginState(kLoginSucceededCode, L"");
  EXPECT_EQ(TextOf(L"tips"), L"str_login_domerr");
  // A main window that cannot open leaves the login window usable.
  host.openSucceeds = false;
  Click(L"login_btn");
  controller->OnLoginState(kLoginSucceededCode, L"yes|a");
  EXPECT_EQ(TextOf(L"tips"), L"str_login_domerr");
  EXPECT_TRUE(C(L"login_btn")->IsEnabled());

  host.openSucceeds = true;
  Click(L"login_btn");
  controller->OnLoginState(kLoginSucceededCode, L"yes|b");
  EXPECT_EQ(host.calls.back(), L"main yes|b http://site.example/");
  const size_t calls = host.calls.size();
  controller->OnLoginState(kLoginSucceededCode, L"yes|c");
  Click(L"login_btn");
  EXPECT_EQ(host.calls.size(), calls);
}

TEST_F(LoginControllerTest, AWorkerThatCannotStartLeavesTheWindowUsable) {
  host.startSucceeds = false;
  Open();
  Type(L"username_edit", L"alice01");
  Type(L"pwd_edit", L"secret123");
  Click(L"login_btn");
  EXPECT_EQ(TextOf(L"tips"), L"Sign-in failed");
  EXPECT_TRUE(C(L"login_btn")->IsEnabled());
}

TEST_F(LoginControllerTest, LinksCloseAndMinimiseGoToTheHost) {
  Open();
  Click(L"register_lab");
  Click(L"getpwd_lab");
  Click(L"minbtn");
  Click(L"closebtn");
  EXPECT_EQ(host.calls, (std::vector<std::wstring>{L"browser http://site.example/reg", L"browser http://site.example/pwd",
                                                   L"minimise", L"quit"}));
}

TEST_F(LoginControllerTest, TheLanguageButtonCyclesAndWritesTheChoiceEachTime) {
  Open();
  Click(L"login_btn");  // tips in English
  Type(L"username_edit", L"alice");
  const std::wstring ini = Paths().configDir + L"config.ini";
  Click(L"language_btn");
  EXPECT_EQ(TextOf(L"language_btn"), L"简");
  EXPECT_EQ(CurrentLanguage(), L"chs");
  EXPECT_EQ(profile.ReadString(ini, L"Setting", L"language", L"", 16), L"chs");
  EXPECT_EQ(settings->Language(), "chs");
  EXPECT_EQ(TextOf(L"register_lab"), L"注册");
  EXPECT_EQ(TextOf(L"tips"), L"请输入用户名");
  EXPECT_EQ(TextOf(L"username_edit"), L"alice");  // typed text survives

  Click(L"language_btn");
  EXPECT_EQ(TextOf(L"language_btn"), L"繁");
  EXPECT_EQ(profile.ReadString(ini, L"Setting", L"language", L"", 16), L"cht");
  EXPECT_EQ(TextOf(L"register_lab"), L"註冊");
  Type(L"username_edit", L"用戶名");  // the placeholder of this language
  Click(L"language_btn");
  EXPECT_EQ(TextOf(L"language_btn"), L"En");
  EXPECT_EQ(profile.ReadString(ini, L"Setting", L"language", L"", 16), L"eng");
  EXPECT_EQ(TextOf(L"username_edit"), L"Username");
  EXPECT_EQ(host.calls, (std::vector<std::wstring>{L"language chs", L"language cht", L"language eng"}));
}

}  // namespace
}  // namespace nimbrook
