// Sentences every non-menu command prints alike.
#ifndef TOPOPLAN_REPORT_COMMAND_TEXT_H_
#define TOPOPLAN_REPORT_COMMAND_TEXT_H_

constexpr char kOutOfMemory[] = "✘ 内存不足，程序已终止。";
constexpr char kStdoutFailed[] = "✘ 无法写出标准输出！\n";

#endif  // TOPOPLAN_REPORT_COMMAND_TEXT_H_
