// The program's version as both programs print it: the window and the
// headless runner answer --version with the same line.
#pragma once

#include <string>

// "virel 1.3": the program name and the project's version.
std::string VirelVersionLine(const std::string& program);
