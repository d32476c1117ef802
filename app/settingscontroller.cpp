// SPDX-License-Identifier: GPL-3.0-or-later
#include "settingscontroller.h"

#include "colortext.h"
#include "inifile.h"

#include <QColorDialog>
#include <QScreen>
#include <QWidget>

namespace {

quint32 fromQColor(const QColor& c) {
    return quint32(c.red()) | (quint32(c.green()) << 8) | (quint32(c.blue()) << 16);
}

} // namespace

SettingsController::SettingsController(QWidget& window, QString filePath, QString section,
                                       QObject* parent)
    : QObject(parent), m_window(window), m_path(std::move(filePath)),
      m_section(std::move(section)) {
    m_startBounds = windowBounds();
}

SettingsController::~SettingsController() = default;

QString SettingsController::filePath() const {
    return m_path;
}

QRect SettingsController::windowBounds() const {
    return QRect(m_window.x(), m_window.y(), m_window.width(), m_window.height());
}

void SettingsController::place(const QRect& bounds) {
    m_window.move(bounds.topLeft());
    m_window.resize(bounds.size());
}

void SettingsController::placeAtStart() {
    place(Preferences::defaultBounds());
    // The window may not take every size (it never gets smaller than the board).
    m_startBounds = m_prefs.bounds = windowBounds();
}

void SettingsController::loadinifile() {
    readPreferences(IniFile(m_path), m_section, m_prefs);
    m_known = allStoredKeys();
    place(m_prefs.bounds);
    // The window may not take every stored size (it never gets smaller than the
    // board): what it did take counts as loaded, so closing an unmoved window
    // writes nothing.
    m_loaded = m_prefs.bounds = windowBounds();
    emit changed(m_prefs);
}

void SettingsController::saveinifile() {
    save(windowBounds());
}

void SettingsController::save(const QRect& bounds) {
    m_prefs.bounds = bounds;
    if (bounds != referenceBounds())
        m_known |= StoredKey::Bounds;
    IniFile file(m_path);
    writePreferences(file, m_section, m_prefs, m_known);
}

void SettingsController::formClose() {
    QRect b = windowBounds();
    if (b == referenceBounds())
        return;
    QRect area;
    if (workArea)
        area = workArea();
    else if (QScreen* screen = m_window.screen())
        area = screen->availableGeometry();
    if (area.isValid()) {
        if (b.width() > area.width())
            b.setWidth(b.width() - 15);
        if (b.height() > area.height())
            b.setHeight(b.height() - 15);
    }
    m_known |= StoredKey::Bounds;
    m_loaded = b;
    save(b);
}

void SettingsController::update(const std::function<void(Preferences&)>& change, StoredKeys keys,
                                bool store) {
    change(m_prefs);
    m_known |= keys;
    emit changed(m_prefs);
    if (store)
        saveinifile();
}

void SettingsController::setPlaySounds(bool on) {
    update([on](Preferences& p) { p.playSounds = on; }, StoredKey::Playsounds, true);
}

void SettingsController::setChatterSounds(bool on) {
    update([on](Preferences& p) { p.chatterSounds = on; }, StoredKey::ChatterSounds, true);
}

void SettingsController::setTurnSound(TurnSound sound) {
    update([sound](Preferences& p) { p.turnSound = sound; }, StoredKey::Turnsound, true);
}

void SettingsController::setPause(RoundPause pause) {
    update([pause](Preferences& p) { p.pause = pause; }, StoredKey::RoundPause, true);
}

void SettingsController::setBotPace(BotPace pace) {
    update([pace](Preferences& p) { p.botPace = pace; }, StoredKey::BotPace, true);
}

void SettingsController::setTextSize(int size) {
    update([size](Preferences& p) { p.textSize = size; }, StoredKey::Textsize, true);
}

void SettingsController::setShowMissedWords(bool on) {
    update([on](Preferences& p) { p.showMissedWords = on; }, StoredKey::ShowMissedWords, true);
}

void SettingsController::setHighContrast(bool on) {
    update([on](Preferences& p) { p.highContrast = on; }, StoredKey::HighContrast, false);
    // A choice about the look alone: the file gains this one line, and a
    // hand-edited value elsewhere is not written over in passing.
    IniFile file(m_path);
    writePreferences(file, m_section, m_prefs, StoredKey::HighContrast);
}

void SettingsController::setScrollChatOff(bool on) {
    update([on](Preferences& p) { p.scrollChatOff = on; }, {}, false);
}

void SettingsController::setGameStart(const GameStartChoice& choice) {
    if (m_prefs.gameStart(choice.showWordList) == choice)
        return;
    update([&choice](Preferences& p) { p.setGameStart(choice); },
           StoredKey::Playtoscore | StoredKey::Timeperturn | StoredKey::Gametype, false);
}

void SettingsController::setPhrases(const std::array<QString, 9>& phrases) {
    update([&phrases](Preferences& p) { p.phrases = phrases; }, {}, false);
    IniFile file(m_path);
    writePhrases(file, m_section, phrases);
}

namespace {
std::optional<QColor> askColour(const SettingsController& c, QWidget& window,
                                const QColor& current) {
    if (c.chooseColour)
        return c.chooseColour(current);
    const QColor chosen = QColorDialog::getColor(current, &window);
    if (!chosen.isValid())
        return std::nullopt;
    return chosen;
}
} // namespace

void SettingsController::TextColor1Click() {
    const std::optional<QColor> chosen =
        askColour(*this, m_window, colortext::toQColor(m_prefs.textColour));
    if (chosen)
        update([&chosen](Preferences& p) { p.textColour = fromQColor(*chosen); },
               StoredKey::Textcolor, true);
}

void SettingsController::ActionColor1Click() {
    const std::optional<QColor> chosen =
        askColour(*this, m_window, colortext::toQColor(m_prefs.actionColour));
    update(
        [&chosen](Preferences& p) {
            if (chosen)
                p.actionColour = fromQColor(*chosen);
        },
        StoredKey::Actioncolor, true);
}

void SettingsController::ResetScreenLocation1Click() {
    place(Preferences::defaultBounds());
    m_prefs.bounds = windowBounds();
}
