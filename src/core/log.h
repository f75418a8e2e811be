// The client's diagnostic log: "nimbrook.log" in the program directory, UTF-8, emptied at every start
// and then appended to one line per call. Callers pass finished texts; nothing is added but the line end.
#pragma once

#include <string>

namespace nimbrook {

// Empties the log file (the process paths' logFile, or the file given to SetLogFile) and writes the
// UTF-8 byte-order mark. Called once at start-up.
void ResetLog();

// Appends the text as UTF-8 plus "\n" unless it already ends with one. An empty text writes nothing.
// restart true empties the file first and writes the byte-order mark before the text.
void WriteLog(const std::wstring& text, bool restart = false);

// Redirects the log (tests, companion programs). An empty path restores the process paths' log file.
void SetLogFile(const std::wstring& path);

}  // namespace nimbrook
