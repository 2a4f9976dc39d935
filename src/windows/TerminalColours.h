#pragma once
// The colours of program output shown in a text window: indicators over the text, so the
// document keeps no style bytes and its text stays exactly what is shown.

#include "exec/TerminalText.h"

#include <cstddef>
#include <vector>

class QsciScintilla;

// Makes the editor draw the indicators that carry the colours; once per editor.
void SetUpTerminalColours(QsciScintilla& editor);
// Colours the spans, whose positions count from the UTF-8 position at.
void PaintTerminalSpans(QsciScintilla& editor, std::size_t at,
                        const std::vector<TerminalSpan>& spans);
// The foreground colour (0xRRGGBB) drawn at a position, or -1: what a test can look at.
long TerminalForegroundAt(QsciScintilla& editor, std::size_t position);

// The window's own text and paper, which reverse video and bold build on.
inline constexpr std::uint32_t kOutputText = 0x000000;
inline constexpr std::uint32_t kOutputPaper = 0xFFFFFF;
