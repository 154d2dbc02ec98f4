#pragma once

#include <string>
#include <string_view>

// Replaces the file at `path` (UTF-8) with `bytes` so that a crash or a power cut at any moment leaves the old or
// the new file, never part of one: the bytes go to a new file beside it, are flushed to the disk, and that file is
// renamed over the old one. On failure the old file is untouched, the new one removed, and `error` says why.
bool writeFileAtomically(const std::string& path, std::string_view bytes, std::string& error);
