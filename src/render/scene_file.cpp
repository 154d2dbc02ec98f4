#include "render/scene_file.h"

#include <stdexcept>

#include "platform/process/file_helper.h"

const aiScene* readSceneFile(Assimp::Importer& importer, const std::string& path, unsigned int flags,
                             std::string* failure) {
    if (failure) failure->clear();
    if (!platform::inFileHelper()) {
        const platform::HelperAnswer answer =
            platform::runInFileHelper({kSceneReadJob, std::to_string(flags), path}, {}, platform::fileJobLimit(path));
        if (answer.outcome == platform::HelperOutcome::Crashed || answer.outcome == platform::HelperOutcome::TimedOut) {
            platform::reportContainedFailure(path, "scene importer", answer.failure);
            if (failure) *failure = "the scene importer " + answer.failure;
            return nullptr;
        }
        // Refused there: the same reading here would be refused too, or, where the helper ran out of the memory
        // it may use, take what the machine cannot spare.
        if (answer.outcome == platform::HelperOutcome::Done && !answer.output().empty()) {
            if (failure) *failure = std::string(answer.output());
            return nullptr;
        }
    }
    return importer.ReadFile(path, flags);
}

std::string runSceneReadJob(const std::vector<std::string>& words, std::string_view) {
    if (words.size() != 3) throw std::runtime_error("bad scene job");
    Assimp::Importer importer;
    if (importer.ReadFile(words[2], static_cast<unsigned int>(std::stoul(words[1])))) return {};
    // Empty means read: a refusal always says something.
    const std::string error = importer.GetErrorString();
    return error.empty() ? "the scene importer refused the file" : error;
}
