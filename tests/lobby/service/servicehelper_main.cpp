// SPDX-License-Identifier: GPL-3.0-or-later
// A main that starts the lobby service as the lobby program's --server does,
// so that the tests run it as a process of its own:
//   lobbyservice_helper [--server] [--port N] [--store URL] [--relay-host HOST]

#include "servicemain.h"

#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    ServiceOptions options;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--port") == 0 && i + 1 < argc)
            options.port = quint16(std::atoi(argv[++i]));
        else if (std::strcmp(argv[i], "--store") == 0 && i + 1 < argc)
            options.store = QString::fromLocal8Bit(argv[++i]);
        else if (std::strcmp(argv[i], "--relay-host") == 0 && i + 1 < argc)
            options.relayHost = QString::fromLocal8Bit(argv[++i]);
    }
    return runLobbyService(argc, argv, options);
}
