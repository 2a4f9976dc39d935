#include "windows/TextBase.h"

#include "windows/ProgressWindow.h"
#include "windows/ReplaceDialog.h"
#include "windows/logic/CommentToggle.h"
#include "windows/logic/ScriptNavigation.h"

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
    text_.Notice = [this](const std::string& text) { Host().Notice(text); };
}

void TFTextBase::SelectAll() {
    editor_->selectAll(true);
    Host().RefreshStatus();
}

void TFTextBase::Replace() {
    ReplaceDialogService* dialog = Host().SharedReplaceDialog();
    if (!dialog)
        return;
    dialog->SetHandlers(
        [this, dialog] {
            text_.Replace(dialog->FindText(), dialog->ReplaceText(), dialog->Options());
            Host().RefreshView();
        },
        [this, dialog] {
            ProgressWindow progress(this, QStringLiteral("置換しています…"));
            const ReplaceAllResult result = text_.ReplaceAll(
                dialog->FindText(), dialog->ReplaceText(), dialog->Options(), &progress);
            const std::string said = ReplaceAllMessage(result, dialog->FindText());
            dialog->ShowResult(said);
            Host().Notice(said);
            Host().RefreshView();
        });
    // A selection within one line is what the user most likely wants to replace.
    std::string selected = editor_->SelectedUtf8();
    if (!selected.empty() && selected.find_first_of("\r\n") == std::string::npos)
        dialog->SetFindText(selected);
    else
        dialog->SetFindText(text_.SearchText);
    dialog->ShowDialog();
}

void TFTextBase::GoToLineDialog() {
    const TextPos current = editor_->LineFromPosition(editor_->SelectionStart()) + 1;
    if (std::optional<long long> line = AskLineNumber(this, current, editor_->LineCount())) {
        GoToLine(*editor_, *line);
        Host().RefreshStatus();
    }
}

void TFTextBase::ToggleComment() {
    ToggleCommentInEditor(*editor_, CommentMark());
    Host().RefreshView();
}
