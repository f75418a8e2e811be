// "nimbrook-cli sign TEXT" and "nimbrook-cli encode-params TEXT": the login exchange's signature and
// parameter encoding of a narrow text, exactly as the login request carries them.
#include <cstdio>
#include <string>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "account/login_encoding.h"
#include "command_registry.h"

namespace nimbrook::cli {
namespace {

// The encoding holds CR LF line breaks of its own: standard output must carry them unchanged.
void BinaryOutput() {
#ifdef _WIN32
  std::fflush(stdout);
  _setmode(_fileno(stdout), _O_BINARY);
#endif
}

int RunSign(const Arguments& args) {
  if (args.size() != 1) {
    PrintError("usage: nimbrook-cli sign TEXT");
    return 2;
  }
  BinaryOutput();
  PrintLine(SignParams(args[0]));
  return 0;
}

int RunEncodeParams(const Arguments& args) {
  if (args.size() != 1) {
    PrintError("usage: nimbrook-cli encode-params TEXT");
    return 2;
  }
  BinaryOutput();
  PrintLine(EncodeParams(args[0]));
  return 0;
}

const CommandRegistration kSign("sign", "sign TEXT    print the salted MD5 signature of TEXT", RunSign);
const CommandRegistration kEncodeParams("encode-params",
                                        "encode-params TEXT    print the login parameter encoding of TEXT",
                                        RunEncodeParams);

}  // namespace
}  // namespace nimbrook::cli
