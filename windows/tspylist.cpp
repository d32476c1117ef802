// SPDX-License-Identifier: GPL-3.0-or-later
#include "tspylist.h"

#include "windowart.h"

#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>

Tspylist::Tspylist(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("spylist"));
    setWindowTitle(QStringLiteral("Vorlix - Spys"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
    setFixedSize(220, 250);
    windowart::makeWhite(this);

    auto* heading = new QLabel(QStringLiteral("Spy List"), this);
    heading->setObjectName(QStringLiteral("label_heading"));
    heading->setGeometry(0, 6, 220, 22);
    heading->setAlignment(Qt::AlignCenter);
    heading->setFont(QFont(QStringLiteral("Arial"), 11, QFont::Bold));

    listbox_spys = new QListWidget(this);
    listbox_spys->setObjectName(QStringLiteral("listbox_spys"));
    listbox_spys->setAccessibleName(QStringLiteral("Spies"));
    listbox_spys->setGeometry(10, 32, 200, 170);
    listbox_spys->setMouseTracking(true);
    listbox_spys->viewport()->setMouseTracking(true);
    listbox_spys->viewport()->installEventFilter(this);
    listbox_spys->setContextMenuPolicy(Qt::CustomContextMenu);

    popup_kick = new QMenu(this);
    popup_kick->setObjectName(QStringLiteral("popup_kick"));
    popup_kickhim = popup_kick->addAction(QStringLiteral("Remove From Game"));
    popup_kickhim->setObjectName(QStringLiteral("popup_kickhim"));
    popup_kickhim->setEnabled(false);
    connect(popup_kickhim, &QAction::triggered, this, &Tspylist::popup_kickhimClick);
    connect(listbox_spys, &QListWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) {
                popup_kick->popup(listbox_spys->viewport()->mapToGlobal(pos));
            });

    auto* done = new QPushButton(QStringLiteral("Done"), this);
    done->setObjectName(QStringLiteral("button_done"));
    done->setGeometry(70, 212, 80, 28);
    connect(done, &QPushButton::clicked, this, &Tspylist::button_doneClick);
}

void Tspylist::showSpies(const QList<Spy>& spies) {
    listbox_spys->clear();
    m_numbers.clear();
    for (const Spy& spy : spies) {
        listbox_spys->addItem(QString::number(spy.number) + QStringLiteral(": ") + spy.name);
        m_numbers << spy.number;
    }
}

void Tspylist::setKickEnabled(bool enabled) {
    popup_kickhim->setEnabled(enabled);
}

bool Tspylist::kickEnabled() const {
    return popup_kickhim->isEnabled();
}

bool Tspylist::eventFilter(QObject* watched, QEvent* event) {
    if (watched == listbox_spys->viewport() &&
        (event->type() == QEvent::MouseMove || event->type() == QEvent::MouseButtonPress)) {
        listbox_spysMouseMove(static_cast<QMouseEvent*>(event)->position().toPoint());
    }
    return QDialog::eventFilter(watched, event);
}

void Tspylist::listbox_spysMouseMove(const QPoint& pos) {
    const int line = listbox_spys->indexAt(pos).row();
    m_pointerSpy = line >= 0 && line < m_numbers.size() ? m_numbers.at(line) : 0;
}

void Tspylist::popup_kickhimClick() {
    // The spy may have left since the pointer moved over the line.
    if (lineUnderPointer() < 0)
        return;
    if (kicking)
        kicking(m_pointerSpy);
}

void Tspylist::button_doneClick() {
    hide();
}
