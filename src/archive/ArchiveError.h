#pragma once

#include "base/Error.h"

namespace pelmora::archive {

// Any failure of the archive component: a file that cannot be read or written, a refused entry,
// an archive the zip library rejects.
class ArchiveError : public Error {
public:
    using Error::Error;
};

// The entry-list reader's failures ("Error 1 reading Zip File" ... "Error 5 reading Zip file").
class ZipReadError : public ArchiveError {
public:
    using ArchiveError::ArchiveError;
};

// The user pressed "&Cancel Operation"; nothing was written.
class ArchiveCanceled : public ArchiveError {
public:
    ArchiveCanceled()
        : ArchiveError("Operation has been canceled")
    {
    }
};

} // namespace pelmora::archive
