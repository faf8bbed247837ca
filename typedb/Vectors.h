#pragma once

#include <cstddef>

// Host storage of the vector and matrix field types: little-endian IEEE 754
// single-precision floats, no gaps.
namespace lm {

struct Vec2 {
    float x;  // 0x00
    float y;  // 0x04
};
static_assert(sizeof(Vec2) == 8);
static_assert(offsetof(Vec2, x) == 0x00);
static_assert(offsetof(Vec2, y) == 0x04);

struct Vec3 {
    float x;  // 0x00
    float y;  // 0x04
    float z;  // 0x08
};
static_assert(sizeof(Vec3) == 12);
static_assert(offsetof(Vec3, x) == 0x00);
static_assert(offsetof(Vec3, y) == 0x04);
static_assert(offsetof(Vec3, z) == 0x08);

struct Vec4 {
    float x;  // 0x00
    float y;  // 0x04
    float z;  // 0x08
    float w;  // 0x0C
};
static_assert(sizeof(Vec4) == 16);
static_assert(offsetof(Vec4, x) == 0x00);
static_assert(offsetof(Vec4, y) == 0x04);
static_assert(offsetof(Vec4, z) == 0x08);
static_assert(offsetof(Vec4, w) == 0x0C);

// Sixteen floats, seen as four consecutive rows.
struct Matrix4 {
    Vec4 rows[4];  // 0x00, 0x10, 0x20, 0x30
};
static_assert(sizeof(Matrix4) == 64);
static_assert(offsetof(Matrix4, rows) == 0x00);

}  // namespace lm
