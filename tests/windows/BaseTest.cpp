#include "support/RecordingHost.h"
#include "support/TempDir.h"
#include "windows/TextBase.h"

#include <QApplication>
#include <QLineEdit>
#include <QVBoxLayout>
#include <filesystem>
#include <gtest/gtest.h>

namespace {
class PlainText : public TFTextBase {
public:
    using TFTextBase::TFTextBase;
};
} // namespace

TEST(TFBase, FocusArrivingFromOutsideActivatesTheDocumentOnce) {
    RecordingHost host;
    QWidget frame;
    auto* layout = new QVBoxLayout(&frame);
    auto* outside = new QLineEdit(&frame);
    auto* script = new PlainText(host, TFBase::kScript, "Script", &frame);
    auto* result = new PlainText(host, TFBase::kResult, "Result", &frame);
    layout->addWidget(outside);
    layout->addWidget(script);
    layout->addWidget(result);
    frame.show();
    QApplication::setActiveWindow(&frame);
    outside->setFocus();
    QApplication::processEvents();
    host.Activated.clear();

    script->FocusEditor();
    QApplication::processEvents();
    EXPECT_EQ(host.Activated, (std::vector<int>{TFBase::kScript}));
    result->FocusEditor();
    script->FocusEditor();
    QApplication::processEvents();
    EXPECT_EQ(host.Activated,
              (std::vector<int>{TFBase::kScript, TFBase::kResult, TFBase::kScript}));
    EXPECT_EQ(script->windowTitle(), "Script");
}

TEST(TFBase, FolderStartsAtTheCurrentFolderAndSetFolderMovesTheProcess) {
    RecordingHost host;
    auto before = std::filesystem::current_path();
    PlainText window(host, TFBase::kResult, "Result");
    EXPECT_EQ(window.GetFolder(), before.string());
    TempDir dir;
    window.SetFolder(dir.Path());
    EXPECT_EQ(window.GetFolder(), dir.Path());
    EXPECT_EQ(std::filesystem::current_path(), std::filesystem::path(dir.Path()));
    std::filesystem::current_path(before);
}

TEST(TFTextBase, SharedTextBehaviourRunsOnTheRealEditor) {
    RecordingHost host;
    PlainText window(host, TFBase::kResult, "Result");
    window.Editor().SetWholeText("abc\r\n\x95\x5C\x8E\xA6 aa\r\n");
    window.Editor().SetSelection(5, 0);
    EXPECT_EQ(window.GetPositionText(), " 2: 1");
    window.SearchText() = "aa";
    window.FindNext();
    EXPECT_EQ(window.Editor().SelectionStart(), 10);
    EXPECT_EQ(window.GetPositionText(), " 2: 6 (2)");
    window.SearchText().clear();
    window.FindNext(); // nothing to search for: the shared find dialog opens
    EXPECT_TRUE(host.Find.Visible);
}
