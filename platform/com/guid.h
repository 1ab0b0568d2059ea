// GUID texts in the registry form "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (upper case
// when written, either case when read), for code that keeps GUIDs in UTF-8 strings.
#pragma once

#include "com/com.h"

#include <optional>
#include <string>
#include <string_view>

namespace ostrel::com {

std::string guidToString(const GUID& guid);
std::optional<GUID> guidFromString(std::string_view text);

} // namespace ostrel::com
