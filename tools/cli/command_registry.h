// The companion program's commands. Each command file registers itself with a static
// CommandRegistration, so main() only dispatches on the first argument.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace nimbrook::cli {

using Arguments = std::vector<std::string>;
// A command's handler: the arguments after the command name; returns the process exit status.
using CommandHandler = std::function<int(const Arguments&)>;

struct CommandInfo {
  std::string usage;  // one line, shown by "nimbrook-cli help"
  CommandHandler handler;
};

std::map<std::string, CommandInfo>& Commands();

struct CommandRegistration {
  CommandRegistration(const std::string& name, const std::string& usage, CommandHandler handler) {
    Commands()[name] = CommandInfo{usage, std::move(handler)};
  }
};

// Writes one line (text plus "\n") to standard output and flushes, so piped output is never held back.
void PrintLine(const std::string& text);
void PrintError(const std::string& text);

// The value of "--name VALUE" in args, or fallback; Flag tells whether "--name" is present.
std::string Option(const Arguments& args, const std::string& name, const std::string& fallback = "");
bool HasOption(const Arguments& args, const std::string& name);
// The arguments that are neither options nor option values.
Arguments Positionals(const Arguments& args, const std::vector<std::string>& optionsWithValues);

}  // namespace nimbrook::cli
