// Text conversions shared by the core and the front end. Everything the core
// hands to a host is UTF-8; bytes taken from cartridge files and shown as
// characters (the header magic, the expansion text) are Windows-1252.
#pragma once

#include <string>
#include <string_view>

// Decodes Windows-1252 bytes into UTF-8. The five bytes the code page leaves
// unassigned ($81, $8D, $8F, $90, $9D) become the control characters of the
// same number, as the Windows conversion does.
std::string Cp1252ToUtf8(std::string_view bytes);

// Returns `text` unchanged when it is valid UTF-8; otherwise every byte that
// does not start a well-formed sequence is replaced by U+FFFD, so a file name
// in some legacy encoding still shows, recognisably, in the log.
std::string SanitizeUtf8(std::string_view text);

// `text` between double quotes, made safe as SanitizeUtf8 does: how messages
// name a file ("jogo.nes").
std::string Quoted(std::string_view text);
