#include "windows/TerminalColours.h"

#include <Qsci/qsciscintilla.h>

namespace {

// Indicators 8 and above are the container's; these two are nobody else's.
constexpr int kForeground = 20;
constexpr int kBackground = 21;
// SC_INDICFLAG_VALUEFORE: each stretch is drawn in the colour its value holds.
constexpr unsigned long kValueColours = 1;

unsigned long ScintillaColour(std::uint32_t rgb) {
    // Scintilla reads colours as 0xBBGGRR.
    return QsciScintillaBase::SC_INDICVALUEBIT | ((rgb & 0xFF) << 16) | (rgb & 0xFF00) |
           ((rgb >> 16) & 0xFF);
}

} // namespace

void SetUpTerminalColours(QsciScintilla& editor) {
    editor.SendScintilla(QsciScintillaBase::SCI_INDICSETSTYLE, kForeground,
                         QsciScintillaBase::INDIC_TEXTFORE);
    editor.SendScintilla(QsciScintillaBase::SCI_INDICSETFLAGS, kForeground, kValueColours);
    editor.SendScintilla(QsciScintillaBase::SCI_INDICSETSTYLE, kBackground,
                         QsciScintillaBase::INDIC_FULLBOX);
    editor.SendScintilla(QsciScintillaBase::SCI_INDICSETFLAGS, kBackground, kValueColours);
    editor.SendScintilla(QsciScintillaBase::SCI_INDICSETALPHA, kBackground, 255UL);
    editor.SendScintilla(QsciScintillaBase::SCI_INDICSETOUTLINEALPHA, kBackground, 255UL);
    editor.SendScintilla(QsciScintillaBase::SCI_INDICSETUNDER, kBackground, 1UL);
}

void PaintTerminalSpans(QsciScintilla& editor, std::size_t at,
                        const std::vector<TerminalSpan>& spans) {
    for (const TerminalSpan& span : spans) {
        const ShownColours shown = ShowStyle(span.style, kOutputText, kOutputPaper);
        const auto fill = [&](int indicator, std::uint32_t rgb) {
            editor.SendScintilla(QsciScintillaBase::SCI_SETINDICATORCURRENT, indicator);
            editor.SendScintilla(QsciScintillaBase::SCI_SETINDICATORVALUE, ScintillaColour(rgb));
            editor.SendScintilla(QsciScintillaBase::SCI_INDICATORFILLRANGE,
                                 static_cast<unsigned long>(at + span.start),
                                 static_cast<long>(span.length));
        };
        if (shown.fgSet)
            fill(kForeground, shown.fg);
        if (shown.bgSet)
            fill(kBackground, shown.bg);
    }
}

long TerminalForegroundAt(QsciScintilla& editor, std::size_t position) {
    const long value = editor.SendScintilla(QsciScintillaBase::SCI_INDICATORVALUEAT, kForeground,
                                            static_cast<unsigned long>(position));
    if (!(value & QsciScintillaBase::SC_INDICVALUEBIT))
        return -1;
    return ((value & 0xFF) << 16) | (value & 0xFF00) | ((value >> 16) & 0xFF);
}
