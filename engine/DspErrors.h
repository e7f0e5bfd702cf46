#pragma once
// Failures raised by the signal engine's objects (bad sample rates, broken update brackets).

#include <stdexcept>
#include <string>

namespace quenthal {

// A rejected value of an oscillator or generator setting; the object keeps its previous state.
class EDspError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A broken internal rule, such as an EndUpdate without its BeginUpdate.
class EAssertionFailed : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

}  // namespace quenthal
