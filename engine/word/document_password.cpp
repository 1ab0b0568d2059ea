#include "document_password.h"

namespace ostrel {

namespace {

thread_local QString currentPassword = kPlaceholderPassword;

void setDocumentPassword(const QString& password) {
    currentPassword = password;
}

} // namespace

QString documentPassword() {
    return currentPassword;
}

void resetDocumentPassword() {
    setDocumentPassword(kPlaceholderPassword);
}

DocumentPasswordRetry::DocumentPasswordRetry(const QString& typed) {
    setDocumentPassword(typed.isEmpty() ? kPlaceholderPassword : typed);
}

DocumentPasswordRetry::~DocumentPasswordRetry() {
    resetDocumentPassword();
}

} // namespace ostrel
