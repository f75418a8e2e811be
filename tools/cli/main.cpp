// nimbrook-cli: the companion program for operators and tests. A thin front over the same library
// code as the client; output that scripts read is JSON.
#include <cstdio>
#include <iostream>

#include "command_registry.h"

namespace nimbrook::cli {

std::map<std::string, CommandInfo>& Commands() {
  static std::map<std::string, CommandInfo> commands;
  return commands;
}

void PrintLine(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

void PrintError(const std::string& text) {
  std::fprintf(stderr, "nimbrook-cli: %s\n", text.c_str());
  std::fflush(stderr);
}

std::string Option(const Arguments& args, const std::string& name, const std::string& fallback) {
  for (size_t i = 0; i + 1 < args.size(); ++i) {
    if (args[i] == name) return args[i + 1];
  }
  return fallback;
}

bool HasOption(const Arguments& args, const std::string& name) {
  for (const auto& a : args) {
    if (a == name) return true;
  }
  return false;
}

Arguments Positionals(const Arguments& args, const std::vector<std::string>& optionsWithValues) {
  Arguments out;
  for (size_t i = 0; i < args.size(); ++i) {
    bool takesValue = false;
    for (const auto& o : optionsWithValues) takesValue = takesValue || args[i] == o;
    if (takesValue) {
      ++i;
      continue;
    }
    if (args[i].rfind("--", 0) == 0 && args[i].size() > 2) continue;
    out.push_back(args[i]);
  }
  return out;
}

}  // namespace nimbrook::cli

int main(int argc, char** argv) {
  using namespace nimbrook::cli;
  if (argc < 2 || std::string(argv[1]) == "help" || std::string(argv[1]) == "--help") {
    std::printf("usage: nimbrook-cli COMMAND ...\n");
    for (const auto& [name, info] : Commands()) std::printf("  %s\n", info.usage.c_str());
    return argc < 2 ? 2 : 0;
  }
  const auto found = Commands().find(argv[1]);
  if (found == Commands().end()) {
    PrintError(std::string("unknown command: ") + argv[1]);
    return 2;
  }
  Arguments args(argv + 2, argv + argc);
  return found->second.handler(args);
}
