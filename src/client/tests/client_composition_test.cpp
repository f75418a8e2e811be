// The composition over temporary program directories and the scriptable HTTP transport: the update
// check's lists reach the login service, the shutdown releases in order, the service message box
// reaches the service start, and files stay in the program directory.
#include "client/client_composition.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "account/descriptor.h"
#include "account/descriptor_cipher.h"
#include "core/file_io.h"
#include "core/log.h"
#include "core/paths.h"
#include "core/text.h"
#include "fake_http_transport.h"
#include "os/service_control.h"
#include "testing/bytes.h"
#include "testing/temp_dir.h"
#include "tunnel/engine_cache.h"

namespace nimbrook {
namespace {

using testing::FakeResponse;

constexpr wchar_t kDefaultUrl[] = L"http://descriptor.example/version.ini";
constexpr wchar_t kLocalLogin[] = L"http://old.example/clogin.php";
constexpr wchar_t kFreshLogin[] = L"http://new-a.example/clogin.php;http://new-b.example/clogin.php";
constexpr char kAccepted[] = "yes|srvtype,vip|expiration,2031-12-31 23:59:59|srvid,11_nas1;nas2";

std::wstring Enc(const std::wstring& plain) { return text::AsciiToWide(EncodeDescriptorValue(text::ToAnsi(plain))); }

// A descriptor without release files (so the check finds nothing to update) as the service serves it.
FakeResponse Descriptor(const std::wstring& login) {
  const std::wstring body = L"[URL]\r\nversionURL=" + Enc(L"http://descriptor.example/latest.ini") +
                            L"\r\ndownloadURL=" + Enc(L"http://download.example/r2") + L"\r\nloginURL=" +
                            Enc(login) + L"\r\n[FILES]\r\n";
  return FakeResponse::Body(testing::Utf16Le(body), 4096);
}

// Counts its own end: a callback holding one records when the object that keeps the callback goes.
struct ReleaseProbe {
  ReleaseProbe(std::vector<std::string>& log, std::string name) : log(log), name(std::move(name)) {}
  ~ReleaseProbe() {
    log.push_back(name);
    enginesLeft.push_back(CachedEngineCount());
  }
  std::vector<std::string>& log;
  std::string name;
  static inline std::vector<size_t> enginesLeft;
};

class ClientCompositionTest : public ::testing::Test {
 protected:
  void SetUp() override { ReleaseProbe::enginesLeft.clear(); }
  void TearDown() override {
    SetLogFile(L"");
    SetLoginEndpoint(DefaultLoginEndpoint());
  }

  std::unique_ptr<ClientComposition> Compose() {
    ClientOptions options;
    options.programDir = dir.Dir();
    options.defaultDescriptorUrl = kDefaultUrl;
    options.transport = &transport;
    options.internetSettings = &internet;
    auto composition = std::make_unique<ClientComposition>(options);
    EXPECT_TRUE(CreateDirectoryIfMissing(Paths().configDir));
    SetLogFile(L"");
    ResetLog();
    return composition;
  }

  // Every file under the program directory, relative, with "/" separators, sorted.
  std::vector<std::string> FilesWritten() const {
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.Path())) {
      if (entry.is_regular_file()) files.push_back(entry.path().lexically_relative(dir.Path()).generic_string());
    }
    std::sort(files.begin(), files.end());
    return files;
  }

  bool Inside(const std::wstring& path) const { return path.rfind(dir.Dir(), 0) == 0; }

  testing::TempDir dir;
  testing::FakeHttpTransport transport;
  testing::FakeInternetSettings internet;
};

