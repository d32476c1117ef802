// SPDX-License-Identifier: GPL-3.0-or-later
#include "durablefile.h"

#include <QDir>
#include <QFile>

#include <io.h>
#include <windows.h>

namespace durablefile {

bool replace(const QString& fresh, const QString& target) {
    {
        QFile file(fresh);
        if (!file.open(QIODevice::ReadWrite) || ::_commit(file.handle()) != 0)
            return false;
    }
    // Unlike rename on POSIX, Windows replaces an existing file only when told.
    const std::wstring from = QDir::toNativeSeparators(fresh).toStdWString();
    const std::wstring to = QDir::toNativeSeparators(target).toStdWString();
    return ::MoveFileExW(from.c_str(), to.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

} // namespace durablefile
