// What the non-menu programs say about the file they read, beside the
// loader's own refusals: where in the file a refusal was found, and the
// warnings about text they skipped. Strings only: no files, no streams.
#ifndef TOPOPLAN_REPORT_INPUT_TEXT_H_
#define TOPOPLAN_REPORT_INPUT_TEXT_H_

#include <string>
#include <vector>

// How messages name standard input, read for the input name "-".
constexpr char kStandardInputTitle[] = "标准输入";

// `refusal`, one line ending in a line break, with the place it names
// added at its end: "✘ …！（NAME 第N行）".
std::string refusalAtLine(const std::string& refusal, const std::string& name,
                          long long line);

// `refusal` about a network read from a GraphML file: "✘ …！（GraphML 文件
// NAME）". The GraphML's own lines are not the topology's.
std::string refusalInGraphml(const std::string& refusal,
                             const std::string& name);

// "⚠ NAME 第N行之后还有内容，未读取：…": text after the last record, which
// nearly always means a header whose counts were not updated.
std::string unreadTextWarning(const std::string& name, long long line);

// The warning for a UTF-8 byte order mark that was skipped.
std::string byteOrderMarkWarning(const std::string& name);

// "✘ 设备名 NAME 不唯一，可能是：CODE（DESCRIPTION）、…": a label that
// several devices carry, with their codes and labels; one line.
std::string ambiguousDeviceProblem(const std::string& name,
                                   const std::vector<std::string>& codes,
                                   const std::vector<std::string>& labels);

#endif  // TOPOPLAN_REPORT_INPUT_TEXT_H_
