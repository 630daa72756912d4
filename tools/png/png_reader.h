#pragma once

#include <string>

#include "platform/surface.h"

namespace aerovell::tools {

// Reads a PNG into a surface, alpha dropped; an empty surface when the file
// cannot be read.
Surface ReadPng(const std::string& path);

}  // namespace aerovell::tools
