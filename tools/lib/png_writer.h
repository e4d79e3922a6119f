// Writes a surface to a PNG file, for tests and tools that look at frames.
#pragma once

#include <string>

namespace shardfall {

class SoftwareSurface;

// Returns false when the file cannot be written.
bool writePng(const SoftwareSurface& surface, const std::string& path);

}  // namespace shardfall
