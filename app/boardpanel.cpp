#include "boardpanel.h"

#include "boardhost.h"
#include "boardpanel_p.h"
#include "clientstate.h"
#include "messages.h"

#include <QKeyEvent>
#include <QLabel>
#include <QTextEdit>
#include <QTimer>

namespace board {

void WordEdit::keyPressEvent(QKeyEvent* event) {
    if (anyKey)
        anyKey();
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        if (enter)
            enter();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

QString lengthText(const QByteArray& value, bool allowRandom) {
    if (value == "0")
        return QStringLiteral("No Limit");
    if (allowRandom && value == "8")
        return QStringLiteral("Random");
    return wire::decode(value) + QStringLiteral(" Letters");
}

} // namespace board

BoardPanel::BoardPanel(ClientState& state, BoardHost& host, QWidget* parent)
    : QWidget(parent), d(new Impl(this, state, host)) {
    setObjectName(QStringLiteral("board"));
    d->buildLayout();
    d->edit_word->anyKey = [this] { d->image_error->hide(); };
    d->edit_word->enter = [this] { d->sendWord(); };
    connect(d->button_igiveup, &QAbstractButton::clicked, this, &BoardPanel::button_igiveupClick);
    connect(d->button_start, &QAbstractButton::clicked, this, &BoardPanel::button_startClick);
    connect(d->turntime, &QTimer::timeout, this, &BoardPanel::turntimeTimer);
    clearall();
}

BoardPanel::~BoardPanel() {
    delete d;
}

QTextEdit* BoardPanel::mainchat() const {
    return d->mainchat;
}
QLineEdit* BoardPanel::mychat() const {
    return d->mychat;
}
QLabel* BoardPanel::label_status() const {
    return d->label_status;
}
QLabel* BoardPanel::playerNameLabel(int seat) const {
    return Impl::isSeat(seat) ? d->playername[seat - 1] : nullptr;
}
QLabel* BoardPanel::lastWordLabel(int seat) const {
    return Impl::isSeat(seat) ? d->last[seat - 1] : nullptr;
}
QAbstractButton* BoardPanel::phraseButton(int n) const {
    return (n >= 1 && n <= 10) ? d->phrase[n - 1] : nullptr;
}
QWidget* BoardPanel::button_start() const {
    return d->button_start;
}
QTimer* BoardPanel::turntime() const {
    return d->turntime;
}
QAbstractButton* BoardPanel::linkLogo() const {
    return d->Image4;
}

QColor BoardPanel::seatColour(int seat) {
    switch (seat) {
    case 1:
        return QColor(0x00, 0x00, 0xDD);
    case 2:
        return QColor(0xFF, 0x80, 0x00);
    case 3:
        return QColor(0x00, 0xAA, 0xAA);
    case 4:
        return QColor(0xFF, 0x00, 0x00);
    case 5:
        return QColor(0x80, 0x80, 0xC0);
    case 6:
        return QColor(0xA4, 0xA4, 0x00);
    default:
        return QColor(0, 0, 0);
    }
}

QPixmap BoardPanel::errorPicture(int index) {
    return boardart::errorPixmap(index, 1.0);
}

QString BoardPanel::Impl::seatName(int n) const {
    return isSeat(n) ? playername[n - 1]->text() : QString();
}

int BoardPanel::Impl::statusTag() const {
    return label_status->property("Tag").toInt();
}
void BoardPanel::Impl::setStatus(const QString& text) {
    label_status->setText(text);
}
void BoardPanel::Impl::setStatusTag(int tag) {
    label_status->setProperty("Tag", tag);
}
int BoardPanel::Impl::barScale() const {
    return image_timer->property("Tag").toInt();
}

void BoardPanel::Impl::setBarScale(int secondsPerTurn) {
    // A full turn spans about 300 pixels. A time of 0 would divide by zero and
    // 300 or more would give no bar at all: such values leave the scale alone.
    if (secondsPerTurn > 0 && secondsPerTurn < 300)
        image_timer->setProperty("Tag", 300 / secondsPerTurn);
}

void BoardPanel::Impl::hideWordEntry() {
    image_word->hide();
    edit_word->hide();
    button_igiveup->hide();
    image_error->hide();
}

void BoardPanel::Impl::playTurnSound() {
    q->playsounds(host.turnSoundTag() == 1 ? QStringLiteral("turnnew") : QStringLiteral("turn"));
}

void BoardPanel::Impl::showOwnTurn() {
    image_full->hide();
    setStatus(QStringLiteral("Your Turn."));
    playTurnSound();
    image_word->show();
    edit_word->clear();
    edit_word->show();
    button_igiveup->show();
    if (host.isMainWindowActive())
        edit_word->setFocus();
}

void BoardPanel::Impl::showOthersTurn() {
    // A spy that arrives during a round knows no turn holder yet; it simply
    // watches until the next round names one.
    const QString name = seatName(st.whoseturn);
    setStatus(name.isEmpty() ? QStringLiteral("Watching the round..")
                             : name + QStringLiteral("'s turn."));
    image_full->show();
}

void BoardPanel::Impl::sendWord() {
    if (st.whoseturn == st.mynumber && st.loggedin)
        host.sendMessage(wire::sendword(st.mynumber, wire::encode(edit_word->text())));
    edit_word->clear();
}

void BoardPanel::button_igiveupClick() {
    if (!d->st.loggedin)
        return;
    d->host.sendMessage(wire::giveup(d->st.mynumber));
}

void BoardPanel::button_startClick() {
    if (d->st.loggedin)
        d->host.showGameStart();
    else
        d->host.messageBox(QStringLiteral("You are not connected"));
}

void BoardPanel::turntimeTimer() {
    ClientState& st = d->st;
    // The seconds come from the server: a hostile value such as the lowest int
    // must not overflow here, nor a huge one in the bar's width.
    st.timeleft = st.timeleft > 0 ? st.timeleft - 1 : 0;
    if (st.timeleft >= 1) {
        const qint64 width = qint64(d->barScale()) * st.timeleft;
        d->image_timer->resize(int(qMin<qint64>(298, width)), d->image_timer->height());
        QPalette pal = d->label_timer->palette();
        pal.setColor(QPalette::WindowText,
                     st.timeleft >= 20 ? QColor(0xE0, 0xE3, 0x9D) : QColor(0xFF, 0x00, 0x00));
        d->label_timer->setPalette(pal);
        if (st.timeleft == 20 || st.timeleft == 15 || st.timeleft <= 10)
            playsounds(QStringLiteral("time"));
        d->label_timer->setText(QStringLiteral("Time: %1:%2")
                                    .arg(st.timeleft / 60)
                                    .arg(st.timeleft % 60, 2, 10, QLatin1Char('0')));
        return;
    }
    st.timeleft = 0;
    if (d->statusTag() == 1) {
        playsounds(QStringLiteral("timeup"));
        d->setStatus(QStringLiteral("Please Wait.."));
        d->setStatusTag(0);
        if (d->host.isMainWindowActive())
            d->mychat->setFocus();
    }
    d->label_timer->setText(QStringLiteral("Time: 0:00"));
    d->image_timer->resize(0, d->image_timer->height());
    st.whoseturn = 0;
    d->hideWordEntry();
}

void BoardPanel::playsounds(const QString& name) {
    if (d->host.playSoundsChecked())
        d->host.playSound(name);
}
