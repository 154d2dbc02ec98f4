#include "app/live_reload.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>

#include "base/demo_logger.h"
#include "base/utf8_files.h"
#include "platform/process/debug_output.h"
#include "platform/process/system_path.h"
#include "platform/shader_compiler/source_files.h"
#include "post/frame_renderer.h"
#include "post/timeline_scenes.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// Editors save in several steps (a temporary file, a rename, a second write): changes are gathered until the
// folder has been quiet this long.
constexpr auto kQuietTime = std::chrono::milliseconds(40);
// Then each changed file must keep its size and time this long: a big file copied in slowly is read once whole.
constexpr auto kSettleTime = std::chrono::milliseconds(100);
constexpr auto kLongestSettle = std::chrono::seconds(10);

std::string canonical(const std::string& path) {
    std::error_code error;
    const fs::path resolved = fs::weakly_canonical(path, error);
    return error ? fs::path(path).lexically_normal().string() : resolved.string();
}

std::string lowerExtension(const std::string& path) {
    std::string extension = fs::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

std::string lowerFileName(const std::string& path) {
    std::string name = fs::path(path).filename().string();
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return name;
}

bool isShaderFile(const std::string& path) {
    const std::string extension = lowerExtension(path);
    return extension == ".hlsl" || extension == ".hlsli" || extension == ".fx" || extension == ".fxh" ||
           extension == ".h" || extension == ".inc";
}

bool isImageFile(const std::string& path) {
    static const std::set<std::string> kImages = {".png", ".jpg", ".jpeg", ".tga", ".bmp", ".gif", ".psd", ".hdr", ".pic"};
    return kImages.count(lowerExtension(path)) > 0;
}

std::string joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) {
        if (!text.empty()) text += ", ";
        text += name;
    }
    return text;
}

std::string fileNameOf(const std::string& path) { return fs::path(path).filename().string(); }

}  // namespace

LiveReload::~LiveReload() { stop(); }

bool LiveReload::waitUntilSettled(const std::vector<std::string>& files, std::chrono::milliseconds quiet,
                                  std::chrono::milliseconds longest, const std::function<bool()>& stop) {
    using Stamp = std::pair<std::uintmax_t, fs::file_time_type>;
    const auto stamps = [&files] {
        std::vector<Stamp> taken;
        for (const std::string& file : files) {
            std::error_code error;
            const std::uintmax_t size = fs::file_size(file, error);
            const fs::file_time_type time = error ? fs::file_time_type{} : fs::last_write_time(file, error);
            taken.emplace_back(error ? 0 : size, error ? fs::file_time_type{} : time);
        }
        return taken;
    };
    const Clock::time_point giveUp = Clock::now() + longest;
    std::vector<Stamp> last = stamps();
    Clock::time_point unchangedSince = Clock::now();
    while (Clock::now() - unchangedSince < quiet) {
        if (stop()) return false;
        if (Clock::now() >= giveUp) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::vector<Stamp> now = stamps();
        if (now != last) {
            last = std::move(now);
            unchangedSince = Clock::now();
        }
    }
    return true;
}

bool LiveReload::start(Setup setup) {
    setup_ = std::move(setup);
    timelinePath_ = setup_.timeline->getPath();
    manifest_ = ResourceManifest::instance();
    if (!setup_.renderer || !watcher_.watch(setup_.folder)) return false;
    worker_ = std::thread([this] { run(); });
    return true;
}

