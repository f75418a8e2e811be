#include "update/update_check.h"

#include <cstdio>
#include <thread>
#include <utility>

#include "account/descriptor.h"
#include "build_config.h"
#include "core/file_io.h"
#include "core/log.h"
#include "core/paths.h"
#include "core/release_names.h"
#include "core/startup.h"
#include "core/text.h"
#include "http/http_client.h"
#include "os/file_replace.h"
#include "os/profile_file.h"

namespace nimbrook {
namespace {

constexpr wchar_t kVersionUrlKey[] = L"versionURL";
constexpr wchar_t kLoginUrlKey[] = L"loginURL";
constexpr wchar_t kDownloadUrlKey[] = L"downloadURL";
// The whole URL section of a descriptor (the profile API's largest section block).
constexpr size_t kUrlSectionCapacity = 32767;
constexpr wchar_t kDownloadSuffix[] = L".download";

void RemoveIfExists(const std::wstring& path) {
  if (FileExists(path)) (void)RemoveFile(path);
}

// A descriptor the check can work from: its versionURL and loginURL can be read. An empty answer or
// a captive portal's HTML page has neither.
bool IsUsableDescriptor(os::ProfileFiles& profile, const std::wstring& file) {
  return ReadDescriptorValue(profile, file, kVersionUrlKey, kUpdateCheckMarker, kUpdateCheckValueCapacity) &&
         ReadDescriptorEntry(profile, file, kLoginUrlKey, kUpdateCheckMarker, kUpdateCheckValueCapacity);
}

// Not a descriptor at all: neither address can be read (an empty answer or a portal page that an
// earlier start kept). A descriptor that lacks only one of them is left as it is.
bool IsNotADescriptor(os::ProfileFiles& profile, const std::wstring& file) {
  return !ReadDescriptorValue(profile, file, kVersionUrlKey, kUpdateCheckMarker, kUpdateCheckValueCapacity) &&
         !ReadDescriptorEntry(profile, file, kLoginUrlKey, kUpdateCheckMarker, kUpdateCheckValueCapacity);
}

// What stands in the way of placing a release file at programDir + name: an installed directory of
// that name, or an installed file where the name needs a directory. The updater could never replace
// such a name, so the check does not list it.
bool BlockedOnDisk(const std::wstring& programDir, const std::wstring& rel) {
  const std::wstring target = JoinPath(programDir, rel);
  if (DirectoryExists(target)) return true;
  for (size_t sep = rel.find(kPathSeparator); sep != std::wstring::npos; sep = rel.find(kPathSeparator, sep + 1)) {
    const std::wstring parent = JoinPath(programDir, rel.substr(0, sep));
    if (FileExists(parent)) return true;
  }
  return false;
}

std::mutex& SingletonLock() {
  static std::mutex lock;
  return lock;
}

std::shared_ptr<UpdateCheck>& SingletonValue() {
  static std::shared_ptr<UpdateCheck> value;
  return value;
}

}  // namespace

void FillFileMap(const std::vector<std::wstring>& lines, FileMap& map) {
  for (std::wstring line : lines) {
    if (line.size() > kFilesLineCapacity) line.resize(kFilesLineCapacity);
    const size_t equals = line.find(L'=');
    if (equals == std::wstring::npos) {
      map.emplace(line, line);
    } else {
      map.emplace(line.substr(0, equals), line.substr(equals + 1));
    }
  }
}

UpdateCheck::UpdateCheck(os::ProfileFiles& profile, Downloader download, std::wstring defaultDescriptorUrl,
                         UpdateDirectories directories, EndpointSink sink)
    : profile_(profile),
      download_(std::move(download)),
      defaultDescriptorUrl_(std::move(defaultDescriptorUrl)),
      dirs_(std::move(directories)),
      sink_(std::move(sink)),
      descriptorUrlList_(defaultDescriptorUrl_) {}

std::shared_ptr<UpdateCheck> UpdateCheck::shared() {
  std::lock_guard<std::mutex> guard(SingletonLock());
  auto& value = SingletonValue();
  if (!value) {
    value = std::make_shared<UpdateCheck>(
        os::SystemProfile(),
        [](const std::wstring& url, const std::wstring& path) { return DownloadWithRetry(url, path); },
        text::AsciiToWide(NIMBROOK_DEFAULT_DESCRIPTOR_URL),
        UpdateDirectories{Paths().programDir, Paths().configDir},
        [](const EndpointLists& lists) {
          if (LoginService* service = LoginService::instance()) service->SetEndpointLists(lists);
        });
    RegisterShutdownStep(ShutdownStage::UpdateCheck, [] { UpdateCheck::Release(); });
  }
  return value;
}

UpdateCheck* UpdateCheck::instance() { return shared().get(); }

void UpdateCheck::Release() {
  std::shared_ptr<UpdateCheck> old;
  {
    std::lock_guard<std::mutex> guard(SingletonLock());
    old.swap(SingletonValue());
  }
}

void UpdateCheck::SetStateCallback(StateCallback callback) {
  std::lock_guard<std::mutex> guard(mutex_);
  callback_ = std::move(callback);
}

void UpdateCheck::SetState(int state) {
  state_.store(state);
  StateCallback callback;
  {
    std::lock_guard<std::mutex> guard(mutex_);
    callback = callback_;
  }
  if (callback) callback(state);
}

EndpointLists UpdateCheck::EndpointListsCopy() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return lists_;
}

