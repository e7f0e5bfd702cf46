#pragma once
// The playback PCMs that ALSA lists, plus "default", as driver list entries "ALSA <pcm name>".

#include <string>
#include <vector>

namespace quenthal::drivers {

inline constexpr const char* kAlsaEntryPrefix = "ALSA ";

std::vector<std::string> AlsaPlaybackPcms();
std::string AlsaEntryName(const std::string& pcm);

}  // namespace quenthal::drivers