void LiveReload::stop() {
    {
        // Under the lock, so that a worker between testing its wait's condition and blocking sees it.
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    watcher_.wake();
    taken_.notify_all();
    if (worker_.joinable()) worker_.join();
}

void LiveReload::run() {
    while (!stopping_) {
        std::vector<std::string> changed;
        if (!watcher_.wait(std::chrono::milliseconds(250), changed)) {
            report("the show's files can no longer be watched; live reload has stopped", true);
            return;
        }
        std::vector<std::string> scenes;
        {
            std::lock_guard lock(mutex_);
            scenes.swap(scenesToLoad_);
        }
        if (!scenes.empty() && !stopping_) {
            batchOpen_ = true;
            try {
                loadNewScenes(scenes);
            } catch (const std::exception& error) {
                report(std::string("loading a scene failed: ") + error.what(), true);
            }
            closeBatch();
        }
        if (changed.empty()) continue;
        for (bool arrived = true; arrived && !stopping_;) {
            if (!watcher_.wait(kQuietTime, changed, &arrived)) break;
        }
        std::vector<std::string> files = changed;
        files.erase(std::remove(files.begin(), files.end(), std::string(platform::FileWatcher::kOverflow)), files.end());
        if (!waitUntilSettled(files, kSettleTime, kLongestSettle, [this] { return stopping_.load(); })) return;
        // Changes that arrived while waiting are this batch's too.
        watcher_.wait(std::chrono::milliseconds(0), changed);
        if (stopping_) return;
        batchOpen_ = true;
        try {
            if (std::count(changed.begin(), changed.end(), platform::FileWatcher::kOverflow)) {
                report("too many files changed at once to follow them all: save the one you want again", true);
            }
            process(changed);
        } catch (const std::exception& error) {
            report(std::string("reload failed: ") + error.what(), true);
        }
        closeBatch();
    }
}

void LiveReload::process(const std::vector<std::string>& changed) {
    const Clock::time_point begun = Clock::now();
    const std::string timelineFile = canonical(platform::systemPath(timelinePath_.text()));
    const std::string manifestFile = canonical(platform::systemPath(std::string_view("resources\\resources.xml")));
    bool timeline = false;
    std::vector<std::string> shaders, sceneNames, images;
    std::map<std::string, std::string> sceneFiles;  // canonical path to scene name
    for (const auto& [name, scene] : setup_.renderer->sceneTable()) {
        if (const std::u16string* path = manifest_.findScene(name)) sceneFiles[canonical(platform::systemPath(*path))] = name;
    }
    for (const std::string& file : changed) {
        const std::string path = canonical(file);
        if (path == timelineFile) {
            timeline = true;
        } else if (path == manifestFile) {
            report("resources.xml changed: the manifest is read once, at start; restart the player to use it", false);
        } else if (isShaderFile(path)) {
            shaders.push_back(path);
        } else if (const auto scene = sceneFiles.find(path); scene != sceneFiles.end()) {
            sceneNames.push_back(scene->second);
        } else if (isImageFile(path)) {
            images.push_back(lowerFileName(path));
        }
    }
    // Scenes whose materials use a changed image, by file name as the texture folder is searched.
    if (!images.empty()) {
        for (const auto& [name, scene] : setup_.renderer->sceneTable()) {
            if (!scene || std::count(sceneNames.begin(), sceneNames.end(), name)) continue;
            bool uses = false;
            for (const Material& material : scene->materials)
                for (const TextureSlot& slot : material.textures)
                    uses = uses || (slot.present && std::count(images.begin(), images.end(), lowerFileName(slot.fileName)));
            if (uses) sceneNames.push_back(name);
        }
    }
    if (timeline) timeline = reloadTimeline();
    if (!sceneNames.empty()) reloadScenes(sceneNames);
    if (!shaders.empty()) reloadShaders(shaders);
    const auto milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - begun).count();
    if (timeline || !sceneNames.empty() || !shaders.empty()) {
        std::string line = "reload: done in ";
        line += std::to_string(milliseconds);
        line += " ms, ";
        line += std::to_string(gpu::DeviceChild::liveCount());
        line += " GPU objects\n";
        platform::debugOutput(line.c_str());
    }
}

void LiveReload::loadScenes(std::vector<std::string> names) {
    if (names.empty()) return;
    {
        std::lock_guard lock(mutex_);
        scenesToLoad_.insert(scenesToLoad_.end(), names.begin(), names.end());
    }
    watcher_.wake();
}

bool LiveReload::reloadTimeline() {
    std::string saved;
    if (setup_.isOwnWrite) {
        std::ifstream in(utf8FilePath(platform::systemPath(timelinePath_.text())), std::ios::binary);
        saved.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (!in.bad() && setup_.isOwnWrite(saved)) return false;  // the editor's own save: on screen already
    }
    ++reloads_;
    auto fresh = setup_.isOwnWrite ? std::make_unique<DemoTimeline>(timelinePath_, saved)
                                    : std::make_unique<DemoTimeline>(timelinePath_);
    if (!fresh->parseError().empty()) {
        report("timeline.xml: " + fresh->parseError() + "; the timeline before stays", true);
        return true;
    }
    const std::vector<TimelineMarker>& markers = fresh->markerList();
    if (markers.empty()) {
        report("timeline.xml has no markers; the timeline before stays", true);
        return true;
    }
    std::vector<std::string> newScenes;
    const SceneTable& table = setup_.renderer->sceneTable();
    for (const TimelineMarker& marker : markers) {
        if (!marker.scene.empty() && !table.count(marker.scene) &&
            std::find(newScenes.begin(), newScenes.end(), marker.scene) == newScenes.end()) {
            newScenes.push_back(marker.scene);
        }
    }
    const size_t count = markers.size();
    if (!handOver([&] {
            setup_.timeline.replaceObject(std::move(fresh));
            setup_.renderer->scenesLoading.insert(newScenes.begin(), newScenes.end());
            if (setup_.timelineTaken) setup_.timelineTaken(saved);
        })) {
        return true;
    }
    std::string text = "timeline.xml: " + std::to_string(count) + " markers";
    if (!newScenes.empty()) text += "; loading " + joined(newScenes);
    report(text, false);
    if (!newScenes.empty()) loadNewScenes(newScenes);
    return true;
}

