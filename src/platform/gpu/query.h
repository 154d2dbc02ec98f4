#pragma once

// gpu::Query: D3D11's timestamp queries, for measuring what the GPU spends on parts of a frame.
//
// A Timestamp query records the GPU clock when End is called on the immediate context; a TimestampDisjoint query
// brackets the timestamps (Begin ... End) and answers the clock's frequency and whether the readings are usable.
// GetData answers SFalse until the GPU has got there (pass DONOTFLUSH to only look). On GL a timestamp is a
// glQueryCounter on a query object of the immediate context's (GL query objects are not shared between
// contexts), so queries are made and used on the device's own thread. Where the driver has no timer
// (DeviceCaps::timestampBits 0), CreateQuery answers Unsupported.

#include <cstdint>

#include <epoxy/gl.h>

#include "platform/gpu/device_child.h"

namespace gpu {

enum class QueryType : std::uint32_t { Timestamp = 2, TimestampDisjoint = 3 };

struct QueryDesc {
    QueryType Query = QueryType::Timestamp;
    std::uint32_t MiscFlags = 0;
};

struct QueryDataTimestampDisjoint {
    std::uint64_t Frequency = 0;  // ticks per second
    bool Disjoint = true;         // true: the timestamps in between are not to be used
};

enum AsyncGetDataFlag : std::uint32_t { ASYNC_GETDATA_DONOTFLUSH = 0x1 };

class Query final : public DeviceChild {
public:
    Query(Device* device, const QueryDesc& desc, GLuint query) : DeviceChild(device), desc_(desc), query_(query) {}
    ~Query() override;
    const QueryDesc& GetDesc() const { return desc_; }
    static std::string checkDesc(const QueryDesc& desc);

    // Layer internals: the GL query (0 for the disjoint kind, which GL has no object for).
    GLuint glName() const { return query_; }
    bool issued = false;  // End was called since creation
    bool open = false;    // between Begin and End (the disjoint kind)

private:
    QueryDesc desc_;
    GLuint query_;
};

}  // namespace gpu
