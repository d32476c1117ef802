// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <QFont>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
#ifdef _WIN32
    // Wine hands no QT_* variable on to a Windows program, so the Windows
    // suite names its font folder by a name of its own.
    if (qEnvironmentVariableIsSet("VORLIX_TEST_FONTDIR"))
        qputenv("QT_QPA_FONTDIR", qgetenv("VORLIX_TEST_FONTDIR"));
#endif
    QApplication app(argc, argv);
#ifdef _WIN32
    // Offscreen on Windows, Qt knows only the fonts in its font folder, by
    // their own names (the Windows suite puts the Linux tests' fonts there):
    // give it the aliases fontconfig gives on Linux, so text is measured,
    // cut and fitted alike on both.
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Times New Roman"),
                              QStringLiteral("Liberation Serif"));
    QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 9));
#endif
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
