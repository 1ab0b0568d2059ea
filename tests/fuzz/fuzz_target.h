// The entry point each fuzz target defines: libFuzzer calls it with its inputs, and the
// suite's regression driver with every kept input, so both run the same checks.
#pragma once

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace ostrel::fuzz {

// Ends the process loudly when a property of the parser does not hold: the fuzzer keeps
// the input, the regression driver fails.
[[noreturn]] void violated(const char* property);

} // namespace ostrel::fuzz
