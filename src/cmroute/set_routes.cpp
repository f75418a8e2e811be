#include "cmroute/set_routes.h"

#include "cmroute/route_applier.h"
#include "cmroute/route_file.h"
#include "cmroute/set_routes_options.h"
#include "core/file_io.h"
#include "core/text.h"

namespace nimbrook::cmroute {

SetRoutesStatus RunSetRoutes(const std::wstring& commandLine, RouteTable& table, const LogLine& log) {
  const auto say = [&log](const std::wstring& line) {
    if (log) log(line);
  };
  const SetRoutesParse parse = ParseSetRoutesCommandLine(commandLine);
  if (!parse.ok) {
    say(L"路由命令行有误: " + text::FromUtf8(parse.error) + L" (" + commandLine + L")");
    return SetRoutesStatus::kBadCommandLine;
  }
  const SetRoutesOptions& options = parse.options;
  if (!options.dontRequireUrl) {
    say(L"路由命令行缺少/DONT_REQUIRE_URL: 不支持从网址获取路由表");
    return SetRoutesStatus::kUrlRequired;
  }

  std::string bytes;
  if (!ReadFileBytes(options.staticFileName, bytes)) {
    say(L"路由文件无法读取: " + options.staticFileName);
    return SetRoutesStatus::kFileUnreadable;
  }
  const RouteFileResult file = ParseRouteFile(bytes);
  if (!file.ok) {
    say(L"路由文件" + options.staticFileName + L"第" + std::to_wstring(file.errorLine) + L"行有误: " +
        text::FromUtf8(file.error));
    return SetRoutesStatus::kFileMalformed;
  }

  const ApplyOutcome outcome = ApplyRoutes(file.routes, table, options.accessDeniedOk);
  for (const LineFailure& failure : outcome.failures) {
    say(L"路由文件" + options.staticFileName + L"第" + std::to_wstring(failure.line) + L"行未能应用: " +
        text::FromUtf8(failure.reason));
  }
  say(L"路由文件" + options.staticFileName + L"已处理: 成功" + std::to_wstring(outcome.applied) + L"条, 跳过" +
      std::to_wstring(outcome.skipped) + L"条, 拒绝访问" + std::to_wstring(outcome.deniedIgnored) + L"条, 失败" +
      std::to_wstring(outcome.failures.size()) + L"条");
  return outcome.Succeeded() ? SetRoutesStatus::kOk : SetRoutesStatus::kRoutesFailed;
}

}  // namespace nimbrook::cmroute
