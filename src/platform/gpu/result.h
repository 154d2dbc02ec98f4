#pragma once

#include <cstdint>

namespace gpu {

// HRESULT-shaped outcome of a creation or mapping call: negative values are failures.
enum class Result : std::int32_t {
    Ok = 0,
    SFalse = 1,  // S_FALSE: validated, nothing created (no output asked for)
    NotImplemented = static_cast<std::int32_t>(0x80004001u),
    NoInterface = static_cast<std::int32_t>(0x80004002u),
    Fail = static_cast<std::int32_t>(0x80004005u),
    OutOfMemory = static_cast<std::int32_t>(0x8007000Eu),
    InvalidArg = static_cast<std::int32_t>(0x80070057u),
    InvalidCall = static_cast<std::int32_t>(0x887A0001u),  // DXGI_ERROR_INVALID_CALL
    Unsupported = static_cast<std::int32_t>(0x887A0004u),  // DXGI_ERROR_UNSUPPORTED
};

constexpr bool succeeded(Result r) { return static_cast<std::int32_t>(r) >= 0; }
constexpr bool failed(Result r) { return static_cast<std::int32_t>(r) < 0; }

const char* resultName(Result r);

}  // namespace gpu
