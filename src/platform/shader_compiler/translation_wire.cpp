#include "platform/shader_compiler/translation_wire.h"

#include <cstdint>

#include "platform/process/file_helper.h"

namespace shader_compiler {

namespace {

struct Writer {
    std::string out;
    void u32(std::uint32_t value) { platform::appendU32(out, value); }
    void text(const std::string& value) {
        u32(static_cast<std::uint32_t>(value.size()));
        out += value;
    }
    template <typename T, typename Each>
    void list(const std::vector<T>& items, Each each) {
        u32(static_cast<std::uint32_t>(items.size()));
        for (const T& item : items) each(item);
    }
};

// Reads until something is missing; then every later read is empty and `ok` stays false.
struct Reader {
    std::string_view in;
    bool ok = true;
    std::uint32_t u32() {
        std::uint32_t value = 0;
        ok = ok && platform::readU32(in, &value);
        return ok ? value : 0;
    }
    std::string text() {
        const std::uint32_t size = u32();
        if (!ok || in.size() < size) {
            ok = false;
            return {};
        }
        std::string value(in.substr(0, size));
        in.remove_prefix(size);
        return value;
    }
    template <typename T, typename Each>
    void list(std::vector<T>& items, Each each) {
        for (std::uint32_t count = u32(); ok && count > 0; --count) {
            items.emplace_back();
            each(items.back());
        }
    }
};

void writeVariable(Writer& w, const ConstantVariable& variable) {
    w.text(variable.name);
    w.text(variable.type);
    w.u32(variable.offset);
    w.u32(variable.size);
    w.list(variable.members, [&](const ConstantVariable& member) { writeVariable(w, member); });
}

void readVariable(Reader& r, ConstantVariable& variable, int depth) {
    if (depth > 64) r.ok = false;
    variable.name = r.text();
    variable.type = r.text();
    variable.offset = r.u32();
    variable.size = r.u32();
    r.list(variable.members, [&](ConstantVariable& member) { readVariable(r, member, depth + 1); });
}

}  // namespace

std::string encodeTranslation(gpu::Result result, const std::string& messages, const CachedTranslation* translation) {
    Writer w;
    w.u32(static_cast<std::uint32_t>(result));
    w.text(messages);
    w.u32(translation ? 1 : 0);
    if (!translation) return w.out;
    const gpu::ShaderBytecode& code = translation->code;
    w.u32(static_cast<std::uint32_t>(code.Stage));
    w.text(code.Glsl);
    w.list(code.InputSignature, [&](const gpu::SignatureParameter& p) {
        w.text(p.SemanticName);
        w.u32(p.SemanticIndex);
        w.u32(static_cast<std::uint32_t>(p.ComponentType));
        w.u32(p.Mask);
        w.u32(p.Location);
    });
    w.list(code.ConstantBuffers, [&](const gpu::ConstantBufferBinding& b) {
        w.text(b.BlockName);
        w.u32(b.Slot);
        w.list(b.Members, [&](const gpu::BlockMember& m) {
            w.text(m.UniformName);
            w.u32(m.Offset);
        });
        w.u32(b.Size);
    });
    w.list(code.Textures, [&](const gpu::TextureBinding& t) {
        w.text(t.UniformName);
        w.u32(t.TextureSlot);
        w.u32(static_cast<std::uint32_t>(t.SamplerSlot));
    });
    w.list(translation->reflection.constantBuffers, [&](const ConstantBufferLayout& layout) {
        w.text(layout.name);
        w.u32(layout.slot);
        w.u32(layout.size);
        w.list(layout.variables, [&](const ConstantVariable& variable) { writeVariable(w, variable); });
    });
    w.list(translation->reflection.resources, [&](const BoundResource& resource) {
        w.text(resource.name);
        w.text(resource.kind);
        w.u32(resource.slot);
    });
    w.text(translation->messages);
    w.list(translation->includes, [&](const SourceFile& file) {
        w.text(file.path);
        w.text(file.content);
    });
    return w.out;
}

bool decodeTranslation(std::string_view bytes, gpu::Result* result, std::string* messages,
                       CachedTranslation* translation) {
    Reader r{bytes};
    *result = static_cast<gpu::Result>(r.u32());
    *messages = r.text();
    const bool translated = r.u32() == 1;
    if (!translated) return r.ok && r.in.empty();
    gpu::ShaderBytecode& code = translation->code;
    code.Stage = static_cast<gpu::ShaderStage>(r.u32());
    code.Glsl = r.text();
    r.list(code.InputSignature, [&](gpu::SignatureParameter& p) {
        p.SemanticName = r.text();
        p.SemanticIndex = r.u32();
        p.ComponentType = static_cast<gpu::RegisterComponentType>(r.u32());
        p.Mask = static_cast<std::uint8_t>(r.u32());
        p.Location = r.u32();
    });
    r.list(code.ConstantBuffers, [&](gpu::ConstantBufferBinding& b) {
        b.BlockName = r.text();
        b.Slot = r.u32();
        r.list(b.Members, [&](gpu::BlockMember& m) {
            m.UniformName = r.text();
            m.Offset = r.u32();
        });
        b.Size = r.u32();
    });
    r.list(code.Textures, [&](gpu::TextureBinding& t) {
        t.UniformName = r.text();
        t.TextureSlot = r.u32();
        t.SamplerSlot = static_cast<std::int32_t>(r.u32());
    });
    r.list(translation->reflection.constantBuffers, [&](ConstantBufferLayout& layout) {
        layout.name = r.text();
        layout.slot = r.u32();
        layout.size = r.u32();
        r.list(layout.variables, [&](ConstantVariable& variable) { readVariable(r, variable, 0); });
    });
    r.list(translation->reflection.resources, [&](BoundResource& resource) {
        resource.name = r.text();
        resource.kind = r.text();
        resource.slot = r.u32();
    });
    translation->messages = r.text();
    r.list(translation->includes, [&](SourceFile& file) {
        file.path = r.text();
        file.content = r.text();
    });
    return r.ok && r.in.empty();
}

}  // namespace shader_compiler
