#include "inspect/show_manifest_edit.h"

#include <algorithm>
#include <fstream>
#include <regex>
#include <sstream>

#include <pugixml.hpp>

namespace {

std::filesystem::path manifestFile(const std::filesystem::path& show) { return show / "resources" / "resources.xml"; }

bool loadManifest(const std::string& text, pugi::xml_document& document, std::string* error) {
    const pugi::xml_parse_result parsed = document.load_string(text.c_str());
    if (!parsed) {
        *error = std::string("resources/resources.xml is not well-formed XML: ") + parsed.description();
        return false;
    }
    if (!document.child("Resources")) {
        *error = "resources/resources.xml has no <Resources> element";
        return false;
    }
    return true;
}

bool readText(const std::filesystem::path& file, std::string* text) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;
    std::ostringstream content;
    content << in.rdbuf();
    *text = content.str();
    return true;
}

}  // namespace

bool readShowManifest(const std::filesystem::path& show, ShowManifest* manifest, std::string* error) {
    std::string text;
    if (!readText(manifestFile(show), &text)) {
        *error = "no resources/resources.xml in " + show.string() + ": run demo-import in a show's folder";
        return false;
    }
    pugi::xml_document document;
    if (!loadManifest(text, document, error)) return false;
    for (pugi::xml_node path : document.child("Resources").child("Paths").children("Path")) {
        if (std::string(path.attribute("name").value()) != "textures") continue;
        std::string folder = path.attribute("path").value();
        std::replace(folder.begin(), folder.end(), '\\', '/');
        while (!folder.empty() && folder.back() == '/') folder.pop_back();
        if (!folder.empty()) manifest->textureFolder = folder;
    }
    return true;
}

bool addSceneToManifest(const std::filesystem::path& show, const std::string& name, const std::string& path,
                        std::string* error) {
    const std::filesystem::path file = manifestFile(show);
    std::string text;
    if (!readText(file, &text)) {
        *error = "cannot read resources/resources.xml";
        return false;
    }
    const std::string element = "<Scene name=\"" + name + "\" path=\"" + path + "\"/>";
    const std::regex existing("<Scene\\b[^>]*\\bname=\"" + name + "\"[^>]*/>");
    const std::regex emptyScenes("<Scenes\\s*/>");
    if (std::regex_search(text, existing)) {
        text = std::regex_replace(text, existing, element, std::regex_constants::format_first_only);
    } else if (std::regex_search(text, emptyScenes)) {
        text = std::regex_replace(text, emptyScenes, "<Scenes>\n    " + element + "\n  </Scenes>",
                                  std::regex_constants::format_first_only);
    } else if (const std::size_t end = text.find("</Scenes>"); end != std::string::npos) {
        const std::size_t lineStart = text.rfind('\n', end) + 1;  // npos + 1 is 0
        const std::string before = text.substr(lineStart, end - lineStart);
        const std::string indent = before.substr(0, before.find_first_not_of(" \t"));
        if (before.size() == indent.size()) {  // </Scenes> on a line of its own
            text.insert(lineStart, indent + "  " + element + "\n");
        } else {
            text.insert(end, "\n" + indent + "  " + element + "\n" + indent);
        }
    } else if (const std::size_t resourcesEnd = text.rfind("</Resources>"); resourcesEnd != std::string::npos) {
        text.insert(resourcesEnd, "  <Scenes>\n    " + element + "\n  </Scenes>\n");
    } else {
        *error = "resources/resources.xml has no </Resources> to add the scene to";
        return false;
    }

    pugi::xml_document check;
    if (!loadManifest(text, check, error)) return false;
    bool found = false;
    for (pugi::xml_node scene : check.child("Resources").child("Scenes").children("Scene"))
        found = found || (name == scene.attribute("name").value() && path == scene.attribute("path").value());
    if (!found) {
        *error = "the scene could not be added to resources/resources.xml";
        return false;
    }
    const std::filesystem::path temporary = file.string() + ".demo-import";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
        if (!out.flush()) {
            *error = "cannot write " + temporary.string();
            return false;
        }
    }
    std::error_code renameError;
    std::filesystem::rename(temporary, file, renameError);
    if (renameError) {
        std::filesystem::remove(temporary, renameError);
        *error = "cannot replace resources/resources.xml";
        return false;
    }
    return true;
}
