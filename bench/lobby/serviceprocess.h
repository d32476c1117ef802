// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The lobby service under measurement: the real `kestrunlobby --server` in a
// child process (optionally under a wrapper such as a profiler), its log in a
// file (a pipe nobody reads would stop it once full), and what /proc says of
// it: resident memory and CPU time. Also the few facts of this machine the
// bench prints and needs: free loopback ports, the open-files limit, the load.

#include <QString>
#include <QStringList>

class ServiceProcess {
public:
    ServiceProcess() = default;
    ~ServiceProcess();
    ServiceProcess(const ServiceProcess&) = delete;
    ServiceProcess& operator=(const ServiceProcess&) = delete;

    // Starts the service on `port` and waits until it takes connections on
    // 127.0.0.1; false, with `error` saying why, when it does not.
    bool start(const QString& program, const QStringList& wrapper, quint16 port, QString& error);
    // SIGTERM, then SIGKILL if it has not ended within 10 s. Answers how it
    // ended, in words ("exit status 0", "killed by signal 9").
    QString stop();
    bool running() const { return m_pid > 0; }
    int pid() const { return m_pid; }
    QString logPath() const { return m_log; }

    long rssKb() const;     // VmRSS
    long peakRssKb() const; // VmHWM
    // utime + stime, in clock ticks (sysconf(_SC_CLK_TCK) a second).
    long long cpuTicks() const;

private:
    int m_pid = -1;
    QString m_log;
};

// Seconds a process's threads have run on a CPU, and waited in the run queue
// for one (/proc/<pid>/task/*/schedstat): on a busy machine the wait tells how
// much of a figure is the machine's doing rather than the program's.
struct SchedTimes {
    double runS = 0, waitS = 0;
};
SchedTimes schedTimes(int pid);

// A port nothing on this machine uses now, of `socketType` (SOCK_STREAM or
// SOCK_DGRAM); 0 when none could be had.
quint16 freePort(int socketType);

// Raises this process's soft open-files limit to `wanted` (children inherit
// it) as far as the hard limit allows; answers the limit now in force.
long raiseOpenFiles(long wanted, long* hardLimit);

// /proc/loadavg's first three figures.
QString loadAverage();
