// Side-by-side timings of the text windows' editor on a million lines (~70 MB) of CP932
// output: our adapter (convert, set, position text on the last line, paint) against the floor
// (the same text already in UTF-8 set straight into a bare QsciScintilla and painted) and the
// peer (QPlainTextEdit::setPlainText and paint); then FindNext of a word that occurs only on
// the last line against one memmem over the editor's own bytes.

#include "Quiet.h"
#include "Timing.h"
#include "platform/Cp932.h"
#include "windows/ScintillaEditor.h"
#include "windows/logic/TextWindow.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <Qsci/qsciscintilla.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

namespace {

const char kWord[] = "QUIXOTICWORD";

std::string MakeOutput(int lines) {
    // Lines as a Perl script prints them: ASCII, kanji and kana, some half-width katakana.
    const std::string kanji = Utf8ToCp932("実行結果の出力行です").text;
    const std::string kana = Utf8ToCp932("ｶﾀｶﾅ").text;
    std::string text;
    text.reserve(static_cast<std::size_t>(lines) * 72);
    char head[32];
    for (int i = 0; i < lines; ++i) {
        std::snprintf(head, sizeof head, "%07d: ", i + 1);
        text += head;
        text += kanji;
        text += ' ';
        text += kana;
        text += " value=";
        text += std::to_string(i * 7919 % 100000);
        text += " status ok; elapsed 0.00";
        text += std::to_string(i % 10);
        if (i == lines - 1)
            text += std::string(" ") + kWord;
        text += '\n';
    }
    return text;
}

void Prepare(QWidget& w) {
    w.resize(900, 700);
    w.show();
    QApplication::processEvents();
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const int lines = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;

    const std::string cp932 = MakeOutput(lines);
    const std::string utf8 = Cp932ToUtf8(cp932).text;
    const QString qtext = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
    std::printf("text: %d lines, %.1f MB CP932, %.1f MB UTF-8; %d rounds, medians\n", lines,
                cp932.size() / 1e6, utf8.size() / 1e6, rounds);

    std::vector<double> ours, floor, peer, find, scan, cold;
    std::string status;
    for (int r = 0; r < rounds; ++r) {
        {
            ScintillaEditor editor;
            Prepare(editor);
            QuietFind dialog;
            QuietClipboard clipboard;
            TextWindow window(editor, dialog, clipboard);
            ours.push_back(Seconds([&] {
                editor.SetWholeText(cp932);
                editor.SendScintilla(QsciScintillaBase::SCI_DOCUMENTEND);
                status = window.GetPositionText();
                editor.grab();
            }));

            window.SearchText = kWord;
            for (int k = 0; k < 5; ++k) {
                editor.SendScintilla(QsciScintillaBase::SCI_DOCUMENTSTART);
                find.push_back(Seconds([&] { window.FindNext(); }));
            }
            std::string_view bytes = editor.Utf8Text();
            const void* hit = nullptr;
            for (int k = 0; k < 5; ++k)
                scan.push_back(Seconds(
                    [&] { hit = memmem(bytes.data(), bytes.size(), kWord, sizeof kWord - 1); }));
            if (!hit || editor.LineFromPosition(editor.SelectionStart()) != lines - 1) {
                std::fprintf(stderr, "FindNext missed the word\n");
                return 1;
            }
            // Cold: a fresh load, nothing measured yet, the caret at the top.
            editor.SetWholeText(cp932);
            cold.push_back(Seconds([&] { window.FindNext(); }));
        }
        {
            QsciScintilla bare;
            bare.setUtf8(true);
            Prepare(bare);
            floor.push_back(Seconds([&] {
                bare.SendScintilla(QsciScintillaBase::SCI_SETTEXT, utf8.c_str());
                bare.SendScintilla(QsciScintillaBase::SCI_DOCUMENTEND);
                bare.grab();
            }));
        }
        {
            QPlainTextEdit plain;
            Prepare(plain);
            peer.push_back(Seconds([&] {
                plain.setPlainText(qtext);
                plain.grab();
            }));
        }
    }

    const double a = Median(ours), b = Median(floor), c = Median(peer);
    std::printf("position text on the last line: \"%s\"\n", status.c_str());
    std::printf("(a) adapter: convert + set + position text + paint  %8.3f s\n", a);
    std::printf("(b) floor: bare QsciScintilla, UTF-8 set + paint    %8.3f s\n", b);
    std::printf("(c) peer: QPlainTextEdit::setPlainText + paint      %8.3f s\n", c);
    std::printf("a/b = %.2f (target <= 1.3)   a/c = %.3f (target <= 0.35)\n", a / b, a / c);
    const double f = Median(find), m = Median(scan), fc = Median(cold);
    std::printf("FindNext to the last line       %8.2f ms (cold, first after load: %.2f ms)\n",
                f * 1e3, fc * 1e3);
    std::printf("memmem over the editor's bytes  %8.2f ms\n", m * 1e3);
    std::printf("FindNext/memmem = %.2f (target <= 5), cold %.2f\n", f / m, fc / m);
    return 0;
}
