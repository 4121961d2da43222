#include "finder/app/findings/Baseline.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <system_error>

#include "platform/Files.h"

namespace {

constexpr int kBaselineVersion = 1;

std::string Shown(std::string_view file) {
  std::string shown;
  findings::AppendTerminalSafe(shown, file);
  return shown;
}

// Keys of the file are JSON strings, so a name that is not UTF-8 is matched
// and written in the form JSON gives it (scratch holds that form).
std::string_view BaselineKey(std::string_view text, std::string& scratch) {
  if (findings::IsValidUtf8(text)) return text;
  scratch.clear();
  findings::AppendValidUtf8(scratch, text);
  return scratch;
}

// nlohmann's messages start with "[json.exception.parse_error.101] ".
std::string WithoutExceptionTag(const char* what) {
  std::string_view text = what;
  if (!text.empty() && text.front() == '[') {
    const std::size_t end = text.find("] ");
    if (end != std::string_view::npos) text.remove_prefix(end + 2);
  }
  return std::string(text);
}

}  // namespace

std::int64_t OccurrenceCounter::Next(std::string_view path, std::string_view text) {
  if (!started_ || path != path_) {
    path_.assign(path);
    started_ = true;
    counts_.clear();
  }
  auto found = counts_.find(text);
  if (found == counts_.end()) found = counts_.emplace(std::string(text), 0).first;
  return found->second++;
}

Baseline::Baseline(std::string folder) : relative_(std::move(folder)) {}

bool Baseline::Load(const std::string& file, bool missingIsEmpty, std::string& error) {
  files_.clear();
  entries_ = 0;
  haveCurrent_ = false;
  currentEntries_ = nullptr;
  std::string content;
  if (const int failure = platform::ReadWholeNativeFile(file, content); failure != 0) {
    if (failure == ENOENT && missingIsEmpty) return true;
    error = "cannot read the baseline " + Shown(file) + ": " + std::strerror(failure);
    return false;
  }
  const std::string malformed = "the baseline " + Shown(file) + " is malformed: ";
  nlohmann::json document;
  try {
    document = nlohmann::json::parse(content);
  } catch (const nlohmann::json::exception& parseError) {
    error = malformed + WithoutExceptionTag(parseError.what());
    return false;
  }
  if (!document.is_object()) {
    error = malformed + "it is no JSON object";
    return false;
  }
  const auto version = document.find("version");
  if (version == document.end() || !version->is_number_integer() || *version != kBaselineVersion) {
    error = malformed + "\"version\" must be " + std::to_string(kBaselineVersion);
    return false;
  }
  const auto files = document.find("files");
  if (files == document.end() || !files->is_object()) {
    error = malformed + "\"files\" must be an object of paths";
    return false;
  }
  for (const auto& [path, texts] : files->items()) {
    if (!texts.is_object()) {
      error = malformed + "the entry of " + Shown(path) + " must be an object of texts and counts";
      return false;
    }
    // A path edited by hand ("./a.html", an absolute one) still matches.
    TextEntries& entries = files_[findings::RelativePath(path, relative_.Folder())];
    for (const auto& [text, count] : texts.items()) {
      if (!count.is_number_integer() || count.get<std::int64_t>() < 0) {
        error = malformed + "the count of " + Shown(text) + " in " + Shown(path) + " must be a whole number of 0 or more";
        return false;
      }
      entries[text].accepted = count.get<std::int64_t>();
      entries_ += count.get<std::int64_t>();
    }
  }
  return true;
}

bool Baseline::Accepts(const Finding& finding) {
  if (!haveCurrent_ || currentPath_ != finding.path) {
    const auto found = files_.find(std::string(BaselineKey(relative_.Relative(finding.path), scratch_)));
    currentEntries_ = found == files_.end() ? nullptr : &found->second;
    currentPath_ = finding.path;
    haveCurrent_ = true;
  }
  if (currentEntries_ == nullptr) return false;
  const auto found = currentEntries_->find(BaselineKey(finding.text, scratch_));
  if (found == currentEntries_->end()) return false;
  Entry& entry = found->second;
  entry.seen = std::max(entry.seen, finding.occurrence + 1);
  return finding.occurrence < entry.accepted;
}

