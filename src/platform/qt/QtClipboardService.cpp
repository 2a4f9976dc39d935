#include "platform/qt/QtClipboardService.h"

#include "platform/Cp932.h"

#include <QClipboard>
#include <QGuiApplication>

std::string QtClipboardService::Text() {
    return Utf8ToCp932(QGuiApplication::clipboard()->text().toStdString()).text;
}

void QtClipboardService::SetText(const std::string& cp932) {
    QGuiApplication::clipboard()->setText(QString::fromStdString(Cp932ToUtf8(cp932).text));
}

std::string QtClipboardService::Utf8Text() {
    return QGuiApplication::clipboard()->text().toStdString();
}

void QtClipboardService::SetUtf8Text(const std::string& utf8) {
    QGuiApplication::clipboard()->setText(QString::fromStdString(utf8));
}
