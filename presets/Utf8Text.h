#pragma once
// Names in preset files are UTF-8 from outside the program; the rest of the program may rely on its
// strings being well-formed UTF-8.

#include <string>
#include <string_view>

namespace quenthal {

// Well-formed text is returned unchanged; each ill-formed part (stray continuation bytes, overlong
// forms, surrogates, code points above U+10FFFF, cut sequences) becomes one U+FFFD, the way a
// Unicode decoder replaces what it cannot read.
std::string RepairUtf8(std::string_view bytes);

}  // namespace quenthal