std::wstring UpdateCheck::DescriptorFile() const { return JoinPath(dirs_.configDir, kDescriptorFileName); }
std::wstring UpdateCheck::NewDescriptorFile() const { return JoinPath(dirs_.configDir, kNewDescriptorFileName); }
std::wstring UpdateCheck::UpdateListFile() const { return JoinPath(dirs_.configDir, kUpdateListFileName); }
std::wstring UpdateCheck::OfferedListFile() const { return JoinPath(dirs_.configDir, kOfferedListFileName); }
std::wstring UpdateCheck::UpdaterPath() const { return JoinPath(dirs_.programDir, kUpdaterFileName); }

bool UpdateCheck::StartCheckThread(std::shared_ptr<UpdateCheck> check) {
  if (!check) return false;
  try {
    std::thread([check] { check->Run(); }).detach();
    return true;
  } catch (...) {
    check->SetState(kUpdateCheckFailed);
    RemoveIfExists(check->UpdateListFile());
    RemoveIfExists(check->NewDescriptorFile());
    return false;
  }
}

void UpdateCheck::Run() {
  // The updater removes both hand-over files when its run fails; a subscriber who declined the update
  // leaves them in place. Only the first case marks the update handed over last time as failed.
  const bool handedOverAndFailed =
      FileExists(OfferedListFile()) && !FileExists(UpdateListFile()) && !FileExists(NewDescriptorFile());
  int finalState = kUpdateCheckFailed;
  if (!Check()) {
    RemoveIfExists(UpdateListFile());
    RemoveIfExists(NewDescriptorFile());
  } else {
    bool updaterReady = true;
    if (updaterChanged_) {
      SetState(kUpdateReplacingUpdater);
      updaterReady = DownloadUpdater();
    }
    if (filesChanged_ && handedOverAndFailed && SameAsOffered()) {
      // The very update the updater failed to apply last time (a file the service does not serve, a
      // file that cannot be replaced): this start goes on to the login instead of offering it again,
      // the next one offers it again.
      WriteLog(L"上次更新失败，本次跳过更新");
      RemoveIfExists(UpdateListFile());
      RemoveIfExists(NewDescriptorFile());
      RemoveIfExists(OfferedListFile());
      finalState = kUpdateCheckFailed;
    } else if (filesChanged_) {
      // "update.ini" and "new_version.ini" stay for the updater; a copy of the list remembers what
      // was offered.
      std::string list;
      if (!ReadFileBytes(UpdateListFile(), list) || !WriteFileBytes(OfferedListFile(), list)) {
        RemoveIfExists(OfferedListFile());
      }
      finalState = kUpdateNeeded;
    } else {
      RemoveIfExists(OfferedListFile());
      if (updaterReady) {
        if (updaterChanged_) SetState(kUpdateUpdaterReplaced);
        InstallNewDescriptor();
      } else {
        // The installed descriptor stays, so the next start checks again.
        RemoveIfExists(NewDescriptorFile());
      }
      RemoveIfExists(UpdateListFile());
      finalState = kUpdateNothing;
    }
  }
  currentFiles_.clear();
  newFiles_.clear();
  // The login endpoints are in place before the window can see a final state and open the login
  // window.
  if (sink_) sink_(EndpointListsCopy());
  SetState(finalState);
}

