#pragma once
// `vorlix --server [--port N] [--pause long|normal|quick]
// [--bot-speed slow|normal|fast]`: the game server with no window. The mode is
// decided from the raw command line before any QGuiApplication exists, so the
// server starts on a machine with no display at all. It takes neither the
// single-instance name nor the "vorlix" lock: several may run on one machine
// on different ports.
//
// The pause between rounds and the computer's pace come from the options, or
// else from the settings file's "Botspeed" and "Botspeed2" keys, as a host's
// own window would use them.

#include "preferences.h"

#include <QString>
#include <QStringList>

#include <optional>

struct ServerLine {
    std::optional<quint16> port;
    std::optional<RoundPause> pause;
    std::optional<BotPace> botPace;
    QString error; // not empty: the line cannot be served
};

// The line without the program's name: nullopt when it does not ask for the
// dedicated server (no "--server").
std::optional<ServerLine> readServerLine(const QStringList& arguments);

// "--port N" taken out of a window copy's parameters: the port it hosts on,
// and joins on when the host's address names none. nullopt when not given;
// a port that is not 1 to 65535 is left in the parameters.
std::optional<quint16> takePortOption(QStringList& parameters);

// Runs the dedicated server until SIGTERM or SIGINT; the process's exit code.
int runDedicatedServer(int& argc, char** argv, const ServerLine& line);
