#pragma once

// Locations of the values passed from the vertex to the pixel stage, keyed by semantic (upper case, index
// included, e.g. "TEXCOORD1"). glslang numbers varyings by declaration order per shader, so a pixel shader that
// reads a subset of the vertex outputs would mislink; one table shared by every shader of the process keeps
// both sides on the same locations.

#include <cstdint>
#include <string>

namespace shader_compiler {

// First location of a value of `count` locations (a matrix or an array takes one per row or element, as
// D3D gives it consecutive semantic indices). -1 when the table is full.
std::int32_t varyingLocation(const std::string& semantic, std::uint32_t count);

// Locations the drivers in use give every stage (GL_MAX_VARYING_VECTORS in 4.5 core is 15 and more in practice;
// gpu::DeviceCaps reports the driver's).
constexpr std::uint32_t kVaryingLocations = 32;

}  // namespace shader_compiler
