// An in-memory WMI for tests: answers are set per query text, every query is recorded.
// Header-only, so it is compiled only into the tests that include it.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "os/wmi.h"

namespace nimbrook::os {

class FakeWmi final : public Wmi {
 public:
  // The values one query returns, in query order.
  void Answer(const std::wstring& wql, std::vector<std::wstring> values) {
    WmiQueryResult result;
    result.ok = true;
    result.values = std::move(values);
    answers_[wql] = std::move(result);
  }
  // The query fails with the HRESULT.
  void Fail(const std::wstring& wql, long status) {
    WmiQueryResult result;
    result.status = status;
    answers_[wql] = std::move(result);
  }

  WmiQueryResult Select(const std::wstring& wmiClass, const std::wstring& property,
                        const std::wstring& condition) override {
    const std::wstring wql = WqlSelect(wmiClass, property, condition);
    queries_.push_back(wql);
    const auto found = answers_.find(wql);
    if (found != answers_.end()) return found->second;
    WmiQueryResult unknown;  // a query nobody prepared fails like an unknown class
    unknown.status = static_cast<long>(0x80041010);
    return unknown;
  }

  const std::vector<std::wstring>& queries() const { return queries_; }

 private:
  std::map<std::wstring, WmiQueryResult> answers_;
  std::vector<std::wstring> queries_;
};

}  // namespace nimbrook::os
