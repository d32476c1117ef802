// SPDX-License-Identifier: GPL-3.0-or-later
#include "servicemain.h"

#include <cstdio>

int runLobbyService(int&, char**, const ServiceOptions&) {
    std::fputs("kestrunlobby: the lobby service runs on Linux (kestrunlobby --server there); "
               "this copy finds tables and joins them\n",
               stderr);
    return 2;
}
