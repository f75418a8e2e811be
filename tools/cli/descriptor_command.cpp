// "nimbrook-cli descriptor decode|encode TEXT": deciphers a descriptor value, or enciphers a plain
// text into a value (letters and digits only) for a "version.ini" URL section. Texts are taken and
// printed as narrow text in the system code page, exactly as the descriptor reader sees them.
#include <cstdio>

#include "account/descriptor_cipher.h"
#include "command_registry.h"

namespace nimbrook::cli {
namespace {

constexpr char kUsage[] = "usage: nimbrook-cli descriptor decode TEXT | descriptor encode TEXT";

int RunDescriptor(const Arguments& args) {
  const bool knownAction = !args.empty() && (args[0] == "decode" || args[0] == "encode");
  if (!knownAction || args.size() != 2) {
    if (args.empty()) {
      PrintError("descriptor needs an action");
    } else if (!knownAction) {
      PrintError("unknown descriptor action: " + args[0]);
    } else {
      PrintError("descriptor " + args[0] + " takes exactly one TEXT");
    }
    std::fprintf(stderr, "%s\n", kUsage);
    return 2;
  }
  if (args[0] == "decode") {
    PrintLine(DecodeDescriptorValue(args[1]));
    return 0;
  }
  std::string enciphered;
  if (!TryEncodeDescriptorValue(args[1], enciphered)) {
    PrintError("the text cannot be enciphered");  // a zero byte; not reachable from a command line
    return 1;
  }
  PrintLine(enciphered);
  return 0;
}

const CommandRegistration kDescriptor("descriptor",
                                      "descriptor decode TEXT | descriptor encode TEXT    decipher or encipher a "
                                      "descriptor URL value",
                                      RunDescriptor);

}  // namespace
}  // namespace nimbrook::cli
