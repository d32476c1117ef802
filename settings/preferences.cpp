// SPDX-License-Identifier: GPL-3.0-or-later
#include "preferences.h"

#include "chatcolour.h"
#include "inifile.h"
#include "inttext.h"

#include <algorithm>
#include <limits>

namespace {

RoundPause pauseFor(const QString& stored) {
    if (stored == QLatin1String("17") || stored == QLatin1String("15"))
        return RoundPause::Long;
    if (stored == QLatin1String("10") || stored == QLatin1String("8"))
        return RoundPause::Quick;
    return RoundPause::Normal;
}

BotPace paceFor(const QString& stored) {
    if (stored == QLatin1String("2000"))
        return BotPace::Slow;
    if (stored == QLatin1String("750"))
        return BotPace::Fast;
    return BotPace::Normal;
}

// The game start window offers the choices 0 to 6; a stored text that names
// none of them (damaged, or "03") selects Random, as the window does.
int lengthChoiceFor(const QString& stored) {
    for (int choice = 0; choice <= 6; ++choice)
        if (stored == QString::number(choice))
            return choice;
    return 6;
}

int numberOr(const QString& text, int fallback) {
    int value = fallback;
    return wire::tryToInt(QStringView(text), value) ? value : fallback;
}

quint32 colourOr(const QString& text, quint32 fallback) {
    quint32 colour = fallback;
    return colortext::tryStringToColor(text, colour) ? colour : fallback;
}

// QRect keeps its far edges, left + width - 1 and top + height - 1, and its
// size as their difference: a damaged file's place and size may reach past the
// range of int there, which a rectangle cannot hold.
bool fitsRect(int start, int length) {
    const qint64 farEdge = qint64(start) + length - 1;
    return qint64(length) - 1 >= std::numeric_limits<int>::min() &&
           farEdge >= std::numeric_limits<int>::min() && farEdge <= std::numeric_limits<int>::max();
}

QString onOff(bool on) {
    return on ? QStringLiteral("true") : QStringLiteral("false");
}

} // namespace

StoredKeys allStoredKeys() {
    StoredKeys all;
    for (quint32 bit = 1; bit <= quint32(StoredKey::ShowMissedWords); bit <<= 1)
        all |= StoredKey(bit);
    return all;
}

const std::array<QString, 9>& Preferences::defaultPhrases() {
    static const std::array<QString, 9> phrases = {QStringLiteral("Way To Go!"),
                                                   QStringLiteral("Good One!"),
                                                   QStringLiteral("Nice Try!"),
                                                   QStringLiteral("Excellent!"),
                                                   QStringLiteral("Brilliant!"),
                                                   QStringLiteral("Wow, WTG!"),
                                                   QStringLiteral("Thanks!"),
                                                   QStringLiteral("Way To Go Teamie!"),
                                                   QStringLiteral("Good Game Everyone!")};
    return phrases;
}

