// Preloaded into the game (LD_PRELOAD) to count the heap allocations its own code makes in each
// frame. Every malloc, calloc, realloc and aligned allocation of the process passes through here
// (operator new reaches malloc through the C++ library); one is counted when the first caller on
// its stack outside the C and C++ runtime (the C library, the C++ library and the parts of it the
// program carries, the unwinder and this library) lies in the program's own executable. Mesa, LLVM,
// X11 and GLFW allocate too, from their own shared libraries, and are left out, as is the C++
// library working for them.
//
// At each glfwSwapBuffers (one a frame: the game presents once a frame) the shim writes the
// count since the last present as one line to the file named by SIEVERUSH_ALLOC_LOG: line 1
// holds the start up to the first present, line N the end of frame N-1 (what follows its
// present) and frame N up to its present. With SIEVERUSH_ALLOC_WHERE set, each allocation counted
// after the first present also writes its line number and its stack to standard error (addresses
// in the executable as `sieverush(+0x...)`, for addr2line). Without
// SIEVERUSH_ALLOC_LOG the shim counts nothing and only passes the calls through.
#include <dlfcn.h>
#include <execinfo.h>
#include <fcntl.h>
#include <link.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* old, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
}

namespace {

struct Range {
  std::uintptr_t From = 0, To = 0;
};
// The program's executable segments, and the runtime's that lie between an allocation and its
// caller.
constexpr int MostRanges = 32;
Range Ours[MostRanges], Runtime[MostRanges];
int OursCount = 0, RuntimeCount = 0;

int Log = -1;
bool Where = false;
std::atomic<unsigned long> Counted{0};
std::atomic<unsigned long> Frame{0};
// Set while this thread is inside the shim, so that what the unwinder allocates is not looked at.
thread_local bool Busy __attribute__((tls_model("initial-exec"))) = false;

bool In(const Range* ranges, int count, std::uintptr_t address) {
  for (int i = 0; i < count; ++i)
    if (address >= ranges[i].From && address < ranges[i].To)
      return true;
  return false;
}

bool IsRuntime(const char* path) {
  const char* name = std::strrchr(path, '/');
  name = name ? name + 1 : path;
  for (const char* runtime : {"libc.so", "libstdc++.so", "libgcc_s.so", "alloc_count.so"})
    if (std::strncmp(name, runtime, std::strlen(runtime)) == 0)
      return true;
  return false;
}

int AddSegments(dl_phdr_info* info, size_t, void*) {
  // The first object listed is the program itself, with an empty name.
  const bool program = OursCount == 0 && info->dlpi_name[0] == '\0';
  if (!program && !IsRuntime(info->dlpi_name))
    return 0;
  for (int i = 0; i < info->dlpi_phnum; ++i) {
    const ElfW(Phdr)& segment = info->dlpi_phdr[i];
    if (segment.p_type != PT_LOAD || (segment.p_flags & PF_X) == 0)
      continue;
    const Range range{info->dlpi_addr + segment.p_vaddr,
                      info->dlpi_addr + segment.p_vaddr + segment.p_memsz};
    if (program && OursCount < MostRanges)
      Ours[OursCount++] = range;
    else if (!program && RuntimeCount < MostRanges)
      Runtime[RuntimeCount++] = range;
  }
  return 0;
}

void Look(size_t size) {
  if (Log < 0 || Busy)
    return;
  Busy = true;
  void* stack[24];
  const int depth = backtrace(stack, 24);
  for (int i = 0; i < depth; ++i) {
    const auto address = reinterpret_cast<std::uintptr_t>(stack[i]);
    if (In(Runtime, RuntimeCount, address))
      continue;
    // Built as C++20, the program carries copies of some of std::string's members and exports
    // them, so every library's calls to them (LLVM's, compiling Mesa's shaders) land there: code
    // the program exports is the C++ library's, whoever called it. Looked up a byte before the
    // return address, which may lie just past the end of its function.
    Dl_info symbol;
    if (In(Ours, OursCount, address) &&
        dladdr(reinterpret_cast<void*>(address - 1), &symbol) != 0 && symbol.dli_saddr != nullptr)
      continue;
    if (In(Ours, OursCount, address)) {
      Counted.fetch_add(1);
      if (Where && Frame.load() > 0) {
        char line[96];
        const int n = std::snprintf(line, sizeof line, "allocation of %zu bytes, line %lu:\n", size,
                                    Frame.load() + 1);
        if (write(STDERR_FILENO, line, static_cast<size_t>(n)) < 0)
          break;
        backtrace_symbols_fd(stack, depth, STDERR_FILENO);
      }
    }
    break;
  }
  Busy = false;
}

__attribute__((constructor)) void Start() {
  const char* log = std::getenv("SIEVERUSH_ALLOC_LOG");
  if (log == nullptr)
    return;
  Busy = true;
  // The first backtrace loads the unwinder, which allocates: done here, before counting starts.
  void* warm[2];
  backtrace(warm, 2);
  dl_iterate_phdr(AddSegments, nullptr);
  Where = std::getenv("SIEVERUSH_ALLOC_WHERE") != nullptr;
  Log = open(log, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  Busy = false;
}

}  // namespace

extern "C" {

void* malloc(size_t size) {
  Look(size);
  return __libc_malloc(size);
}
void* calloc(size_t count, size_t size) {
  Look(count * size);
  return __libc_calloc(count, size);
}
void* realloc(void* old, size_t size) {
  Look(size);
  return __libc_realloc(old, size);
}
void* memalign(size_t alignment, size_t size) {
  Look(size);
  return __libc_memalign(alignment, size);
}
void* aligned_alloc(size_t alignment, size_t size) {
  Look(size);
  return __libc_memalign(alignment, size);
}
int posix_memalign(void** out, size_t alignment, size_t size) {
  if (alignment % sizeof(void*) != 0 || (alignment & (alignment - 1)) != 0)
    return EINVAL;
  Look(size);
  void* p = __libc_memalign(alignment, size);
  if (p == nullptr)
    return ENOMEM;
  *out = p;
  return 0;
}

// GLFW's entry, taken in place of the library's by the dynamic linker.
void glfwSwapBuffers(void* window) {
  static const auto swap = reinterpret_cast<void (*)(void*)>(dlsym(RTLD_NEXT, "glfwSwapBuffers"));
  if (Log >= 0) {
    char line[32];
    const int n = std::snprintf(line, sizeof line, "%lu\n", Counted.exchange(0));
    if (write(Log, line, static_cast<size_t>(n)) != n)
      std::abort();
    Frame.fetch_add(1);
  }
  swap(window);
}
}
