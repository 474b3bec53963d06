#include "UiThread.h"

#include <QMetaObject>
#include <QThread>

namespace tessaly {

TUiThread::TUiThread() : context_(std::make_unique<QObject>()) {}
TUiThread::~TUiThread() = default;

bool TUiThread::OnUiThread() const {
    return QThread::currentThread() == context_->thread();
}

void TUiThread::Call(const std::function<void()>& fn) {
    if (OnUiThread()) {
        fn();
        return;
    }
    QMetaObject::invokeMethod(context_.get(), fn, Qt::BlockingQueuedConnection);
}

void TUiThread::Post(std::function<void()> fn) {
    QMetaObject::invokeMethod(context_.get(), std::move(fn), Qt::QueuedConnection);
}

}  // namespace tessaly
