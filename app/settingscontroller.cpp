#include "settingscontroller.h"

#include "boardpanel.h"
#include "clientstate.h"
#include "colortext.h"
#include "inifile.h"
#include "protocol.h"

#include <QAbstractButton>
#include <QAction>
#include <QColorDialog>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>
#include <QTextEdit>
#include <QWidget>

#include "tchat.h"
#include "tgamestart.h"

namespace {

// "Time Between Rounds" menu item for a stored tag. Files written before this
// version stored "17" and "10" but read them back as 15 and 8, and a later save
// then wrote those: all four read back as the choice the player made.
int timeBetweenRoundsTag(const QString& stored) {
    if (stored == QLatin1String("17") || stored == QLatin1String("15"))
        return 17;
    if (stored == QLatin1String("10") || stored == QLatin1String("8"))
        return 10;
    return 12;
}

int botSpeedTag(const QString& stored) {
    if (stored == QLatin1String("2000"))
        return 2000;
    if (stored == QLatin1String("750"))
        return 750;
    return 1200;
}

quint32 fromQColor(const QColor& c) {
    return quint32(c.red()) | (quint32(c.green()) << 8) | (quint32(c.blue()) << 16);
}

} // namespace

struct SettingsController::Impl {
    Target t;
    IniFile ini;
    std::optional<QRect> loaded;
    // The game start window's values as last read, for saving without one.
    int rounds = 5;
    int creationTime = 60;
    int lengthChoice = 6;

    Impl(Target target, QString path) : t(std::move(target)), ini(std::move(path)) {}

    QString section() const { return t.state->gamename; }
    QAction* action(const QString& name) const { return t.window->findChild<QAction*>(name); }
    QMenu* menu(const QString& name) const { return t.window->findChild<QMenu*>(name); }
    void setChecked(const QString& name, bool checked) const {
        if (QAction* a = action(name))
            a->setChecked(checked);
    }
    bool isChecked(const QString& name) const {
        QAction* a = action(name);
        return a && a->isChecked();
    }
    void checkOnly(std::initializer_list<const char*> names, const QString& chosen) const {
        for (const char* name : names)
            setChecked(QString::fromLatin1(name), false);
        setChecked(chosen, true);
    }
    void setMenuTag(const QString& name, int tag) const {
        if (QMenu* m = menu(name))
            m->setProperty("Tag", tag);
    }
    int menuTag(const QString& name, int fallback) const {
        QMenu* m = menu(name);
        return m ? m->property("Tag").toInt() : fallback;
    }
    QTextEdit* chatPane() const { return t.board ? t.board->mainchat() : nullptr; }

    QRect bounds() const {
        return QRect(t.window->x(), t.window->y(), t.window->width(), t.window->height());
    }
    void place(const QRect& r) const {
        t.window->move(r.topLeft());
        t.window->resize(r.size());
    }
    void setEntryColour(quint32 colour) const {
        if (!t.board)
            return;
        QLineEdit* entry = t.board->mychat();
        QPalette pal = entry->palette();
        pal.setColor(QPalette::Text, colortext::toQColor(colour));
        entry->setPalette(pal);
    }
    void save(const QRect& b);
};

SettingsController::SettingsController(Target target, QString filePath)
    : d(new Impl(std::move(target), std::move(filePath))) {
    auto connectItem = [this](const char* name, auto handler) {
        if (QAction* a = d->action(QString::fromLatin1(name)))
            connect(a, &QAction::triggered, this, handler);
    };
    // The two sound items are checkable: the menu has toggled the mark already.
    connectItem("PlaySounds1", [this] { saveinifile(); });
    connectItem("PlayChatterSounds1", [this] { saveinifile(); });
    connectItem("Classic1", [this] { TurnSoundClick(0); });
    connectItem("New1", [this] { TurnSoundClick(1); });
    connectItem("Long1", [this] { TimeBetweenRoundsClick(17); });
    connectItem("Normal1", [this] { TimeBetweenRoundsClick(12); });
    connectItem("Quick1", [this] { TimeBetweenRoundsClick(10); });
    connectItem("Slow1", [this] { BotSpeedClick(2000); });
    connectItem("Normal2", [this] { BotSpeedClick(1200); });
    connectItem("Fast1", [this] { BotSpeedClick(750); });
    connectItem("TextColor1", [this] { TextColor1Click(); });
    connectItem("ActionColor1", [this] { ActionColor1Click(); });
    connectItem("N8", [this] { TextSizeClick(8); });
    connectItem("N10", [this] { TextSizeClick(10); });
    connectItem("N12", [this] { TextSizeClick(12); });
    connectItem("N14", [this] { TextSizeClick(14); });
    connectItem("ResetScreenLocation1", [this] { ResetScreenLocation1Click(); });
}

