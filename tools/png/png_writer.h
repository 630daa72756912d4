#pragma once

#include <string>

#include "platform/surface.h"

namespace aerovell::tools {

// Writes a surface as an opaque PNG; false when the file cannot be written.
bool WritePng(const Surface& surface, const std::string& path);

}  // namespace aerovell::tools
