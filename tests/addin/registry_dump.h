// A hive read back whole: every key with its values ("s:text" or "d:number"), for
// comparing what registration wrote with what it should have written.
#pragma once

#include "registry/registry.h"

#include <map>
#include <string>

namespace addintest {

using Values = std::map<std::string, std::string>; // value name ("" = default) -> typed data
using HiveDump = std::map<std::string, Values>;    // key path -> its values

inline void dumpKey(const ostrel::registry::Registry& registry, ostrel::registry::Hive hive,
                    const std::string& key, HiveDump& dump) {
    if (!key.empty()) {
        Values& values = dump[key];
        for (const std::string& name : registry.valueNames(hive, key)) {
            if (const auto number = registry.getDword(hive, key, name)) {
                values[name] = "d:" + std::to_string(*number);
            } else {
                values[name] = "s:" + registry.getString(hive, key, name).value_or("?");
            }
        }
    }
    for (const std::string& subkey : registry.subKeys(hive, key)) {
        dumpKey(registry, hive, key.empty() ? subkey : key + "\\" + subkey, dump);
    }
}

inline HiveDump dumpHive(ostrel::registry::Hive hive) {
    const ostrel::registry::Registry registry;
    HiveDump dump;
    dumpKey(registry, hive, "", dump);
    return dump;
}

} // namespace addintest
