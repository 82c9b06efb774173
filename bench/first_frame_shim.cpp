// Preloaded into a GLFW program (LD_PRELOAD) to time its start: at the program's first
// glfwSwapBuffers it presents the frame, waits for GL to finish it, writes the CLOCK_MONOTONIC
// time in nanoseconds (a decimal number and a newline) to the file named by
// SIEVERUSH_FIRST_FRAME_TIME_FILE and ends the process at once with status 0. The program must
// take GLFW from its shared library, as the game does on Linux, for the preload to see the call.
//
// SIEVERUSH_FIRST_FRAME_PICTURE=FILE.ppm also keeps what that first present shows: the frame
// is read back before it is presented, which costs time, so such a run shows what is timed
// but is not itself a timing.
//
// Without SIEVERUSH_FIRST_FRAME_TIME_FILE the shim passes every call through and does nothing
// else. A time it cannot write ends the process with status ShimFailed and a message on
// standard error, never with 0.
#include <GLFW/glfw3.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

namespace {

constexpr int ShimFailed = 3;

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "first_frame_shim: %s\n", what);
  std::fflush(stderr);
  _exit(ShimFailed);
}

// `name` as the next library after this one has it (GLFW's own function), or the first one
// loaded (GL's entry points, which the shim does not link), else the process ends.
template <typename Function>
Function Find(void* where, const char* name) {
  void* found = dlsym(where, name);
  if (found == nullptr)
    Fail(name);
  return reinterpret_cast<Function>(found);
}

// All of `size` bytes to `file`, whatever the pieces write() takes at a time.
bool WriteAll(int file, const void* data, size_t size) {
  const char* bytes = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t written = write(file, bytes, size);
    if (written <= 0)
      return false;
    bytes += written;
    size -= static_cast<size_t>(written);
  }
  return true;
}

bool WriteFile(const char* path, const std::vector<char>& data) {
  const int file = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (file < 0)
    return false;
  const bool written = WriteAll(file, data.data(), data.size());
  return close(file) == 0 && written;
}

// The window's back buffer, about to be presented, as a binary PPM, top row first.
void KeepPicture(GLFWwindow* window, const char* path) {
  int width = 0, height = 0;
  Find<void (*)(GLFWwindow*, int*, int*)>(RTLD_NEXT, "glfwGetFramebufferSize")(window, &width,
                                                                               &height);
  if (width <= 0 || height <= 0)
    Fail("the window has no pixels to keep");
  const size_t row = static_cast<size_t>(width) * 3;
  std::vector<char> pixels(row * static_cast<size_t>(height));
  Find<void (*)(GLenum, GLint)>(RTLD_DEFAULT, "glPixelStorei")(GL_PACK_ALIGNMENT, 1);
  Find<void (*)(GLenum)>(RTLD_DEFAULT, "glReadBuffer")(GL_BACK);
  Find<void (*)(GLint, GLint, GLsizei, GLsizei, GLenum, GLenum, void*)>(
      RTLD_DEFAULT, "glReadPixels")(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
  char header[64];
  const int headerSize = std::snprintf(header, sizeof header, "P6\n%d %d\n255\n", width, height);
  std::vector<char> file(header, header + headerSize);
  for (int y = height - 1; y >= 0; --y) {
    const auto start = pixels.begin() + static_cast<std::ptrdiff_t>(row * y);
    file.insert(file.end(), start, start + static_cast<std::ptrdiff_t>(row));
  }
  if (!WriteFile(path, file))
    Fail("could not write the picture of the first frame");
}

}  // namespace

// GLFW's entry, taken in place of the library's by the dynamic linker.
void glfwSwapBuffers(GLFWwindow* window) {
  static const auto swap = Find<void (*)(GLFWwindow*)>(RTLD_NEXT, "glfwSwapBuffers");
  const char* timeFile = std::getenv("SIEVERUSH_FIRST_FRAME_TIME_FILE");
  if (timeFile == nullptr) {
    swap(window);
    return;
  }
  const auto finish = Find<void (*)()>(RTLD_DEFAULT, "glFinish");
  if (const char* picture = std::getenv("SIEVERUSH_FIRST_FRAME_PICTURE"))
    KeepPicture(window, picture);
  swap(window);
  finish();
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  const long long nanoseconds = now.tv_sec * 1000000000LL + now.tv_nsec;
  char text[32];
  const int size = std::snprintf(text, sizeof text, "%lld\n", nanoseconds);
  if (!WriteFile(timeFile, std::vector<char>(text, text + size)))
    Fail("could not write the time of the first frame");
  _exit(0);
}
