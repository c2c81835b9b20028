// The progress line of a long N-1 report, as a terminal shows it.
#ifndef TOPOPLAN_REPORT_PROGRESS_TEXT_H_
#define TOPOPLAN_REPORT_PROGRESS_TEXT_H_

#include <string>

// Back to the start of the line, and the line cleared from there.
constexpr char kProgressErase[] = "\r\033[K";

// The line, drawn over whatever the terminal's line held.
inline std::string progressLine(int done, int total, int secondsLeft) {
  return std::string(kProgressErase) + "进度：已完成 " + std::to_string(done) +
         " / " + std::to_string(total) + " 个场景，预计还需 " +
         std::to_string(secondsLeft) + " 秒";
}

#endif  // TOPOPLAN_REPORT_PROGRESS_TEXT_H_
