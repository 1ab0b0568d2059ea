// One registry hive in memory, and its REGEDIT 5.00 text form.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel::registry {

struct Value {
    enum class Kind { String, Dword, Raw };
    std::string name; // empty: the key's default value
    Kind kind = Kind::String;
    std::string text;        // String: the text; Raw: everything after '=' (hex forms)
    std::uint32_t dword = 0; // Dword
};

struct Key {
    std::string name;
    std::vector<Value> values;
    std::vector<Key> subKeys;

    Key* findSubKey(std::string_view subName);
    const Key* findSubKey(std::string_view subName) const;
    Value* findValue(std::string_view valueName);
    const Value* findValue(std::string_view valueName) const;
};

// Key and value names compare as Windows compares them: without regard to case.
bool sameName(std::string_view a, std::string_view b);

// Splits "A\\B\\C" into its names; nothing when a name is empty or holds a line break
// or a NUL (the text form could not hold it). "" is the hive's root.
std::optional<std::vector<std::string>> splitKeyPath(std::string_view path);
// Value names and texts: no line break and no NUL.
bool isStorableText(std::string_view text);

class HiveTree {
public:
    // rootName: "HKEY_CLASSES_ROOT" or "HKEY_CURRENT_USER".
    explicit HiveTree(std::string rootName);

    // Parses the text form; nothing when the text is not a hive of this root.
    static std::optional<HiveTree> parse(std::string rootName, std::string_view text,
                                         std::string* error = nullptr);
    // The text form: header, a blank line, then every key (subkeys in case-insensitive
    // order, depth first) with its values (default value first) and a blank line.
    std::string format() const;

    Key& root() { return root_; }
    const Key& root() const { return root_; }

    Key* find(const std::vector<std::string>& path);
    const Key* find(const std::vector<std::string>& path) const;
    Key& create(const std::vector<std::string>& path);
    // Removes the key (not the root) with its subtree; false when it was not there.
    bool remove(const std::vector<std::string>& path);

private:
    std::string rootName_;
    Key root_;
};

} // namespace ostrel::registry
