// The client's update check: fetches the latest service descriptor, compares the release's file list
// with the installed one, writes "update.ini" for the updater, refreshes the installed descriptor and
// keeps the login endpoint lists. Logic only; the update window watches the state through a callback.
#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "account/login_service.h"
#include "release_trust/release_trust.h"

namespace nimbrook {

namespace os {
class ProfileFiles;
}

// States of the check (the update window acts on 1, 2 and 3).
inline constexpr int kUpdateChecking = 0;
inline constexpr int kUpdateNeeded = 1;
inline constexpr int kUpdateNothing = 2;
inline constexpr int kUpdateCheckFailed = 3;
inline constexpr int kUpdateNoDescriptor = 4;  // never set: every failure is reported as 3
inline constexpr int kUpdateReplacingUpdater = 5;
inline constexpr int kUpdateUpdaterReplaced = 9;

inline constexpr wchar_t kUpdateListFileName[] = L"update.ini";
// The last "update.ini" handed to the updater, kept to recognise an update it failed to apply.
inline constexpr wchar_t kOfferedListFileName[] = L"update_offered.ini";
inline constexpr wchar_t kUpdaterFileName[] = L"update.exe";
inline constexpr wchar_t kClientFileName[] = L"nimbrook.exe";
inline constexpr wchar_t kFilesSection[] = L"FILES";
inline constexpr wchar_t kRawMarker[] = L"not found";
inline constexpr size_t kFilesSectionCapacity = 4096;
inline constexpr size_t kFilesLineCapacity = 1023;

// Name -> stamp, in exact (case-sensitive) name order.
using FileMap = std::map<std::wstring, std::wstring>;

// Fills map from the lines of a FILES section: split at the first "=" (a line without one is key and
// value at once), at most 1023 characters per line; a key already present keeps its first value.
void FillFileMap(const std::vector<std::wstring>& lines, FileMap& map);

// Where the check works: the program directory (release files, "update.exe") and the configuration
// directory (descriptors and "update.ini").
struct UpdateDirectories {
  std::wstring programDir;
  std::wstring configDir;
};

class UpdateCheck {
 public:
  // Downloads url to path; true when the whole body is on disk (DownloadWithRetry in the client).
  using Downloader = std::function<bool(const std::wstring& url, const std::wstring& path)>;
  // Receives the login endpoint lists after each run (the login service in the client).
  using EndpointSink = std::function<void(const EndpointLists&)>;
  // Called on the check thread with each new state.
  using StateCallback = std::function<void(int state)>;

  UpdateCheck(os::ProfileFiles& profile, Downloader download, std::wstring defaultDescriptorUrl,
              UpdateDirectories directories, EndpointSink sink = {});
  UpdateCheck(const UpdateCheck&) = delete;
  UpdateCheck& operator=(const UpdateCheck&) = delete;

  // The client's check: system profile API, DownloadWithRetry, the built-in default descriptor URL,
  // the process paths, lists handed to the LoginService singleton. Created on first use; released
  // by a shutdown step. A running check thread keeps it alive until it ends.
  // The client itself does not use it: its composition creates the check and hands it on.
  static UpdateCheck* instance();
  static std::shared_ptr<UpdateCheck> shared();
  static void Release();

  // The release public key text the check trusts (Base64 of the point; empty: none). The build's key
  // unless set before Run.
  void SetReleasePublicKey(std::string keyText) { trust_ = ReleaseTrust(std::move(keyText)); }

  int State() const { return state_.load(); }
  void SetStateCallback(StateCallback callback);

  // The check thread, one run: the check, the updater download, the descriptor install or clean-up;
  // the file maps are emptied and the endpoint lists go to the sink, and only then is the final
  // state (1, 2 or 3) set, so a window that sees it finds the login endpoints in place.
  void Run();
  // Starts Run on a detached thread (holding the singleton); false when no thread could be started
  // (then the state is 3, so the window never waits for nothing).
  static bool StartCheckThread(std::shared_ptr<UpdateCheck> check);

  // The check alone: true when "update.ini" was written.
  [[nodiscard]] bool Check();
  // Tries each non-empty item of the ";"-separated descriptor list in order; true at the first
  // download whose signature the release key accepts (any, without a key). A refused download is
  // removed before the next item is tried.
  [[nodiscard]] bool DownloadFromList(const std::wstring& urlList, const std::wstring& path);
  // Fetches "update.exe" from the download URL into the program directory; false when there is no
  // download URL, the download failed or its digest is not the one the latest descriptor lists (then
  // the installed updater is untouched).
  [[nodiscard]] bool DownloadUpdater();

  EndpointLists EndpointListsCopy() const;
  std::wstring DescriptorUrlList() const { return descriptorUrlList_; }
  std::wstring DownloadUrl() const { return downloadUrl_; }
  bool UpdaterChanged() const { return updaterChanged_; }
  bool FilesChanged() const { return filesChanged_; }
  const FileMap& CurrentFiles() const { return currentFiles_; }
  const FileMap& NewFiles() const { return newFiles_; }

  std::wstring DescriptorFile() const;
  std::wstring NewDescriptorFile() const;
  std::wstring UpdateListFile() const;
  std::wstring OfferedListFile() const;
  // The updater the window starts (with the language code as its command line): always the one in
  // the program directory, never one found through the current directory.
  std::wstring UpdaterPath() const;

 private:
  void SetState(int state);
  bool WriteUpdateList();
  // Fetches "version.ini" from the built-in address; installs it only when it is usable.
  bool FetchInstalledDescriptor();
  void InstallNewDescriptor();
  // Whether a downloaded descriptor may be used: with a key, its signature must verify (one log line
  // when it does not).
  bool AcceptDescriptor(const std::wstring& path) const;
  // True when the "update.ini" just written equals the one offered last time.
  bool SameAsOffered() const;

  os::ProfileFiles& profile_;
  Downloader download_;
  std::wstring defaultDescriptorUrl_;
  UpdateDirectories dirs_;
  EndpointSink sink_;
  ReleaseTrust trust_{ReleaseTrust::BuiltInKeyText()};

  std::atomic<int> state_{kUpdateChecking};
  mutable std::mutex mutex_;  // guards lists_ and callback_
  StateCallback callback_;
  EndpointLists lists_;

  FileMap currentFiles_;
  FileMap newFiles_;
  std::wstring descriptorUrlList_;
  std::wstring downloadUrl_;
  bool updaterChanged_ = false;
  bool filesChanged_ = false;
};

}  // namespace nimbrook
