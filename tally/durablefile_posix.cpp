// SPDX-License-Identifier: GPL-3.0-or-later
#include "durablefile.h"

#include <QFile>

#include <cstdio>
#include <unistd.h>

namespace durablefile {

bool replace(const QString& fresh, const QString& target) {
    {
        QFile file(fresh);
        if (!file.open(QIODevice::ReadWrite) || ::fsync(file.handle()) != 0)
            return false;
    }
    return std::rename(QFile::encodeName(fresh).constData(),
                       QFile::encodeName(target).constData()) == 0;
}

} // namespace durablefile
