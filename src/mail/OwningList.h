#pragma once

#include <memory>
#include <vector>

namespace pelmora::mail {

// An ordered list that owns its items; a copy copies every item, so two messages never share
// an address or an attachment.
template <typename T> class OwningList {
public:
    int Count() const { return static_cast<int>(m_items.size()); }
    T& Items(int index) { return *m_items.at(static_cast<std::size_t>(index)); }
    const T& Items(int index) const { return *m_items.at(static_cast<std::size_t>(index)); }

    T& AddItem(std::unique_ptr<T> item)
    {
        m_items.push_back(std::move(item));
        return *m_items.back();
    }
    void Clear() { m_items.clear(); }
    void Assign(const OwningList& other)
    {
        if (&other == this)
            return;
        m_items.clear();
        for (const auto& item : other.m_items)
            m_items.push_back(std::make_unique<T>(*item));
    }

    OwningList() = default;
    OwningList(const OwningList& other) { Assign(other); }
    OwningList& operator=(const OwningList& other)
    {
        Assign(other);
        return *this;
    }
    OwningList(OwningList&&) = default;
    OwningList& operator=(OwningList&&) = default;

protected:
    ~OwningList() = default;

    const std::vector<std::unique_ptr<T>>& items() const { return m_items; }

private:
    std::vector<std::unique_ptr<T>> m_items;
};

} // namespace pelmora::mail
