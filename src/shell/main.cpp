// VexilPro's entry point: one instance per user and desktop; a second start hands its file to
// the first and ends with exit code 1.
#include "shell/Main.h"
#include "platform/Displayplatform.h"
#include "platform/FileFacts.h"
#include "platform/MessageService.h"
#include "platform/SingleInstance.h"
#include "platform/qt/QtMessageService.h"
#include "shell/Dummy.h"
#include "shell/qt/TerminationSignals.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <csignal>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

namespace {

// QApplication's arguments, alive as long as it is.
struct QtArgv {
    QtArgv(int argc, char** argv) : args(QtArguments(argc, argv, ChosenQtPlatform())) {
        for (std::string& a : args)
            pointers.push_back(a.data());
        pointers.push_back(nullptr);
        count = static_cast<int>(args.size());
    }
    std::vector<std::string> args;
    std::vector<char*> pointers;
    int count = 0;
};

int SecondInstance(QtArgv& qtArgv, const std::string& endpoint, const std::string& start) {
    HandOver result = SendToFirstInstance(endpoint, start);
    if (result == HandOver::Sent)
        return 1;
    QApplication app(qtArgv.count, qtArgv.pointers.data());
    QtMessageService messages;
    messages.Show(result == HandOver::NoEndpoint ? "Cannot find previous window."
                                                 : "Posting Message was failed.",
                  kAppCaption, MessageIcon::None);
    return 1;
}

void LoadJapaneseTranslations(QApplication& app) {
    // Qt's own dialog texts (buttons, file dialogs) in Japanese, like the rest of the program.
    for (const char* name : {"qtbase_ja", "qt_ja"}) {
        auto* translator = new QTranslator(&app);
        if (translator->load(name, QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            QApplication::installTranslator(translator);
        else
            delete translator;
    }
}

} // namespace

int main(int argc, char** argv) {
    std::string tail;
    for (int i = 1; i < argc; ++i)
        tail += (i > 1 ? " " : "") + std::string(argv[i]);
    std::error_code ec;
    std::string start = NormaliseCommandLine(tail, std::filesystem::current_path(ec).string());

    const char* display = std::getenv("DISPLAY");
    InstancePaths paths = InstancePathsFor(display ? display : "");
    InstanceLock lock(paths.lock);
    // On a Wayland session: XWayland, where Escape and the hot key can be seen.
    QtArgv qtArgv(argc, argv);
    if (!paths.lock.empty() && !lock.TryAcquire())
        return SecondInstance(qtArgv, paths.endpoint, start);

    QApplication app(qtArgv.count, qtArgv.pointers.data());
    QApplication::setApplicationName("Vexil 2");
    // The desktop matches the windows to the installed entry (and its icon) by this name.
    QGuiApplication::setDesktopFileName(VEXIL_APP_ID);
    LoadJapaneseTranslations(app);
    try {
        std::string appDir = ProgramDir();
        TFMain main(appDir);
        TFVexilProMain endpoint(
            paths.endpoint, [&main](const std::string& path) { main.OpenFromOtherInstance(path); });
        // A logout or a closed terminal ends the program as a close would, without asking.
        TerminationSignals endings([&main](int number) {
            main.LeaveBySignal();
            ::signal(number, SIG_DFL);
            ::raise(number);
        });
        main.InitialSetup(start, appDir);
        return app.exec();
    } catch (const std::exception& e) {
        QtMessageService().Show(e.what(), kErrorCaption, MessageIcon::Error);
        return 0;
    }
}
