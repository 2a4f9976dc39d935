#include "config/qt/DialogLayout.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace DialogLayout {

QWidget* Page(QTabWidget* tabs, const char* name, const char* caption) {
    auto* page = new QWidget(tabs);
    page->setObjectName(name);
    new QVBoxLayout(page);
    tabs->addTab(page, QString::fromUtf8(caption));
    return page;
}

QGroupBox* Group(QWidget* page, const char* caption, const char* name) {
    auto* box = new QGroupBox(QString::fromUtf8(caption), page);
    if (name)
        box->setObjectName(name);
    new QVBoxLayout(box);
    page->layout()->addWidget(box);
    return box;
}

QLineEdit* LabelledEdit(QGroupBox* box, const char* label, const char* name) {
    Add(box, new QLabel(QString::fromUtf8(label), box));
    return Add(box, new QLineEdit(box), name);
}

QPushButton* BrowseBeside(QGroupBox* box, QLineEdit* field, const char* name) {
    auto* layout = static_cast<QVBoxLayout*>(box->layout());
    auto* row = new QHBoxLayout;
    layout->insertLayout(layout->indexOf(field), row);
    row->addWidget(field, 1);
    auto* button = new QPushButton("参照", box);
    // Enter means OK: a browse button must neither look like the default nor become it.
    button->setAutoDefault(false);
    if (name)
        button->setObjectName(name);
    row->addWidget(button);
    return button;
}

} // namespace DialogLayout
