#include "security_rules.h"

#include "encryption.h"

#include <QRandomGenerator>

#include <array>

namespace ostrel {
namespace {

// R3 and later know more permissions than R2 (high-quality printing, assembly, form
// filling, accessibility).
bool hasRevision3Permissions(const ConversionOptions& options) {
    const Encryption* encryption = encryptionOf(options.encryptionLevel);
    return encryption && encryption->revision >= 3;
}

} // namespace

bool writesSecurity(const ConversionOptions& options) {
    return options.securityEnabled;
}

bool hasOwnerPassword(const ConversionOptions& options) {
    return options.ownerPasswordEnabled && !options.ownerPassword.isEmpty();
}

QString effectiveOwnerPassword(const ConversionOptions& options) {
    if (hasOwnerPassword(options)) {
        return options.ownerPassword;
    }
    std::array<quint32, 4> words{};
    QRandomGenerator::system()->fillRange(words.data(), static_cast<qsizetype>(words.size()));
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char*>(words.data()), sizeof words).toHex());
}

std::int32_t permissionValue(const ConversionOptions& options) {
    struct Grant {
        bool ticked;
        std::int32_t bits40;
        std::int32_t bits128;
    };
    const Grant grants[] = {
        {options.allowPrinting, 1 << 2, (1 << 2) | (1 << 11)},
        {options.allowChanging, 1 << 3, (1 << 3) | (1 << 10)},
        {options.allowCopying, 1 << 4, 1 << 4},
        {options.allowFormFilling, 1 << 5, (1 << 5) | (1 << 8)},
    };
    // Every bit set except the reserved bits 1-2 and the grantable ones; R3 and later
    // keep accessibility extraction (bit 10) allowed.
    const bool revision3 = hasRevision3Permissions(options);
    std::int32_t value = revision3 ? ~0xD3F : ~0x3F;
    for (const auto& grant : grants) {
        if (grant.ticked) {
            value |= revision3 ? grant.bits128 : grant.bits40;
        }
    }
    return value;
}

} // namespace ostrel