namespace {
SettingsController::Target targetOf(Tchat& w) {
    SettingsController::Target t;
    t.window = &w;
    t.state = &w.state();
    t.board = w.board();
    // The game start window is attached after the main window is built.
    t.rounds = [&w]() -> std::optional<int> {
        if (Tgamestart* g = w.gamestartWindow())
            return g->rounds();
        return std::nullopt;
    };
    t.setRounds = [&w](int v) {
        if (Tgamestart* g = w.gamestartWindow())
            g->setRounds(v);
    };
    t.creationTime = [&w]() -> std::optional<int> {
        if (Tgamestart* g = w.gamestartWindow())
            return g->creationTime();
        return std::nullopt;
    };
    t.setCreationTime = [&w](int v) {
        if (Tgamestart* g = w.gamestartWindow())
            g->setCreationTime(v);
    };
    t.lengthChoice = [&w]() -> std::optional<int> {
        if (Tgamestart* g = w.gamestartWindow())
            return g->lengthChoice();
        return std::nullopt;
    };
    t.checkimage = [&w](const QString& name) {
        if (Tgamestart* g = w.gamestartWindow())
            g->checkimage(name);
    };
    return t;
}
} // namespace

SettingsController::SettingsController(Tchat& window, QString filePath)
    : SettingsController(targetOf(window), std::move(filePath)) {
    setParent(&window);
}

SettingsController::~SettingsController() {
    delete d;
}

QString SettingsController::filePath() const {
    return d->ini.path();
}
std::optional<QRect> SettingsController::loadedBounds() const {
    return d->loaded;
}

