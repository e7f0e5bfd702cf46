#pragma once
// Whole-file reads for the small text and binary files of the program.

#include <string>

namespace quenthal {

enum class TReadResult { Read, Missing, Failed };

// Missing when nothing is at the path; Failed when it is a folder or cannot be read (errorText then
// says why). bytes holds the content only on Read.
TReadResult ReadWholeFile(const std::string& path, std::string& bytes, std::string* errorText = nullptr);

}  // namespace quenthal
