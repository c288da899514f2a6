#pragma once

#include "base/Error.h"

namespace pelmora::exchange {

// A file that cannot be imported or exported at all, or a mapping that names what is not there.
class EExchangeError : public Error {
public:
    using Error::Error;
};

} // namespace pelmora::exchange
