// Steady play allocates nothing: 1,000 frames of the real game session (status text, picking,
// particles, leak ticks, hole and patch painting) in the shell's real window, with the global
// allocation functions of this program replaced by counting ones.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <vector>

#include "app/Shell.h"
#include "game/GL.h"
#include "game/Leak.h"
#include "game/Picking.h"
#include "game/Session.h"
#include "gfx/TexRender.h"

// Sanitizers bring allocators of their own; there only operator new is counted.
#if defined(__SANITIZE_ADDRESS__)
#define SIEVERUSH_COUNT_MALLOC 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SIEVERUSH_COUNT_MALLOC 0
#endif
#endif
#ifndef SIEVERUSH_COUNT_MALLOC
#define SIEVERUSH_COUNT_MALLOC 1
#endif

// The block behind operator new, not counted again as a malloc call.
void* Block(std::size_t size);

namespace {

// Allocations seen while Counting is set. The OpenGL driver's threads call in too.
std::atomic<bool> Counting = false;
std::atomic<long> NewCalls = 0;
std::atomic<long> MallocCalls = 0;

void* CountedNew(std::size_t size) {
  if (Counting)
    ++NewCalls;
  if (void* p = Block(size ? size : 1))
    return p;
  throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t size) {
  return CountedNew(size);
}
void* operator new[](std::size_t size) {
  return CountedNew(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return CountedNew(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
  return operator new(size, tag);
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete[](void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  std::free(p);
}

#if SIEVERUSH_COUNT_MALLOC
// The C allocator too, for the game's code calling it directly. The game is linked statically
// into this program, so a call from the program's own code is a call from the game (or from
// this test). Mesa and Xlib, shared libraries, allocate a few dozen blocks in every frame for
// their own bookkeeping; those calls come from outside the program and are not the game's.
extern "C" {
extern char __executable_start[];
extern char etext[];
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
}

namespace {
void CountMalloc(const void* caller) {
  if (Counting && caller >= __executable_start && caller < etext)
    ++MallocCalls;
}
}  // namespace

void* Block(std::size_t size) {
  return __libc_malloc(size);
}

extern "C" {
void* malloc(std::size_t size) {
  CountMalloc(__builtin_return_address(0));
  return __libc_malloc(size);
}
void* calloc(std::size_t count, std::size_t size) {
  CountMalloc(__builtin_return_address(0));
  return __libc_calloc(count, size);
}
void* realloc(void* p, std::size_t size) {
  CountMalloc(__builtin_return_address(0));
  return __libc_realloc(p, size);
}
}
#else
void* Block(std::size_t size) {
  return std::malloc(size);
}
#endif

namespace {

// Where the pointer rests, window pixels from the top-left: on the case.
constexpr int PointerX = 400;
constexpr int PointerY = 300;
constexpr int WarmUpFrames = 300;
constexpr int CountedFrames = 1000;
// Every this many frames a hole opens under the held pointer, to be picked and patched.
constexpr int PatchEvery = 25;

int Paintings = 0;

// TexRender, counted, so the test knows holes and patches were painted.
void CountingPaint(unsigned base, unsigned target, unsigned overlay, int cell, bool scatter) {
  ++Paintings;
  TexRender(base, target, overlay, cell, scatter);
}

class SteadyPlay : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    InitWindow(ScreenWidth, ScreenHeight, 32);
    std::filesystem::current_path(SIEVERUSH_PLAY_DIR);
  }

  // The hole id under the pointer, from a picking pass of the case as it stands.
  int IdUnderPointer() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    Game.SetCamera();
    glRotatef(Game.Angle, 0, 1, 0);
    DrawSelect();
    glPopMatrix();
    return ReadPick(PointerX, PointerY);
  }

  // Opens a hole under the pointer in the lowest free slot (freeing the last one if all are
  // open), as a leak tick would; the next frame's picking closes it and paints the patch.
  void OpenHoleUnderPointer(int id) {
    ParticleStruct* free = &Game.Holes[HoleSlots - 1];
    for (ParticleStruct& slot : Game.Holes) {
      if (!slot.Active) {
        free = &slot;
        break;
      }
    }
    const int face = static_cast<int>(FaceOfHole(id));
    for (int row = 0; row < FaceRows; ++row)
      for (int column = 0; column < SideColumns; ++column)
        if (HoleId(FaceOfHole(id), column, row) == id) {
          PlaceLeak(free, face, row, column);
          PaintHole(Game.Paint, Game.Tex, Game.Tex.HoleTex, id, false);
          return;
        }
  }

  // One frame of play; the RAM is topped up first so the game never reaches its game-over
  // screen, which waits for a key.
  void PlayFrame(bool counted) {
    Game.Ram = StartRam;
    Counting = counted;
    Game.Frame();
    Counting = false;
  }

  GameSession Game;
};

TEST(AllocationCounter, SeesAllocations) {
  Counting = true;
  std::vector<int>* v = new std::vector<int>(100);
  void* raw = std::malloc(10);
  Counting = false;
  EXPECT_EQ(NewCalls.load(), 2);
  if (SIEVERUSH_COUNT_MALLOC) {
    EXPECT_EQ(MallocCalls.load(), 1);
  }
  std::free(raw);
  delete v;
  NewCalls = MallocCalls = 0;
}

TEST_F(SteadyPlay, ThousandFramesAllocateNothing) {
  Game.Paint = CountingPaint;
  Game.SetFixedState();
  ASSERT_TRUE(Game.LoadArt());
  Game.ClearSlots();
  std::srand(1);
  Game.Begin(GetTime());
  Mouse = {PointerX, PointerY, true, false};
  const int underPointer = IdUnderPointer();
  ASSERT_NE(underPointer, NoHole) << "the pointer must rest on the case";

  // The driver compiles its shaders the first time each drawing state is seen.
  for (int frame = 0; frame < WarmUpFrames; ++frame) {
    if (frame % PatchEvery == 0)
      OpenHoleUnderPointer(underPointer);
    PlayFrame(false);
  }
  NewCalls = MallocCalls = 0;
  Paintings = 0;
  for (int frame = 0; frame < CountedFrames; ++frame) {
    if (frame % PatchEvery == 0)
      OpenHoleUnderPointer(underPointer);
    PlayFrame(true);
  }

  EXPECT_EQ(NewCalls.load(), 0) << "operator new calls in " << CountedFrames << " frames";
  EXPECT_EQ(MallocCalls.load(), 0) << "malloc calls in " << CountedFrames << " frames";
  // The frames did the work they were meant to: patches painted (one per hole opened under the
  // pointer, painted by the frame that picked it), particles in flight, status text.
  EXPECT_GE(Paintings, CountedFrames / PatchEvery);
  int live = 0;
  for (const ParticleStruct& p : Game.LeakParticles.GetParticles())
    live += p.Active;
  EXPECT_GT(live, 0);
  EXPECT_EQ(Game.RamLine.View().substr(0, 15), "Remaining RAM: ");
}

}  // namespace
