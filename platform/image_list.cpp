// An image list rendered from SVG or bitmap resources at one size.
#include "platform/image_list.h"

#include <QPainter>
#include <QSvgRenderer>

namespace verrano {

namespace {

QPixmap Render(QSize size, const QString& resource) {
    QPixmap out(size);
    if (resource.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive)) {
        QSvgRenderer svg(resource);
        if (svg.isValid()) {
            // Image-list pictures are opaque: a drawing without a background of its own sits on
            // white.
            out.fill(Qt::white);
            QPainter painter(&out);
            svg.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
            return out;
        }
    } else {
        const QPixmap bitmap(resource);
        if (!bitmap.isNull())
            return bitmap.size() == size
                       ? bitmap
                       : bitmap.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    out.fill(Qt::black);
    return out;
}

} // namespace

ImageList::ImageList(QSize size, const QStringList& resources) : size_(size) {
    pictures_.reserve(static_cast<size_t>(resources.size()));
    for (const QString& r : resources)
        pictures_.push_back(Render(size, r));
}

QPixmap ImageList::Picture(int index) const {
    if (index < 1 || index > Count()) return QPixmap();
    return pictures_[static_cast<size_t>(index - 1)];
}

} // namespace verrano
