// Test stand-in for "openvpn.exe": a console program that behaves, on its console, like OpenVPN 2.6
// started by the client. It accepts only the client's command lines, asks for the user name and the
// password (recording the answers in "auth.txt" beside it), then plays the scenario named in
// "scenario.txt" beside it and ends when "nimbrookjsq_exit_event" is set.
// Scenarios: success (default), drop, error, inactivity, early-exit, ignore-exit.
// "--show-adapters" lists one adapter when "tap_installed.txt" lies beside it, none otherwise.
#include <windows.h>

#include <cstdio>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>

namespace {

const wchar_t kConnectCommandLine[] = L"openvpn.exe  --config client.ovpn --service nimbrookjsq_exit_event 0";
const wchar_t kShowAdaptersCommandLine[] = L"openvpn.exe --show-adapters";
const char kAdapterGuid[] = "{3E7A3B1C-9F2D-4C2B-9B3C-5C2D4E6F7A8B}";

// One write per call, so the reader sees the lines as separately as OpenVPN's would come.
void Out(const std::string& text) {
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

std::string Stamp() {
  char buffer[32];
  const std::time_t now = std::time(nullptr);
  std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M:%S ", std::localtime(&now));
  return buffer;
}

void Line(const std::string& text) { Out(Stamp() + text + "\r\n"); }

bool FileExists(const char* name) {
  const DWORD attributes = GetFileAttributesA(name);
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string ReadWord(const char* name, const std::string& fallback) {
  std::ifstream in(name);
  std::string word;
  if (!(in >> word)) return fallback;
  return word;
}

// The bytes of one answer, up to and including its "\n" (raw, as the client wrote them).
std::string ReadAnswer() {
  std::string answer;
  char c = 0;
  DWORD got = 0;
  while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), &c, 1, &got, nullptr) && got == 1) {
    answer += c;
    if (c == '\n') break;
  }
  return answer;
}

std::string Narrow(const std::wstring& wide) {
  std::string out;
  for (wchar_t c : wide) out += c < 128 ? static_cast<char>(c) : '?';
  return out;
}

void Banner() {
  Line("Note: Treating option '--ncp-ciphers' as  '--data-ciphers' (>= OpenVPN 2.5).");
  Line("OpenVPN 2.6.14 [git:v2.6.14/0c1c8a6e] Windows [SSL (OpenSSL)] [LZO] [LZ4] [PKCS11] [AEAD] [DCO] "
       "built on Mar 20 2025");
  Line("Windows version 10.0 (Windows 10 or greater), amd64 executable");
  Line("library versions: OpenSSL 3.4.1 11 Feb 2025, LZO 2.10");
  Line("DCO version: 1.2.1");
}

void UpLines() {
  Line("TCP/UDP: Preserving recently used remote address: [AF_INET]198.51.100.4:1194");
  Line("UDPv4 link local: (not bound)");
  Line("UDPv4 link remote: [AF_INET]198.51.100.4:1194");
  Line("[server] Peer Connection Initiated with [AF_INET]198.51.100.4:1194");
  Line("TAP-WIN32 device [Local Area Connection 2] opened: \\\\.\\Global\\" + std::string(kAdapterGuid) + ".tap");
  Line("Set TAP-Windows TUN subnet mode network/local/netmask = 10.8.0.0/10.8.0.6/255.255.255.0 [SUCCEEDED]");
  Line("Notified TAP-Windows driver to set a DHCP IP/netmask of 10.8.0.6/255.255.255.0 on interface " +
       std::string(kAdapterGuid) + " [DHCP-serv: 10.8.0.254, lease-time: 31536000]");
  Sleep(100);
  Line("Initialization Sequence Completed");
}

int ShowAdapters() {
  Out("Available adapters [name, GUID, driver]:\r\n");
  if (FileExists("tap_installed.txt")) Out("'Local Area Connection 2' " + std::string(kAdapterGuid) + " tap-windows6\r\n");
  return 0;
}

// Waits for the exit event; returns when it is set.
void AwaitExitEvent(HANDLE exitEvent) {
  WaitForSingleObject(exitEvent, INFINITE);
  Line("SIGTERM[hard,] received, process exiting");
}

}  // namespace

int main() {
  const std::wstring commandLine = GetCommandLineW();
  if (commandLine == kShowAdaptersCommandLine) return ShowAdapters();
  if (commandLine != kConnectCommandLine) {
    Out("Options error: unexpected command line: " + Narrow(commandLine) + "\r\n");
    Out("Use --help for more information.\r\n");
    return 1;
  }
  if (!FileExists("client.ovpn")) {
    Out("Options error: In [CMD-LINE]:1: Error opening configuration file: client.ovpn\r\n");
    return 1;
  }
  // OpenVPN creates the event when the client has not: either way both hold the same one.
  HANDLE exitEvent = CreateEventW(nullptr, TRUE, FALSE, L"nimbrookjsq_exit_event");
  if (!exitEvent) {
    Out("CreateEvent failed on exit event: nimbrookjsq_exit_event\r\n");
    return 1;
  }
  const std::string scenario = ReadWord("scenario.txt", "success");

  Banner();
  Out("Enter Auth Username:");
  const std::string username = ReadAnswer();
  Out("Enter Auth Password:");
  const std::string password = ReadAnswer();
  {
    std::ofstream auth("auth.txt", std::ios::binary);
    auth << username << password;
  }

  if (scenario == "early-exit") {
    Line("AUTH: Received control message: AUTH_FAILED");
    Line("SIGTERM[soft,auth-failure] received, process exiting");
    return 1;
  }
  if (scenario == "error") {
    Line("TCP/UDP: Preserving recently used remote address: [AF_INET]198.51.100.4:1194");
    Line("TLS Error: TLS key negotiation failed to occur within 60 seconds (check your network connectivity)");
    AwaitExitEvent(exitEvent);
    return 0;
  }
  if (scenario == "inactivity") {
    Line("TCP/UDP: Preserving recently used remote address: [AF_INET]198.51.100.4:1194");
    int reports = 0;
    while (WaitForSingleObject(exitEvent, 300) != WAIT_OBJECT_0) {
      Line("[server] Inactivity timeout (--ping-restart), restarting");
      std::ofstream("inactivity_reports.txt") << ++reports;
    }
    Line("SIGTERM[hard,] received, process exiting");
    return 0;
  }

  UpLines();
  if (scenario == "drop") {
    Sleep(300);
    Line("Connection reset, restarting [0]");
    Line("SIGTERM[soft,connection-reset] received, process exiting");
    return 1;
  }
  if (scenario == "ignore-exit") {
    // Keeps running whatever happens to the exit event; only being ended by force stops it.
    for (;;) Sleep(1000);
  }
  AwaitExitEvent(exitEvent);
  CloseHandle(exitEvent);
  return 0;
}