void LiveReload::loadNewScenes(const std::vector<std::string>& names) {
    std::vector<TimelineMarker> markers(names.size());
    for (size_t i = 0; i < names.size(); ++i) markers[i].scene = names[i];
    SceneTable loaded;
    std::string failure;
    try {
        preloadScenes(markers, manifest_, setup_.device, loaded, *demoLogger());
    } catch (const std::exception& error) {
        failure = error.what();
    }
    handOver([&] {
        for (auto& [name, scene] : loaded) {
            if (!scene) continue;
            setup_.renderer->sceneTable()[name] = std::move(scene);
            setup_.renderer->scenesLoading.erase(name);
        }
    });
    if (!failure.empty()) {
        report("loading a new scene failed: " + failure + "; its markers draw no scene", true);
    } else {
        report("timeline.xml: loaded " + joined(names), false);
    }
}

void LiveReload::reloadScenes(const std::vector<std::string>& names) {
    ++reloads_;
    std::vector<std::pair<std::string, std::unique_ptr<Scene>>> loaded;
    std::string failures;
    for (const std::string& name : names) {
        const std::u16string* path = manifest_.findScene(name);
        auto scene = std::make_unique<Scene>(setup_.device, name);
        scene->manifest = manifest_;
        const std::string file = path ? platform::systemPath(*path) : std::string();
        try {
            if (!scene->load(path ? *path : std::u16string())) {
                failures += fileNameOf(file) + ": the importer cannot read it; the scene before stays. ";
                continue;
            }
        } catch (const std::exception& error) {
            failures += fileNameOf(file) + ": " + error.what() + "; the scene before stays. ";
            continue;
        }
        loaded.emplace_back(name, std::move(scene));
    }
    std::vector<std::string> done;
    for (const auto& entry : loaded) done.push_back(entry.first);
    if (!loaded.empty() && !handOver([&] {
            for (auto& [name, scene] : loaded) setup_.renderer->sceneTable()[name] = std::move(scene);
        })) {
        return;
    }
    if (!failures.empty()) {
        report(failures, true);
    } else {
        report("scenes reloaded: " + joined(done), false);
    }
}

