#include "com/bstr.h"

namespace ostrel::com {

Bstr::Bstr(std::u16string_view text)
    : s_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {
}

Bstr::Bstr(const QString& text)
    : Bstr(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                               static_cast<std::size_t>(text.size()))) {
}

Bstr Bstr::fromUtf8(std::string_view text) {
    return Bstr(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

Bstr::Bstr(const Bstr& other) : s_(other.s_ == nullptr ? nullptr : Bstr(other.view()).detach()) {
}

Bstr& Bstr::operator=(const Bstr& other) {
    if (this != &other) {
        Bstr copy(other);
        std::swap(s_, copy.s_);
    }
    return *this;
}

Bstr& Bstr::operator=(Bstr&& other) noexcept {
    if (this != &other) {
        reset();
        s_ = std::exchange(other.s_, nullptr);
    }
    return *this;
}

QString Bstr::toQString() const {
    return ostrel::com::toQString(s_);
}

std::string Bstr::toUtf8() const {
    return ostrel::com::toUtf8(s_);
}

QString toQString(BSTR text) {
    if (text == nullptr) {
        return {};
    }
    return QString::fromUtf16(text, static_cast<qsizetype>(SysStringLen(text)));
}

std::string toUtf8(BSTR text) {
    return toQString(text).toStdString();
}

} // namespace ostrel::com
