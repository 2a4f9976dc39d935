#include "shell/qt/RunGate.h"

#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

struct Gate : ::testing::Test {
    QWidget window;
    QLineEdit* typed = new QLineEdit(&window);
    QLineEdit* other = new QLineEdit(&window);
    QStatusBar* bar = new QStatusBar(&window);
    RunGate gate{bar};

    Gate() {
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(typed);
        layout->addWidget(other);
        layout->addWidget(bar);
        window.show();
    }
};

} // namespace

// While a run holds the window, only the input line takes keys; Escape there still cancels.
TEST_F(Gate, OnlyTheInputLineTakesKeysWhileARunLasts) {
    gate.Begin();
    gate.AllowInputTo(typed);
    QTest::keyClicks(typed, "ab");
    QTest::keyClicks(other, "xy");
    EXPECT_EQ(typed->text(), "ab");
    EXPECT_EQ(other->text(), "");
    EXPECT_FALSE(gate.Tick(0, 0));
    QTest::keyClick(typed, Qt::Key_Escape);
    EXPECT_TRUE(gate.Tick(0, 0));
    gate.End();
    // The next run lets nothing through until it is told again.
    gate.Begin();
    QTest::keyClicks(typed, "c");
    EXPECT_EQ(typed->text(), "ab");
    gate.End();
    QTest::keyClicks(other, "z");
    EXPECT_EQ(other->text(), "z");
}

TEST_F(Gate, TheStatusSaysWhileTheProgramWaitsForALine) {
    EXPECT_EQ(RunStatusText(1.0, 10, true), QString::fromUtf8("実行中 1.0 秒  10 B  入力待ち"));
    EXPECT_EQ(RunStatusText(1.0, 10), QString::fromUtf8("実行中 1.0 秒  10 B"));
    gate.Begin();
    gate.SetWaiting(true);
    // Said at once, before the indicator would show by itself.
    EXPECT_FALSE(gate.Indicator()->isHidden());
    gate.Tick(0.5, 10);
    EXPECT_TRUE(gate.Status()->text().endsWith(QString::fromUtf8("入力待ち")));
    gate.SetWaiting(false);
    gate.Tick(0.6, 10);
    EXPECT_FALSE(gate.Status()->text().contains(QString::fromUtf8("入力待ち")));
    gate.End();
}
