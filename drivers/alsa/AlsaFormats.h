#pragma once
// ALSA sample formats and the driver sample types they are, in the order the driver prefers them
// when a device offers several.

#include <alsa/asoundlib.h>

#include <cstdint>

namespace quenthal::drivers {

struct TAlsaFormat {
    snd_pcm_format_t Format;
    int32_t SampleType;  // TAsioSampleType
};

inline constexpr TAlsaFormat kAlsaFormats[] = {
    {SND_PCM_FORMAT_S32_LE, 18},     {SND_PCM_FORMAT_FLOAT_LE, 19},   {SND_PCM_FORMAT_S24_3LE, 17},
    {SND_PCM_FORMAT_S24_LE, 27},     {SND_PCM_FORMAT_S16_LE, 16},     {SND_PCM_FORMAT_FLOAT64_LE, 20},
    {SND_PCM_FORMAT_S32_BE, 2},      {SND_PCM_FORMAT_FLOAT_BE, 3},    {SND_PCM_FORMAT_S24_3BE, 1},
    {SND_PCM_FORMAT_S24_BE, 11},     {SND_PCM_FORMAT_S16_BE, 0},      {SND_PCM_FORMAT_FLOAT64_BE, 4},
};

}  // namespace quenthal::drivers
