#include "viewer/ModAPI.h"

#include "platform/Files.h"
#include "platform/NativePath.h"
#include "platform/PathFunctions.h"
#include "platform/Process.h"

bool DetachedProgramStarter::Start(const std::string& program, const std::vector<std::string>& nativeArguments) {
  const bool bareName = program.find_first_of("/\\") == std::string::npos && !platform::IsDrivePath(program);
  if (bareName && !program.empty()) {
    const std::string besideUs = GetModuleDirectory() + "/" + program;
    if (platform::PathExists(besideUs) && !platform::IsDirectory(besideUs) &&
        platform::StartDetached(besideUs, nativeArguments))
      return true;
  }
  return platform::StartDetached(program, nativeArguments);
}
