#pragma once
// Text files written in the Windows ANSI code page (Windows-1252) held as UTF-8. A file that starts
// with a byte-order mark is read in the encoding the mark names (UTF-8, UTF-16 LE or BE), as the
// Windows text reader does.

#include <string>
#include <string_view>

namespace quenthal {

std::string Windows1252ToUtf8(std::string_view bytes);

// Decodes a whole text file: by its byte-order mark, else as Windows-1252. Invalid sequences of a
// marked UTF-8 or UTF-16 file become U+FFFD.
std::string DecodeTextFile(std::string_view bytes);

}  // namespace quenthal
