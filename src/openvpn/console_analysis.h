// Reading OpenVPN's console: what one chunk of its output means for the engine (a prompt to answer,
// the tunnel up, a reason to stop the child, the adapter it opened). Pure text work, so every rule
// is tested without a child process.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace nimbrook {

inline constexpr char kUsernamePrompt[] = "Enter Auth Username:";
inline constexpr char kPasswordPrompt[] = "Enter Auth Password:";
inline constexpr char kTunnelUpText[] = "Initialization Sequence Completed";
inline constexpr char kInactivityText[] = "Inactivity timeout";
inline constexpr char kTapDeviceText[] = "TAP-WIN32 device";
// The third "Inactivity timeout" since the last successful start stops the child.
inline constexpr int32_t kInactivityLimit = 2;

enum class ChunkKind {
  UsernamePrompt,  // answer with the user name; the chunk is neither analysed nor logged
  PasswordPrompt,  // answer with the password and close the child's input; not analysed or logged
  Output,          // analysed and appended to "openvpn.log"
};

struct ChunkAnalysis {
  ChunkKind kind = ChunkKind::Output;
  bool tunnelUp = false;       // "Initialization Sequence Completed": count reset, connected
  bool addChinaRoute = false;  // tunnel up with route mode 1: "china.tem"
  bool stop = false;           // "error"/"Error", or the third inactivity time-out: stop the child
  int32_t inactivityCount = 0;  // the count after this chunk
  std::optional<std::string> tunnelAdapterId;  // "{...}" of the adapter OpenVPN reports it opened
};

// The console state carried from one chunk to the next.
struct ConsoleContext {
  int32_t inactivityCount = 0;
  int32_t routeMode = 4;
  // The end of the output before this chunk: a text that the pipe happened to deliver in two reads
  // is still found, and counted once (only matches that end inside the new chunk count).
  std::string carry;
};

// What the chunk means, by the first rule that applies: the user-name prompt, the password prompt,
// then for other output "Initialization Sequence Completed", else "error" or "Error", else
// "Inactivity timeout" (counted; the count above kInactivityLimit stops). The adapter identifier is
// looked for in every output chunk.
ChunkAnalysis AnalyseChunk(std::string_view chunk, const ConsoleContext& context);

// The carry to keep after a chunk: the last bytes of carry + chunk, fewer than the longest text
// looked for.
std::string NextCarry(std::string_view carry, std::string_view chunk);

// The adapter identifier in a text: after "TAP-WIN32 device", the text from "{" through "}" of a
// "[{...}]" name; failing that, of the "{...}" in the device path OpenVPN prints
// ("opened: \\.\Global\{...}.tap"). None when the text has neither.
std::optional<std::string> FindTunnelAdapterId(std::string_view text);

}  // namespace nimbrook
