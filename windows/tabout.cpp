// SPDX-License-Identifier: GPL-3.0-or-later
#include "tabout.h"

#include "clickablepicture.h"
#include "version.h"
#include "windowart.h"

#include <QDesktopServices>
#include <QLabel>
#include <QPushButton>
#include <QUrl>

Tabout::Tabout(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("about"));
    setWindowTitle(QStringLiteral("Vorlix - About"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(280, 250);
    windowart::makeWhite(this);
    openLink = [](const QString& address) { QDesktopServices::openUrl(QUrl(address)); };

    auto* logo = new ClickablePicture(this, QStringLiteral("Image5"));
    logo->setPixmap(windowart::logo());
    logo->setGeometry(20, 10, 240, 60);
    logo->setAccessibleName(QStringLiteral("Vorlix web site"));
    logo->setFocusPolicy(Qt::NoFocus);
    connect(logo, &ClickablePicture::clicked, this, &Tabout::Label7Click);

    auto* site = new ClickablePicture(this, QStringLiteral("Label7"));
    m_site = site;
    site->setText(URL1);
    site->setAlignment(Qt::AlignCenter);
    site->setGeometry(0, 76, 280, 20);
    site->setStyleSheet(QStringLiteral("color: blue; text-decoration: underline;"));
    site->setFocusPolicy(Qt::NoFocus);
    connect(site, &ClickablePicture::clicked, this, &Tabout::Label7Click);

    auto* credits = new QLabel(QStringLiteral("Vorlix, a word game\nby Kestrun"), this);
    credits->setObjectName(QStringLiteral("label_credits"));
    credits->setAlignment(Qt::AlignCenter);
    credits->setGeometry(0, 104, 280, 44);

    auto* word = new QLabel(QStringLiteral("Version"), this);
    word->setObjectName(QStringLiteral("label_versionword"));
    word->setGeometry(86, 160, 48, 20);
    word->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* version = new QLabel(QString::fromLatin1(wire::kVersion), this);
    m_version = version;
    version->setObjectName(QStringLiteral("version"));
    version->setGeometry(138, 160, 34, 20);
    auto* build = new QLabel(QStringLiteral(".6"), this);
    build->setObjectName(QStringLiteral("label_build"));
    build->setGeometry(172, 160, 20, 20);
    // Sized to the text, so that the line reads "Version 1.0.4.6" in any font.
    version->adjustSize();
    version->resize(version->width(), 20);
    build->move(version->geometry().right() + 1, 160);

    auto* done = new QPushButton(QStringLiteral("Done"), this);
    done->setObjectName(QStringLiteral("Button1"));
    done->setGeometry(100, 204, 80, 28);
    connect(done, &QPushButton::clicked, this, &Tabout::Button1Click);
}

QString Tabout::versionText() const {
    return m_version->text();
}

void Tabout::setAddress(const QString& address) {
    URL1 = address;
    m_site->setText(address);
}

void Tabout::Label7Click() {
    if (URL1.isEmpty())
        return;
    if (openLink)
        openLink(QStringLiteral("http://") + URL1);
}

void Tabout::Button1Click() {
    hide();
}
