#pragma once

#include <string>

#include "platform/surface.h"

namespace aerovell::testing {

// PNG files for the golden images (through cairo, which the data tools use too).
bool SavePng(const Surface& surface, const std::string& path);
Surface LoadPng(const std::string& path);  // empty when the file cannot be read

}  // namespace aerovell::testing
