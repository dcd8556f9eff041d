#pragma once

#include <QImage>
#include <QString>
#include <QStringList>
#include <vector>

namespace lumivex {

// One adjusted picture. A source that could not be decoded leaves it empty, with the reason,
// so that nothing else's pixels are ever shown or saved under its name.
struct ResultPicture {
    QImage image;
    QString failure;

    bool isEmpty() const { return image.isNull(); }
};

// The results of the last run: the list items, the pictures Image1(0 … n − 1) and
// mTotalImages. Item k, picture k − 1 and row k of the image list belong to the same image.
class ResultList {
public:
    ResultList() : m_pictures(1) {}

    void clearItems() { m_items.clear(); }
    void addItem(const QString &text) { m_items << text; }
    const QStringList &items() const { return m_items; }
    int itemCount() const { return m_items.size(); }

    // Element 0 always exists; elements 1 … are created by a run and released by "< Back".
    bool exists(int index) const;
    void create(int index);
    void setPicture(int index, ResultPicture picture); // throws when the element does not exist
    const ResultPicture &picture(int index) const;     // throws when the element does not exist
    void release(int index);                            // throws when the element does not exist
    int slotCount() const; // existing elements

    int mTotalImages = 0;
    QString resultWord; // the word of the last run's adjustment, empty before the first run

private:
    QStringList m_items;
    std::vector<ResultPicture> m_pictures;
    std::vector<bool> m_exists{true};
};

} // namespace lumivex
