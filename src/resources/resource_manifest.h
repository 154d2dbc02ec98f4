#pragma once

#include <map>
#include <string>

// The names the show uses for its files: shader sources, scene files and a few named paths ("audioTrack",
// "textures"), read from "resources\resources.xml". Holders take a copy of the process-wide instance when they
// are built and look names up in their copy.
class ResourceManifest {
public:
    // The manifest file of the show in the working directory.
    static constexpr const char* kFile = "resources\\resources.xml";

    using Table = std::map<std::string, std::u16string>;

    // The manifest of the show in the working directory, read on first use; safe to call from any thread.
    static const ResourceManifest& instance();

    ResourceManifest() = default;
    // Reads one manifest file. A missing or malformed file leaves the tables with what could be read.
    explicit ResourceManifest(const std::string& file);

    // The wide path stored under `key`, or null when the table has no such entry (an entry may hold an empty
    // path, which is not the same as a missing one).
    const std::u16string* findPath(const std::string& key) const { return find(Paths, key); }
    const std::u16string* findPixelShader(const std::string& key) const { return find(PixelShader, key); }
    const std::u16string* findVertexShader(const std::string& key) const { return find(VertexShader, key); }
    const std::u16string* findScene(const std::string& key) const { return find(Scenes, key); }

    // Empty when the file was read without trouble; otherwise what went wrong (missing file, parse error).
    const std::string& loadError() const { return loadError_; }

    Table Paths;
    Table PixelShader;
    Table VertexShader;
    Table Scenes;

private:
    static const std::u16string* find(const Table& table, const std::string& key);

    std::string loadError_;
};
