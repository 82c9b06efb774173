// Leak streams: opening a hole at a random cell, carrying case coordinates into the world,
// and the spray each open hole emits on a leak tick.
#pragma once

#include "game/Random.h"
#include "gfx/ParticleManager.h"

struct VectorStruct {
  float X, Y, Z;
};

// The point (x, y, z, 1) times the column-major 4x4 matrix m (as glGetDoublev returns it);
// the bottom row is not used. The translation is added to directions too: the game passes a
// pure rotation.
VectorStruct RotateVector(float x, float y, float z, const double* m);

// Opens a hole in `slot` at a random cell of a random face and returns its hole id (1..108).
// Draws face, row, column. Does not look at other holes: two slots may end up on the same cell.
int CreateLeak(ParticleStruct* slot, Random& dice);

// The placing half of CreateLeak, for chosen draws: face 0..3 (-X, +Z, +X, -Z), row 0..5,
// column 0..5 on the side faces or 0..2 on the end faces.
int PlaceLeak(ParticleStruct* slot, int face, int row, int column);

// Start position and velocity of the particle that `hole` emits, turned into the world by
// `viewRotation` and jittered by the draws j1, j2, j3 (only X, Y, Z, VelX..VelZ are set).
ParticleStruct LeakParticle(const ParticleStruct& hole, const double* viewRotation, int j1, int j2,
                            int j3);

// Draws j1, j2, j3 and its sprite, and adds the particle that `hole` emits to `particles`.
void EmitLeak(ParticleManager& particles, const ParticleStruct& hole, const double* viewRotation,
              Random& dice);