bool UpdateCheck::SameAsOffered() const {
  std::string offered, list;
  return ReadFileBytes(OfferedListFile(), offered) && ReadFileBytes(UpdateListFile(), list) && offered == list;
}

void UpdateCheck::InstallNewDescriptor() {
  const std::wstring fresh = NewDescriptorFile();
  if (!FileExists(fresh)) return;
  if (!os::ReplaceFileAtomically(fresh, DescriptorFile())) WriteLog(L"重命名文件 new_version.ini失败");
}

bool UpdateCheck::AcceptDescriptor(const std::wstring& path) const {
  const SignatureStatus status = trust_.CheckDescriptor(path);
  if (status == SignatureStatus::kValid) return true;
  WriteLog(L"下载的version.ini签名无效: " + text::AsciiToWide(SignatureReason(status)));
  return false;
}

bool UpdateCheck::DownloadFromList(const std::wstring& urlList, const std::wstring& path) {
  size_t start = 0;
  while (start <= urlList.size()) {
    size_t end = urlList.find(L';', start);
    if (end == std::wstring::npos) end = urlList.size();
    const std::wstring item = urlList.substr(start, end - start);
    if (!item.empty()) {
      // The item without its scheme ("http://www" is ten characters); a short item is shown whole.
      WriteLog(L"下载version " + (item.size() > 10 ? item.substr(10) : item));
      if (download_ && download_(item, path)) {
        if (AcceptDescriptor(path)) return true;
        RemoveIfExists(path);
      }
    }
    start = end + 1;
  }
  return false;
}

bool UpdateCheck::DownloadUpdater() {
  if (downloadUrl_.empty()) return false;
  downloadUrl_ += L"/";
  downloadUrl_ += kUpdaterFileName;
  WriteLog(L"更新update.exe");
  // Into a side file first: the installed updater is replaced only by a complete, non-empty file.
  const std::wstring target = UpdaterPath();
  const std::wstring partial = target + kDownloadSuffix;
  RemoveIfExists(partial);
  std::string bytes;
  if (!download_ || !download_(downloadUrl_, partial) || !ReadFileBytes(partial, bytes) || bytes.empty()) {
    RemoveIfExists(partial);
    return false;
  }
  // The updater runs elevated: it is started only as the latest (verified) descriptor lists it.
  const FileTrust verdict = trust_.CheckFile(ReadDigests(profile_, NewDescriptorFile()), kUpdaterFileName, partial);
  if (!Accepted(verdict)) {
    WriteLog(L"update.exe校验失败: " + text::AsciiToWide(FileTrustReason(verdict)));
    RemoveIfExists(partial);
    return false;
  }
  if (!os::ReplaceFileAtomically(partial, target)) {
    RemoveIfExists(partial);
    return false;
  }
  return true;
}

bool UpdateCheck::FetchInstalledDescriptor() {
  // Into a side file first: only a descriptor the check can work from is installed, and an installed
  // one is replaced in one step.
  const std::wstring installed = DescriptorFile();
  const std::wstring partial = installed + kDownloadSuffix;
  RemoveIfExists(partial);
  if (!DownloadFromList(defaultDescriptorUrl_, partial)) {
    RemoveIfExists(partial);
    return false;
  }
  if (!IsUsableDescriptor(profile_, partial)) {
    WriteLog(L"下载的version.ini无效");
    RemoveIfExists(partial);
    return false;
  }
  if (!os::ReplaceFileAtomically(partial, installed)) {
    RemoveIfExists(partial);
    return false;
  }
  return true;
}