void LiveReload::reloadShaders(const std::vector<std::string>& files) {
    ++reloads_;
    // Which stages depend on a changed file: their own file or one it includes.
    std::map<std::string, bool> affected;  // canonical source file to whether it is affected
    auto isAffected = [&](const std::string& source) {
        const auto known = affected.find(source);
        if (known != affected.end()) return known->second;
        bool hit = std::count(files.begin(), files.end(), source) > 0;
        for (const std::string& included : shader_compiler::includedFiles(source))
            hit = hit || std::count(files.begin(), files.end(), canonical(included)) > 0;
        affected[source] = hit;
        return hit;
    };
    struct Stage {
        std::u16string path;
        size_t stage = 0;
        std::string name;
        bool operator<(const Stage& other) const {
            return std::tie(path, stage, name) < std::tie(other.path, other.stage, other.name);
        }
    };
    std::map<Stage, std::vector<ShaderProgram*>> targets;
    setup_.renderer->forEachProgram([&](ShaderProgram& program) {
        for (size_t stage = 0; stage < program.stagePaths.size(); ++stage) {
            const std::u16string& path = program.stagePaths[stage];
            if (path.empty() || !isAffected(canonical(platform::systemPath(path)))) continue;
            targets[{path, stage, program.stageNames[stage]}].push_back(&program);
        }
    });
    if (targets.empty()) {
        std::vector<std::string> names;
        for (const std::string& file : files) names.push_back(fileNameOf(file));
        report(joined(names) + ": no program of the show is built from it", false);
        return;
    }

    // Compiled once per file and stage; programs made from the same one share the result.
    std::map<Stage, ShaderProgram> compiled;
    std::string errors;
    for (const auto& [stage, programs] : targets) {
        ShaderProgram fresh(setup_.device);
        const gpu::Result result = stage.stage == 0 ? fresh.loadVertexShader(stage.path.c_str(), stage.name.c_str())
                                                    : fresh.loadPixelShader(stage.path.c_str(), stage.name.c_str());
        const bool made = stage.stage == 0 ? fresh.vertex && fresh.layout : static_cast<bool>(fresh.pixel);
        if (result != gpu::Result::Ok || !made) {
            std::string message = fresh.messages.empty() ? std::string("does not compile") : fresh.messages;
            while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) message.pop_back();
            if (errors.find(message) == std::string::npos) errors += message + "\n";
            continue;
        }
        compiled.emplace(stage, std::move(fresh));
    }
    // A program takes its new stages only when every stage of it that the change touched compiled: a new vertex
    // shader beside the old pixel shader might not fit it.
    std::map<ShaderProgram*, std::vector<const Stage*>> byProgram;
    for (const auto& [stage, programs] : targets)
        for (ShaderProgram* program : programs) byProgram[program].push_back(&stage);
    std::vector<std::pair<ShaderProgram*, const ShaderProgram*>> swaps;  // the program and one new stage each
    std::vector<std::size_t> stagesOf;
    for (const auto& [program, stages] : byProgram) {
        const bool whole = std::all_of(stages.begin(), stages.end(), [&](const Stage* s) { return compiled.count(*s); });
        if (!whole) continue;
        for (const Stage* stage : stages) {
            swaps.emplace_back(program, &compiled.at(*stage));
            stagesOf.push_back(stage->stage);
        }
    }
    size_t swapped = 0;
    if (!swaps.empty() && !handOver([&] {
            for (std::size_t i = 0; i < swaps.size(); ++i) {
                ShaderProgram* program = swaps[i].first;
                const ShaderProgram& fresh = *swaps[i].second;
                if (stagesOf[i] == 0) {
                    program->vertex = fresh.vertex;
                    program->layout = fresh.layout;
                } else {
                    program->pixel = fresh.pixel;
                }
                ++swapped;
            }
        })) {
        return;
    }
    if (!errors.empty()) {
        report(errors + "the programs before stay", true);
    } else {
        report("shaders: " + std::to_string(swapped) + " program stages compiled again", false);
    }
}

bool LiveReload::handOver(std::function<void()> apply) {
    std::unique_lock lock(mutex_);
    pending_ = std::move(apply);
    hasPending_.store(true, std::memory_order_release);
    lock.unlock();
    if (setup_.requestRedraw) setup_.requestRedraw();
    lock.lock();
    taken_.wait(lock, [&] { return !hasPending_.load() || stopping_.load(); });
    return !hasPending_.load();
}

void LiveReload::applyPending() {
    if (!hasPending_.load(std::memory_order_acquire)) return;
    std::lock_guard lock(mutex_);
    if (pending_) pending_();
    pending_ = nullptr;
    hasPending_.store(false, std::memory_order_release);
    taken_.notify_all();
}

void LiveReload::report(const std::string& text, bool isError) {
    if (batchOpen_) {
        // One status for what one save did: its parts in order, an error if any part failed.
        batchText_ += batchText_.empty() ? text : "\n" + text;
        batchIsError_ = batchIsError_ || isError;
    } else {
        std::lock_guard lock(mutex_);
        status_ = text;
        statusIsError_ = isError;
        statusIsNew_ = true;
    }
    std::string line = isError ? "reload error: " : "reload: ";
    line += text;
    line += '\n';
    platform::debugOutput(line.c_str());
    if (setup_.requestRedraw) setup_.requestRedraw();
}

void LiveReload::closeBatch() {
    batchOpen_ = false;
    if (batchText_.empty()) return;
    {
        std::lock_guard lock(mutex_);
        status_ = std::move(batchText_);
        statusIsError_ = batchIsError_;
        statusIsNew_ = true;
    }
    batchText_.clear();
    batchIsError_ = false;
    if (setup_.requestRedraw) setup_.requestRedraw();
}

bool LiveReload::takeStatus(std::string& text, bool& isError) {
    std::lock_guard lock(mutex_);
    if (!statusIsNew_) return false;
    text = status_;
    isError = statusIsError_;
    statusIsNew_ = false;
    return true;
}
