// Leak streams.

#include "game/Leak.h"

#include "game/Compybox.h"

namespace {

// A cell is 0.3334 units wide (six of them overrun a face by 0.0004); half a cell is 0.1667.
// Both are floats, and each centre is summed in double and stored as float once: a row or
// column centre is that rounding of n * 0.3334 - 1 + 0.1667 (-0.8333, -0.4999, ... 0.8337),
// not the float step added up.
constexpr float Cell = 0.3334f;
constexpr float HalfCell = 0.1667f;

// Spray speed out of the face and upwards, world units per millisecond.
constexpr float Outward = 0.0025f;
constexpr float Upward = 0.0001f;

// Jitter of each emitted particle: sideways and in depth (n % 100 - 50) / 100000, upwards
// (n % 100) / 400000, in units per millisecond; the spray never points down.
constexpr float SidewaysJitter = 100000.0f;
constexpr float UpwardJitter = 400000.0f;

// Height of a row's centre; the same on every face.
float RowCentre(int row) {
  return static_cast<float>((static_cast<double>(Cell) * row - 1) + HalfCell);
}
// x of a side face column's centre; columns count from the x = +1 edge.
float SideColumnCentre(int column) {
  return static_cast<float>((-static_cast<double>(Cell) * column + 1) - HalfCell);
}
// z of an end face column's centre; columns count from the z = -0.5 edge.
float EndColumnCentre(int column) {
  return static_cast<float>(HalfCell + (static_cast<double>(Cell) * column - 0.5));
}

}  // namespace

VectorStruct RotateVector(float x, float y, float z, const double* m) {
  return {static_cast<float>(m[0] * x + m[4] * y + m[8] * z + m[12]),
          static_cast<float>(m[1] * x + m[5] * y + m[9] * z + m[13]),
          static_cast<float>(m[2] * x + m[6] * y + m[10] * z + m[14])};
}

int CreateLeak(ParticleStruct* slot, Random& dice) {
  const int face = dice.Next() % 4;
  const int row = dice.Next() % 6;
  // Faces 1 and 3 are the wide side faces with six columns; 0 and 2 the narrow end faces.
  const int column = dice.Next() % (face % 2 == 1 ? 6 : 3);
  return PlaceLeak(slot, face, row, column);
}

int PlaceLeak(ParticleStruct* slot, int face, int row, int column) {
  slot->Y = RowCentre(row);
  slot->VelY = Upward;
  switch (face) {
    case 0:  // -X end face
      slot->X = -1;
      slot->Z = EndColumnCentre(column);
      slot->VelX = -Outward;
      slot->VelZ = 0;
      break;
    case 1:  // +Z side face
      slot->X = SideColumnCentre(column);
      slot->Z = 0.5f;
      slot->VelX = 0;
      slot->VelZ = Outward;
      break;
    case 2:  // +X end face
      slot->X = 1;
      slot->Z = EndColumnCentre(column);
      slot->VelX = Outward;
      slot->VelZ = 0;
      break;
    default:  // -Z side face
      slot->X = SideColumnCentre(column);
      slot->Z = -0.5f;
      slot->VelX = 0;
      slot->VelZ = -Outward;
      break;
  }
  slot->Active = true;
  slot->Id = HoleId(static_cast<Face>(face), column, row);
  return slot->Id;
}

ParticleStruct LeakParticle(const ParticleStruct& hole, const double* viewRotation, int j1, int j2,
                            int j3) {
  // Holes are fixed to the case: its position and its spray direction turn with it. The
  // jitter is added afterwards, in the world.
  const VectorStruct p = RotateVector(hole.X, hole.Y, hole.Z, viewRotation);
  const VectorStruct v = RotateVector(hole.VelX, hole.VelY, hole.VelZ, viewRotation);
  ParticleStruct out = {};
  out.X = p.X;
  out.Y = p.Y;
  out.Z = p.Z;
  out.VelX = v.X + static_cast<float>(j3 % 100 - 50) / SidewaysJitter;
  out.VelY = v.Y + static_cast<float>(j2 % 100) / UpwardJitter;
  out.VelZ = v.Z + static_cast<float>(j1 % 100 - 50) / SidewaysJitter;
  return out;
}

void EmitLeak(ParticleManager& particles, const ParticleStruct& hole, const double* viewRotation,
              Random& dice) {
  const int j1 = dice.Next();
  const int j2 = dice.Next();
  const int j3 = dice.Next();
  const ParticleStruct p = LeakParticle(hole, viewRotation, j1, j2, j3);
  particles.Add(p.X, p.Y, p.Z, p.VelX, p.VelY, p.VelZ, dice.Next() & 1);
}
