// One running program per user: a lock file named after the program in the user's runtime
// folder, held for the life of the process. The system frees it when the process ends,
// however it ends.
#pragma once

#include <QLockFile>
#include <QString>

#include <memory>

namespace ostrel {

class SingleInstance {
public:
    // Takes the lock named `name` in the user's runtime folder if it is free.
    explicit SingleInstance(const QString& name);

    // False when another running process holds the lock.
    bool first() const { return locked_; }
    static QString lockPath(const QString& name);

private:
    std::unique_ptr<QLockFile> lock_;
    bool locked_ = false;
};

} // namespace ostrel
