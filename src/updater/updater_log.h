// The updater's own log writer: narrow text appended to "Nimbrook.log" beside the updater, one line
// per call, no lock and no time stamp (the updater writes from one thread at a time).
#pragma once

#include <string>
#include <string_view>

namespace nimbrook {

class UpdaterLog {
 public:
  // file: the log's full path (program directory + "Nimbrook.log").
  explicit UpdaterLog(std::wstring file) : file_(std::move(file)) {}

  // Appends text (its bytes unconverted) with "\n" added when it lacks one. restart empties the file
  // first and starts it with the UTF-8 byte-order mark. An empty text writes nothing; a file that
  // cannot be opened loses the line.
  void Write(std::string_view text, bool restart = false) const;

  const std::wstring& File() const { return file_; }

 private:
  std::wstring file_;
};

}  // namespace nimbrook