void readPreferences(const IniFile& stored, const QString& s, Preferences& p) {
    const IniText file = stored.load();
    const QRect d = Preferences::defaultBounds();
    const int left = file.readInteger(s, QStringLiteral("Left"), d.left());
    const int top = file.readInteger(s, QStringLiteral("Top"), d.top());
    const int width = file.readInteger(s, QStringLiteral("Width"), d.width());
    const int height = file.readInteger(s, QStringLiteral("Height"), d.height());
    p.bounds = fitsRect(left, width) && fitsRect(top, height) ? QRect(left, top, width, height) : d;
    p.turnSound =
        file.readString(s, QStringLiteral("Turnsound"), QStringLiteral("0")) == QLatin1String("1")
            ? TurnSound::New
            : TurnSound::Classic;
    p.textSize = file.readInteger(s, QStringLiteral("Textsize"), 8);
    p.textColour =
        colourOr(file.readString(s, QStringLiteral("Textcolor"), QStringLiteral("clblack")), 0);
    p.actionColour =
        colourOr(file.readString(s, QStringLiteral("Actioncolor"), QStringLiteral("clblack")), 0);
    p.rounds = std::clamp(
        numberOr(file.readString(s, QStringLiteral("Playtoscore"), QStringLiteral("5")), p.rounds),
        Preferences::kMinRounds, Preferences::kMaxRounds);
    p.secondsPerRound =
        std::clamp(numberOr(file.readString(s, QStringLiteral("Timeperturn"), QStringLiteral("60")),
                            p.secondsPerRound),
                   Preferences::kMinSeconds, Preferences::kMaxSeconds);
    p.lengthChoice =
        lengthChoiceFor(file.readString(s, QStringLiteral("Gametype"), QStringLiteral("6")));
    p.pause = pauseFor(file.readString(s, QStringLiteral("Botspeed"), {}));
    p.botPace = paceFor(file.readString(s, QStringLiteral("Botspeed2"), {}));
    for (int n = 1; n <= 9; ++n) {
        const QString phrase = file.readString(s, QStringLiteral("Phrase%1").arg(n), {});
        if (!phrase.isEmpty())
            p.phrases[n - 1] = phrase;
    }
    p.playSounds = file.readString(s, QStringLiteral("Playsounds"), QStringLiteral("true")) !=
                   QLatin1String("false");
    p.chatterSounds = file.readString(s, QStringLiteral("ChatterSounds"), QStringLiteral("true")) !=
                      QLatin1String("false");
    p.showMissedWords = file.readString(s, QStringLiteral("ShowMissedWords"),
                                        QStringLiteral("true")) != QLatin1String("false");
    p.highContrast = file.readString(s, QStringLiteral("HighContrast"), QStringLiteral("0")) ==
                     QLatin1String("1");
}

void writePreferences(IniFile& stored, const QString& s, const Preferences& p, StoredKeys keys) {
    if (!keys)
        return;
    stored.update([&](IniText& file) {
        auto integer = [&](StoredKey key, const char* name, int value) {
            if (keys.testFlag(key))
                file.writeInteger(s, QLatin1String(name), value);
        };
        auto text = [&](StoredKey key, const char* name, const QString& value) {
            if (keys.testFlag(key))
                file.writeString(s, QLatin1String(name), value);
        };
        integer(StoredKey::Bounds, "Top", p.bounds.y());
        integer(StoredKey::Bounds, "Left", p.bounds.x());
        integer(StoredKey::Bounds, "Width", p.bounds.width());
        integer(StoredKey::Bounds, "Height", p.bounds.height());
        integer(StoredKey::Turnsound, "Turnsound", int(p.turnSound));
        integer(StoredKey::Textsize, "Textsize", p.chatFontSize());
        text(StoredKey::Textcolor, "Textcolor", colortext::colorToString(p.textColour));
        text(StoredKey::Actioncolor, "Actioncolor", colortext::colorToString(p.actionColour));
        integer(StoredKey::Playtoscore, "Playtoscore", p.rounds);
        integer(StoredKey::Timeperturn, "Timeperturn", p.secondsPerRound);
        integer(StoredKey::Gametype, "Gametype", p.lengthChoice);
        integer(StoredKey::RoundPause, "Botspeed", int(p.pause));
        integer(StoredKey::BotPace, "Botspeed2", int(p.botPace));
        text(StoredKey::Playsounds, "Playsounds", onOff(p.playSounds));
        text(StoredKey::ChatterSounds, "ChatterSounds", onOff(p.chatterSounds));
        text(StoredKey::ShowMissedWords, "ShowMissedWords", onOff(p.showMissedWords));
        integer(StoredKey::HighContrast, "HighContrast", p.highContrast ? 1 : 0);
    });
}

void writePhrases(IniFile& stored, const QString& s, const std::array<QString, 9>& phrases) {
    stored.update([&](IniText& file) {
        for (int n = 1; n <= 9; ++n)
            file.writeString(s, QStringLiteral("Phrase%1").arg(n), phrases[n - 1]);
    });
}
