#include "viewer/support/RunTimeError.h"

#include <cerrno>
#include <cstring>

void RaiseOpenError(int errorNumber, const std::string& nativePath, bool creating) {
  RunTimeErrorCode code = RunTimeErrorCode::PathFileAccess;
  switch (errorNumber) {
    case ENOENT: code = creating ? RunTimeErrorCode::PathNotFound : RunTimeErrorCode::FileNotFound; break;
    case ENOTDIR: code = RunTimeErrorCode::PathNotFound; break;
    case EACCES:
    case EPERM:
    case EROFS: code = RunTimeErrorCode::PermissionDenied; break;
    case EIO: code = RunTimeErrorCode::DeviceIo; break;
    default: break;
  }
  throw RunTimeError(code, nativePath + ": " + std::strerror(errorNumber));
}
