// The report of a failed start on Windows: GL_ERROR.txt beside the game, in the folder it plays in,
// as a player of the zip finds it. An installed game's folder is in Program Files, which a player
// may not write: there the report goes to %APPDATA%\Sieve Rush\, the folder of the player's kept
// files, made if need be, where the player's README points.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "platform/Shell.h"

namespace {

// In text mode, so that each line ends in CR LF as Windows' text files do. False when the file
// cannot be made or was not written whole.
bool WriteReport(const std::wstring& path, const std::string& text) {
  std::FILE* report = _wfopen(path.c_str(), L"w");
  if (!report)
    return false;
  const bool written = std::fputs(text.c_str(), report) >= 0;
  return std::fclose(report) == 0 && written;
}

}  // namespace

void ReportFailedStart(const std::string& text) {
  if (WriteReport(L"GL_ERROR.txt", text))
    return;
  const wchar_t* appData = _wgetenv(L"APPDATA");
  if (!appData || !*appData)
    return;
  const std::wstring folder = std::wstring(appData) + L"\\Sieve Rush";
  CreateDirectoryW(folder.c_str(), nullptr);  // fails harmlessly where it is there already
  WriteReport(folder + L"\\GL_ERROR.txt", text);
}
