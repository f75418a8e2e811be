// The login exchange: the LoginService singleton walks the login endpoint lists on a worker thread,
// one form POST per URL, keeps "version.ini"'s loginURL pointed at the list that served, and reports
// progress to the login window through its observers. Also the account reload and credential token.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "core/settings.h"
#include "tunnel/state_subject.h"

namespace nimbrook {

class HttpClient;

namespace os {
class ProfileFiles;
}

// Notification codes and states of a login.
inline constexpr int32_t kLoginRunningCode = 14;    // state 1, message = text of "str_loging"
inline constexpr int32_t kLoginSucceededCode = 15;  // state 3, message empty
inline constexpr int32_t kLoginFailedCode = 16;     // state 2, message = failureText
inline constexpr int32_t kLoginIdle = 0;
inline constexpr int32_t kLoginRunning = 1;
inline constexpr int32_t kLoginFailed = 2;
inline constexpr int32_t kLoginSucceeded = 3;

inline constexpr wchar_t kLoggingInTextId[] = L"str_loging";
inline constexpr wchar_t kLoginEndpointPath[] = L"/clogin.php";

// How long a login waits for the identity collector before it sends empty identity texts.
inline constexpr std::chrono::milliseconds kIdentityWaitBound{20000};

// The process-wide login endpoint: "http://" + service host + "/clogin.php" until a login is
// accepted, then the URL that accepted it. Safe to read and set from any thread.
std::wstring LoginEndpoint();
void SetLoginEndpoint(const std::wstring& url);
std::wstring DefaultLoginEndpoint();

// One login endpoint list: URLs separated by ";", and the enciphered text it was read from.
struct EndpointList {
  std::wstring plain;
  std::wstring enciphered;
};

// The installed descriptor's list (local) and the freshly downloaded one (fresh).
struct EndpointLists {
  EndpointList local;
  EndpointList fresh;
};

// Unlike a walk that takes any answer without "|" for success, a login here succeeds only with an
// accepted answer (status containing "yes" before the first "|") received during this login:
// `answer` is cleared when a login starts and set only by an accepted answer, and a walk that ends
// without one is reported as failed (code 16). A refused answer is never kept in `answer`, so the
// login window can never open the main window from an earlier or a refused attempt. The requests,
// the order of URLs and lists, the log lines and the codes 14/15/16 are otherwise unchanged.
class LoginService : public StateSubject, public std::enable_shared_from_this<LoginService> {
 public:
  // The service reads the login values and identity from settings and writes "version.ini" through
  // profile into the process's configuration directory. Its form POSTs go through http, or through
  // the process's HTTP client (looked up at each request) when http is null.
  LoginService(Settings& settings, os::ProfileFiles& profile, HttpClient* http = nullptr);
  LoginService(const LoginService&) = delete;
  LoginService& operator=(const LoginService&) = delete;

  // The singleton over the client's settings and the system profile API, created on first use; its
  // release is registered as a shutdown step. A worker still running keeps it alive until it ends.
  // The client itself does not use it: its composition creates the service and hands it on.
  static LoginService* instance();
  static std::shared_ptr<LoginService> shared();
  // Forgets the singleton (the shutdown step); nothing when it does not exist.
  static void Release();

  // The lists the next logins walk (given by the update check).
  void SetEndpointLists(const EndpointLists& lists);
  EndpointLists EndpointListsCopy() const;

  // Starts LoginWorker on a detached thread and returns. A service owned by a shared_ptr (the
  // singleton) is kept alive by the worker; any other must outlive it. False only when no thread
  // could be started (then code 16 has been sent, so the login window never waits for nothing).
  bool StartLogin();

  // The worker: Notify(1, 14, "str_loging" text), Login(), then Notify(3, 15, "") when state is 3 or
  // Notify(2, 16, failureText) otherwise. Nothing when service is null.
  static void LoginWorker(const std::shared_ptr<LoginService>& service);
  static void LoginWorker(LoginService* service);

  // Chooses the list (fresh before local), walks it and writes the list that served (or the fresh
  // one when both failed) to "version.ini" section "URL" key loginURL. Sets state 3 or 2.
  void Login();

  // Walks list URL by URL: 0 accepted, 1 refused or no usable answer, other values PostForm results.
  // A refusal stops the walk; transport failures, empty answers and answers without "|" move on.
  int32_t LoginOverList(const std::wstring& list);

  // Sets state, then code and message (together, under the subject's delivery lock), and calls the
  // observers on the calling thread.
  void Notify(int32_t newState, int32_t newCode, const std::wstring& newMessage);

  // Readers (copies, under the service's lock).
  std::wstring Answer() const;
  std::wstring UrlList() const;
  std::wstring FailureText() const;
  int32_t State() const;

  // The account reload: posts the reload body to the login endpoint; an accepted answer ("yes"
  // status before a "|") goes to the callback. True when it was accepted and delivered.
  using ReloadCallback = std::function<void(const std::wstring& answer)>;
  void SetReloadCallback(ReloadCallback callback);
  bool ReloadAccount();

  // EncodeParams("username=u;password=p") of the current settings.
  std::string EncodeCredentials() const;

  // How long a login waits for the identity texts (tests shorten it).
  void SetIdentityWaitBound(std::chrono::milliseconds bound) { identityWaitBound_ = bound; }

  // The fields. Written by the login worker; read them through the readers above while a login runs.
  std::wstring urlList;      // the list that accepted the last login; at first the login endpoint
  int32_t state = kLoginIdle;
  std::wstring answer;       // the accepted answer of the current login; empty otherwise
  std::wstring failureText;  // the text after the first "|" of the last refused answer

 private:
  std::string ParameterText();
  void WriteLoginUrl(const std::wstring& enciphered);
  void SetState(int32_t newState);
  HttpClient& Http() const;

  Settings& settings_;
  os::ProfileFiles& profile_;
  HttpClient* http_;
  std::chrono::milliseconds identityWaitBound_ = kIdentityWaitBound;
  mutable std::mutex lock_;  // guards the fields, the lists and the callback
  EndpointLists lists_;
  std::optional<IdentityTexts> identity_;  // taken once per login: the collector is waited for once
  ReloadCallback reloadCallback_;
};

}  // namespace nimbrook
