// The update job's console front-end: prints every progress event as one line of text.
#pragma once

#include <cstdio>

#include "updater/update_reporter.h"

namespace nimbrook {

class ConsoleReporter : public UpdateReporter {
 public:
  explicit ConsoleReporter(std::FILE* out) : out_(out) {}
  void ShowFiles(const std::vector<std::wstring>& names) override;
  void SetRow(size_t index, const std::wstring& name, UpdateRowState state) override;
  void ShowCompleted() override;
  void ShowMessage(UpdateMessage message) override;

 private:
  void Line(const std::string& text);
  std::FILE* out_;
};

}  // namespace nimbrook
