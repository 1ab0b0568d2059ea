// Bstr: one owned BSTR (UTF-16, length-prefixed), freed when it goes.
// A null BSTR is COM's empty string: length 0, converts to "".
#pragma once

#include "com/com.h"

#include <QString>

#include <string>
#include <string_view>
#include <utility>

namespace ostrel::com {

class Bstr {
public:
    Bstr() = default;
    explicit Bstr(std::u16string_view text);
    explicit Bstr(const QString& text);
    static Bstr fromUtf8(std::string_view text);
    // Adopts a BSTR the caller owns.
    static Bstr attach(BSTR owned) {
        Bstr result;
        result.s_ = owned;
        return result;
    }

    Bstr(const Bstr& other);
    Bstr(Bstr&& other) noexcept : s_(std::exchange(other.s_, nullptr)) {}
    Bstr& operator=(const Bstr& other);
    Bstr& operator=(Bstr&& other) noexcept;
    ~Bstr() { SysFreeString(s_); }

    [[nodiscard]] BSTR detach() { return std::exchange(s_, nullptr); }
    // For out parameters: frees what is held and answers the slot to fill.
    BSTR* put() {
        reset();
        return &s_;
    }
    void reset() { SysFreeString(std::exchange(s_, nullptr)); }

    BSTR get() const { return s_; }
    UINT length() const { return SysStringLen(s_); }
    bool empty() const { return length() == 0; }

    std::u16string_view view() const { return {s_ == nullptr ? u"" : s_, length()}; }
    QString toQString() const;
    std::string toUtf8() const;

    friend bool operator==(const Bstr& a, const Bstr& b) { return a.view() == b.view(); }

private:
    BSTR s_ = nullptr;
};

// Text of any BSTR (null counts as empty).
QString toQString(BSTR text);
std::string toUtf8(BSTR text);

} // namespace ostrel::com
