// The picture an add-in put on the clipboard (before PasteFace), read through Qt's
// clipboard on the add-in thread, where the add-in put it.
#pragma once

#include <cstdint>
#include <vector>

namespace ostrel::bridge {

// PNG bytes of the clipboard's image; empty when it holds none.
std::vector<std::uint8_t> clipboardPicturePng();

} // namespace ostrel::bridge
