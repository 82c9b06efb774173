// A fixed ring of 800 particles that fly and fall in world space, drawn as textured squares.
#pragma once

#include <vector>

// A particle, and also one of the game's hole slots.
struct ParticleStruct {
  float X, Y, Z;           // position, world units
  float VelX, VelY, VelZ;  // velocity, world units per millisecond
  bool Active;             // live particle, or open hole
  bool Sprite;             // particles: which half of the particle texture is shown
  int Id;                  // hole slots: hole id
};

class ParticleManager {
public:
  static constexpr int PoolSize = 800;

  ParticleManager();

  // Loads the particle texture (two sprites stacked along t); false on failure, with the
  // texture in use left as it was.
  bool LoadTexture(const char* filename);
  // Starts one particle showing `sprite` (0 or 1), overwriting the ring's oldest entry.
  void Add(float x, float y, float z, float vx, float vy, float vz, bool sprite);
  // Moves every live particle by dt milliseconds. One that fell out of sight in the move before
  // is retired first: it was shown where it fell to once more.
  void Move(double dt);
  // Draws every live particle. Expects GL_TEXTURE_2D enabled; leaves lighting and blending off,
  // depth writes on and the particle texture bound.
  void Draw() const;
  // Gives the particle texture back to the GL (a session done with, while its context lives).
  void Release();

private:
  std::vector<ParticleStruct> Particles;
  unsigned Texture = 0xFFFFFFFFu;
  int Next = 0;
};
