#pragma once

#include "protocols/SpoolFile.h"

#include <fstream>
#include <istream>
#include <memory>
#include <string>
#include <string_view>

namespace pelmora::protocols {

// Holds one received message on its way: in memory while it is small, in a temporary file
// once it grows past MemoryLimit, so memory stays bounded whatever the message's size and
// ordinary messages cost no file system work.
class MessageSpool {
public:
    static constexpr std::size_t MemoryLimit = 1024 * 1024;

    void append(std::string_view bytes);
    // Ends the writing; throws when the spool file could not be written.
    void finish();
    // The whole text from its start; call after finish().
    std::unique_ptr<std::istream> reader();

private:
    std::string m_memory;
    std::unique_ptr<SpoolFile> m_file;
    std::ofstream m_out;
};

} // namespace pelmora::protocols
