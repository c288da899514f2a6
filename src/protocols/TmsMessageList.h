#pragma once

#include "mail/TmsMessage.h"

#include <memory>
#include <vector>

namespace pelmora::protocols {

// The messages a retrieval produced, in order; the list owns them.
class TmsMessageList {
public:
    int Count() const { return static_cast<int>(m_items.size()); }
    mail::TmsMessage& Items(int index) { return *m_items.at(static_cast<std::size_t>(index)); }
    const mail::TmsMessage& Items(int index) const { return *m_items.at(static_cast<std::size_t>(index)); }
    void Add(std::unique_ptr<mail::TmsMessage> message) { m_items.push_back(std::move(message)); }
    void Clear() { m_items.clear(); }

private:
    std::vector<std::unique_ptr<mail::TmsMessage>> m_items;
};

} // namespace pelmora::protocols