bool UpdateCheck::Check() {
  currentFiles_.clear();
  newFiles_.clear();
  downloadUrl_.clear();
  updaterChanged_ = false;
  filesChanged_ = false;
  descriptorUrlList_ = defaultDescriptorUrl_;

  const std::wstring installed = DescriptorFile();
  const std::wstring fresh = NewDescriptorFile();

  // 1. First start: fetch the installed descriptor. An installed file that is no descriptor at all (an
  // empty answer or a portal page kept by an earlier start) is fetched again the same way, so it is
  // not kept for ever.
  if (!FileExists(installed) || IsNotADescriptor(profile_, installed)) {
    if (!FetchInstalledDescriptor()) return false;
  }

  // 2. The installed descriptor.
  const auto versionUrl =
      ReadDescriptorValue(profile_, installed, kVersionUrlKey, kUpdateCheckMarker, kUpdateCheckValueCapacity);
  if (!versionUrl) return false;
  descriptorUrlList_ = *versionUrl + L";" + defaultDescriptorUrl_;
  const auto localLogin =
      ReadDescriptorEntry(profile_, installed, kLoginUrlKey, kUpdateCheckMarker, kUpdateCheckValueCapacity);
  if (!localLogin) return false;
  {
    std::lock_guard<std::mutex> guard(mutex_);
    lists_.local = EndpointList{localLogin->plain, localLogin->enciphered};
  }
  FillFileMap(profile_.ReadSection(installed, kFilesSection, kFilesSectionCapacity), currentFiles_);

  // 3. The latest descriptor. With a release key, one whose signature does not verify is as good as
  // none: nothing of it is used, and the login goes on with the installed descriptor's list.
  if (!DownloadFromList(descriptorUrlList_, fresh)) return false;

  // 4. Its required values first: a junk answer must not overwrite the installed descriptor's
  // addresses. Then its URL section replaces the installed one's values.
  const auto downloadUrl =
      ReadDescriptorValue(profile_, fresh, kDownloadUrlKey, kUpdateCheckMarker, kUpdateCheckValueCapacity);
  if (!downloadUrl) return false;
  const auto freshLogin =
      ReadDescriptorEntry(profile_, fresh, kLoginUrlKey, kUpdateCheckMarker, kUpdateCheckValueCapacity);
  if (!freshLogin) return false;
  for (const std::wstring& line : profile_.ReadSection(fresh, kDescriptorUrlSection, kUrlSectionCapacity)) {
    const size_t equals = line.find(L'=');
    if (equals == 0 || equals == std::wstring::npos) continue;
    (void)profile_.WriteString(installed, kDescriptorUrlSection, line.substr(0, equals), line.substr(equals + 1));
  }
  downloadUrl_ = *downloadUrl;
  {
    std::lock_guard<std::mutex> guard(mutex_);
    lists_.fresh = EndpointList{freshLogin->plain, freshLogin->enciphered};
  }
  FillFileMap(profile_.ReadSection(fresh, kFilesSection, kFilesSectionCapacity), newFiles_);

  // 5. Compare and write "update.ini".
  return WriteUpdateList();
}

bool UpdateCheck::WriteUpdateList() {
  const std::wstring list = UpdateListFile();
  if (!WriteFileBytes(list, std::string())) return false;

  const std::wstring raw =
      profile_.ReadString(NewDescriptorFile(), kDescriptorUrlSection, kDownloadUrlKey, kRawMarker,
                          kUpdateCheckValueCapacity);
  if (raw.empty() || raw.find(kRawMarker) != std::wstring::npos) return false;
  if (!profile_.WriteString(list, kDescriptorUrlSection, kDownloadUrlKey, raw)) return false;

  std::wstring note;
  bool added = false;
  for (const auto& [name, value] : newFiles_) {
    const bool isUpdater = name == kUpdaterFileName;
    // The updater's own rule: a name it would refuse or skip fails its whole run, and the next start
    // would offer the same update again. Such names are left out here.
    const std::wstring rel = ToNativeSeparators(CollapseSeparators(name));
    if (!isUpdater && (!IsReleaseFileName(name) || BlockedOnDisk(dirs_.programDir, rel))) {
      WriteLog(L"忽略不安全的文件名 " + name);
      continue;
    }
    const std::wstring path = JoinPath(dirs_.programDir, rel);
    bool replace = false;
    if (FileExists(path) || name == kClientFileName) {
      const auto current = currentFiles_.find(name);
      if (current != currentFiles_.end() && current->second != value) {
        if (isUpdater) {
          updaterChanged_ = true;
        } else {
          replace = true;
          note += current->second + L"!=" + value + L"\n";
        }
      }
    } else if (isUpdater) {
      updaterChanged_ = true;
    } else {
      replace = true;
    }
    if (replace) {
      if (!profile_.WriteString(list, kFilesSection, name, value)) return false;
      added = true;
    }
  }
  filesChanged_ = added;
  if (!note.empty()) WriteLog(note);
  return true;
}

}  // namespace nimbrook
