// A fixed ring of 800 particles that fly and fall in world space, drawn as textured squares.
#include "gfx/ParticleManager.h"

#include "platform/GL.h"

#include "gfx/Texture.h"

namespace {

// Gravity, world units per millisecond squared (5 units per second squared).
constexpr double Gravity = -0.000005;
// Particles that fall below this height are long out of sight and are retired.
constexpr double FloorY = -10.0;
// Half the side of a particle's square, world units.
constexpr double Half = 0.05;

// One particle's square at depth Z, inside the caller's GL_QUADS. The texture holds two sprites
// stacked along t; each is shown with t falling from the bottom edge of the square to its top
// edge.
void DrawParticle(const ParticleStruct& p) {
  const float bottomT = p.Sprite ? 0.5f : 1.0f;
  const float topT = bottomT - 0.5f;
  const float left = static_cast<float>(p.X - Half);
  const float right = static_cast<float>(p.X + Half);
  const float bottom = static_cast<float>(p.Y - Half);
  const float top = static_cast<float>(p.Y + Half);
  glTexCoord2f(0, bottomT);
  glVertex3f(left, bottom, p.Z);
  glTexCoord2f(1, bottomT);
  glVertex3f(right, bottom, p.Z);
  glTexCoord2f(1, topT);
  glVertex3f(right, top, p.Z);
  glTexCoord2f(0, topT);
  glVertex3f(left, top, p.Z);
}

}  // namespace

ParticleManager::ParticleManager() {
  // The pool is made once; Add and Render never allocate.
  Particles.reserve(PoolSize);
  Particles.insert(Particles.end(), PoolSize, ParticleStruct{});
}

bool ParticleManager::LoadTexture(const char* filename) {
  // The game's own loader; on failure it has made no texture, so the old one is kept.
  const unsigned name = ::LoadTexture(filename);
  if (name == NoTexture)
    return false;
  Texture = name;
  return true;
}

void ParticleManager::Add(float x, float y, float z, float vx, float vy, float vz, bool sprite) {
  // The ring: the entry written longest ago is replaced, live or not.
  if (Next == PoolSize)
    Next = 0;
  ParticleStruct& p = Particles[Next];
  p.X = x;
  p.Y = y;
  p.Z = z;
  p.VelX = vx;
  p.VelY = vy;
  p.VelZ = vz;
  p.Active = true;
  p.Sprite = sprite;
  Next++;
}

void ParticleManager::Move(double dt) {
  for (ParticleStruct& p : Particles) {
    if (!p.Active)
      continue;
    if (p.Y < FloorY) {
      p.Active = false;
      continue;
    }
    // Position moves with the velocity from before this step's gravity.
    p.X = static_cast<float>(p.X + dt * p.VelX);
    p.Y = static_cast<float>(p.Y + dt * p.VelY);
    p.Z = static_cast<float>(p.Z + dt * p.VelZ);
    p.VelY = static_cast<float>(p.VelY + dt * Gravity);
  }
}

void ParticleManager::Draw() const {
  // Sprite colours are added as they stand; the background is dimmed by the sprite's alpha.
  glEnable(GL_BLEND);
  glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
  glBindTexture(GL_TEXTURE_2D, Texture);
  glDisable(GL_LIGHTING);
  // The case still hides particles behind it, but particles never hide one another.
  glDepthMask(GL_FALSE);

  // All squares in one batch, in ring order: a renderer that pays for each draw call (the web's
  // software WebGL most of all) would otherwise spend more on 800 calls than on their pixels.
  glBegin(GL_QUADS);
  for (const ParticleStruct& p : Particles)
    if (p.Active)
      DrawParticle(p);
  glEnd();

  glDisable(GL_BLEND);
  glDepthMask(GL_TRUE);
}

void ParticleManager::Release() {
  if (Texture != NoTexture)
    glDeleteTextures(1, &Texture);
  Texture = NoTexture;
}
