#pragma once
// The one monospace face the editors, the error list and the help viewer's preformatted text
// share: a traceback's ^~~~ lines up under the code only when every column is as wide as the
// next, and Japanese is two columns wide in it.

#include <QFont>
#include <QString>

// The CJK monospace face where it is installed, else the desktop's monospace.
QString MonospaceFamily();
// That face at pixelSize pixels.
QFont MonospaceFont(int pixelSize);
