#pragma once
// A status-bar panel for a path: it takes the width it is given and shows the text shortened in
// the middle when it does not fit, so both the start and the file end of a long folder stay
// readable. text() keeps the whole text.

#include <QLabel>

class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;
    // What the panel shows for its width.
    QString ShownText() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};
