#include "account/login_service.h"

#include <cstdio>
#include <exception>
#include <thread>
#include <utility>

#include "account/descriptor.h"
#include "account/login_encoding.h"
#include "build_config.h"
#include "core/languages.h"
#include "core/log.h"
#include "core/settings.h"
#include "core/startup.h"
#include "core/text.h"
#include "http/http_client.h"
#include "os/profile_file.h"

namespace nimbrook {
namespace {

std::mutex& EndpointLock() {
  static std::mutex lock;
  return lock;
}

std::wstring& EndpointValue() {
  static std::wstring value = DefaultLoginEndpoint();
  return value;
}

std::mutex& SingletonLock() {
  static std::mutex lock;
  return lock;
}

std::shared_ptr<LoginService>& SingletonValue() {
  static std::shared_ptr<LoginService> value;
  return value;
}

// True when the answer holds a "|" and the text before the first one contains "yes".
bool IsAccepted(const std::wstring& answer) {
  const size_t bar = answer.find(L'|');
  return bar != std::wstring::npos && answer.substr(0, bar).find(L"yes") != std::wstring::npos;
}

}  // namespace

std::wstring DefaultLoginEndpoint() {
  return text::AsciiToWide("http://" NIMBROOK_SERVICE_HOST) + kLoginEndpointPath;
}

std::wstring LoginEndpoint() {
  std::lock_guard<std::mutex> guard(EndpointLock());
  return EndpointValue();
}

void SetLoginEndpoint(const std::wstring& url) {
  std::lock_guard<std::mutex> guard(EndpointLock());
  EndpointValue() = url;
}

LoginService::LoginService(Settings& settings, os::ProfileFiles& profile, HttpClient* http)
    : urlList(LoginEndpoint()), settings_(settings), profile_(profile), http_(http) {}

HttpClient& LoginService::Http() const { return http_ != nullptr ? *http_ : ProcessHttpClient(); }

std::shared_ptr<LoginService> LoginService::shared() {
  std::lock_guard<std::mutex> guard(SingletonLock());
  std::shared_ptr<LoginService>& value = SingletonValue();
  if (!value) {
    value = std::make_shared<LoginService>(ClientSettings(), os::SystemProfile());
    RegisterShutdownStep(ShutdownStage::LoginService, [] { LoginService::Release(); });
  }
  return value;
}

LoginService* LoginService::instance() { return shared().get(); }

void LoginService::Release() {
  std::shared_ptr<LoginService> old;
  {
    std::lock_guard<std::mutex> guard(SingletonLock());
    old.swap(SingletonValue());
  }
  // old goes here, or with the last worker that still holds it.
}

void LoginService::SetEndpointLists(const EndpointLists& lists) {
  std::lock_guard<std::mutex> guard(lock_);
  lists_ = lists;
}

EndpointLists LoginService::EndpointListsCopy() const {
  std::lock_guard<std::mutex> guard(lock_);
  return lists_;
}

bool LoginService::StartLogin() {
  std::shared_ptr<LoginService> self = weak_from_this().lock();
  try {
    if (self) {
      std::thread([self] { LoginWorker(self); }).detach();
    } else {
      std::thread([this] { LoginWorker(this); }).detach();
    }
    return true;
  } catch (const std::exception&) {
    WriteLog(L"登录线程无法启动");
    Notify(kLoginFailed, kLoginFailedCode, FailureText());
    return false;
  }
}

void LoginService::LoginWorker(const std::shared_ptr<LoginService>& service) { LoginWorker(service.get()); }

void LoginService::LoginWorker(LoginService* service) {
  if (service == nullptr) return;
  service->Notify(kLoginRunning, kLoginRunningCode, Text(kLoggingInTextId));
  service->Login();
  if (service->State() == kLoginSucceeded) {
    service->Notify(kLoginSucceeded, kLoginSucceededCode, L"");
  } else {
    service->Notify(kLoginFailed, kLoginFailedCode, service->FailureText());
  }
}

void LoginService::Notify(int32_t newState, int32_t newCode, const std::wstring& newMessage) {
  Publish(newCode, newMessage, [this, newState] { SetState(newState); });
}

void LoginService::SetState(int32_t newState) {
  std::lock_guard<std::mutex> guard(lock_);
  state = newState;
}

void LoginService::Login() {
  const EndpointLists lists = EndpointListsCopy();
  {
    // An answer left by an earlier attempt must never open the main window for this one.
    std::lock_guard<std::mutex> guard(lock_);
    answer.clear();
    identity_.reset();
  }
  if (lists.fresh.plain.empty() && lists.local.plain.empty()) {
    WriteLog(L"无法获取任何loginUrl信息");
    SetState(kLoginFailed);
    return;
  }
  std::wstring pending;
  bool done = false;
  if (!lists.fresh.plain.empty() && lists.fresh.plain != lists.local.plain) {
    pending = lists.fresh.enciphered;
    if (LoginOverList(lists.fresh.plain) == 0) {
      SetState(kLoginSucceeded);
      done = true;
    }
  }
  if (!done) {
    if (lists.local.plain.empty()) {
      WriteLog(L"无法获取本地LoginUrl信息");
      SetState(kLoginFailed);
      return;
    }
    if (LoginOverList(lists.local.plain) == 0) {
      SetState(kLoginSucceeded);
      pending = lists.local.enciphered;
    } else {
      SetState(kLoginFailed);
    }
    if (pending.empty()) pending = lists.local.enciphered;
  }
  if (!pending.empty()) WriteLoginUrl(pending);
}

void LoginService::WriteLoginUrl(const std::wstring& enciphered) {
  if (!profile_.WriteString(DescriptorPath(), kDescriptorUrlSection, L"loginURL", enciphered)) {
    WriteLog(L"无法写入version.ini的loginURL");
  }
}

std::string LoginService::ParameterText() {
  const LoginValues values = settings_.ForLogin();
  IdentityTexts identity;
  bool taken = false;
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (identity_) {
      identity = *identity_;
      taken = true;
    }
  }
  if (!taken) {
    // Waits for the collector at most identityWaitBound_; without it the identity fields go empty.
    identity = settings_.Identity(identityWaitBound_);
    std::lock_guard<std::mutex> guard(lock_);
    identity_ = identity;
  }
  LoginFields fields;
  fields.username = values.username;
  fields.password = values.password;
  fields.locale = text::ToAnsi(CurrentLanguage());
  fields.source = values.source;
  fields.cpusn = identity.processorId;
  fields.macaddress = identity.adapterAddress;
  fields.harddisksn = identity.diskSerial;
  fields.systemver = identity.systemDescription;
  return LoginParameterText(fields);
}

