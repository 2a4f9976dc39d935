// VexilPro's entry point: one instance per user and desktop; a second start hands its file to
// the first and ends with exit code 1.
#include "shell/Main.h"
#include "config/Settingsdir.h"
#include "platform/Displayplatform.h"
#include "platform/FileFacts.h"
#include "platform/MessageService.h"
#include "platform/SingleInstance.h"
#include "platform/StartupNotify.h"
#include "platform/qt/QtMessageService.h"
#include "shell/Dummy.h"
#include "shell/logic/StartOptions.h"
#include "shell/qt/TerminationSignals.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

namespace {

// QApplication's arguments, alive as long as it is: the program's name only (and the platform
// chosen for it), so no file name is ever taken for one of Qt's own options.
struct QtArgv {
    QtArgv(int argc, char** argv) : args(QtArguments(std::min(argc, 1), argv, ChosenQtPlatform())) {
        for (std::string& a : args)
            pointers.push_back(a.data());
        pointers.push_back(nullptr);
        count = static_cast<int>(args.size());
    }
    std::vector<std::string> args;
    std::vector<char*> pointers;
    int count = 0;
};

int SecondInstance(QtArgv& qtArgv, const std::string& endpoint, const std::string& start,
                   const std::string& display) {
    HandOver result = SendToFirstInstance(endpoint, start);
    if (result == HandOver::Sent) {
        // The running instance comes forward; this start shows nothing, so it ends the
        // launcher's notification itself. (A message box below ends it as it shows.)
        if (const char* id = std::getenv("DESKTOP_STARTUP_ID"))
            CompleteStartupNotification(display, id);
        return 1;
    }
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
    const StartOptions options =
        ParseStartOptions(std::vector<std::string>(argv + std::min(argc, 1), argv + argc));
    switch (options.action) {
    case StartOptions::Action::Help:
        std::fputs(UsageText().c_str(), stdout);
        return 0;
    case StartOptions::Action::Version:
        std::fputs(VersionText(VEXIL_VERSION).c_str(), stdout);
        return 0;
    case StartOptions::Action::Refuse:
        std::fputs(RefusalText(options.refused).c_str(), stderr);
        return 2;
    case StartOptions::Action::Start:
        break;
    }
    std::error_code ec;
    std::string start =
        NormaliseCommandLine(options.fileTail, std::filesystem::current_path(ec).string());

    const char* displayName = std::getenv("DISPLAY");
    const std::string display = displayName ? displayName : "";
    InstancePaths paths = InstancePathsFor(display);
    InstanceLock lock(paths.lock);
    // On a Wayland session: XWayland, where Escape and the hot key can be seen.
    QtArgv qtArgv(argc, argv);
    if (!paths.lock.empty() && !lock.TryAcquire())
        return SecondInstance(qtArgv, paths.endpoint, start, display);

    QApplication app(qtArgv.count, qtArgv.pointers.data());
    QApplication::setApplicationName("Vexil 2");
    // The desktop matches the windows to the installed entry (and its icon) by this name.
    QGuiApplication::setDesktopFileName(VEXIL_APP_ID);
    LoadJapaneseTranslations(app);
    try {
        std::string appDir = ProgramDir();
        MainServices services;
        services.settingsDir = PrepareSettingsFolder(appDir, SettingsFolderFor(appDir));
        TFMain main(appDir, services);
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
