#include "shell/qt/ElidedLabel.h"

#include <QPainter>
#include <QStyleOption>

QSize ElidedLabel::minimumSizeHint() const {
    QSize size = QLabel::minimumSizeHint();
    size.setWidth(fontMetrics().horizontalAdvance(QStringLiteral("/…/")) + 2 * frameWidth() + 4);
    return size;
}

QSize ElidedLabel::sizeHint() const {
    return minimumSizeHint();
}

QString ElidedLabel::ShownText() const {
    return fontMetrics().elidedText(text(), Qt::ElideMiddle, contentsRect().width() - 4);
}

void ElidedLabel::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    QStyleOption option;
    option.initFrom(this);
    style()->drawItemText(&painter, contentsRect().adjusted(2, 0, -2, 0),
                          Qt::AlignLeft | Qt::AlignVCenter, option.palette, isEnabled(),
                          ShownText(), foregroundRole());
}