int32_t LoginService::LoginOverList(const std::wstring& list) {
  int32_t result = 0;
  bool accepted = false;
  std::wstring lastAnswer;  // the last non-empty answer text of this walk
  size_t position = 0;
  bool last = false;
  while (!last) {
    const size_t separator = list.find(L';', position);
    std::wstring url;
    if (separator == std::wstring::npos) {
      url = list.substr(position);
      last = true;
    } else {
      url = list.substr(position, separator - position);
      position = separator + 1;
    }
    WriteLog(L"登录服务器 " + (url.size() > 10 ? url.substr(10) : std::wstring()));

    const std::string body = LoginBody(ParameterText());
    SessionSlot slot;
    std::wstring response;
    result = Http().PostForm(response, slot, url, body);
    char number[16];
    std::snprintf(number, sizeof number, "%u", static_cast<unsigned>(result));
    WriteLog(L"dwRet:" + text::AsciiToWide(number));

    if (result == 0 && response.empty()) result = 1;
    if (result == 0) {
      lastAnswer = response;
      if (response.find(L'|') != std::wstring::npos) {
        if (IsAccepted(response)) {
          std::lock_guard<std::mutex> guard(lock_);
          answer = response;
          urlList = list;
          SetLoginEndpoint(url);
          accepted = true;
        } else {
          result = 1;
        }
        Http().ReleaseSession(slot);
        break;
      }
      // An answer without "|" is no login answer: it is not kept, and the next URL is tried.
    }
    Http().ReleaseSession(slot);
  }
  if (accepted) return 0;
  // Only an accepted answer counts as success: a walk that ends after an answer without "|" has
  // no account data and is reported as not accepted.
  if (result == 0) result = 1;
  if (result == 1) {
    const size_t bar = lastAnswer.find(L'|');
    if (bar != std::wstring::npos) {
      std::lock_guard<std::mutex> guard(lock_);
      failureText = lastAnswer.substr(bar + 1);
    }
  }
  return result;
}

std::wstring LoginService::Answer() const {
  std::lock_guard<std::mutex> guard(lock_);
  return answer;
}

std::wstring LoginService::UrlList() const {
  std::lock_guard<std::mutex> guard(lock_);
  return urlList;
}

std::wstring LoginService::FailureText() const {
  std::lock_guard<std::mutex> guard(lock_);
  return failureText;
}

int32_t LoginService::State() const {
  std::lock_guard<std::mutex> guard(lock_);
  return state;
}

void LoginService::SetReloadCallback(ReloadCallback callback) {
  std::lock_guard<std::mutex> guard(lock_);
  reloadCallback_ = std::move(callback);
}

bool LoginService::ReloadAccount() {
  const LoginValues values = settings_.ForLogin();
  const std::string body =
      ReloadBody(ReloadParameterText(values.username, values.password, text::ToAnsi(CurrentLanguage())));
  SessionSlot slot;
  std::wstring response;
  const int result = Http().PostForm(response, slot, LoginEndpoint(), body);
  bool delivered = false;
  if (result == 0 && IsAccepted(response)) {
    ReloadCallback callback;
    {
      std::lock_guard<std::mutex> guard(lock_);
      callback = reloadCallback_;
    }
    if (callback) {
      callback(response);
      delivered = true;
    }
  }
  Http().ReleaseSession(slot);
  return delivered;
}

std::string LoginService::EncodeCredentials() const {
  const LoginValues values = settings_.ForLogin();
  return CredentialToken(values.username, values.password);
}

}  // namespace nimbrook
