// demo-file-helper: not for running by hand. The player and the tools start it beside themselves and send it
// the files that libraries parse (scenes, shaders, images, music): a crash or a hang in a library ends this
// process, not theirs, and the file counts as one that does not load.
#include <cstdio>

#include "platform/process/file_helper.h"
#include "platform/shader_compiler/hlsl_compiler.h"
#include "platform/sound/sound_decoder.h"
#include "render/scene_file.h"
#include "render/texture.h"

int main(int argc, char**) {
    if (argc > 1) {
        std::fputs("demo-file-helper: started by the player and the tools, with no arguments\n", stderr);
        return 2;
    }
    return platform::serveFileHelperJobs({
        {kSceneReadJob, runSceneReadJob},
        {shader_compiler::kCompileJob, shader_compiler::runCompileJob},
        {Texture::kDecodeJob, Texture::runDecodeJob},
        {sound::kDecodeJob, sound::runDecodeJob},
    });
}
