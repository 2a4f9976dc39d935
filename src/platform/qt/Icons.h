#pragma once
// Pictures of the main window's tool buttons (shared with their menu items) and of the window.
// A button shows the desktop theme's icon where the freedesktop naming has one for the same
// action, so the common file and edit buttons look like the rest of the desktop; the run
// commands and options have no such names and always show our own pictures. Our picture is
// also the fallback of every themed one, so a machine without an icon theme still shows a
// picture on every button.

#include <QIcon>
#include <QString>
#include <QStringList>

// The tool buttons' names (`TBNew`, ...), in tool-bar order from left to right.
const QStringList& ToolButtonNames();

// The icon of one tool button. A name outside ToolButtonNames() is a mistake in the caller's
// button table: it throws std::invalid_argument naming the button, so the mistake shows at the
// first start instead of as a blank button that nobody notices.
QIcon ToolIcon(const QString& buttonName);

// Our own picture of the button, whatever the theme holds. Throws like ToolIcon.
QIcon BundledToolIcon(const QString& buttonName);

// The freedesktop icon name the theme is asked for; empty where the button never follows the
// theme. Throws like ToolIcon.
QString ThemeIconName(const QString& buttonName);

// The window and application icon.
QIcon AppIcon();
