#include "updater/update_job.h"

#include <chrono>
#include <thread>

#include "core/file_io.h"
#include "core/paths.h"
#include "core/release_names.h"
#include "core/text.h"
#include "os/file_replace.h"

namespace nimbrook {
namespace {

// Creates every directory level of rel (a relative name with native separators) below dir, except
// the last segment, which is the file.
bool CreateParentDirectories(const std::wstring& dir, const std::wstring& rel) {
  std::wstring current = dir;
  size_t start = 0;
  for (size_t sep = rel.find(kPathSeparator); sep != std::wstring::npos; sep = rel.find(kPathSeparator, start)) {
    current = JoinPath(current, rel.substr(start, sep - start));
    if (!CreateDirectoryIfMissing(current)) return false;
    start = sep + 1;
  }
  return true;
}

bool NonEmptyFile(const std::wstring& path) {
  FileHandle file = OpenFile(path, "rb");
  return file && std::fgetc(file.get()) != EOF;
}

}  // namespace

int HttpFileDownloader::Download(const std::wstring& url, const std::wstring& path) {
  SessionSlot slot;
  const int result = client_.DownloadToFile(slot, url, path);
  client_.ReleaseSession(slot);
  return result;
}

UpdateJob::UpdateJob(UpdaterPaths paths, UpdateJobEnvironment environment, UpdateReporter& reporter)
    : paths_(std::move(paths)),
      env_(std::move(environment)),
      reporter_(reporter),
      log_(paths_.logFile),
      trust_(env_.releasePublicKey.value_or(ReleaseTrust::BuiltInKeyText())) {
  if (!env_.profile) env_.profile = &os::SystemProfile();
  if (!env_.processes) env_.processes = &os::SystemProcessList();
  if (!env_.sleep) env_.sleep = [](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); };
  if (!env_.replaceFile) env_.replaceFile = os::ReplaceFileAtomically;
}

UpdateOutcome UpdateJob::RunWorker() {
  if (!WaitForClient()) {
    reporter_.ShowMessage(UpdateMessage::kClientStillRunning);
    return UpdateOutcome::kClientStillRunning;
  }
  const UpdateOutcome outcome = Run();
  if (outcome == UpdateOutcome::kSucceeded) {
    reporter_.ShowCompleted();
  } else if (outcome == UpdateOutcome::kFailed) {
    reporter_.ShowMessage(UpdateMessage::kUpdateFailed);
  }
  return outcome;
}

bool UpdateJob::WaitForClient() {
  for (int look = 0; look < kClientWaitLooks; ++look) {
    if (!env_.processes->IsRunning(kClientExecutable)) return true;
    if (look + 1 < kClientWaitLooks) env_.sleep(kClientWaitStepMs);
  }
  return false;
}

UpdateOutcome UpdateJob::Run() {
  replaced_ = 0;
  succeeded_ = false;
  const UpdateList list = ReadUpdateList(*env_.profile, paths_.updateIni);
  downloadBase_ = list.downloadBase;
  files_ = list.files;
  if (list.readError) reporter_.ShowMessage(UpdateMessage::kIniError);
  if (files_.empty()) {
    RemoveFile(paths_.newVersionIni);
    RemoveFile(paths_.updateIni);
    return UpdateOutcome::kNothingToUpdate;
  }
  reporter_.ShowFiles(files_);

  // Names come from the network: one that would land outside the program directory fails the whole
  // run before anything is fetched or replaced.
  bool failed = downloadBase_.empty();
  // The digests come from the new descriptor the client checked; it is checked again here, since the
  // updater replaces programs that run elevated.
  const SignatureStatus signature = trust_.CheckDescriptor(paths_.newVersionIni);
  if (signature != SignatureStatus::kValid) {
    log_.Write(std::string("new_version.ini签名无效: ") + SignatureReason(signature));
    failed = true;
  }
  digests_ = ReadDigests(*env_.profile, paths_.newVersionIni);
  for (const auto& name : files_) {
    if (UpdaterSkipsName(name)) continue;
    if (!IsReleaseFileName(name)) {
      log_.Write("拒绝不安全的文件名 " + text::ToUtf8(name));
      failed = true;
    }
  }
  for (size_t i = 0; i < files_.size() && !failed; ++i) {
    if (UpdaterSkipsName(files_[i])) continue;  // the client replaces the updater
    failed = !ReplaceOne(i, files_[i]);
  }

  if (failed) {
    // The next client start checks again.
    RemoveFile(paths_.newVersionIni);
    RemoveFile(paths_.updateIni);
    return UpdateOutcome::kFailed;
  }
  if (replaced_ != files_.size()) return UpdateOutcome::kFailed;
  succeeded_ = true;
  InstallDescriptor();
  if (FileExists(paths_.updateIni)) RemoveFile(paths_.updateIni);
  return UpdateOutcome::kSucceeded;
}

bool UpdateJob::ReplaceOne(size_t index, const std::wstring& name) {
  const std::wstring collapsed = CollapseSeparators(name);
  const std::wstring rel = ToNativeSeparators(collapsed);
  const std::wstring target = JoinPath(paths_.programDir, rel);
  const std::wstring temporary = target + L".tmp";
  const std::wstring url = downloadBase_ + L"/" + collapsed;

  reporter_.SetRow(index, name, UpdateRowState::kUpdating);
  if (!CreateParentDirectories(paths_.programDir, rel)) {
    log_.Write("创建目录失败 " + text::ToUtf8(name));
    return false;
  }
  // A cut or altered download is fetched once more; the installed file is replaced only by bytes that
  // match the listed digest.
  const auto fetch = [&] { return DownloadComplete(url, temporary) && Verified(name, temporary); };
  if (!fetch() && !fetch()) {
    RemoveFile(temporary);
    log_.Write("下载文件 " + text::ToUtf8(name) + "失败");
    return false;
  }
  if (!env_.replaceFile(temporary, target)) {
    log_.Write("重命名文件 " + text::ToUtf8(name) + "失败");
    RemoveFile(temporary);
    return false;
  }
  ++replaced_;
  reporter_.SetRow(index, name, UpdateRowState::kDone);
  return true;
}

// A release file is never empty: an empty body (a 200 answer without content) does not count.
bool UpdateJob::DownloadComplete(const std::wstring& url, const std::wstring& path) {
  return env_.downloader->Download(url, path) == 0 && NonEmptyFile(path);
}

bool UpdateJob::Verified(const std::wstring& name, const std::wstring& path) {
  const FileTrust verdict = trust_.CheckFile(digests_, name, path);
  if (Accepted(verdict)) return true;
  log_.Write("文件校验失败 " + text::ToUtf8(name) + ": " + FileTrustReason(verdict));
  return false;
}

void UpdateJob::InstallDescriptor() {
  if (!FileExists(paths_.newVersionIni)) return;
  if (!env_.replaceFile(paths_.newVersionIni, paths_.versionIni)) {
    log_.Write("重命名文件 new_version.ini失败");
  }
}

}  // namespace nimbrook
