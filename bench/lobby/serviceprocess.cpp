// SPDX-License-Identifier: GPL-3.0-or-later
#include "serviceprocess.h"

#include <QDir>
#include <QFile>

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

namespace {

QByteArray procFile(int pid, const char* name) {
    QFile f(QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(name)));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

long statusKb(int pid, const char* key) {
    for (const QByteArray& line : procFile(pid, "status").split('\n'))
        if (line.startsWith(key))
            return line.mid(qsizetype(strlen(key))).trimmed().split(' ').first().toLong();
    return 0;
}

// Whether a TCP connect to 127.0.0.1:port succeeds now.
bool accepts(quint16 port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0;
    ::close(fd);
    return ok;
}

} // namespace

ServiceProcess::~ServiceProcess() {
    stop();
}

bool ServiceProcess::start(const QString& program, const QStringList& wrapper, quint16 port,
                           QString& error) {
    m_log = QDir::temp().filePath(QStringLiteral("vorlix_lobby_bench_service.log"));
    QFile::remove(m_log);
    std::vector<QByteArray> args;
    for (const QString& w : wrapper)
        args.push_back(w.toLocal8Bit());
    args.push_back(program.toLocal8Bit());
    args.push_back("--server");
    args.push_back("--port");
    args.push_back(QByteArray::number(port));
    std::vector<char*> argv;
    for (QByteArray& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const QByteArray log = m_log.toLocal8Bit();
    m_pid = ::fork();
    if (m_pid == 0) {
        ::unsetenv("DISPLAY");
        ::unsetenv("WAYLAND_DISPLAY");
        const int fd = ::open(log.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(fd, 1);
        ::dup2(fd, 2);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    if (m_pid < 0) {
        error = QStringLiteral("could not start %1").arg(program);
        return false;
    }
    // A wrapper such as valgrind takes a while before the service listens.
    for (int i = 0; i < 1200; ++i) {
        if (accepts(port))
            return true;
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            error = QStringLiteral("the service ended at once; see %1").arg(m_log);
            return false;
        }
        ::poll(nullptr, 0, 50);
    }
    error = QStringLiteral("the service did not listen on port %1 within 60 s; see %2")
                .arg(port)
                .arg(m_log);
    return false;
}

QString ServiceProcess::stop() {
    if (m_pid <= 0)
        return QString();
    ::kill(m_pid, SIGTERM);
    int status = 0;
    bool ended = false;
    for (int i = 0; i < 200 && !ended; ++i) {
        ended = ::waitpid(m_pid, &status, WNOHANG) == m_pid;
        if (!ended)
            ::poll(nullptr, 0, 50);
    }
    if (!ended) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, &status, 0);
    }
    m_pid = -1;
    if (WIFEXITED(status))
        return QStringLiteral("exit status %1").arg(WEXITSTATUS(status));
    return QStringLiteral("killed by signal %1").arg(WTERMSIG(status));
}

long ServiceProcess::rssKb() const {
    return statusKb(m_pid, "VmRSS:");
}

long ServiceProcess::peakRssKb() const {
    return statusKb(m_pid, "VmHWM:");
}

long long ServiceProcess::cpuTicks() const {
    // The fields after the command's name, which may itself hold blanks and
    // parentheses: utime and stime are the 12th and 13th after its ")".
    const QByteArray stat = procFile(m_pid, "stat");
    const QList<QByteArray> f = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    return f.size() > 12 ? f.at(11).toLongLong() + f.at(12).toLongLong() : -1;
}

SchedTimes schedTimes(int pid) {
    SchedTimes t;
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile f(tasks.filePath(task + QStringLiteral("/schedstat")));
        const QList<QByteArray> v =
            f.open(QIODevice::ReadOnly) ? f.readAll().trimmed().split(' ') : QList<QByteArray>();
        if (v.size() >= 2) {
            t.runS += v[0].toDouble() / 1e9;
            t.waitS += v[1].toDouble() / 1e9;
        }
    }
    return t;
}

quint16 freePort(int socketType) {
    const int fd = ::socket(AF_INET, socketType | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof a;
    quint16 port = 0;
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size) == 0)
        port = ntohs(a.sin_port);
    ::close(fd);
    return port;
}

long raiseOpenFiles(long wanted, long* hardLimit) {
    rlimit r{};
    ::getrlimit(RLIMIT_NOFILE, &r);
    *hardLimit = r.rlim_max == RLIM_INFINITY ? wanted : long(r.rlim_max);
    if (long(r.rlim_cur) < wanted) {
        r.rlim_cur = rlim_t(std::min(wanted, *hardLimit));
        ::setrlimit(RLIMIT_NOFILE, &r);
        ::getrlimit(RLIMIT_NOFILE, &r);
    }
    return long(r.rlim_cur);
}

QString loadAverage() {
    QFile file(QStringLiteral("/proc/loadavg"));
    const QList<QByteArray> f =
        file.open(QIODevice::ReadOnly) ? file.readAll().split(' ') : QList<QByteArray>();
    return f.size() >= 3 ? QString::fromLatin1(f[0] + ' ' + f[1] + ' ' + f[2]) : QString();
}
