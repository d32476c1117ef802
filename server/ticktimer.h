#pragma once
// A timer of the server window whose ticks tests can drive by hand.
//
// It keeps the window timer's own state (enabled, interval, Tag) whether or not
// a real QTimer runs behind it. In manual mode the QTimer never starts, so no
// tick arrives by itself: a test calls the tick handler directly and the
// handler still sees whether the timer is enabled, exactly as a real tick would.

#include <QObject>
#include <QTimer>

#include <functional>

class TickTimer {
public:
    TickTimer(QObject* parent, int intervalMs, bool enabled, std::function<void()> onTick)
        : m_timer(new QTimer(parent)), m_enabled(enabled) {
        m_timer->setInterval(intervalMs);
        QObject::connect(m_timer, &QTimer::timeout, parent, std::move(onTick));
        apply();
    }

    bool enabled() const { return m_enabled; }
    void setEnabled(bool on) {
        m_enabled = on;
        apply();
    }
    int interval() const { return m_timer->interval(); }
    void setInterval(int ms) { m_timer->setInterval(ms); }
    void setManual(bool manual) {
        m_manual = manual;
        apply();
    }

    int Tag = 0;

private:
    void apply() {
        if (m_enabled && !m_manual)
            m_timer->start();
        else
            m_timer->stop();
    }

    QTimer* m_timer;
    bool m_enabled;
    bool m_manual = false;
};
