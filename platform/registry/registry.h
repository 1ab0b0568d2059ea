// Our registry: the hives HKEY_CLASSES_ROOT and HKEY_CURRENT_USER kept as text files
// "HKCR.reg" and "HKCU.reg" in the REGEDIT 5.00 format, in the user's configuration
// folder. Key names compare without regard to case, as in Windows. Every change is a
// read-modify-write under a lock, written to a temporary file and renamed into place.
// A hive file that cannot be parsed is reported (REGDB_E_READREGDB) and never replaced.
#pragma once

#include "com/com.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace ostrel::registry {

enum class Hive { ClassesRoot, CurrentUser };

// OSTREL_REGISTRY_DIR, else $XDG_CONFIG_HOME/ostrel/registry, else ~/.config/ostrel/registry.
std::filesystem::path defaultDirectory();

// Key paths are relative to the hive and separated by backslashes, for example
// "CLSID\\{89636228-FA0F-4743-8AF8-8D7DA19B8344}\\InprocServer32". An empty value
// name means the key's default (unnamed) value. Texts are UTF-8.
class Registry {
public:
    explicit Registry(std::filesystem::path directory = defaultDirectory());

    const std::filesystem::path& directory() const { return directory_; }

    // Changes. Each creates missing parent keys where that makes sense and answers
    // S_OK or a failure code; none throws.
    HRESULT createKey(Hive hive, const std::string& key);
    HRESULT setString(Hive hive, const std::string& key, const std::string& name,
                      const std::string& value);
    HRESULT setDword(Hive hive, const std::string& key, const std::string& name,
                     std::uint32_t value);
    // S_OK also when the value or its key did not exist.
    HRESULT deleteValue(Hive hive, const std::string& key, const std::string& name);
    // Deletes the key with all its subkeys and values; S_OK also when it did not exist.
    HRESULT deleteTree(Hive hive, const std::string& key);
    // Deletes the key only when it holds no subkey and no value; S_FALSE when it stays.
    HRESULT deleteKeyIfEmpty(Hive hive, const std::string& key);

    // Queries. A hive that cannot be read answers as empty.
    bool keyExists(Hive hive, const std::string& key) const;
    std::optional<std::string> getString(Hive hive, const std::string& key,
                                         const std::string& name) const;
    std::optional<std::uint32_t> getDword(Hive hive, const std::string& key,
                                          const std::string& name) const;
    std::vector<std::string> subKeys(Hive hive, const std::string& key) const;
    std::vector<std::string> valueNames(Hive hive, const std::string& key) const;

private:
    std::filesystem::path directory_;
};

} // namespace ostrel::registry
