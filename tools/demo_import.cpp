// demo-import: a model file of any kind the scene importer reads, added to the show in the working directory as
// a scene the player draws as its author meant it.
#include <cstdio>
#include <cstring>
#include <string>

#include "inspect/model_import.h"
#include "tool_arguments.h"

namespace {

void printUsage() {
    std::fputs(
        "usage: demo-import MODEL [--name NAME] [--camera auto|orbit|file|none] [--light auto|none] [--at SECONDS]\n"
        "                   [--backdrop]\n"
        "Run in a show's folder (the one holding resources/). Writes resources/scenes/NAME.gltf (+ .bin) and the\n"
        "textures it uses into the manifest's texture folder, adds the scene to resources/resources.xml and\n"
        "prints a TimelineTrack for it.\n"
        "--name: the scene's name (default: the model's file name).\n"
        "--camera: auto, the file's cameras or else one framing the model (it spans 80% of a 16:9 frame's width\n"
        "  or height); orbit, one that turns a quarter around it (80% at its widest); file, the file's only; none.\n"
        "--light: auto, the file's lights or else a key and a fill light; none, the file's only.\n"
        "--at: skinned meshes posed at that time of the animation (default: their bind pose).\n"
        "--backdrop: a soft grey backdrop around the model (a large sphere), which otherwise floats on the player's\n"
        "  white.\n",
        stderr);
}

int fail(const std::string& message) {
    std::fprintf(stderr, "demo-import: %s\n", message.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    ModelImportOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (word == "--help" || word == "-h") {
            printUsage();
            return 0;
        } else if (word == "--name" && value) {
            options.name = value;
            ++i;
        } else if (word == "--camera" && value) {
            const std::string mode = value;
            if (mode == "auto") options.camera = ModelImportOptions::Camera::Auto;
            else if (mode == "orbit") options.camera = ModelImportOptions::Camera::Orbit;
            else if (mode == "file") options.camera = ModelImportOptions::Camera::File;
            else if (mode == "none") options.camera = ModelImportOptions::Camera::None;
            else return printUsage(), fail("--camera takes auto, orbit, file or none, not \"" + mode + "\"");
            ++i;
        } else if (word == "--light" && value) {
            const std::string mode = value;
            if (mode == "auto") options.light = ModelImportOptions::Light::Auto;
            else if (mode == "none") options.light = ModelImportOptions::Light::None;
            else return printUsage(), fail("--light takes auto or none, not \"" + mode + "\"");
            ++i;
        } else if (word == "--backdrop") {
            options.backdrop = true;
        } else if (word == "--at" && value) {
            double seconds = 0;
            if (!parseNonNegative(value, seconds)) return printUsage(), fail("--at needs seconds, not \"" + std::string(value) + "\"");
            options.poseSeconds = seconds;
            ++i;
        } else if (word.rfind("--", 0) == 0 || !options.modelPath.empty()) {
            printUsage();
            return fail(word.rfind("--", 0) == 0 ? "unknown option or missing value: " + word : "one model at a time");
        } else {
            options.modelPath = word;
        }
    }
    if (options.modelPath.empty()) {
        printUsage();
        return fail("no model given");
    }

    ModelImportReport report;
    std::string error;
    if (!importModel(options, &report, &error)) return fail(error);
    std::printf("demo-import: %s: %zu meshes, %zu vertices, %zu triangles, %zu lights, cameras:", report.sceneFile.c_str(),
                report.meshes, report.vertices, report.triangles, report.lights);
    for (const std::string& camera : report.cameras) std::printf(" \"%s\"", camera.c_str());
    std::printf("%s; %.3g s of animation; %llu bytes\n", report.cameras.empty() ? " none" : "",
                report.animationSeconds, static_cast<unsigned long long>(report.bytes));
    for (const std::string& texture : report.textureFiles) std::printf("demo-import: wrote %s\n", texture.c_str());
    for (const std::string& warning : report.warnings) std::printf("warning: %s\n", warning.c_str());
    std::printf("Added to resources/resources.xml as \"%s\". A track for resources/timeline.xml:\n  %s\n",
                report.name.c_str(), report.timelineTrack.c_str());
    return 0;
}
