// SPDX-License-Identifier: GPL-3.0-or-later
// The tally window's controls and their places.
#include "checktoggledelegate.h"
#include "ttallylist.h"

#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace {

QFrame* makePanel(QWidget* parent, const QRect& place) {
    auto* panel = new QFrame(parent);
    panel->setFrameShape(QFrame::Box);
    panel->setGeometry(place);
    return panel;
}

QLabel* makeLabel(QWidget* parent, const QString& name, const QString& text, const QRect& place,
                  Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter, bool bold = false) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setGeometry(place);
    label->setAlignment(align);
    if (bold) {
        QFont font = label->font();
        font.setBold(true);
        label->setFont(font);
    }
    return label;
}

// A screen reader takes a list's current entry for the one with the keyboard
// focus, whether or not the list has it: the current entry is let go when the
// focus leaves and taken up again (the selected one) when it comes back.
class CurrentOnlyWithFocus : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::FocusOut && event->type() != QEvent::FocusIn)
            return false;
        // A list being taken down is a list no more.
        auto* list = qobject_cast<QListWidget*>(watched);
        if (!list)
            return false;
        if (event->type() == QEvent::FocusOut) {
            list->selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
        } else if (event->type() == QEvent::FocusIn && !list->currentIndex().isValid()) {
            const QModelIndexList selected = list->selectionModel()->selectedIndexes();
            if (!selected.isEmpty())
                list->selectionModel()->setCurrentIndex(selected.first(),
                                                        QItemSelectionModel::NoUpdate);
        }
        return false;
    }
};

} // namespace

void Ttallylist::buildWindow() {
    setWindowTitle(QStringLiteral("Vorlix - Tally List"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(475, 390);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);
    buildFigures();
    buildLists();
}

namespace {
const Qt::Alignment kRight = Qt::AlignRight | Qt::AlignVCenter;
const Qt::Alignment kCentre = Qt::AlignCenter;
} // namespace

// The player's own totals and those against the selected opponent.
void Ttallylist::buildFigures() {
    const Qt::Alignment right = kRight;
    const Qt::Alignment centre = kCentre;
    QFrame* own = makePanel(this, QRect(8, 8, 200, 150));
    own->setAccessibleName(QStringLiteral("Your Total Tally"));
    makeLabel(own, QStringLiteral("label_yourtally"), QStringLiteral("Your Total Tally"),
              QRect(4, 4, 192, 20), centre, true);
    const char* captions[] = {"Total Games:", "Your Wins:", "High Score:", "Nums of Words:"};
    for (int n = 1; n <= 4; ++n) {
        const int y = 8 + 26 * n;
        makeLabel(own, QStringLiteral("label_mine%1").arg(n), QString::fromLatin1(captions[n - 1]),
                  QRect(10, y, 110, 20));
        m_mine[n - 1] = makeLabel(own, QStringLiteral("mylabel_%1").arg(n), QStringLiteral("0"),
                                  QRect(124, y, 66, 20), right);
    }

    QFrame* his = makePanel(this, QRect(216, 8, 251, 150));
    his->setAccessibleName(QStringLiteral("Opponent's Tally"));
    m_hisNameTop = makeLabel(his, QStringLiteral("label_hisnametop"), QString(),
                             QRect(4, 4, 243, 20), centre, true);
    // Empty until an opponent is chosen: a screen reader hears what it is for.
    m_hisNameTop->setAccessibleName(QStringLiteral("No opponent chosen"));
    makeLabel(his, QStringLiteral("label_total"), QStringLiteral("Total"), QRect(120, 28, 60, 20),
              right, true);
    makeLabel(his, QStringLiteral("label_session"), QStringLiteral("Session"),
              QRect(182, 28, 60, 20), right, true);
    const QString rows[] = {QStringLiteral("Number of Games"), QStringLiteral("XX Wins:"),
                            QStringLiteral("Your Wins:"), QStringLiteral("Neither Won:")};
    for (int r = 0; r < 4; ++r) {
        const int y = 52 + 24 * r;
        const QString name =
            r == 1 ? QStringLiteral("label_hisname") : QStringLiteral("label_row%1").arg(r + 1);
        QLabel* caption = makeLabel(his, name, rows[r], QRect(8, y, 112, 20));
        if (r == 1)
            m_hisName = caption;
        m_his[r] = makeLabel(his, QStringLiteral("label_%1").arg(r + 1), QStringLiteral("0"),
                             QRect(120, y, 60, 20), right);
        m_his[r + 4] = makeLabel(his, QStringLiteral("label_%1").arg(r + 5), QStringLiteral("0"),
                                 QRect(182, y, 60, 20), right);
    }
}

// The two check lists and the buttons.
void Ttallylist::buildLists() {
    const Qt::Alignment centre = kCentre;
    makeLabel(this, QStringLiteral("label_current"), QStringLiteral("Players In Current Game"),
              QRect(8, 166, 200, 20), centre, true);
    checklist = new QListWidget(this);
    checklist->setObjectName(QStringLiteral("checklist"));
    checklist->setAccessibleName(QStringLiteral("Players In Current Game"));
    checklist->setGeometry(8, 188, 200, 150);
    checklist->setItemDelegate(
        new CheckToggleDelegate(checklist, [this](int row) { checklistClickCheck(row); }));

    makeLabel(this, QStringLiteral("label_tallied"), QStringLiteral("Players Being Tallied"),
              QRect(216, 166, 251, 20), centre, true);
    listbox_tally = new QListWidget(this);
    listbox_tally->setObjectName(QStringLiteral("listbox_tally"));
    listbox_tally->setAccessibleName(QStringLiteral("Tallied Opponents"));
    listbox_tally->setGeometry(216, 188, 251, 150);
    listbox_tally->setItemDelegate(
        new CheckToggleDelegate(listbox_tally, [this](int row) { listbox_tallyClickCheck(row); }));
    connect(listbox_tally, &QListWidget::currentRowChanged, this, [this] { listbox_tallyClick(); });
    m_focusFilter = new CurrentOnlyWithFocus(this);
    checklist->installEventFilter(m_focusFilter);
    listbox_tally->installEventFilter(m_focusFilter);
    connect(listbox_tally, &QListWidget::itemClicked, this, [this] { listbox_tallyClick(); });

    auto* reset = new QPushButton(QStringLiteral("Reset Tally"), this);
    reset->setObjectName(QStringLiteral("button_reset"));
    reset->setGeometry(8, 350, 120, 28);
    reset->setAutoDefault(false);
    connect(reset, &QPushButton::clicked, this, [this] { button_resetClick(); });

    auto* done = new QPushButton(QStringLiteral("Done"), this);
    done->setObjectName(QStringLiteral("button_done"));
    done->setGeometry(347, 350, 120, 28);
    done->setAutoDefault(false);
    connect(done, &QPushButton::clicked, this, [this] { button_doneClick(); });
}
