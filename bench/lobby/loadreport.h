// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The generator's figures from its workers' tallies, as "result" lines for
// its driver (see lobby_load.cpp): the delivery of every change to every
// watcher, each receipt, the invite look-ups, and every count that says how
// far the run can be trusted (clients lost, refusals, lines not understood).

#include "loadplan.h"
#include "loadtally.h"
#include "lobbymessages.h"

#include <vector>

void printReport(const LoadShared& shared, const std::vector<const WorkerTally*>& tallies,
                 double generatorCpuPercent);
