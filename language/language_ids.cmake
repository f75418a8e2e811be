# Turns ids.txt into a header for the tests: the list of every language id, and the directory of the
# built language files.
#   cmake -DIDS=ids.txt -DOUTPUT=language_ids.h -DBUILT_DIR=<program dir>/language -P language_ids.cmake
file(STRINGS "${IDS}" lines ENCODING UTF-8)
set(body "")
set(count 0)
foreach(line IN LISTS lines)
  string(STRIP "${line}" id)
  if(id STREQUAL "" OR id MATCHES "^#")
    continue()
  endif()
  if(NOT id MATCHES "^[A-Za-z0-9_+-]+$")
    message(FATAL_ERROR "${IDS}: unexpected characters in id '${id}'")
  endif()
  string(APPEND body "    L\"${id}\",\n")
  math(EXPR count "${count} + 1")
endforeach()
set(content "// Generated from language/ids.txt; do not edit.
#pragma once

namespace nimbrook::generated {

inline constexpr const char kBuiltLanguageDir[] = \"${BUILT_DIR}/\";
inline constexpr int kLanguageIdCount = ${count};
inline constexpr const wchar_t* kLanguageIds[] = {
${body}};

}  // namespace nimbrook::generated
")
file(CONFIGURE OUTPUT "${OUTPUT}" CONTENT "${content}" @ONLY)
