#include "registry/hive.h"

#include <QString>

#include <algorithm>
#include <cstdio>

namespace ostrel::registry {

namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";

QString qs(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

int compareNames(std::string_view a, std::string_view b) {
    return QString::compare(qs(a), qs(b), Qt::CaseInsensitive);
}

std::string quote(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '\\' || c == '"') {
            out += '\\';
        }
        out += c;
    }
    out += '"';
    return out;
}

void formatKey(const Key& key, const std::string& path, bool writeSection, std::string& out) {
    if (writeSection) {
        out += '[';
        out += path;
        out += "]\n";
        // The default value first, then the others in the order they were made.
        for (int pass = 0; pass < 2; ++pass) {
            for (const Value& value : key.values) {
                if (value.name.empty() != (pass == 0)) {
                    continue;
                }
                out += value.name.empty() ? std::string("@") : quote(value.name);
                out += '=';
                switch (value.kind) {
                case Value::Kind::String:
                    out += quote(value.text);
                    break;
                case Value::Kind::Dword: {
                    char digits[16];
                    std::snprintf(digits, sizeof digits, "dword:%08x", value.dword);
                    out += digits;
                    break;
                }
                case Value::Kind::Raw:
                    out += value.text;
                    break;
                }
                out += '\n';
            }
        }
        out += '\n';
    }
    std::vector<const Key*> ordered;
    ordered.reserve(key.subKeys.size());
    for (const Key& sub : key.subKeys) {
        ordered.push_back(&sub);
    }
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const Key* a, const Key* b) { return compareNames(a->name, b->name) < 0; });
    for (const Key* sub : ordered) {
        formatKey(*sub, path + "\\" + sub->name, true, out);
    }
}

// Reads a quoted text at the start of `line` (regedit escapes only \\ and \"); answers
// the text and moves `line` past the closing quote.
std::optional<std::string> readQuoted(std::string_view& line) {
    if (line.empty() || line.front() != '"') {
        return std::nullopt;
    }
    std::string text;
    for (std::size_t i = 1; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '"') {
            line.remove_prefix(i + 1);
            return text;
        }
        if (c == '\\') {
            if (i + 1 >= line.size() || (line[i + 1] != '\\' && line[i + 1] != '"')) {
                return std::nullopt;
            }
            ++i;
            text += line[i];
            continue;
        }
        text += c;
    }
    return std::nullopt;
}

std::optional<std::uint32_t> readDword(std::string_view digits) {
    if (digits.empty() || digits.size() > 8) {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    for (const char c : digits) {
        int digit = 0;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else {
            return std::nullopt;
        }
        value = (value << 4) | static_cast<std::uint32_t>(digit);
    }
    return value;
}

bool isHexData(std::string_view data) {
    // "hex:" or "hex(N):" followed by comma-separated byte pairs.
    const auto colon = data.find(':');
    if (colon == std::string_view::npos) {
        return false;
    }
    const std::string_view kind = data.substr(0, colon);
    if (kind != "hex" && !(kind.starts_with("hex(") && kind.ends_with(")"))) {
        return false;
    }
    for (const char c : data.substr(colon + 1)) {
        const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        if (!hex && c != ',' && c != ' ') {
            return false;
        }
    }
    return true;
}

std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        lines.push_back(line);
        if (end == std::string_view::npos) {
            break;
        }
        text.remove_prefix(end + 1);
    }
    return lines;
}

// Reads the text form into a tree, line by line. Each step answers why its line is
// wrong, or nullptr.
class HiveReader {
public:
    HiveReader(HiveTree& tree, std::string_view rootName, std::string_view text)
        : tree_(tree), rootName_(rootName), lines_(splitLines(text)) {}

    const char* read() {
        if (const char* why = readHeader()) {
            return why;
        }
        for (++index_; index_ < lines_.size(); ++index_) {
            failedLine_ = index_ + 1;
            const std::string_view line = lines_[index_];
            if (line.empty() || line.front() == ';') {
                continue;
            }
            if (const char* why = line.front() == '[' ? readKey(line) : readValue(line)) {
                return why;
            }
        }
        return nullptr;
    }
    // The 1-based line that read() failed on.
    std::size_t failedLine() const { return failedLine_; }

private:
    const char* readHeader() {
        while (index_ < lines_.size() && lines_[index_].empty()) {
            ++index_;
        }
        failedLine_ = index_ + 1;
        return index_ < lines_.size() && lines_[index_] == kHeader ? nullptr
                                                                   : "not a REGEDIT 5.00 file";
    }

    // "[ROOT\\A\\B]" makes the key current, creating it when new.
    const char* readKey(std::string_view line) {
        if (line.back() != ']' || line.size() < 2) {
            return "unterminated key";
        }
        std::string_view path = line.substr(1, line.size() - 2);
        const auto rootEnd = path.find('\\');
        if (!sameName(path.substr(0, rootEnd), rootName_)) {
            return "key outside this hive";
        }
        path = rootEnd == std::string_view::npos ? std::string_view() : path.substr(rootEnd + 1);
        const auto names = splitKeyPath(path);
        if (!names || (rootEnd != std::string_view::npos && path.empty())) {
            return "empty key name";
        }
        current_ = &tree_.create(*names);
        return nullptr;
    }

