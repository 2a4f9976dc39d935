#pragma once
// The settings dialogs are built the same way: tab pages of group boxes whose controls stack
// from the top, some fields with a browse button beside them. Names are the controls' object
// names, which the tests find them by.

#include <QGroupBox>
#include <QLayout>

class QLineEdit;
class QPushButton;
class QTabWidget;

namespace DialogLayout {

QWidget* Page(QTabWidget* tabs, const char* name, const char* caption);
QGroupBox* Group(QWidget* page, const char* caption, const char* name = nullptr);
QLineEdit* LabelledEdit(QGroupBox* box, const char* label, const char* name = nullptr);
// A browse button to the right of a field already in the box.
QPushButton* BrowseBeside(QGroupBox* box, QLineEdit* field, const char* name = nullptr);

template <class W> W* Add(QGroupBox* box, W* widget, const char* name = nullptr) {
    if (name)
        widget->setObjectName(name);
    box->layout()->addWidget(widget);
    return widget;
}

} // namespace DialogLayout