void SettingsController::loadinifile() {
    const IniFile& ini = d->ini;
    const QString s = d->section();
    ClientState& st = *d->t.state;

    const QRect bounds(ini.readInteger(s, QStringLiteral("Left"), 3),
                       ini.readInteger(s, QStringLiteral("Top"), 3),
                       ini.readInteger(s, QStringLiteral("Width"), st.defaultWidth),
                       ini.readInteger(s, QStringLiteral("Height"), st.defaultHeight));
    d->place(bounds);
    // The window may not take every stored size (it never gets smaller than the
    // board): what it did take counts as loaded, so closing an unmoved window
    // writes nothing.
    d->loaded = d->bounds();

    const bool newTurnSound =
        ini.readString(s, QStringLiteral("Turnsound"), QStringLiteral("0")) == QLatin1String("1");
    d->checkOnly({"Classic1", "New1"},
                 newTurnSound ? QStringLiteral("New1") : QStringLiteral("Classic1"));
    d->setMenuTag(QStringLiteral("TurnSound1"), newTurnSound ? 1 : 0);

    const int size = ini.readInteger(s, QStringLiteral("Textsize"), 8);
    if (QTextEdit* pane = d->chatPane()) {
        QFont f = pane->font();
        f.setPointSize(size > 0 ? size : 8);
        pane->setFont(f);
    }
    d->checkOnly({"N8", "N10", "N12", "N14"}, QStringLiteral("N%1").arg(size));

    quint32 colour = 0;
    if (!colortext::tryStringToColor(
            ini.readString(s, QStringLiteral("Textcolor"), QStringLiteral("clblack")), colour))
        colour = 0;
    st.textcolour = colour;
    d->setEntryColour(colour);
    colour = 0;
    if (!colortext::tryStringToColor(
            ini.readString(s, QStringLiteral("Actioncolor"), QStringLiteral("clblack")), colour))
        colour = 0;
    st.actioncolour = colour;

    int number = 0;
    if (wire::tryToInt(
            wire::encode(ini.readString(s, QStringLiteral("Playtoscore"), QStringLiteral("5"))),
            number)) {
        d->rounds = number;
        if (d->t.setRounds)
            d->t.setRounds(number);
    }
    if (wire::tryToInt(
            wire::encode(ini.readString(s, QStringLiteral("Timeperturn"), QStringLiteral("60"))),
            number)) {
        d->creationTime = number;
        if (d->t.setCreationTime)
            d->t.setCreationTime(number);
    }
    QString gametype = ini.readString(s, QStringLiteral("Gametype"), QStringLiteral("6"));
    if (gametype.isEmpty())
        gametype = QStringLiteral("6");
    if (wire::tryToInt(wire::encode(gametype), number))
        d->lengthChoice = number;
    if (d->t.checkimage)
        d->t.checkimage(QStringLiteral("image_letters") + gametype);

    const int pause = timeBetweenRoundsTag(ini.readString(s, QStringLiteral("Botspeed"), {}));
    d->checkOnly({"Long1", "Normal1", "Quick1"}, pause == 17   ? QStringLiteral("Long1")
                                                 : pause == 10 ? QStringLiteral("Quick1")
                                                               : QStringLiteral("Normal1"));
    d->setMenuTag(QStringLiteral("BotSpeed1"), pause);

    const int pace = botSpeedTag(ini.readString(s, QStringLiteral("Botspeed2"), {}));
    d->checkOnly({"Slow1", "Normal2", "Fast1"}, pace == 2000  ? QStringLiteral("Slow1")
                                                : pace == 750 ? QStringLiteral("Fast1")
                                                              : QStringLiteral("Normal2"));
    d->setMenuTag(QStringLiteral("BotSpeed2"), pace);

    if (d->t.board) {
        for (int n = 1; n <= 9; ++n) {
            const QString phrase = ini.readString(s, QStringLiteral("Phrase%1").arg(n), {});
            if (!phrase.isEmpty())
                d->t.board->phraseButton(n)->setToolTip(phrase);
        }
    }

    d->setChecked(QStringLiteral("PlaySounds1"),
                  ini.readString(s, QStringLiteral("Playsounds"), QStringLiteral("true")) !=
                      QLatin1String("false"));
    d->setChecked(QStringLiteral("PlayChatterSounds1"),
                  ini.readString(s, QStringLiteral("ChatterSounds"), QStringLiteral("true")) !=
                      QLatin1String("false"));
}

void SettingsController::saveinifile() {
    d->save(d->bounds());
}

void SettingsController::Impl::save(const QRect& b) {
    const QString s = section();
    const ClientState& st = *t.state;
    ini.writeInteger(s, QStringLiteral("Top"), b.y());
    ini.writeInteger(s, QStringLiteral("Left"), b.x());
    ini.writeInteger(s, QStringLiteral("Width"), b.width());
    ini.writeInteger(s, QStringLiteral("Height"), b.height());
    ini.writeInteger(s, QStringLiteral("Turnsound"), menuTag(QStringLiteral("TurnSound1"), 0));
    QTextEdit* pane = chatPane();
    ini.writeInteger(s, QStringLiteral("Textsize"), pane ? pane->font().pointSize() : 8);
    // The colours are the one pair whose failure does not stop the save.
    try {
        ini.writeString(s, QStringLiteral("Textcolor"), colortext::colorToString(st.textcolour));
    } catch (const EIniFileError&) {
    }
    try {
        ini.writeString(s, QStringLiteral("Actioncolor"),
                        colortext::colorToString(st.actioncolour));
    } catch (const EIniFileError&) {
    }
    if (std::optional<int> v = t.rounds ? t.rounds() : std::nullopt)
        rounds = *v;
    if (std::optional<int> v = t.creationTime ? t.creationTime() : std::nullopt)
        creationTime = *v;
    if (std::optional<int> v = t.lengthChoice ? t.lengthChoice() : std::nullopt)
        lengthChoice = *v;
    ini.writeInteger(s, QStringLiteral("Playtoscore"), rounds);
    ini.writeInteger(s, QStringLiteral("Timeperturn"), creationTime);
    ini.writeInteger(s, QStringLiteral("Gametype"), lengthChoice);
    ini.writeInteger(s, QStringLiteral("Botspeed"), menuTag(QStringLiteral("BotSpeed1"), 12));
    ini.writeInteger(s, QStringLiteral("Botspeed2"), menuTag(QStringLiteral("BotSpeed2"), 1200));
    ini.writeString(s, QStringLiteral("Playsounds"),
                    isChecked(QStringLiteral("PlaySounds1")) ? QStringLiteral("true")
                                                             : QStringLiteral("false"));
    ini.writeString(s, QStringLiteral("ChatterSounds"),
                    isChecked(QStringLiteral("PlayChatterSounds1")) ? QStringLiteral("true")
                                                                    : QStringLiteral("false"));
}

