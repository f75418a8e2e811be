// Windows Management Instrumentation as a seam: one property of every instance of a class in
// root\cimv2, the way the machine identity reads the board, processor, adapter and disk serials.
// On Windows it is WMI over COM; natively it answers the same questions from what Linux offers.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace nimbrook::os {

struct WmiQueryResult {
  bool ok = false;    // the query ran; ok with no values means that no instance matched
  long status = 0;    // the HRESULT of the step that failed (0 when ok)
  // The property of each instance in the order the query returned them; a null property is empty.
  std::vector<std::wstring> values;
};

class Wmi {
 public:
  virtual ~Wmi() = default;

  // "SELECT property FROM wmiClass" plus " WHERE condition" when condition is not empty (WQL).
  [[nodiscard]] virtual WmiQueryResult Select(const std::wstring& wmiClass, const std::wstring& property,
                                              const std::wstring& condition) = 0;
};

// The machine's WMI for the calling thread. On Windows it joins the calling thread to the COM
// multithreaded apartment (or uses the apartment it already has) and connects to root\cimv2; the object
// must be used and destroyed on that thread. When the connection cannot be made every query fails with
// the connection's HRESULT. Natively see wmi_native.cpp for the classes it can answer.
std::unique_ptr<Wmi> OpenSystemWmi();

// The WQL text of a query, as Select runs it.
std::wstring WqlSelect(const std::wstring& wmiClass, const std::wstring& property, const std::wstring& condition);

}  // namespace nimbrook::os