    // '@=data' or '"name"=data' sets a value of the current key.
    const char* readValue(std::string_view line) {
        if (current_ == nullptr) {
            return "value outside a key";
        }
        Value value;
        if (line.front() == '@') {
            line.remove_prefix(1);
        } else {
            const auto quoted = readQuoted(line);
            if (!quoted || quoted->empty()) {
                return "bad value name";
            }
            value.name = *quoted;
        }
        if (line.empty() || line.front() != '=') {
            return "missing '='";
        }
        line.remove_prefix(1);
        if (const char* why = readData(line, value)) {
            return why;
        }
        if (Value* existing = current_->findValue(value.name)) {
            *existing = value;
        } else {
            current_->values.push_back(value);
        }
        return nullptr;
    }

    const char* readData(std::string_view line, Value& value) {
        if (!line.empty() && line.front() == '"') {
            const auto quoted = readQuoted(line);
            if (!quoted || !line.empty()) {
                return "bad string value";
            }
            value.kind = Value::Kind::String;
            value.text = *quoted;
        } else if (line.starts_with("dword:")) {
            const auto number = readDword(line.substr(6));
            if (!number) {
                return "bad dword value";
            }
            value.kind = Value::Kind::Dword;
            value.dword = *number;
        } else {
            // Binary forms are kept as they are.
            value.text = joinContinuedLines(line);
            if (!isHexData(value.text)) {
                return "unknown value type";
            }
            value.kind = Value::Kind::Raw;
        }
        return nullptr;
    }

    // regedit continues a long binary value with a trailing backslash and indents the
    // next line.
    std::string joinContinuedLines(std::string_view line) {
        std::string data(line);
        while (!data.empty() && data.back() == '\\' && index_ + 1 < lines_.size()) {
            data.pop_back();
            std::string_view next = lines_[++index_];
            while (!next.empty() && next.front() == ' ') {
                next.remove_prefix(1);
            }
            data += next;
        }
        return data;
    }

    HiveTree& tree_;
    std::string_view rootName_;
    std::vector<std::string_view> lines_;
    std::size_t index_ = 0;
    std::size_t failedLine_ = 0;
    Key* current_ = nullptr;
};

} // namespace

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin())) {
        return true;
    }
    return compareNames(a, b) == 0;
}

bool isStorableText(std::string_view text) {
    return text.find_first_of(std::string_view("\n\r\0", 3)) == std::string_view::npos;
}

std::optional<std::vector<std::string>> splitKeyPath(std::string_view path) {
    std::vector<std::string> names;
    if (path.empty()) {
        return names;
    }
    while (true) {
        const auto end = path.find('\\');
        const std::string_view name = path.substr(0, end);
        if (name.empty() || !isStorableText(name)) {
            return std::nullopt;
        }
        names.emplace_back(name);
        if (end == std::string_view::npos) {
            return names;
        }
        path.remove_prefix(end + 1);
    }
}

Key* Key::findSubKey(std::string_view subName) {
    for (Key& sub : subKeys) {
        if (sameName(sub.name, subName)) {
            return &sub;
        }
    }
    return nullptr;
}

const Key* Key::findSubKey(std::string_view subName) const {
    return const_cast<Key*>(this)->findSubKey(subName);
}

Value* Key::findValue(std::string_view valueName) {
    for (Value& value : values) {
        if (sameName(value.name, valueName)) {
            return &value;
        }
    }
    return nullptr;
}

const Value* Key::findValue(std::string_view valueName) const {
    return const_cast<Key*>(this)->findValue(valueName);
}

HiveTree::HiveTree(std::string rootName) : rootName_(std::move(rootName)) {
    root_.name = rootName_;
}

Key* HiveTree::find(const std::vector<std::string>& path) {
    Key* key = &root_;
    for (const auto& name : path) {
        key = key->findSubKey(name);
        if (key == nullptr) {
            return nullptr;
        }
    }
    return key;
}

const Key* HiveTree::find(const std::vector<std::string>& path) const {
    return const_cast<HiveTree*>(this)->find(path);
}

Key& HiveTree::create(const std::vector<std::string>& path) {
    Key* key = &root_;
    for (const auto& name : path) {
        Key* sub = key->findSubKey(name);
        if (sub == nullptr) {
            key->subKeys.push_back(Key{name, {}, {}});
            sub = &key->subKeys.back();
        }
        key = sub;
    }
    return *key;
}

bool HiveTree::remove(const std::vector<std::string>& path) {
    if (path.empty()) {
        return false;
    }
    Key* parent = find(std::vector<std::string>(path.begin(), path.end() - 1));
    if (parent == nullptr) {
        return false;
    }
    const auto it = std::find_if(parent->subKeys.begin(), parent->subKeys.end(),
                                 [&](const Key& sub) { return sameName(sub.name, path.back()); });
    if (it == parent->subKeys.end()) {
        return false;
    }
    parent->subKeys.erase(it);
    return true;
}

std::string HiveTree::format() const {
    std::string out(kHeader);
    out += "\n\n";
    formatKey(root_, rootName_, !root_.values.empty(), out);
    return out;
}

std::optional<HiveTree> HiveTree::parse(std::string rootName, std::string_view text,
                                        std::string* error) {
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    }
    HiveTree tree(rootName);
    HiveReader reader(tree, rootName, text);
    if (const char* why = reader.read()) {
        if (error != nullptr) {
            *error = "line " + std::to_string(reader.failedLine()) + ": " + why;
        }
        return std::nullopt;
    }
    return tree;
}

} // namespace ostrel::registry
