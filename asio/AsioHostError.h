#pragma once
// The one exception type of the ASIO host layer; its messages are the host's fixed English texts.

#include <stdexcept>
#include <string>

namespace quenthal {

class EAsioHostError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace quenthal
