#include "apppaths.h"
#include "dedicatedmain.h"
#include "programwindows.h"
#include "singleinstance.h"
#include "tchat.h"
#include "terminationwatch.h"
#include "vorlixapplication.h"

#include <QDir>
#include <QLockFile>
#include <QStandardPaths>

#include <exception>
#include <memory>

int main(int argc, char** argv) {
    // Decided before any QGuiApplication exists: the dedicated server must
    // start on a machine without a display.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (const std::optional<ServerLine> line = readServerLine(arguments))
        return runDedicatedServer(argc, argv, *line);

    VorlixApplication app(argc, argv);

    SingleInstance instance(SingleInstance::defaultName());
    if (!instance.claim())
        return 0;

    // The "vorlix" mark of a running game, held until the process ends. Another
    // desktop's copy may hold it already; the game runs either way.
    QString runtimeDir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtimeDir.isEmpty())
        runtimeDir = QDir::tempPath();
    QLockFile gameLock(QDir(runtimeDir).filePath(QStringLiteral("vorlix")));
    gameLock.setStaleLockTime(0);
    gameLock.tryLock(0);

    // Declared before the window so the handlers stay until it is gone.
    TerminationWatch termination;
    termination.install();

    std::unique_ptr<Tchat> chat;
    try {
        QStringList parameters = app.arguments().mid(1);
        const std::optional<quint16> port = takePortOption(parameters);
        chat = std::make_unique<Tchat>(apppaths::settingsFile(), parameters);
        if (port)
            chat->setPort(QString::number(*port));
        createProgramWindows(*chat, apppaths::workDir(), apppaths::tallyFile());
        QObject::connect(&instance, &SingleInstance::raiseRequested, chat.get(),
                         [&chat] { bringForward(chat.get()); });
        QObject::connect(chat.get(), &Tchat::closed, &app, &QApplication::quit);
        QObject::connect(&termination, &TerminationWatch::terminationRequested, chat.get(),
                         [&chat] { chat->close(); });
        chat->show();
    } catch (const std::exception& e) {
        VorlixApplication::showError(QString::fromLocal8Bit(e.what()));
        return 1;
    }
    if (!chat->startupError().isEmpty()) {
        VorlixApplication::showError(chat->startupError());
        return 1;
    }
    return app.exec();
}
