#include "platform/gpu/query.h"

#include "platform/gpu/device.h"
#include "platform/gpu/device_context.h"
#include "platform/gpu/gl_errors.h"

namespace gpu {

std::string Query::checkDesc(const QueryDesc& desc) {
    if (desc.Query != QueryType::Timestamp && desc.Query != QueryType::TimestampDisjoint) return "unknown query type";
    return desc.MiscFlags == 0 ? "" : "queries take no misc flags";
}

Query::~Query() {
    if (query_) device_->releaseGl(Device::GlKind::Query, query_);
}

Result Device::CreateQuery(const QueryDesc& desc, Ref<Query>* out) {
    if (out) *out = nullptr;
    if (std::string why = Query::checkDesc(desc); !why.empty()) return reportFailure(Result::InvalidArg, why.c_str());
    if (caps_.timestampBits == 0) return Result::Unsupported;
    if (!out) return Result::SFalse;
    if (!onOwnerThread()) return reportFailure(Result::InvalidCall, "queries belong to the device's own thread");
    GLuint query = 0;
    if (desc.Query == QueryType::Timestamp) {
        clearGlErrors();
        glGenQueries(1, &query);
        if (failed(takeGlErrors()) || query == 0) return reportFailure(Result::Fail, "query creation failed");
    }
    *out = Ref<Query>::adopt(new Query(this, desc, query));
    return Result::Ok;
}

void DeviceContext::Begin(Query* query) {
    if (query && query->GetDesc().Query == QueryType::TimestampDisjoint) query->open = true;
}

void DeviceContext::End(Query* query) {
    if (!query) return;
    if (query->GetDesc().Query == QueryType::Timestamp) glQueryCounter(query->glName(), GL_TIMESTAMP);
    query->open = false;
    query->issued = true;
}

Result DeviceContext::GetData(Query* query, void* data, std::uint32_t size, std::uint32_t flags) {
    if (!query || !query->issued || query->open) return Result::InvalidCall;
    if (query->GetDesc().Query == QueryType::TimestampDisjoint) {
        if (data && size != sizeof(QueryDataTimestampDisjoint)) return Result::InvalidArg;
        // GL's timestamps are nanoseconds, and GL has no disjoint event to report.
        if (data) *static_cast<QueryDataTimestampDisjoint*>(data) = {1'000'000'000u, false};
        return Result::Ok;
    }
    if (data && size != sizeof(std::uint64_t)) return Result::InvalidArg;
    GLuint available = 0;
    glGetQueryObjectuiv(query->glName(), GL_QUERY_RESULT_AVAILABLE, &available);
    if (!available) {
        if (!(flags & ASYNC_GETDATA_DONOTFLUSH)) glFlush();
        return Result::SFalse;
    }
    if (data) {
        GLuint64 ticks = 0;
        glGetQueryObjectui64v(query->glName(), GL_QUERY_RESULT, &ticks);
        *static_cast<std::uint64_t*>(data) = ticks;
    }
    return Result::Ok;
}

}  // namespace gpu
