#include "core/Version.h"

#include "core/VersionNumber.h"

std::string VirelVersionLine(const std::string& program) { return program + " " VIREL_VERSION; }
