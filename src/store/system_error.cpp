#include "system_error.h"

#include <cerrno>

namespace {

const char* commonReason(int error) {
  switch (error) {
    case ENOENT:
      return "没有那个文件或文件夹";
    case EACCES:
    case EPERM:
      return "权限不够";
    case ENOSPC:
      return "磁盘空间不足";
    case EDQUOT:
      return "超出磁盘配额";
    case EROFS:
      return "只读文件系统";
    case EISDIR:
      return "是文件夹";
    case ENOTDIR:
      return "路径中有一段不是文件夹";
    case EFBIG:
      return "超出文件大小上限";
    case ENAMETOOLONG:
      return "文件名太长";
    case ELOOP:
      return "符号链接层数过多";
    case EIO:
      return "输入输出错误";
    case EMFILE:
    case ENFILE:
      return "打开的文件太多";
    case ENOMEM:
      return "内存不足";
    default:
      return nullptr;
  }
}

}  // namespace

SystemStatus SystemStatus::failure() { return {true, errno}; }

std::string systemReason(int error) {
  if (error == 0) return "";
  const char* common = commonReason(error);
  if (common != nullptr) return std::string("（") + common + "）";
  return "（系统错误号 " + std::to_string(error) + "）";
}
