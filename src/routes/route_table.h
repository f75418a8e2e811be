// Split routing: the route files beside the program ("route\addroute.tem", "china.tem",
// "delroute.tem") applied with "rundll32.exe cmroute.dll,SetRoutes". The route tool is started and
// not waited for; failures only reach the log, connection attempts go on.
#pragma once

namespace nimbrook {

inline constexpr wchar_t kAddRouteCommand[] =
    L"rundll32.exe cmroute.dll,SetRoutes /STATIC_FILE_NAME addroute.tem  /DONT_REQUIRE_URL/IPHLPAPI_ACCESS_DENIED_OK";
inline constexpr wchar_t kChinaRouteCommand[] =
    L"rundll32.exe cmroute.dll,SetRoutes /STATIC_FILE_NAME china.tem  /DONT_REQUIRE_URL /IPHLPAPI_ACCESS_DENIED_OK";
inline constexpr wchar_t kDeleteRouteCommand[] =
    L"rundll32.exe cmroute.dll,SetRoutes /STATIC_FILE_NAME delroute.tem  /DONT_REQUIRE_URL /IPHLPAPI_ACCESS_DENIED_OK";
inline constexpr wchar_t kRouteLibrary[] = L"cmroute.dll";
inline constexpr wchar_t kRouteSubDir[] = L"route";

// Applies "china.tem" (china) or "addroute.tem". On a failed start logs "Add route table error _code"
// followed by the system error code.
void AddRoute(bool china);

// Applies "delroute.tem". True when the route tool was started; otherwise logs
// "delete route table error _code" followed by the system error code.
bool DeleteRoute();

}  // namespace nimbrook
