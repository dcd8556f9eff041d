// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/result_list.h"

#include "core/codec/codec.h"
#include "core/error_report.h"

#include <QCoreApplication>

namespace lumivex {

namespace {

[[noreturn]] void missingElement()
{
    throw StepFailure(QStringLiteral("Control array element does not exist"));
}

} // namespace

namespace {

void checkSourceStamp(const QString &source, const SourceStamp &stamp, const SourceStamp &read)
{
    if (read != stamp)
        throw StepFailure(QCoreApplication::translate("lumivex::Failure", "The source has changed since the run: %1").arg(source));
}

} // namespace

void checkRecipeSource(const ResultRecipe &recipe, const SourceStamp &read)
{
    checkSourceStamp(recipe.source, recipe.stamp, read);
}

void readStampedSource(const QString &source, const SourceStamp &stamp, KeptBytes &into)
{
    SourceStamp read;
    try {
        readRegularFile(source, into, &read).valueOrThrow();
    } catch (const StepFailure &) {
        read = SourceStamp();
    }
    checkSourceStamp(source, stamp, read);
}


QByteArray readRecipeSource(const ResultRecipe &recipe)
{
    SourceStamp read;
    QByteArray bytes;
    try {
        bytes = readRegularFile(recipe.source, &read).valueOrThrow();
    } catch (const StepFailure &) {
        read = SourceStamp();
    }
    checkRecipeSource(recipe, read);
    return bytes;
}

QImage ResultPicture::image() const
{
    if (!isRecipe())
        return m_image;
    return chainResultFromBytes(readRecipeSource(*m_recipe), m_recipe->source, m_recipe->steps);
}

QImage ResultPicture::imageMadeFrom(const QImage &source, const SourceStamp &read) const
{
    if (!isRecipe() || source.isNull() || m_recipe->steps.size() != 1)
        return image();
    checkRecipeSource(*m_recipe, read);
    return adjustPicture(m_recipe->steps.front().kind, source, m_recipe->steps.front().strength);
}

std::size_t ResultPicture::memoryBytes() const
{
    if (!m_image.isNull())
        return std::size_t(m_image.sizeInBytes());
    return m_recipe ? sizeof(ResultRecipe) + std::size_t(m_recipe->source.size()) * 2 : 0;
}

void ResultPicture::keepAsRecipe()
{
    if (m_recipe)
        m_image = QImage();
}

ResultList::ResultList() : m_pictures(1), m_exists{true} {}

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
    if (m_bytesHeld + picture.memoryBytes() > m_budget)
        picture.keepAsRecipe();
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
