// SPDX-License-Identifier: GPL-3.0-or-later
#include "tphrases.h"

#include "windowart.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

const char* const kDefaultPhrases[] = {
    "Way To Go!", "Good One!", "Nice Try!",         "Excellent!",          "Brilliant!",
    "Wow, WTG!",  "Thanks!",   "Way To Go Teamie!", "Good Game Everyone!",
};

} // namespace

Tphrases::Tphrases(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("phrases"));
    setWindowTitle(QStringLiteral("Vorlix - Phrase Buttons "));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(420, 330);
    windowart::makeWhite(this);

    for (int n = 1; n <= 9; ++n) {
        const int y = 10 + 28 * (n - 1);
        auto* label = new QLabel(QStringLiteral("Phrase Button %1:").arg(n), this);
        label->setGeometry(10, y, 110, 22);
        auto* edit = new QLineEdit(QString::fromLatin1(kDefaultPhrases[n - 1]), this);
        edit->setObjectName(QStringLiteral("phrase%1").arg(n));
        edit->setMaxLength(50);
        edit->setGeometry(120, y, 290, 22);
        // The caption names the field, for a screen reader too.
        label->setBuddy(edit);
        edit->setAccessibleName(QStringLiteral("Phrase Button %1").arg(n));
        m_edits[n - 1] = edit;
    }
    auto* note = new QLabel(QStringLiteral("Buttons can only be used once every 2 seconds"), this);
    note->setObjectName(QStringLiteral("Label13"));
    note->setGeometry(10, 262, 400, 20);
    note->setAlignment(Qt::AlignCenter);

    auto* done = new QPushButton(QStringLiteral("Done"), this);
    done->setObjectName(QStringLiteral("button_done"));
    done->setGeometry(170, 292, 80, 28);
    done->setAutoDefault(false);
    connect(done, &QPushButton::clicked, this, &Tphrases::button_doneClick);
}

QLineEdit* Tphrases::phrase(int n) const {
    return (n >= 1 && n <= 9) ? m_edits[n - 1] : nullptr;
}

QStringList Tphrases::phrases() const {
    QStringList texts;
    for (const QLineEdit* edit : m_edits)
        texts << edit->text();
    return texts;
}

void Tphrases::setPhrases(const QStringList& texts) {
    for (int i = 0; i < 9 && i < texts.size(); ++i)
        m_edits[i]->setText(texts[i]);
}

void Tphrases::button_doneClick() {
    if (onDone)
        onDone(phrases());
    hide();
}
