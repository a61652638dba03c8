// CRC-32 (the reflected 0xEDB88320 polynomial of ZIP and PNG), used to name a
// cartridge image in a snapshot. Chainable: pass the previous result as `crc`
// to continue over a further block.
#pragma once

#include <cstddef>
#include <cstdint>

uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc = 0);
