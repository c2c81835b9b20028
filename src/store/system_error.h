// The reasons the operating system gives for a refusal, in the words the
// non-menu programs use. The menu's messages are fixed texts without them.
#ifndef TOPOPLAN_STORE_SYSTEM_ERROR_H_
#define TOPOPLAN_STORE_SYSTEM_ERROR_H_

#include <string>

// Whether a refusal's message names the operating system's reason.
enum class ErrorDetail {
  kDesigned,    // the menu's texts, without the reason
  kWithReason,  // the reason in brackets, where one is known
};

// What a call to the operating system came to: success, or a failure
// with the errno the failing call left, taken inside that call (before any
// clean-up or destructor could change it); 0 where the system named none.
struct SystemStatus {
  bool failed = false;
  int error = 0;
  // Reads errno: call it right where the failing call returned.
  static SystemStatus failure();
};

// "（权限不够）" for EACCES and the other common errno values, "（系统错误
// 号 N）" for the rest, and "" for 0 (no reason known).
std::string systemReason(int error);

// systemReason(error) for kWithReason, "" for kDesigned.
inline std::string systemReason(int error, ErrorDetail detail) {
  return detail == ErrorDetail::kWithReason ? systemReason(error) : "";
}

#endif  // TOPOPLAN_STORE_SYSTEM_ERROR_H_
