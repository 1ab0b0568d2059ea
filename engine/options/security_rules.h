// What the security options mean for the encrypted PDF: whether there is one, the owner
// password it is encrypted with and the permissions it grants.
#pragma once

#include "conversion_options.h"

#include <QString>
#include <cstdint>

namespace ostrel {

// True when the options ask for an encrypted PDF: security on. An owner password that
// is switched on but left empty does not drop the security: the job then uses a random
// owner password, as when the owner password is switched off.
bool writesSecurity(const ConversionOptions& options);

// Whether the user gave an owner password (switched on and not empty).
bool hasOwnerPassword(const ConversionOptions& options);

// The owner password the PDF is encrypted with: the user's, else a random one nobody
// knows, which keeps the user password and the permissions binding for everyone.
QString effectiveOwnerPassword(const ConversionOptions& options);

// The PDF permission word allowing exactly the ticked actions. 40-bit (R2): printing
// bit 3, changing bit 4, copying bit 5, form filling bit 6; bits 1-2 zero, 7-32 one.
// 128-bit (R3): printing bits 3 and 12, changing bits 4 and 11, copying bit 5, form
// filling bits 6 and 9, accessibility extraction (bit 10) always; bits 1-2 zero,
// 7-8 and 13-32 one. AES-256 (R6) as 128-bit. Nothing ticked: -64 and -3392;
// everything: -4.
std::int32_t permissionValue(const ConversionOptions& options);

} // namespace ostrel
