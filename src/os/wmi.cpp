#include "os/wmi.h"

namespace nimbrook::os {

std::wstring WqlSelect(const std::wstring& wmiClass, const std::wstring& property, const std::wstring& condition) {
  std::wstring query = L"SELECT " + property + L" FROM " + wmiClass;
  if (!condition.empty()) query += L" WHERE " + condition;
  return query;
}

}  // namespace nimbrook::os
