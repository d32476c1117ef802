// SPDX-License-Identifier: GPL-3.0-or-later
#include "tgamestart.h"

#include "clickablepicture.h"
#include "messages.h"
#include "preferences.h"
#include "protocol.h"
#include "updown.h"
#include "windowart.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

#include <algorithm>

namespace {

QLabel* caption(QWidget* parent, const QString& text, const QRect& place) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(place);
    return label;
}

// Rounds and seconds within the arrows' limits; a length no picture stands for
// (a hand-edited settings file) is Random.
GameStartChoice held(GameStartChoice choice) {
    choice.rounds = std::clamp(choice.rounds, Preferences::kMinRounds, Preferences::kMaxRounds);
    choice.seconds = std::clamp(choice.seconds, Preferences::kMinSeconds, Preferences::kMaxSeconds);
    if (choice.lengthChoice < GameStartChoice::kNoLimit ||
        choice.lengthChoice > GameStartChoice::kRandom)
        choice.lengthChoice = GameStartChoice::kRandom;
    return choice;
}

} // namespace

Tgamestart::Tgamestart(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("gamestart"));
    buildWindow();
    showChoice();
}

void Tgamestart::buildWindow() {
    setWindowTitle(QStringLiteral("Vorlix - Game Start"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(300, 364);
    windowart::makeWhite(this);

    auto* heading = new QLabel(QStringLiteral("Game Options"), this);
    heading->setObjectName(QStringLiteral("label_heading"));
    heading->setGeometry(0, 8, 300, 24);
    heading->setAlignment(Qt::AlignCenter);
    QFont big(QStringLiteral("Arial"), 12, QFont::Bold);
    heading->setFont(big);

    caption(this, QStringLiteral("Num of Rounds:"), QRect(30, 44, 110, 22));
    edit_playtoscore = new QLineEdit(this);
    edit_playtoscore->setAccessibleName(QStringLiteral("Num of Rounds"));
    edit_playtoscore->setObjectName(QStringLiteral("edit_playtoscore"));
    edit_playtoscore->setGeometry(150, 44, 50, 22);
    UpDown1 =
        new UpDown(this, edit_playtoscore, Preferences::kMinRounds, Preferences::kMaxRounds, 1, 5);
    UpDown1->setObjectName(QStringLiteral("UpDown1"));
    UpDown1->nameFor(QStringLiteral("Num of Rounds"));
    UpDown1->setGeometry(200, 44, 17, 22);
    connect(UpDown1, &UpDown::stepped, this, [this](int rounds) {
        GameStartChoice changed = m_choice;
        changed.rounds = rounds;
        changeChoice(changed);
    });

    caption(this, QStringLiteral("Creation Time:"), QRect(30, 72, 110, 22));
    edit_creationtime = new QLineEdit(this);
    edit_creationtime->setAccessibleName(QStringLiteral("Creation Time"));
    edit_creationtime->setObjectName(QStringLiteral("edit_creationtime"));
    edit_creationtime->setGeometry(150, 72, 50, 22);
    UpDown2 = new UpDown(this, edit_creationtime, Preferences::kMinSeconds,
                         Preferences::kMaxSeconds, 5, 60);
    UpDown2->setObjectName(QStringLiteral("UpDown2"));
    UpDown2->nameFor(QStringLiteral("Creation Time"));
    UpDown2->setGeometry(200, 72, 17, 22);
    connect(UpDown2, &UpDown::stepped, this, [this](int seconds) {
        GameStartChoice changed = m_choice;
        changed.seconds = seconds;
        changeChoice(changed);
    });

    imagelist_checks = new ImageList(this, QStringLiteral("imagelist_checks"),
                                     {windowart::checkBox(false), windowart::checkBox(true)});

    const char* meanings[] = {"No Limit",       "3 Letter Words", "4 Letter Words",
                              "5 Letter Words", "6 Letter Words", "7 Letter Words",
                              "Random"};
    for (int value = 0; value <= 6; ++value) {
        const int y = 106 + 24 * value;
        // The tool tip, the window's "Hint" for the picture, is its value.
        auto* picture = new ClickablePicture(this, QStringLiteral("image_letters%1").arg(value),
                                             QString::number(value));
        picture->setGeometry(40, y, 34, 21);
        // One of the seven is chosen: radio buttons, to a screen reader.
        picture->setKind(ClickablePicture::Kind::RadioButton);
        picture->setAccessibleName(QString::fromLatin1(meanings[value]));
        m_lengthPictures[value] = picture;
        connect(picture, &ClickablePicture::clicked, this,
                [this, value] { image_letters6Click(value); });
        caption(this, QString::fromLatin1(meanings[value]), QRect(80, y, 180, 21))
            ->setObjectName(QStringLiteral("label_letters%1").arg(value));
    }

    image_show = new ClickablePicture(this, QStringLiteral("image_show"));
    image_show->setKind(ClickablePicture::Kind::CheckBox);
    image_show->setAccessibleName(QStringLiteral("Show Word List"));
    image_show->setGeometry(40, 282, 34, 21);
    connect(image_show, &ClickablePicture::clicked, this, &Tgamestart::image_showClick);
    caption(this, QStringLiteral("Show Word List"), QRect(80, 282, 180, 21));

    Image1 = new ClickablePicture(this, QStringLiteral("Image1"));
    Image1->setAccessibleName(QStringLiteral("START GAME"));
    Image1->setPixmap(windowart::startButton());
    Image1->setGeometry(70, 314, 160, 40);
    connect(Image1, &ClickablePicture::clicked, this, &Tgamestart::button_startClick);
}

void Tgamestart::drawCheck(ClickablePicture* picture, bool checked) {
    picture->setChecked(checked);
    picture->clear();
    picture->setPixmap(imagelist_checks->image(checked ? 1 : 0));
}

void Tgamestart::showChoice() {
    UpDown1->setPosition(m_choice.rounds);
    UpDown2->setPosition(m_choice.seconds);
    for (int value = 0; value <= GameStartChoice::kRandom; ++value)
        drawCheck(m_lengthPictures[value], value == m_choice.lengthChoice);
    drawCheck(image_show, m_choice.showWordList);
}

void Tgamestart::setChoice(const GameStartChoice& choice) {
    m_choice = held(choice);
    showChoice();
}

void Tgamestart::changeChoice(const GameStartChoice& choice) {
    const GameStartChoice changed = held(choice);
    if (changed == m_choice)
        return;
    m_choice = changed;
    showChoice();
    emit choiceChanged(m_choice);
}

void Tgamestart::checkimage(int value) {
    GameStartChoice chosen = m_choice;
    chosen.lengthChoice = value;
    setChoice(chosen);
}

void Tgamestart::image_letters6Click(int value) {
    GameStartChoice chosen = m_choice;
    chosen.lengthChoice = value;
    changeChoice(chosen);
}

void Tgamestart::image_showClick() {
    GameStartChoice toggled = m_choice;
    toggled.showWordList = !toggled.showWordList;
    changeChoice(toggled);
}

void Tgamestart::button_startClick() {
    const QString name = playerName ? playerName() : QStringLiteral("You");
    // The name is the first of five fields here, not the last: a "+" in it
    // would shift every setting after it by one field (the rounds read as the
    // seconds, the seconds as the word length), so it is left out.
    QByteArray starter = wire::encode(name);
    starter.replace('+', QByteArray());
    if (send)
        send(wire::startgame(starter, m_choice));
    hide();
    if (saveSettings)
        saveSettings();
}

void Tgamestart::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        button_startClick();
        return;
    }
    QDialog::keyPressEvent(event); // Escape closes (hides) the dialog
}
