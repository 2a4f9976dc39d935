#include "windows/Opendir.h"

#include "platform/Browse.h"
#include "platform/FileFacts.h"

#include <QComboBox>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

TFOpenDir::TFOpenDir(QWidget* parent) : QDialog(parent) {
    setObjectName("FOpenDir");
    setWindowTitle(kOpenDirCaption);
    setFixedSize(250, 331);

    DriveComboBox = new QComboBox(this);
    DriveComboBox->setObjectName("DriveComboBox");
    DriveComboBox->setFixedWidth(145);
    model_ = new QFileSystemModel(this);
    model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    model_->setRootPath("/");
    DirectoryListBox = new QTreeView(this);
    DirectoryListBox->setObjectName("DirectoryListBox");
    DirectoryListBox->setModel(model_);
    for (int column = 1; column < model_->columnCount(); ++column)
        DirectoryListBox->hideColumn(column);
    DirectoryListBox->setHeaderHidden(true);
    DirectoryListBox->setRootIndex(model_->index("/"));

    Button1 = new QPushButton("OK", this);
    Button1->setObjectName("Button1");
    Button2 = new QPushButton("Cancel", this);
    Button2->setObjectName("Button2");
    // Enter in the list opens a folder; it does not close the dialog.
    Button1->setAutoDefault(false);
    Button2->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 4);
    layout->addWidget(DriveComboBox, 0, Qt::AlignLeft);
    layout->addWidget(DirectoryListBox, 1);
    layout->addLayout(buttons);

    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    connect(DirectoryListBox->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& index) { CurrentChanged(index); });
    connect(DirectoryListBox, &QTreeView::activated, this,
            [this](const QModelIndex& index) { DirectoryListBox->expand(index); });
    connect(DriveComboBox, &QComboBox::activated, this, [this](int index) { DriveChosen(index); });
    // The model reads and sorts folders in the background: the shown folder is scrolled to
    // again whenever that moves the rows.
    auto keepInView = [this] {
        DirectoryListBox->scrollTo(DirectoryListBox->currentIndex(),
                                   QAbstractItemView::PositionAtCenter);
    };
    connect(model_, &QFileSystemModel::directoryLoaded, this, keepInView);
    connect(model_, &QFileSystemModel::layoutChanged, this, keepInView);
}

bool TFOpenDir::Prompt() {
    std::string mounts;
    ReadWholeFile("/proc/self/mounts", mounts);
    prompt_.Volumes = MountedVolumes(mounts);
    DriveComboBox->clear();
    for (const std::string& volume : prompt_.Volumes)
        DriveComboBox->addItem(QString::fromStdString(volume));
    return prompt_.Prompt([this](const std::string& start) {
        ShowFolder(start);
        DirectoryListBox->setFocus();
        // Scrolling needs the laid-out list: once the dialog is up.
        QTimer::singleShot(0, this, [this] {
            DirectoryListBox->scrollTo(DirectoryListBox->currentIndex(),
                                       QAbstractItemView::PositionAtCenter);
        });
        return exec() == QDialog::Accepted;
    });
}

void TFOpenDir::OpenFolder(const std::string& folder) {
    // A folder that cannot be entered leaves the list where the current directory is.
    prompt_.OpenFolder(folder);
    ShowFolder(CurrentFolder());
}

std::string TFOpenDir::ShownFolder() const {
    return model_->filePath(DirectoryListBox->currentIndex()).toStdString();
}

void TFOpenDir::ShowFolder(const std::string& folder) {
    showing_ = true;
    QModelIndex index = model_->index(QString::fromStdString(folder));
    for (QModelIndex up = index; up.isValid(); up = up.parent())
        DirectoryListBox->expand(up);
    DirectoryListBox->setCurrentIndex(index);
    DirectoryListBox->scrollTo(index, QAbstractItemView::PositionAtCenter);
    DriveComboBox->setCurrentText(QString::fromStdString(VolumeOf(folder, prompt_.Volumes)));
    showing_ = false;
}

void TFOpenDir::CurrentChanged(const QModelIndex& index) {
    if (!showing_ && index.isValid())
        OpenFolder(model_->filePath(index).toStdString());
}

void TFOpenDir::DriveChosen(int index) {
    if (index >= 0 && index < static_cast<int>(prompt_.Volumes.size()))
        OpenFolder(prompt_.FolderOnVolume(prompt_.Volumes[index]));
}