void SettingsController::formClose() {
    QRect b = d->bounds();
    if (d->loaded && *d->loaded == b)
        return;
    QRect area;
    if (d->t.workArea)
        area = d->t.workArea();
    else if (QScreen* screen = d->t.window->screen())
        area = screen->availableGeometry();
    if (area.isValid()) {
        if (b.width() > area.width())
            b.setWidth(b.width() - 15);
        if (b.height() > area.height())
            b.setHeight(b.height() - 15);
    }
    d->loaded = b;
    d->save(b);
}

void SettingsController::PlaySounds1Click() {
    if (QAction* a = d->action(QStringLiteral("PlaySounds1")))
        a->setChecked(!a->isChecked());
    saveinifile();
}

void SettingsController::PlayChatterSounds1Click() {
    if (QAction* a = d->action(QStringLiteral("PlayChatterSounds1")))
        a->setChecked(!a->isChecked());
    saveinifile();
}

void SettingsController::TurnSoundClick(int tag) {
    d->setMenuTag(QStringLiteral("TurnSound1"), tag);
    d->checkOnly({"Classic1", "New1"},
                 tag == 1 ? QStringLiteral("New1") : QStringLiteral("Classic1"));
    saveinifile();
}

void SettingsController::TimeBetweenRoundsClick(int tag) {
    d->setMenuTag(QStringLiteral("BotSpeed1"), tag);
    d->checkOnly({"Long1", "Normal1", "Quick1"}, tag == 17   ? QStringLiteral("Long1")
                                                 : tag == 10 ? QStringLiteral("Quick1")
                                                             : QStringLiteral("Normal1"));
    saveinifile();
}

void SettingsController::BotSpeedClick(int tag) {
    d->setMenuTag(QStringLiteral("BotSpeed2"), tag);
    d->checkOnly({"Slow1", "Normal2", "Fast1"}, tag == 2000  ? QStringLiteral("Slow1")
                                                : tag == 750 ? QStringLiteral("Fast1")
                                                             : QStringLiteral("Normal2"));
    saveinifile();
}

namespace {
std::optional<QColor> askColour(const SettingsController::Target& t, const QColor& current) {
    if (t.chooseColour)
        return t.chooseColour(current);
    const QColor chosen = QColorDialog::getColor(current, t.window);
    if (!chosen.isValid())
        return std::nullopt;
    return chosen;
}
} // namespace

void SettingsController::TextColor1Click() {
    ClientState& st = *d->t.state;
    const std::optional<QColor> chosen = askColour(d->t, colortext::toQColor(st.textcolour));
    if (!chosen)
        return;
    st.textcolour = fromQColor(*chosen);
    d->setEntryColour(st.textcolour);
    saveinifile();
}

void SettingsController::ActionColor1Click() {
    ClientState& st = *d->t.state;
    if (const std::optional<QColor> chosen = askColour(d->t, colortext::toQColor(st.actioncolour)))
        st.actioncolour = fromQColor(*chosen);
    saveinifile();
}

void SettingsController::TextSizeClick(int size) {
    if (QTextEdit* pane = d->chatPane()) {
        QFont f = pane->font();
        f.setPointSize(size);
        pane->setFont(f);
    }
    // The check mark follows the chosen size (it used to stay on the old one).
    d->checkOnly({"N8", "N10", "N12", "N14"}, QStringLiteral("N%1").arg(size));
    saveinifile();
}

void SettingsController::ResetScreenLocation1Click() {
    d->place(QRect(3, 3, d->t.state->defaultWidth, d->t.state->defaultHeight));
}
