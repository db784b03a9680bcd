// A list of same-sized pictures addressed by their number from 1, rendered from resources.
#pragma once

#include <QPixmap>
#include <QSize>
#include <QString>
#include <QStringList>
#include <vector>

namespace verrano {

class ImageList {
public:
    ImageList() = default;
    // Renders each resource (SVG or bitmap) at size; a resource that can't be read gives a
    // black picture of that size.
    ImageList(QSize size, const QStringList& resources);

    int Count() const { return static_cast<int>(pictures_.size()); }
    // 1-based; an index outside the list gives a null pixmap.
    QPixmap Picture(int index) const;
    QSize ImageSize() const { return size_; }

private:
    QSize size_;
    std::vector<QPixmap> pictures_;
};

} // namespace verrano
