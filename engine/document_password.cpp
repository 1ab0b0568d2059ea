#include "document_password.h"

#include <mutex>

namespace ostrel {

namespace {

std::mutex passwordMutex;
QString currentPassword = placeholderPassword;

void setDocumentPassword(const QString& password) {
    const std::lock_guard lock(passwordMutex);
    currentPassword = password;
}

} // namespace

QString documentPassword() {
    const std::lock_guard lock(passwordMutex);
    return currentPassword;
}

void resetDocumentPassword() {
    setDocumentPassword(placeholderPassword);
}

DocumentPasswordRetry::DocumentPasswordRetry(const QString& typed) {
    setDocumentPassword(typed.isEmpty() ? placeholderPassword : typed);
}

DocumentPasswordRetry::~DocumentPasswordRetry() {
    resetDocumentPassword();
}

} // namespace ostrel
