#include "engine/result_list.h"

#include "engine/compact_picture.h"
#include "core/error_report.h"

#include <unistd.h>

namespace lumivex {

namespace {

[[noreturn]] void missingElement()
{
    throw StepFailure(QStringLiteral("Control array element does not exist"));
}

std::size_t physicalMemory()
{
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long size = sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || size <= 0)
        return std::size_t(8) << 30;
    return std::size_t(pages) * std::size_t(size);
}

} // namespace

QImage ResultPicture::image() const
{
    return m_packed.isEmpty() ? m_image : unpackPicture(m_packed);
}

std::size_t ResultPicture::memoryBytes() const
{
    return m_packed.isEmpty() ? std::size_t(m_image.sizeInBytes()) : std::size_t(m_packed.size());
}

void ResultPicture::pack()
{
    if (m_image.isNull() || !m_packed.isEmpty())
        return;
    m_packed = packPicture(m_image);
    m_image = QImage();
}

ResultList::ResultList() : m_pictures(1), m_exists{true}
{
    const std::size_t memory = physicalMemory();
    m_unpackedBudget = memory / 10 * 4;
    m_hardLimit = memory / 10 * 7;
}

void ResultList::setMemoryBudget(std::size_t unpackedBudget, std::size_t hardLimit)
{
    m_unpackedBudget = unpackedBudget;
    m_hardLimit = hardLimit;
}

std::size_t ResultList::memoryInUse() const { return m_bytesHeld; }

bool ResultList::exists(int index) const
{
    return index >= 0 && std::size_t(index) < m_exists.size() && m_exists[std::size_t(index)];
}

void ResultList::create(int index)
{
    if (index < 0)
        missingElement();
    if (std::size_t(index) >= m_pictures.size()) {
        m_pictures.resize(std::size_t(index) + 1);
        m_exists.resize(std::size_t(index) + 1, false);
    }
    // An element left behind by an interrupted release is simply reused.
    m_bytesHeld -= m_pictures[std::size_t(index)].memoryBytes();
    m_pictures[std::size_t(index)] = ResultPicture();
    m_exists[std::size_t(index)] = true;
}

void ResultList::setPicture(int index, ResultPicture picture)
{
    if (!exists(index))
        missingElement();
    ResultPicture &slot = m_pictures[std::size_t(index)];
    m_bytesHeld -= slot.memoryBytes(); // what it held no longer counts
    slot = ResultPicture();
    const std::size_t inUse = m_bytesHeld;
    if (inUse + picture.memoryBytes() > m_unpackedBudget)
        picture.pack();
    if (inUse + picture.memoryBytes() > m_hardLimit) {
        slot.failure = QStringLiteral("Not enough memory to keep this result");
        throw StepFailure(QStringLiteral("Not enough memory to keep this result (%1 MB already held)")
                              .arg(inUse >> 20));
    }
    m_bytesHeld += picture.memoryBytes();
    slot = std::move(picture);
}

const ResultPicture &ResultList::picture(int index) const
{
    if (!exists(index))
        missingElement();
    return m_pictures[std::size_t(index)];
}

void ResultList::release(int index)
{
    if (index == 0 || !exists(index))
        missingElement();
    m_bytesHeld -= m_pictures[std::size_t(index)].memoryBytes();
    m_pictures[std::size_t(index)] = ResultPicture();
    m_exists[std::size_t(index)] = false;
}

int ResultList::slotCount() const
{
    int count = 0;
    for (bool e : m_exists)
        count += e ? 1 : 0;
    return count;
}

} // namespace lumivex
