// The update job: waits for the client to exit, downloads every listed release file to a temporary
// name beside its target, puts it in place in one step, installs the new descriptor, and cleans the
// hand-over files up when the run fails. Progress goes to an UpdateReporter. With a release public
// key, the new descriptor must carry a valid signature and every file must match the digest it lists
// before it replaces anything; without one, listed digests are still checked.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/release_names.h"
#include "http/http_client.h"
#include "os/process_list.h"
#include "os/profile_file.h"
#include "release_trust/release_trust.h"
#include "updater/update_list.h"
#include "updater/update_reporter.h"
#include "updater/updater_log.h"

namespace nimbrook {

// Fetches one URL into one file; 0 on success, as HttpClient::DownloadToFile.
class FileDownloader {
 public:
  virtual ~FileDownloader() = default;
  [[nodiscard]] virtual int Download(const std::wstring& url, const std::wstring& path) = 0;
};

// DownloadToFile with a fresh session for every call.
class HttpFileDownloader : public FileDownloader {
 public:
  explicit HttpFileDownloader(HttpClient& client) : client_(client) {}
  [[nodiscard]] int Download(const std::wstring& url, const std::wstring& path) override;

 private:
  HttpClient& client_;
};

struct UpdateJobEnvironment {
  os::ProfileFiles* profile = nullptr;      // null: the system's profile API
  FileDownloader* downloader = nullptr;     // required
  os::ProcessList* processes = nullptr;     // null: the system's process list
  std::function<void(int milliseconds)> sleep;  // empty: a real sleep
  std::function<bool(const std::wstring& from, const std::wstring& to)> replaceFile;  // empty: atomic move
  // The release public key text; unset: the build's key, empty: none.
  std::optional<std::string> releasePublicKey;
};

enum class UpdateOutcome {
  kClientStillRunning,  // the client did not exit in about 5 s; nothing was touched
  kNothingToUpdate,     // the list was empty; both hand-over files removed, the updater ends at once
  kSucceeded,           // every listed file replaced, descriptor installed
  kFailed,              // a download, a digest, the descriptor's signature, a name or a replacement
                        // failed (or a listed file was skipped)
};

inline constexpr wchar_t kClientExecutable[] = L"Nimbrook.exe";
inline constexpr int kClientWaitLooks = 100;
inline constexpr int kClientWaitStepMs = 50;

class UpdateJob {
 public:
  UpdateJob(UpdaterPaths paths, UpdateJobEnvironment environment, UpdateReporter& reporter);

  // The worker thread's whole run: wait for the client, run the update, report the outcome.
  UpdateOutcome RunWorker();

  // Up to 100 looks 50 ms apart for a running "Nimbrook.exe"; true once there is none.
  bool WaitForClient();

  // The update run proper (reading "update.ini" to the descriptor install).
  UpdateOutcome Run();

  size_t Listed() const { return files_.size(); }
  size_t Replaced() const { return replaced_; }
  bool Succeeded() const { return succeeded_; }

 private:
  bool ReplaceOne(size_t index, const std::wstring& name);
  bool DownloadComplete(const std::wstring& url, const std::wstring& path);
  bool Verified(const std::wstring& name, const std::wstring& path);
  void InstallDescriptor();

  UpdaterPaths paths_;
  UpdateJobEnvironment env_;
  UpdateReporter& reporter_;
  UpdaterLog log_;
  std::wstring downloadBase_;
  std::vector<std::wstring> files_;
  ReleaseTrust trust_;
  DigestMap digests_;
  size_t replaced_ = 0;
  bool succeeded_ = false;
};

}  // namespace nimbrook
