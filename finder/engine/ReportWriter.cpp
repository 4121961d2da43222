#include "finder/engine/ReportWriter.h"

#include <cstring>
#include <unistd.h>

#include "platform/Files.h"

ReportWriter::ReportWriter(std::string path) : path_(std::move(path)) {}

ReportWriter::~ReportWriter() { Close(); }

void ReportWriter::SetFileName(std::string path) {
  path_ = std::move(path);
  lostLines_ = 0;
}

void ReportWriter::WriteLine(std::string_view text) {
  if (fd_ < 0) {
    fd_ = platform::OpenForWrite(path_);
    if (fd_ < 0) {
      ++lostLines_;
      return;
    }
    platform::GetIdentity(fd_, identity_);
  }
  const void* zero = std::memchr(text.data(), '\0', text.size());
  if (zero) text = text.substr(0, static_cast<std::size_t>(static_cast<const char*>(zero) - text.data()));
  line_.assign(text.data(), text.size());
  line_.append("\r\n", 2);
  if (!platform::WriteAll(fd_, line_.data(), line_.size())) {
    ++lostLines_;
    throw ReportWriteError("cannot write the report");
  }
}

void ReportWriter::WriteHeader(std::string_view path) {
  std::string header = "Input file:";
  header.append(path.data(), path.size());
  WriteLine(header);
}

bool ReportWriter::IsReport(int fd) const {
  platform::FileIdentity other;
  return fd_ >= 0 && platform::GetIdentity(fd, other) && other == identity_;
}

void ReportWriter::Close() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
}
