#pragma once
// The About box: the program's name and version, its credits, the project's address ready to
// be copied and its home page a click away. Enter or Esc anywhere in the box closes it.

#include <QDialog>

class Launcher;
class QLabel;
class QLineEdit;
class QPushButton;

inline constexpr const char* kVersionText = "Vexil Ver 2.79";
inline constexpr const char* kProjectName = "VexilPro";
// The project's own addresses: the one its history is written under, and its home page.
inline constexpr const char* kProjectMail = "maintainers@users.noreply.c-seed-0ccf895f.example";
inline constexpr const char* kProjectHomePage = "https://c-seed-0ccf895f.example/";

class TFVersion : public QDialog {
    Q_OBJECT
public:
    TFVersion(Launcher& launcher, QWidget* parent = nullptr);

    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLineEdit* EdAddress;
    QLabel* Label4;
    QLabel* Label5;
    QLabel* Label6;
    QPushButton* Button1;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool CloseOnKey(QEvent* event);

    Launcher& launcher_;
};
