#include "engine/result_list.h"

#include "shell/error_report.h"

namespace lumivex {

namespace {
[[noreturn]] void missingElement()
{
    throw StepFailure(QStringLiteral("Control array element does not exist"));
}
} // namespace

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
    m_pictures[std::size_t(index)] = ResultPicture();
    m_exists[std::size_t(index)] = true;
}

void ResultList::setPicture(int index, ResultPicture picture)
{
    if (!exists(index))
        missingElement();
    m_pictures[std::size_t(index)] = std::move(picture);
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
