// The report of a failed start on Linux and in the page: GL_ERROR.txt in the current folder, the
// player's own (the launcher plays in it; the page's is its in-memory folder, which it reads back).
#include <cstdio>

#include "platform/Shell.h"

void ReportFailedStart(const std::string& text) {
  std::FILE* report = std::fopen("GL_ERROR.txt", "w");
  if (!report)
    return;
  std::fputs(text.c_str(), report);
  std::fclose(report);
}
