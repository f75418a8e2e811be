// The command line of cmroute.dll's SetRoutes entry, as rundll32.exe hands it over (everything after
// "cmroute.dll,SetRoutes "): "/STATIC_FILE_NAME file" plus the switches "/DONT_REQUIRE_URL" and
// "/IPHLPAPI_ACCESS_DENIED_OK", which may be written without a blank between them.
#pragma once

#include <string>

namespace nimbrook::cmroute {

struct SetRoutesOptions {
  std::wstring staticFileName;   // relative to the current directory (the launcher sets the route directory)
  bool dontRequireUrl = false;   // the routes come from the static file alone
  bool accessDeniedOk = false;   // a route the IP Helper refuses with "access denied" is not an error
};

struct SetRoutesParse {
  bool ok = false;
  SetRoutesOptions options;
  std::string error;  // English, for the log
};

// Switch names are case-insensitive; a file name with blanks is written in double quotes. Unknown
// switches, stray words and a missing or repeated "/STATIC_FILE_NAME" are errors.
SetRoutesParse ParseSetRoutesCommandLine(const std::wstring& commandLine);

}  // namespace nimbrook::cmroute
