#pragma once

#include <cstdint>
#include <string>

// The status line: cycle and frame rates of the last second, zoom and time factor.
std::string TextEstat(int32_t hz, int32_t fps, float zoom, int32_t factor, const std::string& estat);

void PosarTitol(const std::string& text);
