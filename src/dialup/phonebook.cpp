#include "dialup/phonebook.h"

#include "core/file_io.h"
#include "core/paths.h"
#include "tunnel/protocol.h"

namespace nimbrook {
namespace {

bool CanRead(const std::wstring& path) { return FileExists(path) && static_cast<bool>(OpenFile(path, "rb")); }

void Log(const std::function<void(const std::wstring&)>& log, const std::wstring& line) {
  if (log) log(line);
}

}  // namespace

std::wstring PhoneNumberFor(int32_t protocol, const std::wstring& host, const std::wstring& port) {
  // An empty port would leave "host:", which no server answers; SSTP's default port is implied.
  if (protocol != kProtocolSstp || port == L"443" || port == L"1" || port.empty()) return host;
  return host + L":" + port;
}

bool IsSafePhonebookValue(const std::wstring& value) {
  for (wchar_t c : value) {
    if (c < 0x20 || c == 0x7F || c == L'[' || c == L']') return false;
  }
  return true;
}

std::wstring PhonebookTemplatePath(const std::wstring& configDir) { return JoinPath(configDir, kPhonebookTemplateName); }
std::wstring WorkingPhonebookPath(const std::wstring& configDir) { return JoinPath(configDir, kWorkingPhonebookName); }

bool ConfigPhonebook(os::ProfileFiles& profile, const std::wstring& configDir, const PhonebookTarget& target,
                     const std::function<void(const std::wstring&)>& log, std::wstring& entry) {
  const std::wstring templatePath = PhonebookTemplatePath(configDir);
  const std::wstring phonebook = WorkingPhonebookPath(configDir);
  Log(log, L"模板文件：" + templatePath);
  Log(log, L"PBK文件：" + phonebook);

  entry = DialUpEntryName(target.protocol);
  if (entry.empty()) {
    Log(log, L"协议" + std::to_wstring(target.protocol) + L"没有拨号条目");
    return false;
  }
  // The server address comes from the service's list: a line break in it would write keys of its own
  // (a dial DLL, say) into the entry.
  if (target.host.empty() || !IsSafePhonebookValue(target.host) || !IsSafePhonebookValue(target.port)) {
    Log(log, L"服务器地址不能写入电话簿");
    return false;
  }

  if (!CanRead(templatePath)) return false;
  std::string bytes;
  if (!ReadFileBytes(templatePath, bytes) || !WriteFileBytes(phonebook, bytes)) {
    Log(log, L"创建配置文件" + phonebook + L"失败");
    return false;
  }
  if (!CanRead(phonebook)) return false;

  if (target.useLocalDns) (void)profile.WriteString(phonebook, entry, kDnsAddressKey, kLocalDnsAddress);
  return profile.WriteString(phonebook, entry, kPhoneNumberKey, PhoneNumberFor(target.protocol, target.host, target.port));
}

}  // namespace nimbrook
