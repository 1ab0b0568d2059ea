#include "single_instance.h"

#include <QStandardPaths>

namespace ostrel {

QString SingleInstance::lockPath(const QString& name) {
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) + QLatin1Char('/') +
           name;
}

SingleInstance::SingleInstance(const QString& name)
    : lock_(std::make_unique<QLockFile>(lockPath(name))) {
    // A lock left by a process that no longer runs is taken over at once.
    lock_->setStaleLockTime(0);
    locked_ = lock_->tryLock(0);
}

} // namespace ostrel
