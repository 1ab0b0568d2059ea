#include "document_password.h"

namespace ostrel {

namespace {

thread_local QString currentPassword = placeholderPassword;

void setDocumentPassword(const QString& password) {
    currentPassword = password;
}

} // namespace

QString documentPassword() {
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
