#include "platform/Pacing.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <thread>

namespace tessaly {
namespace {

double ScaleFromEnvironment() {
    const char* text = std::getenv("TESSALY_PACE");
    if (text == nullptr || *text == '\0') return 1.0;
    char* end = nullptr;
    double v = std::strtod(text, &end);
    if (end == text || !std::isfinite(v) || v < 0) return 1.0;
    return v;
}

std::atomic<double>& ScaleStore() {
    static std::atomic<double> scale{ScaleFromEnvironment()};
    return scale;
}

}  // namespace

double PacingClock::Scale() {
    return ScaleStore().load(std::memory_order_relaxed);
}

void PacingClock::SetScale(double scale) {
    ScaleStore().store(std::isfinite(scale) && scale >= 0 ? scale : 1.0, std::memory_order_relaxed);
}

std::chrono::milliseconds PacingClock::Scaled(std::chrono::milliseconds designed) {
    double ms = static_cast<double>(designed.count()) * Scale();
    return std::chrono::milliseconds(static_cast<long long>(std::llround(ms)));
}

void PacedSleep(int milliseconds) {
    auto wait = PacingClock::Scaled(std::chrono::milliseconds(milliseconds));
    if (wait.count() > 0) std::this_thread::sleep_for(wait);
}

void Delay(int milliseconds) {
    const auto wait = PacingClock::Scaled(std::chrono::milliseconds(milliseconds));
    // Only a thread with an event dispatcher has events to keep processing.
    const bool hasEvents = QCoreApplication::instance() != nullptr &&
                           QAbstractEventDispatcher::instance(QThread::currentThread()) != nullptr;
    if (!hasEvents) {
        if (wait.count() > 0) std::this_thread::sleep_for(wait);
        return;
    }
    if (wait.count() <= 0) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        return;
    }
    // A nested loop that a precise timer ends: events keep flowing and nothing spins.
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(wait);
    loop.exec();
}

}  // namespace tessaly
