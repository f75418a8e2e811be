// The rules of OpenVPN's console output.
#include "openvpn/console_analysis.h"

#include <algorithm>
#include <cstring>

namespace nimbrook {
namespace {

constexpr std::size_t kLongestText = sizeof(kTunnelUpText) - 1;

// A match of needle in text that ends after position newFrom (so it was not seen before).
bool ContainsNew(std::string_view text, std::string_view needle, std::size_t newFrom) {
  std::size_t from = newFrom + 1 > needle.size() ? newFrom + 1 - needle.size() : 0;
  return text.find(needle, from) != std::string_view::npos;
}

}  // namespace

std::optional<std::string> FindTunnelAdapterId(std::string_view text) {
  const auto device = text.find(kTapDeviceText);
  if (device == std::string_view::npos) return std::nullopt;
  const std::string_view rest = text.substr(device + std::strlen(kTapDeviceText));
  const auto bracketOpen = rest.find("[{");
  if (bracketOpen != std::string_view::npos) {
    const auto bracketClose = rest.find("}]", bracketOpen + 2);
    if (bracketClose != std::string_view::npos) {
      return std::string(rest.substr(bracketOpen + 1, bracketClose - bracketOpen));
    }
  }
  // The adapter's name in brackets is a friendly name; the identifier is in the device path, on the
  // same line.
  const std::string_view line = rest.substr(0, rest.find_first_of("\r\n"));
  const auto open = line.find('{');
  if (open == std::string_view::npos) return std::nullopt;
  const auto close = line.find('}', open + 1);
  if (close == std::string_view::npos) return std::nullopt;
  return std::string(line.substr(open, close - open + 1));
}

std::string NextCarry(std::string_view carry, std::string_view chunk) {
  std::string all;
  all.reserve(carry.size() + chunk.size());
  all.append(carry).append(chunk);
  const std::size_t keep = std::min(all.size(), kLongestText - 1);
  return all.substr(all.size() - keep);
}

ChunkAnalysis AnalyseChunk(std::string_view chunk, const ConsoleContext& context) {
  std::string text;
  text.reserve(context.carry.size() + chunk.size());
  text.append(context.carry).append(chunk);
  const std::size_t newFrom = context.carry.size();

  ChunkAnalysis result;
  result.inactivityCount = context.inactivityCount;
  if (ContainsNew(text, kUsernamePrompt, newFrom)) {
    result.kind = ChunkKind::UsernamePrompt;
    return result;
  }
  if (ContainsNew(text, kPasswordPrompt, newFrom)) {
    result.kind = ChunkKind::PasswordPrompt;
    return result;
  }

  result.kind = ChunkKind::Output;
  if (ContainsNew(text, kTunnelUpText, newFrom)) {
    result.tunnelUp = true;
    result.inactivityCount = 0;
    result.addChinaRoute = context.routeMode == 1;
  } else if (ContainsNew(text, "error", newFrom) || ContainsNew(text, "Error", newFrom)) {
    result.stop = true;
  } else if (ContainsNew(text, kInactivityText, newFrom)) {
    ++result.inactivityCount;
    result.stop = result.inactivityCount > kInactivityLimit;
  }
  // The identifier is taken from the chunk as read, as long as its line began in it.
  if (chunk.find(kTapDeviceText) != std::string_view::npos) {
    result.tunnelAdapterId = FindTunnelAdapterId(chunk);
  }
  return result;
}

}  // namespace nimbrook
