// The Windows RAS API behind the seam. The only file that includes the RAS headers.
#include <windows.h>
#include <ras.h>
#include <raserror.h>

#include <algorithm>
#include <cstddef>
#include <mutex>
#include <vector>

#include "core/text.h"
#include "os/ras.h"

namespace nimbrook::os {
namespace {

// The notifier of type 0 has no context argument: the progress function of the latest dial lives here.
std::mutex& ProgressLock() {
  static std::mutex lock;
  return lock;
}
RasProgress& CurrentProgress() {
  static RasProgress progress;
  return progress;
}

VOID WINAPI DialNotifier(UINT, RASCONNSTATE state, DWORD error) {
  RasProgress progress;
  {
    std::lock_guard<std::mutex> guard(ProgressLock());
    progress = CurrentProgress();
  }
  if (progress) progress(static_cast<uint32_t>(state), static_cast<uint32_t>(error));
}

// RAS checks dwSize against the record versions it knows. The record as Windows XP knows it (up to
// dwCallbackId) is accepted by every later version; the Windows 7 record, which this header declares,
// is refused by older systems.
constexpr DWORD kDialParamsSize = static_cast<DWORD>(
    (offsetof(RASDIALPARAMSW, dwCallbackId) + sizeof(ULONG_PTR) + alignof(RASDIALPARAMSW) - 1) /
    alignof(RASDIALPARAMSW) * alignof(RASDIALPARAMSW));
static_assert(kDialParamsSize <= sizeof(RASDIALPARAMSW), "dial parameters");

template <size_t N>
void CopyInto(WCHAR (&field)[N], const std::wstring& value) {
  const size_t count = std::min(value.size(), N - 1);
  std::copy_n(value.data(), count, field);
  field[count] = L'\0';
}

class WinRasEvent final : public RasEvent {
 public:
  WinRasEvent() : handle_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}
  ~WinRasEvent() override {
    if (handle_) CloseHandle(handle_);
  }
  WinRasEvent(const WinRasEvent&) = delete;
  WinRasEvent& operator=(const WinRasEvent&) = delete;

  void Signal() override {
    if (handle_) SetEvent(handle_);
  }
  bool Wait(std::optional<std::chrono::milliseconds> bound) override {
    if (!handle_) return false;
    const DWORD timeout = bound ? static_cast<DWORD>(std::max<long long>(0, bound->count())) : INFINITE;
    return WaitForSingleObject(handle_, timeout) == WAIT_OBJECT_0;
  }
  HANDLE handle() const { return handle_; }

 private:
  HANDLE handle_;
};

class WinRas final : public Ras {
 public:
  uint32_t Dial(const RasDialRequest& request, RasProgress progress, RasConnection& connection) override {
    {
      std::lock_guard<std::mutex> guard(ProgressLock());
      CurrentProgress() = std::move(progress);
    }
    RASDIALPARAMSW params;
    ZeroMemory(&params, sizeof params);
    params.dwSize = kDialParamsSize;
    CopyInto(params.szEntryName, request.entry);
    CopyInto(params.szUserName, request.userName);
    CopyInto(params.szPassword, request.password);
    HRASCONN handle = nullptr;
    const DWORD result = RasDialW(nullptr, request.phonebook.c_str(), &params, 0,
                                  reinterpret_cast<LPVOID>(&DialNotifier), &handle);
    SecureZeroMemory(params.szPassword, sizeof params.szPassword);
    connection = handle;
    return result;
  }

  uint32_t SetCredentials(const std::wstring& phonebook, const std::wstring& entry, const RasCredentials& credentials,
                          bool clear) override {
    RASCREDENTIALSW record;
    ZeroMemory(&record, sizeof record);
    record.dwSize = sizeof record;
    record.dwMask = credentials.mask;
    CopyInto(record.szUserName, credentials.userName);
    CopyInto(record.szPassword, credentials.password);
    const DWORD result = RasSetCredentialsW(phonebook.c_str(), entry.c_str(), &record, clear ? TRUE : FALSE);
    SecureZeroMemory(record.szPassword, sizeof record.szPassword);
    return result;
  }

  uint32_t HangUp(RasConnection connection) override {
    return RasHangUpW(static_cast<HRASCONN>(connection));
  }

  bool IsKnown(RasConnection connection) override {
    RASCONNSTATUSW status;
    ZeroMemory(&status, sizeof status);
    status.dwSize = sizeof status;
    return RasGetConnectStatusW(static_cast<HRASCONN>(connection), &status) != ERROR_INVALID_HANDLE;
  }

  std::wstring ErrorString(uint32_t error) override {
    WCHAR buffer[256] = {};
    if (RasGetErrorStringW(error, buffer, 256) != 0) return std::wstring();
    buffer[255] = L'\0';
    return buffer;
  }

  uint32_t NotifyOnDisconnection(RasConnection connection, RasEvent& event) override {
    auto* win = dynamic_cast<WinRasEvent*>(&event);
    if (!win || !win->handle()) return ERROR_INVALID_HANDLE;
    return RasConnectionNotificationW(static_cast<HRASCONN>(connection), win->handle(), RASCN_Disconnection);
  }

  std::optional<std::string> LocalAddress(RasConnection connection) override {
    RASPPPIPA projection;
    ZeroMemory(&projection, sizeof projection);
    projection.dwSize = sizeof projection;
    DWORD size = sizeof projection;
    if (RasGetProjectionInfoA(static_cast<HRASCONN>(connection), RASP_PppIp, &projection, &size) != 0) {
      return std::nullopt;
    }
    projection.szIpAddress[RAS_MaxIpAddress] = '\0';
    return std::string(projection.szIpAddress);
  }

  std::unique_ptr<RasEvent> MakeEvent() override { return std::make_unique<WinRasEvent>(); }
};

}  // namespace

Ras& SystemRas() {
  static WinRas ras;
  return ras;
}

}  // namespace nimbrook::os
