#include "platform/shader_compiler/varying_locations.h"

#include "platform/shader_compiler/input_signature.h"

#include <mutex>
#include <unordered_map>

namespace shader_compiler {
namespace {

// Fixed places for the usual semantics, so translations do not depend on the order files are compiled in.
struct FixedRange {
    const char* name;
    std::uint32_t base;
    std::uint32_t size;
};
constexpr FixedRange kFixed[] = {{"TEXCOORD", 0, 16}, {"COLOR", 16, 4},    {"NORMAL", 20, 1},
                                 {"TANGENT", 21, 1},  {"BINORMAL", 22, 1}, {"POSITION", 23, 2}};
constexpr std::uint32_t kFirstFree = 25;

}  // namespace

std::int32_t varyingLocation(const std::string& semantic, std::uint32_t count) {
    std::string name;
    std::uint32_t index = 0;
    splitSemantic(semantic, &name, &index);
    for (const FixedRange& range : kFixed) {
        if (name == range.name) {
            if (index + count > range.size) break;  // beyond the fixed range: a free place below
            return static_cast<std::int32_t>(range.base + index);
        }
    }
    static std::mutex mutex;
    static std::unordered_map<std::string, std::uint32_t> assigned;
    static std::uint32_t next = kFirstFree;
    std::lock_guard lock(mutex);
    auto found = assigned.find(semantic);
    if (found != assigned.end()) return static_cast<std::int32_t>(found->second);
    if (next + count > kVaryingLocations) return -1;
    assigned.emplace(semantic, next);
    next += count;
    return static_cast<std::int32_t>(next - count);
}

}  // namespace shader_compiler
