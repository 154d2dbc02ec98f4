#include "resources/resource_manifest.h"

#include <pugixml.hpp>

#include "platform/process/debug_output.h"
#include "resources/resource_path.h"
#include "base/wide_text.h"

namespace {

void readSection(const pugi::xml_node& resources, const char* section, const char* entry,
                 ResourceManifest::Table& table) {
    for (pugi::xml_node node : resources.child(section).children(entry)) {
        table[node.attribute("name").as_string()] = widenUtf8(node.attribute("path").as_string());
    }
}

}  // namespace

const ResourceManifest& ResourceManifest::instance() {
    static const ResourceManifest manifest(ResourcePath(kFile).text());
    return manifest;
}

ResourceManifest::ResourceManifest(const std::string& file) {
    pugi::xml_document document;
    pugi::xml_parse_result result = document.load_file(file.c_str());
    if (!result) {
        loadError_ = file + ": " + result.description();
        if (result.status != pugi::status_file_not_found && result.status != pugi::status_io_error) {
            loadError_ += " at offset " + std::to_string(result.offset);
        }
        platform::debugOutput(("Resource manifest: " + loadError_ + "\n").c_str());
    }
    pugi::xml_node resources = document.child("Resources");
    readSection(resources, "PixelShader", "Shader", PixelShader);
    readSection(resources, "VertexShader", "Shader", VertexShader);
    readSection(resources, "Scenes", "Scene", Scenes);
    readSection(resources, "Paths", "Path", Paths);
}

const std::u16string* ResourceManifest::find(const Table& table, const std::string& key) {
    auto it = table.find(key);
    return it == table.end() ? nullptr : &it->second;
}
