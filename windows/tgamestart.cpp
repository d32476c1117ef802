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

namespace {

const QString kLengthPrefix = QStringLiteral("image_letters");
const QString kRandom = QStringLiteral("image_letters6");

QLabel* caption(QWidget* parent, const QString& text, const QRect& place) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(place);
    return label;
}

} // namespace

Tgamestart::Tgamestart(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("gamestart"));
    buildWindow();
    checkimage(kRandom);
    drawCheck(image_show, 1);
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
    connect(UpDown1, &UpDown::stepped, this, [this] { emit optionsChanged(options()); });

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
    connect(UpDown2, &UpDown::stepped, this, [this] { emit optionsChanged(options()); });

    imagelist_checks = new ImageList(this, QStringLiteral("imagelist_checks"),
                                     {windowart::checkBox(false), windowart::checkBox(true)});

    const char* meanings[] = {"No Limit",       "3 Letter Words", "4 Letter Words",
                              "5 Letter Words", "6 Letter Words", "7 Letter Words",
                              "Random"};
    for (int value = 0; value <= 6; ++value) {
        const int y = 106 + 24 * value;
        auto* picture = new ClickablePicture(this, kLengthPrefix + QString::number(value),
                                             QString::number(value));
        picture->setGeometry(40, y, 34, 21);
        // One of the seven is chosen: radio buttons, to a screen reader.
        picture->setKind(ClickablePicture::Kind::RadioButton);
        picture->setAccessibleName(QString::fromLatin1(meanings[value]));
        m_lengthPictures[value] = picture;
        connect(picture, &ClickablePicture::clicked, this,
                [this, picture] { image_letters6Click(picture); });
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

void Tgamestart::drawCheck(ClickablePicture* picture, int state) {
    picture->setTag(state);
    picture->clear();
    picture->setPixmap(imagelist_checks->image(state));
}

void Tgamestart::checkimage(const QString& name) {
    // Any other name (a hand-edited settings file) checks Random.
    ClickablePicture* chosen = m_lengthPictures.back();
    for (ClickablePicture* picture : m_lengthPictures) {
        drawCheck(picture, 0);
        if (picture->objectName() == name)
            chosen = picture;
    }
    imagelist_checks->setTag(chosen->toolTip().toInt());
    drawCheck(chosen, 1);
}

Tgamestart::Options Tgamestart::options() const {
    return {UpDown1->position(), UpDown2->position(), imagelist_checks->tag()};
}

void Tgamestart::setOptions(const Options& options) {
    UpDown1->setPosition(options.rounds);
    UpDown2->setPosition(options.creationTime);
    checkimage(kLengthPrefix + QString::number(options.lengthChoice));
}
bool Tgamestart::showWordList() const {
    return image_show->tag() == 1;
}

void Tgamestart::image_letters6Click(ClickablePicture* clicked) {
    if (clicked->tag() == 0) {
        checkimage(clicked->objectName());
        emit optionsChanged(options());
    }
}

void Tgamestart::image_showClick() {
    drawCheck(image_show, image_show->tag() == 0 ? 1 : 0);
}

void Tgamestart::button_startClick() {
    const QString name = playerName ? playerName() : QStringLiteral("You");
    // The name is the first of five fields here, not the last: a "+" in it
    // would shift every setting after it by one field (the rounds read as the
    // seconds, the seconds as the word length), so it is left out.
    QByteArray starter = wire::encode(name);
    starter.replace('+', QByteArray());
    const QByteArray message = wire::startgame(
        starter, wire::encode(edit_playtoscore->text()), wire::encode(edit_creationtime->text()),
        QByteArray::number(imagelist_checks->tag()), QByteArray::number(image_show->tag()));
    if (send)
        send(message);
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
