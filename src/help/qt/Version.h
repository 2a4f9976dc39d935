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
// The project's mail and home page, on the placeholder domain vexilpro.example until the project
// has a public one; the package names the same address as its maintainer.
inline constexpr const char* kProjectMail = "developers@vexilpro.example";
inline constexpr const char* kProjectHomePage = "https://vexilpro.example/";

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
