#pragma once
// Whole-file writes that reach the disk atomically: a temporary file in the same folder is written,
// flushed to the disk and renamed over the target, so a crash or a full disk leaves the old file or
// the new one, never a mix.

#include <string>
#include <string_view>

namespace quenthal {

// True when the new content is in place. On false the old file is untouched and errorText says why
// (the system's text for the failing step).
bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* errorText = nullptr);

}  // namespace quenthal
