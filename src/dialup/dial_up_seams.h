// Everything the dial-up engines use from outside: RAS, the profile API, the Windows services, the
// route steps, the account settings, the system facts, the language and the log. The client binds
// them to the real ones (DefaultDialUpSeams); tests pass fakes and short time limits.
#pragma once

#include <chrono>
#include <functional>
#include <string>

#include "os/profile_file.h"
#include "os/ras.h"

namespace nimbrook {

// The account values a dial needs, as the settings hold them (ANSI text).
struct DialUpAccount {
  std::string username;
  std::string password;
  std::string useDns;  // "true" gives the connection the local DNS server
};

struct DialUpSeams {
  os::Ras* ras = nullptr;
  os::ProfileFiles* profile = nullptr;
  std::wstring configDir;  // with its trailing separator

  std::function<bool(const std::wstring& service)> ensureService;
  std::function<void(bool china)> addRoute;
  std::function<bool()> deleteRoute;
  std::function<DialUpAccount()> account;
  std::function<bool()> l2tpIpsecEnabled;
  std::function<bool()> isModernWindows;
  std::function<bool()> importRootCertificate;
  std::function<std::wstring(const std::wstring& id)> text;  // language lookup
  std::function<void(const std::wstring& line)> log;

  // How long the connect worker waits for dialling to end.
  std::chrono::milliseconds dialTimeout{30000};
  // After a hang-up RAS needs a moment to release the port: the engine waits until RAS no longer knows
  // the connection, checking every hangUpPoll, for at most hangUpSettle.
  std::chrono::milliseconds hangUpSettle{3000};
  std::chrono::milliseconds hangUpPoll{50};
};

// The client's bindings: the system's RAS and profile API, the process paths' configuration
// directory, EnsureServiceRunning with the registered message box, AddRoute/DeleteRoute, the client
// settings, the l2tpIpsecEnabled flag, IsModernWindows, ImportRootCertificate, Text and WriteLog.
DialUpSeams DefaultDialUpSeams();

// Binds addRoute and deleteRoute to the route steps of the route tables.
void BindRouteSteps(DialUpSeams& seams);

}  // namespace nimbrook
