// Small vertex and index buffers share large GL buffers: the free list under them, their contents through every
// path that reads or writes them, and meshes of one arena drawn one after another by moving the base vertex.

#include <cstring>
#include <thread>

#include <gtest/gtest.h>

#include "platform/gpu/buffer_arena.h"
#include "support/gpu_test_support.h"

namespace {

using namespace gpu;
using Block = RangeAllocator::Block;

TEST(RangeAllocatorTest, FirstFitSplitsAlignsAndCoalesces) {
    // An operation: allocate `size` (aligned to `align`, expecting `offset`), or free [offset, offset + size).
    struct Op {
        bool allocate;
        std::uint32_t size, align, offset;
    };
    constexpr std::uint32_t kNone = RangeAllocator::kNone;
    const struct {
        const char* name;
        std::vector<Op> ops;
        std::vector<Block> freeAfter;
    } cases[] = {
        {"packs front to back", {{true, 16, 4, 0}, {true, 8, 4, 16}, {true, 40, 4, 24}}, {{64, 36}}},
        {"a hole is reused first",
         {{true, 16, 4, 0}, {true, 16, 4, 16}, {true, 16, 4, 32}, {false, 16, 0, 16}, {true, 8, 4, 16}},
         {{24, 8}, {48, 52}}},
        {"a hole too small is passed over",
         {{true, 16, 4, 0}, {true, 16, 4, 16}, {true, 16, 4, 32}, {false, 16, 0, 16}, {true, 20, 4, 48}},
         {{16, 16}, {68, 32}}},
        {"the gap before an aligned start stays free", {{true, 6, 4, 0}, {true, 8, 16, 16}}, {{6, 10}, {24, 76}}},
        {"freeing in any order merges into one block",
         {{true, 30, 4, 0}, {true, 30, 4, 32}, {true, 30, 4, 64}, {false, 30, 0, 32}, {false, 30, 0, 0},
          {false, 30, 0, 64}},
         {{0, 100}}},
        {"merges with the block after it", {{true, 50, 4, 0}, {false, 50, 0, 0}}, {{0, 100}}},
        {"an exact fit takes the whole block", {{true, 100, 4, 0}, {true, 4, 4, kNone}}, {}},
        {"too large and zero bytes fail", {{true, 101, 4, kNone}, {true, 0, 4, kNone}}, {{0, 100}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RangeAllocator ranges(100);
        for (const Op& op : c.ops) {
            if (op.allocate) {
                EXPECT_EQ(ranges.allocate(op.size, op.align), op.offset) << "allocating " << op.size;
            } else {
                ranges.free(op.offset, op.size);
            }
        }
        EXPECT_EQ(ranges.freeBlocks(), c.freeAfter);
        std::uint32_t free = 0;
        for (const Block& b : ranges.freeBlocks()) free += b.size;
        EXPECT_EQ(ranges.freeBytes(), free);
    }
}

class PooledBufferTest : public testing_support::ColourDrawTest {
protected:
    static constexpr std::uint32_t kSize = 8;
    void SetUp() override {
        HeadlessGpuTest::SetUp();
        if (HasFatalFailure()) return;
        setUpColourDraw(kSize, BIND_RENDER_TARGET, {0, 0, 0, 0});
    }

    std::vector<std::uint8_t> readBuffer(Buffer* buffer) {
        BufferDesc desc;
        desc.ByteWidth = buffer->GetDesc().ByteWidth;
        desc.Usage = Usage::Staging;
        desc.CPUAccessFlags = CPU_ACCESS_READ;
        Ref<Buffer> staging;
        EXPECT_EQ(device_->CreateBuffer(desc, nullptr, &staging), Result::Ok);
        if (!staging) return {};
        context_->CopyResource(staging.get(), buffer);
        MappedSubresource mapped;
        EXPECT_EQ(context_->Map(staging.get(), 0, MapType::Read, 0, &mapped), Result::Ok);
        const auto* bytes = static_cast<const std::uint8_t*>(mapped.pData);
        std::vector<std::uint8_t> out(bytes, bytes + desc.ByteWidth);
        context_->Unmap(staging.get(), 0);
        return out;
    }

    // (r, g, b) of pixel (x, y).
    std::vector<std::uint8_t> pixel(const std::vector<std::uint8_t>& pixels, std::uint32_t x, std::uint32_t y) {
        const std::size_t at = (y * kSize + x) * 4;
        return {pixels[at], pixels[at + 1], pixels[at + 2]};
    }
};

std::vector<std::uint8_t> pattern(std::uint32_t size, std::uint8_t seed) {
    std::vector<std::uint8_t> bytes(size);
    for (std::uint32_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(seed + i * 7);
    return bytes;
}

TEST_F(PooledBufferTest, ContentsReadAndWriteAtTheBuffersPlaceInItsArena) {
    const struct {
        const char* name;
        std::uint32_t bindFlags;
        Usage usage;
        std::uint32_t size;
        bool pooled;
    } cases[] = {
        {"immutable vertices", BIND_VERTEX_BUFFER, Usage::Immutable, 72, true},
        {"default indices of odd size", BIND_INDEX_BUFFER, Usage::Default, 6, true},
        {"default vertices", BIND_VERTEX_BUFFER, Usage::Default, 1000, true},
        {"one megabyte", BIND_VERTEX_BUFFER, Usage::Default, 1u << 20, true},
        {"over a megabyte", BIND_VERTEX_BUFFER, Usage::Default, (1u << 20) + 4, false},
        {"vertices and indices in one", BIND_VERTEX_BUFFER | BIND_INDEX_BUFFER, Usage::Default, 64, false},
        {"dynamic", BIND_VERTEX_BUFFER, Usage::Dynamic, 64, false},
    };
    // A neighbour on each side, so that reads and writes off by the buffer's offset show.
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<std::uint8_t> before = pattern(c.size, 1), contents = pattern(c.size, 50),
                                        after = pattern(c.size, 100);
        Ref<Buffer> left = testing_support::makeBuffer(*device_, c.bindFlags, before.data(), c.size, c.usage);
        Ref<Buffer> buffer = testing_support::makeBuffer(*device_, c.bindFlags, contents.data(), c.size, c.usage);
        Ref<Buffer> right = testing_support::makeBuffer(*device_, c.bindFlags, after.data(), c.size, c.usage);
        ASSERT_TRUE(left && buffer && right);
        EXPECT_EQ(buffer->pooled(), c.pooled);
        if (c.pooled && left->pooled()) {
            EXPECT_EQ(left->glName(), buffer->glName());
            EXPECT_GE(buffer->glOffset(), left->glOffset() + c.size);
        }
        EXPECT_EQ(readBuffer(buffer.get()), contents);
        if (c.usage != Usage::Default) continue;

        // UpdateSubresource of a range, then copies in and out of other pooled buffers.
        std::vector<std::uint8_t> expected = contents;
        const std::uint8_t patch[3] = {200, 201, 202};
        const Box box{c.size / 2, 0, 0, c.size / 2 + 3, 1, 1};
        context_->UpdateSubresource(buffer.get(), 0, &box, patch, 0, 0);
        std::memcpy(expected.data() + c.size / 2, patch, 3);
        EXPECT_EQ(readBuffer(buffer.get()), expected);
        context_->CopyResource(right.get(), buffer.get());
        EXPECT_EQ(readBuffer(right.get()), expected);
        context_->CopyResource(buffer.get(), left.get());
        EXPECT_EQ(readBuffer(buffer.get()), before);
        EXPECT_EQ(readBuffer(left.get()), before);
    }

    // Default buffers made without data start as zeros, also in a range an earlier buffer used.
    BufferDesc desc;
    desc.ByteWidth = 40;
    desc.BindFlags = BIND_VERTEX_BUFFER;
    Ref<Buffer> zeros;
    ASSERT_EQ(device_->CreateBuffer(desc, nullptr, &zeros), Result::Ok);
    EXPECT_EQ(readBuffer(zeros.get()), std::vector<std::uint8_t>(40, 0));
}

// Three triangles in three buffers of one arena, with their indices in three buffers of another: drawn one after
// the other, each must show its own vertices, however the draw reaches them.
TEST_F(PooledBufferTest, MeshesOfOneArenaDrawTheirOwnVertices) {
    const std::vector<float> left = {-1, 1, 1, 0, 0, 1, 0, 1, 1, 0, 0, 1, -1, -1, 1, 0, 0, 1,
                                     0,  1, 1, 0, 0, 1, 0, -1, 1, 0, 0, 1, -1, -1, 1, 0, 0, 1};
    const std::vector<float> topRight = {0, 1, 0, 1, 0, 1, 1, 1, 0, 1, 0, 1, 1, 0, 0, 1, 0, 1,
                                         0, 1, 0, 1, 0, 1, 1, 0, 0, 1, 0, 1, 0, 0, 0, 1, 0, 1};
    // Two unused vertices first: drawn through a base vertex or start vertex of 2.
    const std::vector<float> bottomRight = {9, 9, 1, 1, 1, 1, 9, 9, 1, 1, 1, 1,  //
                                            0, 0, 0, 0, 1, 1, 1, 0, 0, 0, 1, 1, 1, -1, 0, 0, 1, 1,
                                            0, 0, 0, 0, 1, 1, 1, -1, 0, 0, 1, 1, 0, -1, 0, 0, 1, 1};
    const std::uint16_t list[6] = {0, 1, 2, 3, 4, 5};
    const struct {
        const char* name;
        bool indexed;
        bool freshBuffers;  // a range given back and taken again between the meshes
        bool readsVertexId;  // the vertex shader must see D3D's vertex index: no moved base vertex
    } cases[] = {{"indexed", true, false, false},
                 {"not indexed", false, false, false},
                 {"in reused ranges", true, true, false},
                 {"by a shader that reads the vertex index", false, false, true}};
    // White where the vertex index is past what the draw asked for.
    gpu::ShaderBytecode indexCode = vertexCode_;
    const std::string body = "vColour = COLOR;";
    indexCode.Glsl.replace(indexCode.Glsl.find(body), body.size(), "vColour = gl_VertexID < 8 ? COLOR : vec4(1.0);");
    Ref<VertexShader> indexShader;
    ASSERT_EQ(device_->CreateVertexShader(indexCode, &indexShader), Result::Ok);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        context_->VSSetShader(c.readsVertexId ? indexShader.get() : vs_.get());
        const float black[4] = {0, 0, 0, 0};
        context_->ClearRenderTargetView(rtv_.get(), black);
        std::vector<Ref<Buffer>> kept;
        const std::vector<float>* meshes[3] = {&left, &topRight, &bottomRight};
        for (int m = 0; m < 3; ++m) {
            if (c.freshBuffers) {
                // Let the ranges of the last case's buffers come back first.
                context_->Flush();
                glFinish();
                context_->Flush();
            }
            Ref<Buffer> vertices = testing_support::vertexBuffer(*device_, *meshes[m]);
            Ref<Buffer> indices = testing_support::makeBuffer(*device_, BIND_INDEX_BUFFER, list, sizeof(list),
                                                              Usage::Immutable);
            ASSERT_TRUE(vertices && indices && vertices->pooled() && indices->pooled());
            if (!kept.empty()) {
                EXPECT_EQ(vertices->glName(), kept[0]->glName());
            }
            Buffer* b = vertices.get();
            const std::uint32_t stride = 24, offset = 0;
            context_->IASetVertexBuffers(0, 1, &b, &stride, &offset);
            context_->IASetIndexBuffer(indices.get(), Format::R16_UINT, 0);
            const std::uint32_t skip = m == 2 ? 2 : 0;
            if (c.indexed) {
                context_->DrawIndexed(6, 0, static_cast<std::int32_t>(skip));
            } else {
                context_->Draw(6, skip);
            }
            if (!c.freshBuffers) kept.push_back(vertices);
        }
        std::vector<std::uint8_t> pixels = testing_support::readBack(*device_, *context_, target_.get());
        EXPECT_EQ(pixel(pixels, 1, 4), (std::vector<std::uint8_t>{255, 0, 0}));
        EXPECT_EQ(pixel(pixels, 6, 1), (std::vector<std::uint8_t>{0, 255, 0}));
        EXPECT_EQ(pixel(pixels, 6, 6), (std::vector<std::uint8_t>{0, 0, 255}));
    }
}

// Meshes split over two input slots, per vertex or per instance: the slots move together, or the instanced one
// is bound where it is.
TEST_F(PooledBufferTest, SlotsOfOneDrawMoveTogetherOrAreBoundAgain) {
    const struct {
        const char* name;
        InputClassification colourClass;
    } cases[] = {{"positions and colours per vertex", InputClassification::PerVertexData},
                 {"colour per instance", InputClassification::PerInstanceData}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::uint32_t rate = c.colourClass == InputClassification::PerInstanceData ? 1 : 0;
        const InputElementDesc elements[] = {{"POSITION", 0, Format::R32G32_FLOAT, 0},
                                             {"COLOR", 0, Format::R32G32B32A32_FLOAT, 1, 0, c.colourClass, rate}};
        Ref<InputLayout> split;
        ASSERT_EQ(device_->CreateInputLayout(elements, 2, vertexCode_, &split), Result::Ok);
        context_->IASetInputLayout(split.get());
        const float black[4] = {0, 0, 0, 0};
        context_->ClearRenderTargetView(rtv_.get(), black);
        // Left half red, right half green; a colour buffer of one entry per instance, or one per vertex.
        const std::vector<std::vector<float>> positions = {{-1, 1, 0, 1, -1, -1, 0, 1, 0, -1, -1, -1},
                                                           {0, 1, 1, 1, 0, -1, 1, 1, 1, -1, 0, -1}};
        const float colours[2][4] = {{1, 0, 0, 1}, {0, 1, 0, 1}};
        std::vector<Ref<Buffer>> kept;
        for (int m = 0; m < 2; ++m) {
            std::vector<float> colour;
            for (int v = 0; v < (rate ? 1 : 6); ++v) colour.insert(colour.end(), colours[m], colours[m] + 4);
            Ref<Buffer> p = testing_support::makeBuffer(*device_, BIND_VERTEX_BUFFER, positions[m].data(),
                                                        static_cast<std::uint32_t>(positions[m].size() * 4));
            Ref<Buffer> k = testing_support::makeBuffer(*device_, BIND_VERTEX_BUFFER, colour.data(),
                                                        static_cast<std::uint32_t>(colour.size() * 4));
            ASSERT_TRUE(p && k);
            Buffer* buffers[2] = {p.get(), k.get()};
            const std::uint32_t strides[2] = {8, 16}, offsets[2] = {0, 0};
            context_->IASetVertexBuffers(0, 2, buffers, strides, offsets);
            context_->Draw(6, 0);
            kept.push_back(p);
            kept.push_back(k);
        }
        std::vector<std::uint8_t> pixels = testing_support::readBack(*device_, *context_, target_.get());
        EXPECT_EQ(pixel(pixels, 1, 4), (std::vector<std::uint8_t>{255, 0, 0}));
        EXPECT_EQ(pixel(pixels, 6, 4), (std::vector<std::uint8_t>{0, 255, 0}));
    }
}

// A mesh made on another thread (through the device's resource context) draws its own vertices on the first
// draw, though the arena it lives in is already bound here.
TEST_F(PooledBufferTest, AMeshMadeOnAnotherThreadDrawsAtOnce) {
    const std::vector<float> left = {-1, 1, 1, 0, 0, 1, 0, 1, 1, 0, 0, 1, -1, -1, 1, 0, 0, 1,
                                     0,  1, 1, 0, 0, 1, 0, -1, 1, 0, 0, 1, -1, -1, 1, 0, 0, 1};
    const std::vector<float> right = {0, 1, 0, 1, 0, 1, 1, 1, 0, 1, 0, 1, 0, -1, 0, 1, 0, 1,
                                      1, 1, 0, 1, 0, 1, 1, -1, 0, 1, 0, 1, 0, -1, 0, 1, 0, 1};
    Ref<Buffer> first = testing_support::vertexBuffer(*device_, left);
    Buffer* b = first.get();
    const std::uint32_t stride = 24, offset = 0;
    context_->IASetVertexBuffers(0, 1, &b, &stride, &offset);
    context_->Draw(6, 0);
    Ref<Buffer> second;
    std::thread([&] { second = testing_support::vertexBuffer(*device_, right); }).join();
    ASSERT_TRUE(second && second->pooled());
    EXPECT_EQ(second->glName(), first->glName());
    b = second.get();
    context_->IASetVertexBuffers(0, 1, &b, &stride, &offset);
    context_->Draw(6, 0);
    std::vector<std::uint8_t> pixels = testing_support::readBack(*device_, *context_, target_.get());
    EXPECT_EQ(pixel(pixels, 1, 4), (std::vector<std::uint8_t>{255, 0, 0}));
    EXPECT_EQ(pixel(pixels, 6, 4), (std::vector<std::uint8_t>{0, 255, 0}));
}

}  // namespace
