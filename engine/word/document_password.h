// documentPassword: the password handed to Word with every open, one per converting
// thread (so that workers converting at once never see each other's password).
//
// Outside a retry it holds the placeholder, a fixed one-digit text. Word ignores the
// password of a document that has none, so the placeholder only makes the opening of
// a protected document fail (which leads to the password prompt) instead of making the
// office ask on its own. During a retry it holds what the user typed; the retry scope
// puts the placeholder back when it ends, so a password typed for one document is never
// offered to the next.
#pragma once

#include <QString>

namespace ostrel {

inline const QString kPlaceholderPassword = QStringLiteral("1");

// The calling thread's documentPassword.
QString documentPassword();

// Sets the calling thread's documentPassword back to the placeholder; the convert page
// does this when it is created.
void resetDocumentPassword();

// Holds a typed password for the length of one retry, then the placeholder again. An
// empty text stands for the placeholder.
class DocumentPasswordRetry {
public:
    explicit DocumentPasswordRetry(const QString& typed);
    ~DocumentPasswordRetry();
    DocumentPasswordRetry(const DocumentPasswordRetry&) = delete;
    DocumentPasswordRetry& operator=(const DocumentPasswordRetry&) = delete;
};

} // namespace ostrel
