#include "windows/TextBase.h"

#include <QMenu>
#include <QVBoxLayout>

TFTextBase::TFTextBase(MainWindowHost& host, Document which, const QString& caption,
                       QWidget* parent)
    : TFBase(host, which, caption, parent), editor_(new ScintillaEditor(this)),
      text_(*editor_, host.SharedFindDialog(), host.Clipboard()) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(editor_);
    editor_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(editor_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        if (QMenu* menu = Host().PopupMenu())
            menu->popup(editor_->mapToGlobal(at));
    });
}
