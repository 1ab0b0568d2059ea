// A document whose Basic macro runs when an office opens, prints or closes it (its
// document events) and writes a marker file: the proof that a macro ran.
#pragma once

#include <filesystem>

namespace ostrel::test {

// Writes an OpenDocument text whatever `document`'s name says (the office goes by the
// content, so "report.doc" opens as well). Answers false when it could not be written.
bool writeOpeningMacroDocument(const std::filesystem::path& document,
                               const std::filesystem::path& marker);

// Office settings of a user who lets every macro run without asking, as the items of
// an office profile's registrymodifications.xcu.
const char* macrosAllowedSettings();

} // namespace ostrel::test
