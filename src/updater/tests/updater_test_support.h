// Fakes for the update job's tests: a scripted downloader and a recording reporter.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "core/file_io.h"
#include "updater/update_job.h"

namespace nimbrook::testing {

class FakeDownloader : public FileDownloader {
 public:
  struct Answer {
    int result = 0;
    std::string body;  // written to the file (also on failure, as a partial body would be)
  };
  // Answers by the URL's path after the base; a URL without an answer gets 404 and no file.
  std::map<std::wstring, std::vector<Answer>> answers;  // consumed front to back; the last one repeats
  std::vector<std::wstring> urls;

  int Download(const std::wstring& url, const std::wstring& path) override {
    urls.push_back(url);
    auto it = answers.find(url);
    if (it == answers.end() || it->second.empty()) return 404;
    Answer answer = it->second.front();
    if (it->second.size() > 1) it->second.erase(it->second.begin());
    if (!WriteFileBytes(path, answer.body)) return -1;
    return answer.result;
  }
};

class RecordingReporter : public UpdateReporter {
 public:
  void ShowFiles(const std::vector<std::wstring>& names) override { shown = names; }
  void SetRow(size_t index, const std::wstring& name, UpdateRowState state) override {
    rows.push_back(std::to_wstring(index) + L":" + name + (state == UpdateRowState::kDone ? L":done" : L":updating"));
  }
  void ShowCompleted() override { ++completed; }
  void ShowMessage(UpdateMessage message) override { messages.push_back(message); }

  std::vector<std::wstring> shown;
  std::vector<std::wstring> rows;
  int completed = 0;
  std::vector<UpdateMessage> messages;
};

}  // namespace nimbrook::testing
