// What the office objects that add-ins see (the application, its command bars and
// documents) need from the word processor hosting them. Called on the add-in thread.
#pragma once

#include "command_bars.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ostrel::bridge {

class HostServices {
public:
    virtual CommandBarModel& commandBars() = 0;
    // The full path of the active document's file (UTF-8): nullopt when no document is
    // active, empty when the document was never saved to a file.
    virtual std::optional<std::string> activeDocumentPath() = 0;
    // The picture on the clipboard as PNG; empty when the clipboard holds none.
    virtual std::vector<std::uint8_t> clipboardPicture() = 0;

protected:
    ~HostServices() = default;
};

} // namespace ostrel::bridge
