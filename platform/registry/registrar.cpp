#include "registry/registrar.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <optional>
#include <vector>

namespace ostrel::registry {
namespace {

std::string upper(std::string_view text) {
    std::string result(text);
    std::ranges::transform(result, result.begin(),
                           [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return result;
}

bool sameName(std::string_view a, std::string_view b) {
    return upper(a) == upper(b);
}

struct Value {
    std::string name; // empty: the key's default value
    bool isDword = false;
    std::string text;
    std::uint32_t dword = 0;
};

enum class Removal { Normal, NoRemove, ForceRemove };

struct Key {
    std::string name;
    Removal removal = Removal::Normal;
    std::vector<Value> values;
    std::vector<Key> subkeys;
};

struct Root {
    Hive hive;
    std::vector<Key> keys;
};

struct ScriptError {};

// Tokens, separated by white space: braces, '=', quoted texts (quotes removed, doubled
// quotes made single) and bare words.
struct Token {
    enum Kind { Word, Quoted, Open, Close, Equals, End } kind;
    std::string text;
};

class Lexer {
public:
    explicit Lexer(std::string_view text) : text_(text) {}

    Token next() {
        while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_]))) {
            ++pos_;
        }
        if (pos_ == text_.size()) {
            return {Token::End, {}};
        }
        if (text_[pos_] == '\'') {
            return quoted();
        }
        // Words end at white space, so that "{...}" key names are words; a brace or an
        // equals sign standing alone is structure.
        const std::size_t start = pos_;
        while (pos_ < text_.size() && !std::isspace(static_cast<unsigned char>(text_[pos_]))) {
            ++pos_;
        }
        const std::string_view word = text_.substr(start, pos_ - start);
        if (word == "{") {
            return {Token::Open, {}};
        }
        if (word == "}") {
            return {Token::Close, {}};
        }
        if (word == "=") {
            return {Token::Equals, {}};
        }
        return {Token::Word, std::string(word)};
    }

private:
    Token quoted() {
        std::string result;
        ++pos_;
        for (;;) {
            if (pos_ == text_.size()) {
                throw ScriptError{};
            }
            if (text_[pos_] == '\'') {
                if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '\'') {
                    result += '\'';
                    pos_ += 2;
                    continue;
                }
                ++pos_;
                return {Token::Quoted, result};
            }
            result += text_[pos_++];
        }
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

class Parser {
public:
    explicit Parser(std::string_view text) : lexer_(text) { advance(); }

    std::vector<Root> script() {
        std::vector<Root> roots;
        while (current_.kind != Token::End) {
            Root root{hiveNamed(expectName()), {}};
            expect(Token::Open);
            root.keys = body(nullptr);
            roots.push_back(std::move(root));
        }
        return roots;
    }

private:
    static Hive hiveNamed(const std::string& name) {
        const std::string n = upper(name);
        if (n == "HKCR" || n == "HKEY_CLASSES_ROOT") {
            return Hive::ClassesRoot;
        }
        if (n == "HKCU" || n == "HKEY_CURRENT_USER") {
            return Hive::CurrentUser;
        }
        throw ScriptError{};
    }

    // Keys (and, inside a key, its named values) up to the closing brace.
    std::vector<Key> body(Key* owner) {
        std::vector<Key> keys;
        while (current_.kind != Token::Close) {
            if (current_.kind == Token::Word && sameName(current_.text, "val")) {
                if (owner == nullptr) {
                    throw ScriptError{};
                }
                advance();
                Value value;
                value.name = expectName();
                expect(Token::Equals);
                assign(value);
                owner->values.push_back(std::move(value));
                continue;
            }
            keys.push_back(key());
        }
        advance();
        return keys;
    }

    Key key() {
        Key result;
        if (current_.kind == Token::Word && sameName(current_.text, "NoRemove")) {
            result.removal = Removal::NoRemove;
            advance();
        } else if (current_.kind == Token::Word && sameName(current_.text, "ForceRemove")) {
            result.removal = Removal::ForceRemove;
            advance();
        }
        result.name = expectName();
        if (current_.kind == Token::Equals) {
            advance();
            Value value;
            assign(value);
            result.values.push_back(std::move(value));
        }
        if (current_.kind == Token::Open) {
            advance();
            result.subkeys = body(&result);
        }
        return result;
    }

    // "s 'text'" or "d 'number'".
    void assign(Value& value) {
        if (current_.kind != Token::Word) {
            throw ScriptError{};
        }
        const std::string type = upper(current_.text);
        advance();
        if (current_.kind != Token::Quoted) {
            throw ScriptError{};
        }
        if (type == "S") {
            value.text = current_.text;
        } else if (type == "D") {
            value.isDword = true;
            value.dword = number(current_.text);
        } else {
            throw ScriptError{};
        }
        advance();
    }

