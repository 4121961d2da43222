// The viewer's run-time errors. An operation that fails raises one of these to
// its caller and ends; the window code catches them, so that the viewer never
// ends on one. The numbers are those the original runtime gave the errors.
#pragma once

#include <stdexcept>
#include <string>

enum class RunTimeErrorCode {
  Overflow = 6,
  FileNotFound = 53,
  DeviceIo = 57,
  PermissionDenied = 70,
  PathFileAccess = 75,
  PathNotFound = 76,
  DuplicateKey = 457,
};

class RunTimeError : public std::runtime_error {
 public:
  RunTimeError(RunTimeErrorCode code, const std::string& what) : std::runtime_error(what), code_(code) {}
  RunTimeErrorCode Code() const { return code_; }

 private:
  RunTimeErrorCode code_;
};

// The error for a failed open of a file (errno value), as the file functions
// name it: missing file, missing folder, no access, or some other failure.
// When creating, a missing name can only be a missing folder.
[[noreturn]] void RaiseOpenError(int errorNumber, const std::string& nativePath, bool creating = false);
