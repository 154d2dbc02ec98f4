#include "platform/gpu/result.h"

namespace gpu {

const char* resultName(Result r) {
    switch (r) {
        case Result::Ok: return "S_OK";
        case Result::SFalse: return "S_FALSE";
        case Result::NotImplemented: return "E_NOTIMPL";
        case Result::NoInterface: return "E_NOINTERFACE";
        case Result::Fail: return "E_FAIL";
        case Result::OutOfMemory: return "E_OUTOFMEMORY";
        case Result::InvalidArg: return "E_INVALIDARG";
        case Result::InvalidCall: return "DXGI_ERROR_INVALID_CALL";
        case Result::Unsupported: return "DXGI_ERROR_UNSUPPORTED";
    }
    return "unknown result";
}

}  // namespace gpu
