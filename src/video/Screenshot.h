// Screenshots: FrameBuffer written as a Windows bitmap of 256 x 240 pixels at
// 8 bits per pixel with its 256-entry colour table. The one writer behind the
// window's "Salvar Figura" and the headless runner's --screenshot.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/Machine.h"

// The bitmap file of FrameBuffer and FrameColors as they stand.
std::vector<uint8_t> EncodeBitmap(const Machine& m);
// Draws the sprites once more over FrameBuffer, writes the bitmap to `path`
// and logs the line naming the file. Throws std::runtime_error when the file
// cannot be written (then nothing is logged).
void SaveScreenshot(Machine& m, const std::string& path);
