// Route request helpers.
#include "service_context.h"

#include "text_fields.h"

namespace nimbrook::service {

std::string RouteRequest::Query(const std::string& key, const std::string& fallback) const {
  for (const auto& [name, value] : ParseFormBody(rawQuery)) {
    if (name == key) return value;
  }
  return fallback;
}

std::string& RequestNote() {
  thread_local std::string note;
  return note;
}

}  // namespace nimbrook::service