std::int64_t Baseline::Gone(const Covered& covered) const {
  std::int64_t gone = 0;
  for (const auto& [path, texts] : files_) {
    if (!covered(path)) continue;
    for (const auto& [text, entry] : texts) gone += entry.accepted - std::min(entry.accepted, entry.seen);
  }
  return gone;
}

void Baseline::KeepUncovered(const Covered& covered, BaselineRecorder& recorder) const {
  for (const auto& [path, texts] : files_) {
    if (covered(path)) continue;
    for (const auto& [text, entry] : texts) recorder.AddEntry(path, text, entry.accepted);
  }
}

BaselineRecorder::BaselineRecorder(std::string folder) : relative_(std::move(folder)) {}

void BaselineRecorder::Add(const Finding& finding) {
  if (current_ == nullptr || finding.path != currentPath_) {
    currentPath_ = finding.path;
    current_ = &files_[std::string(BaselineKey(relative_.Relative(finding.path), scratch_))];
  }
  const std::string_view text = BaselineKey(finding.text, scratch_);
  if (const auto found = current_->find(text); found != current_->end()) {
    ++found->second;
  } else {
    current_->emplace(text, 1);
  }
}

void BaselineRecorder::AddEntry(const std::string& relativePath, const std::string& text, std::int64_t count) {
  if (count <= 0) return;
  files_[relativePath][text] += count;
  current_ = nullptr;  // the map may have moved nothing, but the next Add looks its file up again
}

std::string BaselineRecorder::Text() const {
  // Written directly rather than through a JSON tree: a large tree's
  // baseline holds a million entries, and the maps are sorted already (by
  // key bytes, which for UTF-8 is code point order).
  std::string text = "{\n  \"version\": " + std::to_string(kBaselineVersion) + ",\n  \"files\": {";
  const char* fileSeparator = "\n    ";
  for (const auto& [path, texts] : files_) {
    text += fileSeparator;
    fileSeparator = ",\n    ";
    findings::AppendJsonString(text, path);
    text += ": {";
    const char* textSeparator = "\n      ";
    for (const auto& [characters, count] : texts) {
      text += textSeparator;
      textSeparator = ",\n      ";
      findings::AppendJsonString(text, characters);
      text += ": " + std::to_string(count);
    }
    text += texts.empty() ? "}" : "\n    }";
  }
  text += files_.empty() ? "}\n}\n" : "\n  }\n}\n";
  return text;
}

bool BaselineRecorder::Write(const std::string& file, std::string& error) const {
  namespace fs = std::filesystem;
  const std::string cannot = "cannot write the baseline " + Shown(file) + ": ";
  std::error_code status;
  std::string target = file;
  // A baseline reached through a link stays a link: its target is replaced.
  if (fs::is_symlink(file, status)) {
    const fs::path resolved = fs::canonical(file, status);
    if (!status) target = resolved.string();
  }
  if (fs::is_directory(target, status)) {
    error = cannot + std::strerror(EISDIR);
    return false;
  }
  const std::string temporary = platform::CreateTemporaryBeside(target);
  if (temporary.empty()) {
    error = cannot + "no file can be made in its folder";
    return false;
  }
  const std::string content = Text();
  int failure = 0;
  const auto fail = [&failure] { failure = errno != 0 ? errno : EIO; };
  errno = 0;
  if (std::FILE* out = std::fopen(temporary.c_str(), "wb"); out == nullptr) {
    fail();
  } else {
    if (std::fwrite(content.data(), 1, content.size(), out) != content.size()) fail();
    // A full disk may show only when the last piece is written at the close.
    if (std::fclose(out) != 0 && failure == 0) fail();
  }
  if (failure != 0) {
    platform::RemoveNativeFile(temporary);
    error = cannot + std::strerror(failure);
    return false;
  }
  if (!platform::RenameNativeFile(temporary, target)) {
    const int renameError = errno;
    platform::RemoveNativeFile(temporary);
    error = cannot + std::strerror(renameError);
    return false;
  }
  return true;
}