    static std::uint32_t number(const std::string& text) {
        std::string_view digits = text;
        int base = 10;
        if (digits.starts_with("0x") || digits.starts_with("0X")) {
            digits.remove_prefix(2);
            base = 16;
        }
        std::uint32_t result = 0;
        const auto [end, error] =
            std::from_chars(digits.data(), digits.data() + digits.size(), result, base);
        if (error != std::errc() || end != digits.data() + digits.size() || digits.empty()) {
            throw ScriptError{};
        }
        return result;
    }

    std::string expectName() {
        if (current_.kind != Token::Word && current_.kind != Token::Quoted) {
            throw ScriptError{};
        }
        std::string name = current_.text;
        advance();
        return name;
    }

    void expect(Token::Kind kind) {
        if (current_.kind != kind) {
            throw ScriptError{};
        }
        advance();
    }

    void advance() { current_ = lexer_.next(); }

    Lexer lexer_;
    Token current_{Token::End, {}};
};

std::string substitute(std::string_view script, const std::map<std::string, std::string>& vars) {
    std::string result;
    std::size_t pos = 0;
    while (pos < script.size()) {
        const std::size_t open = script.find('%', pos);
        if (open == std::string_view::npos) {
            break;
        }
        const std::size_t close = script.find('%', open + 1);
        if (close == std::string_view::npos) {
            throw ScriptError{};
        }
        const auto found = vars.find(upper(script.substr(open + 1, close - open - 1)));
        if (found == vars.end()) {
            throw ScriptError{};
        }
        result.append(script.substr(pos, open - pos));
        result += found->second;
        pos = close + 1;
    }
    result.append(script.substr(pos));
    return result;
}

std::string join(const std::string& parent, const std::string& name) {
    return parent.empty() ? name : parent + "\\" + name;
}

class Applier {
public:
    Applier(Registry& registry, Hive hive) : registry_(registry), hive_(hive) {}

    HRESULT add(const Key& key, const std::string& parent) {
        const std::string path = join(parent, key.name);
        HRESULT h = S_OK;
        if (key.removal == Removal::ForceRemove && FAILED(h = registry_.deleteTree(hive_, path))) {
            return h;
        }
        if (FAILED(h = registry_.createKey(hive_, path))) {
            return h;
        }
        for (const Value& value : key.values) {
            h = value.isDword ? registry_.setDword(hive_, path, value.name, value.dword)
                              : registry_.setString(hive_, path, value.name, value.text);
            if (FAILED(h)) {
                return h;
            }
        }
        for (const Key& subkey : key.subkeys) {
            if (FAILED(h = add(subkey, path))) {
                return h;
            }
        }
        return S_OK;
    }

    HRESULT remove(const Key& key, const std::string& parent) {
        const std::string path = join(parent, key.name);
        if (!registry_.keyExists(hive_, path)) {
            return S_OK;
        }
        if (key.removal == Removal::ForceRemove) {
            return registry_.deleteTree(hive_, path);
        }
        HRESULT h = S_OK;
        for (const Key& subkey : key.subkeys) {
            if (FAILED(h = remove(subkey, path))) {
                return h;
            }
        }
        if (key.removal == Removal::NoRemove) {
            return S_OK;
        }
        for (const Value& value : key.values) {
            if (FAILED(h = registry_.deleteValue(hive_, path, value.name))) {
                return h;
            }
        }
        h = registry_.deleteKeyIfEmpty(hive_, path);
        return FAILED(h) ? h : S_OK;
    }

private:
    Registry& registry_;
    Hive hive_;
};

} // namespace

std::string escapeQuotes(std::string_view text) {
    std::string result;
    for (const char c : text) {
        result += c;
        if (c == '\'') {
            result += '\'';
        }
    }
    return result;
}

void Registrar::bind(const std::string& name, const std::string& value) {
    variables_[upper(name)] = value;
}

HRESULT Registrar::registerScript(std::string_view script) {
    return apply(script, true);
}

HRESULT Registrar::unregisterScript(std::string_view script) {
    return apply(script, false);
}

HRESULT Registrar::apply(std::string_view script, bool registering) {
    std::vector<Root> roots;
    try {
        roots = Parser(substitute(script, variables_)).script();
    } catch (const ScriptError&) {
        return DISP_E_EXCEPTION;
    }
    for (const Root& root : roots) {
        Applier applier(registry_, root.hive);
        for (const Key& key : root.keys) {
            const HRESULT h = registering ? applier.add(key, {}) : applier.remove(key, {});
            if (FAILED(h)) {
                return h;
            }
        }
    }
    return S_OK;
}

} // namespace ostrel::registry
