#include "settingscontroller.h"

struct SettingsController::Impl {
    Tchat* window = nullptr;
    QString filePath;
};

SettingsController::SettingsController(Tchat& window, QString filePath) : d(new Impl) {
    d->window = &window;
    d->filePath = std::move(filePath);
}

SettingsController::~SettingsController() {
    delete d;
}

void SettingsController::loadinifile() {}
void SettingsController::saveinifile() {}
void SettingsController::formClose() {}
QString SettingsController::filePath() const {
    return d->filePath;
}
