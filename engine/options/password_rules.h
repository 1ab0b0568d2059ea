// What the PDF passwords must be for the encryption to mean what the user asked:
// taken whole (never cut to the level's length) and the user's password different
// from the owner's, which would hand every reader the owner's rights.
#pragma once

#include "conversion_options.h"
#include "encryption.h"

#include <optional>

namespace ostrel {

struct PasswordProblem {
    enum Kind {
        UserTooLong,  // longer than `limit` bytes (UTF-8)
        OwnerTooLong, // the same for the owner password
        SameAsOwner,  // the user password opens the PDF as its owner
    };
    Kind kind;
    int limit = 0;
};

// The longest password the encryption level takes, in UTF-8 bytes (the level's
// passwordBytes: 32 for RC4, 127 for AES-256); 32 for no level.
inline int passwordByteLimit(std::optional<EncryptionLevel> encryptionLevel) {
    const Encryption* encryption = encryptionOf(encryptionLevel);
    return encryption != nullptr ? encryption->passwordBytes : 32;
}

// The first rule the options' passwords break; none when security is off or all hold.
// (Header only: the option pages use it without the engine.)
inline std::optional<PasswordProblem> passwordProblem(const ConversionOptions& options) {
    if (!options.securityEnabled) {
        return std::nullopt;
    }
    const int limit = passwordByteLimit(options.encryptionLevel);
    const bool user = options.userPasswordEnabled;
    const bool owner = options.ownerPasswordEnabled;
    if (user && options.userPassword.toUtf8().size() > limit) {
        return PasswordProblem{PasswordProblem::UserTooLong, limit};
    }
    if (owner && options.ownerPassword.toUtf8().size() > limit) {
        return PasswordProblem{PasswordProblem::OwnerTooLong, limit};
    }
    if (user && owner && !options.ownerPassword.isEmpty() &&
        options.userPassword == options.ownerPassword) {
        return PasswordProblem{PasswordProblem::SameAsOwner, limit};
    }
    return std::nullopt;
}

} // namespace ostrel
