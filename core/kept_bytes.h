// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

#include <cstddef>

namespace lumivex {

// Bytes a worker keeps from one picture to the next (a file read whole, an encoded result, a
// decoder's rows), in large pages where the kernel gives them (core/large_pages.h), handed back to
// that allocator's bounded pool when it goes or grows. On virtual machines a page fault
// costs microseconds, so a worker faulting its few megabytes in 4 KB at a time spends on its
// first picture what decoding a second one costs; in large pages it is a fault per 2 MB.
//
// The bytes beyond size() are whatever an earlier use left: a caller writes what it reads.
class KeptBytes {
public:
    KeptBytes() = default;
    ~KeptBytes();
    KeptBytes(const KeptBytes &) = delete;
    KeptBytes &operator=(const KeptBytes &) = delete;

    char *data() { return m_data; }
    const char *data() const { return m_data; }
    std::size_t size() const { return m_size; }
    std::size_t capacity() const { return m_capacity; }

    // Keeps the first min(size(), bytes) bytes. Throws std::bad_alloc when memory is refused.
    void resize(std::size_t bytes);
    void clear() { m_size = 0; }

    // The bytes as a QByteArray that does not own them: valid until the next resize, and
    // never to be kept beyond the call it is handed to.
    QByteArray view() const { return QByteArray::fromRawData(m_data, qsizetype(m_size)); }

private:
    char *m_data = nullptr;
    std::size_t m_size = 0;
    std::size_t m_capacity = 0;
};

} // namespace lumivex
