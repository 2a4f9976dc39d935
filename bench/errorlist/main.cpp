// (1) 250,000 error lines shown in the error window (loaded, then one paint) against a bare
//     QListView on a QStringListModel of the same lines (built, then one paint), round after
//     round, medians and their ratio. The error window should stay under twice the bare view.
// (2) 1,000,000 lines / about 70 MB of output loaded into the result window, the position text
//     of the last line, one paint; against a bare QScintilla given the same text as UTF-8.

#include "Quiet.h"
#include "Timing.h"
#include "platform/ByteStream.h"
#include "platform/Cp932.h"
#include "windows/MainWindowHost.h"
#include "windows/Result.h"
#include "windows/Stderror.h"

#include <QApplication>
#include <QListView>
#include <QStringListModel>
#include <Qsci/qsciscintilla.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int kRounds = 5;
constexpr int kErrorLines = 250000;
constexpr int kResultLines = 1000000;

std::string ErrorOutput() {
    std::string utf8;
    for (int i = 1; i <= kErrorLines; ++i) {
        if (i % 3 == 0)
            utf8 += "Use of uninitialized value $x in concatenation (.) or string at "
                    "/home/user/作業/スクリプト.pl line " +
                    std::to_string(i) + ".\n";
        else if (i % 3 == 1)
            utf8 += "syntax error at /home/user/project/run.pl line " + std::to_string(i) +
                    ", near \"}\"\n";
        else
            utf8 += "エラー: 入力ファイルが見つかりません (" + std::to_string(i) + ")\n";
    }
    return Utf8ToCp932(utf8).text;
}

std::string ResultOutput() {
    std::string utf8;
    utf8.reserve(72u * kResultLines);
    for (int i = 0; i < kResultLines; ++i) {
        std::string n = std::to_string(i);
        if (i % 4 == 0)
            utf8 += "結果 " + n + ": 計算が終わりました。値は正しく出力されています。\n";
        else
            utf8 += "record " + n + "\tvalue=" + n +
                    "\tstatus=ok\tcomment=plain ascii text of the run\n";
    }
    return Utf8ToCp932(utf8).text;
}

} // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    QuietHost host;

    const std::string errors = ErrorOutput();
    std::vector<double> ours, bare;
    for (int round = 0; round < kRounds; ++round) {
        ours.push_back(Seconds([&] {
            TFStdError window(host);
            window.resize(800, 400);
            window.show();
            ByteStream stream(errors);
            window.LoadFromStream(stream);
            window.grab();
        }));
        bare.push_back(Seconds([&] {
            QListView view;
            view.setUniformItemSizes(true);
            view.resize(800, 400);
            view.show();
            QStringListModel model;
            model.setStringList(
                QString::fromUtf8(Cp932ToUtf8(errors).text).split(u'\n', Qt::SkipEmptyParts));
            view.setModel(&model);
            view.grab();
        }));
    }
    std::printf("error list, %d lines (%.1f MB CP932), %d rounds, shown and painted once\n",
                kErrorLines, errors.size() / 1e6, kRounds);
    std::printf("  TFStdError::LoadFromStream            median %.3f s\n", Median(ours));
    std::printf("  QListView on QStringListModel         median %.3f s  (uniform item sizes)\n",
                Median(bare));
    std::printf("  ratio %.2f   (target < 2)\n", Median(ours) / Median(bare));

    const std::string output = ResultOutput();
    std::vector<double> result, scintilla;
    std::string position;
    for (int round = 0; round < 3; ++round) {
        result.push_back(Seconds([&] {
            TFResult window(host);
            window.resize(800, 600);
            window.show();
            ByteStream stream(output);
            window.LoadFromStream(stream);
            ScintillaEditor& editor = window.Editor();
            editor.SetSelection(editor.PositionFromLine(editor.LineCount() - 2), 0);
            position = window.GetPositionText();
            window.grab();
        }));
        scintilla.push_back(Seconds([&] {
            QsciScintilla editor;
            editor.setUtf8(true);
            editor.resize(800, 600);
            editor.show();
            std::string utf8 = Cp932ToUtf8(output).text;
            editor.SendScintilla(QsciScintillaBase::SCI_SETTEXT, 0UL, utf8.c_str());
            editor.SendScintilla(QsciScintillaBase::SCI_GOTOLINE,
                                 static_cast<unsigned long>(kResultLines - 1));
            editor.grab();
        }));
    }
    std::printf("result window, %d lines (%.1f MB CP932), 3 rounds\n", kResultLines,
                output.size() / 1e6);
    std::printf("  TFResult load + last-line position text + paint  median %.3f s  (\"%s\")\n",
                Median(result), position.c_str());
    std::printf("  bare QScintilla set UTF-8 text + go to line + paint  median %.3f s\n",
                Median(scintilla));
    std::printf("  ratio %.2f\n", Median(result) / Median(scintilla));
    return 0;
}