TEST_F(ClientCompositionTest, UpdateCheckListsReachTheLoginServiceAndFilesStayInTheProgramDirectory) {
  auto composition = Compose();
  ClientServices services = composition->Services();
  for (const std::wstring& path : {services.settings.ConfigPath(), services.update->UpdaterPath(), DescriptorPath(),
                                   services.update->NewDescriptorFile(), Paths().logFile}) {
    EXPECT_TRUE(Inside(path)) << text::ToUtf8(path);
  }
  transport.responses.push_back(Descriptor(kLocalLogin));  // first start: the installed descriptor
  transport.responses.push_back(Descriptor(kFreshLogin));  // the latest one
  transport.responses.push_back(FakeResponse::Body(kAccepted, 1000));

  services.update->SetReleasePublicKey("");  // the descriptors here are unsigned
  services.update->Run();
  ASSERT_EQ(services.update->State(), kUpdateNothing);
  const EndpointLists handed = services.login->EndpointListsCopy();
  EXPECT_EQ(handed.local.plain, kLocalLogin);
  EXPECT_EQ(handed.fresh.plain, kFreshLogin);
  EXPECT_EQ(handed.fresh.enciphered, services.update->EndpointListsCopy().fresh.enciphered);

  // The login needs nothing but the lists the check left: it posts to the first fresh URL through
  // the composition's HTTP client and keeps the list that served in the installed descriptor.
  services.settings.SetUsername("alice01");
  services.settings.SetPassword("secret123");
  services.settings.PublishIdentity({"board", "cpu", "00-11-22-33-44-55", "disk", "Windows 10"});
  LoginService::LoginWorker(services.login);
  EXPECT_EQ(services.login->State(), kLoginSucceeded);
  ASSERT_EQ(transport.requests.size(), 3u);
  EXPECT_EQ(transport.requests[2].host, L"new-a.example");
  EXPECT_EQ(transport.requests[2].verb, L"POST");
  EXPECT_EQ(services.profile.ReadString(DescriptorPath(), kDescriptorUrlSection, L"loginURL", L"", 2048),
            handed.fresh.enciphered);

  ASSERT_TRUE(services.settings.Save());
  EXPECT_EQ(FilesWritten(), (std::vector<std::string>{"config/config.ini", "config/version.ini", "nimbrook.log"}));
}

TEST_F(ClientCompositionTest, ShutdownReleasesEnginesThenLoginServiceThenUpdateCheck) {
  std::vector<std::string> released;
  auto composition = Compose();
  {
    ClientServices services = composition->Services();
    // The update window uses the check first, so a lazily created login service would come second.
    services.update->SetStateCallback([probe = std::make_shared<ReleaseProbe>(released, "update")](int) {});
    services.login->SetReloadCallback(
        [probe = std::make_shared<ReleaseProbe>(released, "login")](const std::wstring&) {});
  }
  ASSERT_NE(GetEngine(0), nullptr);
  ASSERT_EQ(CachedEngineCount(), 1u);

  RunShutdown();
  EXPECT_EQ(released, (std::vector<std::string>{"login", "update"}));
  EXPECT_EQ(ReleaseProbe::enginesLeft, (std::vector<size_t>{0, 0}));
  EXPECT_EQ(composition->Services().login, nullptr);
  EXPECT_EQ(composition->Services().update, nullptr);

  // A composition that goes before any shutdown releases in the same order; its steps then do
  // nothing.
  released.clear();
  auto second = Compose();
  second->Services().update->SetStateCallback([probe = std::make_shared<ReleaseProbe>(released, "update")](int) {});
  second->Services().login->SetReloadCallback(
      [probe = std::make_shared<ReleaseProbe>(released, "login")](const std::wstring&) {});
  second.reset();
  EXPECT_EQ(released, (std::vector<std::string>{"login", "update"}));
  RunShutdown();
  EXPECT_EQ(released.size(), 2u);
}

TEST_F(ClientCompositionTest, LazySingletonsReleaseTheLoginServiceFirstThoughTheCheckCameFirst) {
  std::vector<std::string> released;
  // The update window makes the check; the login service comes later (the check's thread hands it
  // the lists), so its release is registered second.
  std::shared_ptr<UpdateCheck> check = UpdateCheck::shared();
  check->SetStateCallback([probe = std::make_shared<ReleaseProbe>(released, "update")](int) {});
  check.reset();
  LoginService::shared()->SetReloadCallback(
      [probe = std::make_shared<ReleaseProbe>(released, "login")](const std::wstring&) {});
  RunShutdown();
  EXPECT_EQ(released, (std::vector<std::string>{"login", "update"}));
}

TEST_F(ClientCompositionTest, ServiceMessageBoxReachesTheServiceStartUntilTheCompositionGoes) {
  os::FakeServiceControl control;
  os::FakeService broken;
  broken.queryFails = true;
  control.Add(L"RasMan", broken);
  std::vector<std::wstring> shown;

  auto composition = Compose();
  // Before a window provides it, the failure goes to the log.
  EXPECT_FALSE(EnsureServiceRunning(control, L"RasMan"));
  std::string log;
  ASSERT_TRUE(ReadFileBytes(Paths().logFile, log));
  EXPECT_NE(log.find(text::ToUtf8(kQueryStatusFailedText)), std::string::npos);

  composition->InstallServiceMessageBox([&shown](const std::wstring& text) { shown.push_back(text); });
  EXPECT_FALSE(EnsureServiceRunning(control, L"RasMan"));
  EXPECT_EQ(shown, (std::vector<std::wstring>{kQueryStatusFailedText}));

  // The window that showed it goes with the composition at the latest.
  composition.reset();
  EXPECT_FALSE(EnsureServiceRunning(control, L"RasMan"));
  EXPECT_EQ(shown.size(), 1u);
}

}  // namespace
}  // namespace nimbrook
