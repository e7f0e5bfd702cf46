#include "engine/DspGain.h"

#include <cmath>

namespace quenthal {

double DbToGain(double Db) noexcept { return Db > -1000.0 ? std::exp(Db * kLn10Over20) : 0.0; }

float DbToGainSingle(double Db) noexcept { return static_cast<float>(DbToGain(Db)); }

}  // namespace quenthal
