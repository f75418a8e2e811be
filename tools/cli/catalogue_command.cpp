// "nimbrook-cli catalogue ANSWER_FILE": reads a login answer ("yes|" head "_" naslist) from a UTF-8
// file and prints its account head and server catalogue as JSON, with every value the server list
// shows for each server.
#include <cstdio>
#include <string>

#include "catalogue_json.h"
#include "command_registry.h"
#include "core/file_io.h"
#include "core/text.h"

namespace nimbrook::cli {
namespace {

int RunCatalogue(const Arguments& args) {
  if (args.size() != 1) {
    PrintError("usage: nimbrook-cli catalogue ANSWER_FILE");
    return 2;
  }
  std::string bytes;
  if (!ReadFileBytes(text::FromAnsi(args[0]), bytes)) {
    PrintError("cannot read " + args[0]);
    return 1;
  }
  // A UTF-8 byte-order mark and the line end an editor adds are not part of the answer.
  if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) bytes.erase(0, 3);
  while (!bytes.empty() && (bytes.back() == '\n' || bytes.back() == '\r')) bytes.pop_back();
  const std::wstring answer = text::FromUtf8(bytes);
  bytes = std::string();  // the UTF-8 copy is not needed any more
  WriteAnswerJson(answer, [](const std::string& piece) { std::fwrite(piece.data(), 1, piece.size(), stdout); });
  PrintLine("");
  return 0;
}

const CommandRegistration kCatalogue("catalogue",
                                     "catalogue ANSWER_FILE    print the account head and server catalogue of a "
                                     "login answer (UTF-8 file) as JSON",
                                     RunCatalogue);

}  // namespace
}  // namespace nimbrook::cli
