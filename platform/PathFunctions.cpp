#include "platform/PathFunctions.h"

#include "platform/CodePage.h"
#include "platform/FileSearch.h"
#include "platform/Files.h"
#include "platform/NativePath.h"

std::string GetModuleDirectory() {
  const std::string exe = platform::ModuleFilePath();
  const std::size_t slash = exe.rfind('/');
  return slash == std::string::npos ? std::string() : exe.substr(0, slash);
}

bool FileExists(std::string_view path) { return !platform::FindFiles(path).empty(); }

bool DirectoryExists(std::string_view path) {
  std::string text(path);
  // A drive's root ("c:\") keeps its separator: without it the text no
  // longer names the drive.
  const bool driveRoot = text.size() == 3 && platform::IsDrivePath(text);
  if (!driveRoot && !text.empty() && (text.back() == '/' || (text.back() == '\\' && platform::IsDrivePath(text))))
    text.pop_back();
  return platform::PathExists(text);
}

std::string WritableFilePath(std::string_view fileName, UserFileKind kind) {
  return WritableFilePath(GetModuleDirectory(), fileName, kind);
}

bool IsInstalledProgramFolder(std::string_view moduleDirectory) {
  return platform::PathExists(std::string(moduleDirectory) + "/" + GLYPHWELL_INSTALL_MARK);
}

std::string WritableFilePath(std::string_view moduleDirectory, std::string_view fileName, UserFileKind kind) {
  std::string folder(moduleDirectory);
  if (!platform::IsWritableFolder(folder.empty() ? "/" : folder) || IsInstalledProgramFolder(folder)) {
    const std::string native = platform::UserFolder(kind == UserFileKind::Settings ? platform::UserFolderKind::Settings
                                                                                    : platform::UserFolderKind::Data);
    platform::MakePrivateFolders(native);
    folder = platform::Utf8ToAnsiOrRaw(native);
  }
  return folder + "/" + std::string(fileName);
}

std::string ShippedFileFolder(ShippedFileKind kind) { return ShippedFileFolder(GetModuleDirectory(), kind); }

std::string ShippedFileFolder(std::string_view moduleDirectory, ShippedFileKind kind) {
  std::string folder(moduleDirectory);
  if (!IsInstalledProgramFolder(folder)) return folder;
  // The path from the install's program folder climbs out of it; the climb is
  // taken off the text so that messages name the folder plainly.
  std::string_view relative = kind == ShippedFileKind::Helper ? GLYPHWELL_INSTALL_HELPERS : GLYPHWELL_INSTALL_MANUAL;
  while (relative.substr(0, 3) == "../") {
    const std::size_t slash = folder.rfind('/');
    if (slash == std::string::npos) break;
    folder.erase(slash);
    relative.remove_prefix(3);
  }
  return folder + "/" + std::string(relative);
}
