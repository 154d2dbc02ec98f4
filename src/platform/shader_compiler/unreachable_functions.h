#pragma once

// D3D's compiler builds a shader from the entry point and what it calls: an error inside a function the entry
// point never reaches (a vertex shader beside the pixel shader that is built, in a shared file) does not stop
// it. glslang checks every function of the file. This blanks, in the preprocessed text, the definitions of the
// functions that the entry point cannot reach, so that the text can be compiled again as D3D would; it is used
// only when a compile has failed. Reachability is by name (every overload of a called name counts as called,
// and so does every name used outside function bodies), so nothing the entry point needs is ever dropped.
// Line breaks and #line directives are kept: messages still name each file and line.

#include <string>

namespace shader_compiler {

// The text with unreachable function definitions blanked; `dropped` tells whether any was.
std::string blankUnreachableFunctions(const std::string& preprocessed, const std::string& entryPoint, bool* dropped);

}  // namespace shader_compiler
