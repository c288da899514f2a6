#pragma once

#include "base/Error.h"

namespace pelmora::data {

// Every failure of the table engine and the data module: a bad filter expression, a value that
// does not fit its field, a database file that cannot be opened, an error of SQLite itself.
class EDatabaseError : public Error {
public:
    using Error::Error;
};

} // namespace pelmora::data
