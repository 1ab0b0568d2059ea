#include "type1_glyph_names.h"

#include "cmap_sections.h"
#include "pdf_objects.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace ostrel {
namespace {

constexpr unsigned kEexecKey = 55665;

// Type 1 eexec encryption, with the key running over the cipher text.
std::string eexec(const std::string& data, bool decrypt) {
    std::string out(data.size(), '\0');
    unsigned key = kEexecKey;
    for (std::size_t i = 0; i < data.size(); ++i) {
        const auto in = static_cast<unsigned char>(data[i]);
        const auto result = static_cast<unsigned char>(in ^ (key >> 8));
        const unsigned cipher = decrypt ? in : result;
        key = ((cipher + key) * 52845u + 22719u) & 0xFFFFu;
        out[i] = static_cast<char>(result);
    }
    return out;
}

unsigned hexValue(const std::string& digits) {
    return static_cast<unsigned>(std::stoul(digits, nullptr, 16));
}

using Characters = std::vector<unsigned>; // UTF-16 units

// Character code -> characters from a ToUnicode map's one-byte codes (bfchar entries, and
// bfrange entries with a start value).
std::map<unsigned, Characters> unicodeOfCodes(const std::string& cmap) {
    std::map<unsigned, Characters> unicode;
    static const std::regex charEntry(R"(<([0-9A-Fa-f]{2})>\s*<((?:[0-9A-Fa-f]{4})+)>)");
    static const std::regex rangeEntry(
        R"(<([0-9A-Fa-f]{2})>\s*<([0-9A-Fa-f]{2})>\s*<([0-9A-Fa-f]{4})>)");
    const std::sregex_iterator end;
    for (const std::string& body : cmapSections(cmap, "bfchar")) {
        for (std::sregex_iterator e(body.begin(), body.end(), charEntry); e != end; ++e) {
            Characters& characters = unicode[hexValue((*e)[1].str())];
            const std::string units = (*e)[2].str();
            for (std::size_t i = 0; i < units.size(); i += 4) {
                characters.push_back(hexValue(units.substr(i, 4)));
            }
        }
    }
    for (const std::string& body : cmapSections(cmap, "bfrange")) {
        for (std::sregex_iterator e(body.begin(), body.end(), rangeEntry); e != end; ++e) {
            const unsigned first = hexValue((*e)[1].str());
            const unsigned last = hexValue((*e)[2].str());
            for (unsigned code = first; code <= last && code < 256; ++code) {
                unicode[code] = {hexValue((*e)[3].str()) + (code - first)};
            }
        }
    }
    return unicode;
}

// A Unicode map of the codes that stand for one character.
std::string unicodeMap(const std::map<unsigned, Characters>& unicode) {
    std::string cmap = "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
                       "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
                       "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
                       "1 begincodespacerange\n<00> <FF>\nendcodespacerange\n";
    std::vector<std::string> lines;
    for (const auto& [code, characters] : unicode) {
        if (characters.size() == 1) {
            char line[32];
            std::snprintf(line, sizeof line, "<%02X> <%04X>\n", code, characters.front());
            lines.emplace_back(line);
        }
    }
    for (std::size_t first = 0; first < lines.size(); first += 100) {
        const std::size_t last = std::min(lines.size(), first + 100);
        cmap += std::to_string(last - first) + " beginbfchar\n";
        for (std::size_t i = first; i < last; ++i) {
            cmap += lines[i];
        }
        cmap += "endbfchar\n";
    }
    return cmap + "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
}

// "uni" and each character's four hexadecimal digits ("uni00660069" for "fi"); nothing
// when a character has no such name (a surrogate, or zero).
std::optional<std::string> uniName(const Characters& characters) {
    std::string name = "uni";
    for (const unsigned unit : characters) {
        if (unit == 0 || unit > 0xFFFF || (unit >= 0xD800 && unit < 0xE000)) {
            return std::nullopt;
        }
        char digits[8];
        std::snprintf(digits, sizeof digits, "%04X", unit);
        name += digits;
    }
    return characters.empty() ? std::nullopt : std::optional(name);
}

bool isSpace(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

// The decrypted private part with its CharStrings entries ("/name length RD <bytes> ND")
// renamed; nothing when it is not laid out so, or a glyph to rename is not among them.
std::optional<std::string> renameCharStrings(const std::string& plain,
                                             const std::map<std::string, std::string>& names) {
    const std::size_t start = plain.find("/CharStrings");
    const std::size_t begin = plain.find("begin", start);
    if (start == std::string::npos || begin == std::string::npos) {
        return std::nullopt;
    }
    std::string out = plain.substr(0, begin + 5);
    std::size_t pos = begin + 5;
    std::size_t renamedCount = 0;
    while (true) {
        std::size_t next = pos;
        while (next < plain.size() && isSpace(plain[next])) {
            ++next;
        }
        if (next >= plain.size() || plain[next] != '/') {
            break;
        }
        std::size_t nameEnd = next + 1;
        while (nameEnd < plain.size() && !isSpace(plain[nameEnd])) {
            ++nameEnd;
        }
        const std::string name = plain.substr(next + 1, nameEnd - next - 1);
        std::size_t number = nameEnd;
        while (number < plain.size() && isSpace(plain[number])) {
            ++number;
        }
        std::size_t numberEnd = number;
        while (numberEnd < plain.size() &&
               std::isdigit(static_cast<unsigned char>(plain[numberEnd]))) {
            ++numberEnd;
        }
        if (numberEnd == number) {
            return std::nullopt;
        }
        const std::size_t length = std::stoul(plain.substr(number, numberEnd - number));
        // " RD " and the bytes.
        std::size_t token = numberEnd + 1;
        while (token < plain.size() && !isSpace(plain[token])) {
            ++token;
        }
        // The bytes, then " ND".
        if (token >= plain.size() || length >= plain.size() - token) {
            return std::nullopt;
        }
        std::size_t entryEnd = token + 1 + length;
        while (entryEnd < plain.size() && isSpace(plain[entryEnd])) {
            ++entryEnd;
        }
        while (entryEnd < plain.size() && !isSpace(plain[entryEnd])) {
            ++entryEnd;
        }
        const auto renamed = names.find(name);
        renamedCount += renamed != names.end() ? 1u : 0u;
        out += plain.substr(pos, next + 1 - pos);
        out += renamed != names.end() ? renamed->second : name;
        out += plain.substr(nameEnd, entryEnd - nameEnd);
        pos = entryEnd;
    }
    if (renamedCount != names.size()) {
        return std::nullopt;
    }
    out += plain.substr(pos);
    return out;
}

// The three parts of an embedded Type 1 program: the clear text, the encrypted private
// part and what follows it.
struct Type1Program {
    std::string clear;
    std::string cipher;
    std::string rest;
};

// The parts by the stream's Length1 and Length2; nothing when they do not fit the data
// or the private part is hexadecimal (not what the office writes).
std::optional<Type1Program> readProgram(QPDFObjectHandle fontFile) {
    QPDFObjectHandle dict = fontFile.getDict();
    QPDFObjectHandle length1 = dict.getKey("/Length1");
    QPDFObjectHandle length2 = dict.getKey("/Length2");
    if (!length1.isInteger() || !length2.isInteger()) {
        return std::nullopt;
    }
    const std::string data = streamText(fontFile);
    const auto clearSize = static_cast<std::size_t>(length1.getIntValue());
    const auto privateSize = static_cast<std::size_t>(length2.getIntValue());
    if (clearSize + privateSize > data.size() || privateSize < 4) {
        return std::nullopt;
    }
    Type1Program program{data.substr(0, clearSize), data.substr(clearSize, privateSize),
                         data.substr(clearSize + privateSize)};
    if (std::all_of(program.cipher.begin(), program.cipher.begin() + 4,
                    [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; })) {
        return std::nullopt;
    }
    return program;
}

// The font's own encoding ("dup 1 /L put") in the clear part.
const std::regex& encodingEntry() {
    static const std::regex entry(R"(dup\s+(\d+)\s*/([^\s/\[\]{}()<>%]+)\s+put)");
    return entry;
}

// Glyph name -> "uniXXXX" for the glyphs the encoding and the map give a character that
// has such a name, each name given once.
std::map<std::string, std::string> uniNames(const std::string& clear,
                                            const std::map<unsigned, Characters>& unicode) {
    std::map<std::string, std::string> names;
    std::set<std::string> taken;
    for (std::sregex_iterator e(clear.begin(), clear.end(), encodingEntry()), end; e != end; ++e) {
        const auto character = unicode.find(static_cast<unsigned>(std::stoul((*e)[1].str())));
        const std::string name = (*e)[2].str();
        if (character == unicode.end() || name == ".notdef" || names.count(name) != 0) {
            continue;
        }
        if (const auto uni = uniName(character->second); uni && taken.insert(*uni).second) {
            names[name] = *uni;
        }
    }
    return names;
}

// The clear part with the encoding's glyph names renamed.
std::string renameEncoding(const std::string& clear,
                           const std::map<std::string, std::string>& names) {
    std::string renamed;
    std::size_t pos = 0;
    for (std::sregex_iterator e(clear.begin(), clear.end(), encodingEntry()), end; e != end; ++e) {
        const auto name = names.find((*e)[2].str());
        if (name != names.end()) {
            const auto nameAt = static_cast<std::size_t>(e->position(2));
            renamed += clear.substr(pos, nameAt - pos) + name->second;
            pos = nameAt + static_cast<std::size_t>(e->length(2));
        }
    }
    return renamed + clear.substr(pos);
}

bool renameFontGlyphs(QPDFObjectHandle font) {
    QPDFObjectHandle toUnicode = font.getKey("/ToUnicode");
    QPDFObjectHandle fontFile = font.getKey("/FontDescriptor").getKey("/FontFile");
    if (!toUnicode.isStream() || !fontFile.isStream() || font.hasKey("/Encoding")) {
        return false;
    }
    const auto program = readProgram(fontFile);
    if (!program) {
        return false;
    }
    const auto unicode = unicodeOfCodes(streamText(toUnicode));
    const auto names = uniNames(program->clear, unicode);
    if (names.empty()) {
        return false;
    }
    const auto renamedPrivate = renameCharStrings(eexec(program->cipher, true), names);
    if (!renamedPrivate) {
        return false;
    }
    const std::string newClear = renameEncoding(program->clear, names);
    const std::string newPrivate = eexec(*renamedPrivate, false);
    // Ghostscript drops a map with an entry of several characters (a ligature's "fi")
    // altogether; such a glyph is named by its characters ("uni00660069") only.
    toUnicode.replaceStreamData(unicodeMap(unicode), QPDFObjectHandle::newNull(),
                                QPDFObjectHandle::newNull());
    fontFile.replaceStreamData(newClear + newPrivate + program->rest, QPDFObjectHandle::newNull(),
                               QPDFObjectHandle::newNull());
    QPDFObjectHandle dict = fontFile.getDict();
    dict.replaceKey("/Length1",
                    QPDFObjectHandle::newInteger(static_cast<long long>(newClear.size())));
    dict.replaceKey("/Length2",
                    QPDFObjectHandle::newInteger(static_cast<long long>(newPrivate.size())));
    return true;
}

} // namespace

bool nameType1GlyphsByUnicode(QPDF& pdf) {
    bool changed = false;
    for (QPDFObjectHandle font : fontDictionaries(pdf)) {
        if (font.getKey("/Subtype").isNameAndEquals("/Type1")) {
            try {
                changed = renameFontGlyphs(font) || changed;
            } catch (const std::exception&) {
                // a font qpdf cannot decode stays as it is
            }
        }
    }
    return changed;
}

} // namespace ostrel
