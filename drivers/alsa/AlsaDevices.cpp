#include "drivers/alsa/AlsaDevices.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <cstdlib>

namespace quenthal::drivers {

std::vector<std::string> AlsaPlaybackPcms() {
    std::vector<std::string> pcms{"default"};
    void** hints = nullptr;
    if (snd_device_name_hint(-1, "pcm", &hints) < 0 || !hints) return pcms;
    for (void** hint = hints; *hint; ++hint) {
        char* name = snd_device_name_get_hint(*hint, "NAME");
        char* direction = snd_device_name_get_hint(*hint, "IOID");  // null: both directions
        const bool playback = !direction || std::string(direction) == "Output";
        // Entry names must fit the 128-byte record whole, or two long names could become one.
        if (name && playback && std::string(name).size() + 6 < 128 &&
            std::find(pcms.begin(), pcms.end(), name) == pcms.end())
            pcms.emplace_back(name);
        std::free(name);
        std::free(direction);
    }
    snd_device_name_free_hint(hints);
    return pcms;
}

std::string AlsaEntryName(const std::string& pcm) { return kAlsaEntryPrefix + pcm; }

}  // namespace quenthal::drivers
