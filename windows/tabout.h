// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The about window: logo, the maker's web address (a click opens it), credits
// and the program's version (wire::kVersion, which is also the protocol version
// the client logs in with).

#include <QDialog>

#include <functional>

class ClickablePicture;
class QLabel;

class Tabout : public QDialog {
    Q_OBJECT
public:
    explicit Tabout(QWidget* parent);

    // The version text of the `version` label.
    QString versionText() const;
    void Label7Click();
    void Button1Click();

    // The maker's web address, without a scheme (URL1); the link opens it
    // after "http://", and an empty address opens nothing.
    QString address() const { return URL1; }
    void setAddress(const QString& address);

    // Opens an address; by default the desktop's browser.
    std::function<void(const QString&)> openLink;

private:
    QString URL1 = QStringLiteral("www.kestrun.com");
    ClickablePicture* m_site = nullptr;
    QLabel* m_version = nullptr;
};
