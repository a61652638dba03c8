// Why a file operation failed, said to the player in Portuguese. The common
// reasons (a missing file, a read-only disk, a full disk...) have our own
// words; a rare one keeps the system's own description.
#pragma once

#include <string>
#include <system_error>

// The reason for an errno value; 0 (a failure that left no code) reads as an
// input/output error.
std::string SystemReason(int error);

// The same for an error code from the standard library's file system calls.
std::string SystemReason(const std::error_code& error);
