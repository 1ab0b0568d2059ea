#include "registry/registry.h"

#include "registry/hive.h"
#include "system/file_lock.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <optional>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace ostrel::registry {

namespace fs = std::filesystem;

namespace {

constexpr const char* kLockFileName = "registry.lock";

const char* fileName(Hive hive) {
    return hive == Hive::ClassesRoot ? "HKCR.reg" : "HKCU.reg";
}

std::string rootName(Hive hive) {
    return hive == Hive::ClassesRoot ? "HKEY_CLASSES_ROOT" : "HKEY_CURRENT_USER";
}

HRESULT fromErrno(int error, HRESULT otherwise) {
    switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
        return E_ACCESSDENIED;
    case ENOMEM:
        return E_OUTOFMEMORY;
    default:
        return otherwise;
    }
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    int get() const { return fd_; }
    // Closes now, answering whether the close succeeded (it can report a late write error).
    bool close() {
        const int fd = fd_;
        fd_ = -1;
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int fd_;
};

// The file's whole text. ENOENT is an empty hive (nothing, with *missing set).
HRESULT readFile(const fs::path& path, std::string& text, bool& missing) {
    missing = false;
    text.clear();
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        if (errno == ENOENT) {
            missing = true;
            return S_OK;
        }
        return fromErrno(errno, REGDB_E_READREGDB);
    }
    char buffer[65536];
    while (true) {
        const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return fromErrno(errno, REGDB_E_READREGDB);
        }
        if (got == 0) {
            return S_OK;
        }
        text.append(buffer, static_cast<std::size_t>(got));
    }
}

// The hive as stored; nothing when it cannot be read or parsed.
std::optional<HiveTree> loadHive(const fs::path& directory, Hive hive, HRESULT* status = nullptr) {
    std::string text;
    bool missing = false;
    const HRESULT read = readFile(directory / fileName(hive), text, missing);
    if (status != nullptr) {
        *status = read;
    }
    if (FAILED(read)) {
        return std::nullopt;
    }
    if (missing) {
        return HiveTree(rootName(hive));
    }
    auto tree = HiveTree::parse(rootName(hive), text);
    if (!tree && status != nullptr) {
        *status = REGDB_E_READREGDB;
    }
    return tree;
}

bool writeAll(int fd, const std::string& text) {
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t put = ::write(fd, text.data() + written, text.size() - written);
        if (put < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        written += static_cast<std::size_t>(put);
    }
    return true;
}

// Writes the text beside the hive, flushes it and renames it over the hive, so that
// a reader sees the old or the new file and never a partial one.
HRESULT replaceFile(const fs::path& directory, const char* name, const std::string& text) {
    std::string temporary = (directory / ("." + std::string(name) + ".XXXXXX")).string();
    FileDescriptor fd(::mkostemp(temporary.data(), O_CLOEXEC));
    if (fd.get() < 0) {
        return fromErrno(errno, REGDB_E_WRITEREGDB);
    }
    int error = 0;
    if (!writeAll(fd.get(), text) || ::fsync(fd.get()) != 0) {
        error = errno;
    }
    if (!fd.close() && error == 0) {
        error = errno;
    }
    if (error == 0 && ::rename(temporary.c_str(), (directory / name).c_str()) != 0) {
        error = errno;
    }
    if (error != 0) {
        ::unlink(temporary.c_str());
        return fromErrno(error, REGDB_E_WRITEREGDB);
    }
    // The rename itself becomes durable with the folder.
    FileDescriptor folder(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() >= 0) {
        ::fsync(folder.get());
    }
    return S_OK;
}

// Locks, reads the hive, applies `change` and writes the result when it changed.
// `change` answers its status and sets `changed` when the tree must be written.
HRESULT modify(const fs::path& directory, Hive hive,
               const std::function<HRESULT(HiveTree&, bool&)>& change) {
    std::error_code ec;
    fs::create_directories(directory, ec);
    if (ec) {
        return fromErrno(ec.value(), REGDB_E_WRITEREGDB);
    }
    // Held for the whole read-modify-write, so that writers of any process take turns.
    std::optional<FileLock> lock;
    try {
        lock.emplace(directory / kLockFileName);
    } catch (const std::system_error& error) {
        return fromErrno(error.code().value(), REGDB_E_WRITEREGDB);
    }
    HRESULT status = S_OK;
    auto tree = loadHive(directory, hive, &status);
    if (!tree) {
        return status; // never replace a hive we could not read
    }
    bool changed = false;
    const HRESULT result = change(*tree, changed);
    if (FAILED(result) || !changed) {
        return result;
    }
    const HRESULT written = replaceFile(directory, fileName(hive), tree->format());
    return FAILED(written) ? written : result;
}

HRESULT setValue(const fs::path& directory, Hive hive, const std::string& key, Value value) {
    const auto path = splitKeyPath(key);
    if (!path || !isStorableText(value.name) || !isStorableText(value.text)) {
        return E_INVALIDARG;
    }
    return modify(directory, hive, [&](HiveTree& tree, bool& changed) {
        Key& target = tree.create(*path);
        if (Value* existing = target.findValue(value.name)) {
            value.name = existing->name; // keep the case it was made with
            *existing = value;
        } else {
            target.values.push_back(value);
        }
        changed = true;
        return S_OK;
    });
}

} // namespace

fs::path defaultDirectory() {
    if (const char* overridden = std::getenv("OSTREL_REGISTRY_DIR");
        overridden != nullptr && *overridden != '\0') {
        return overridden;
    }
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && *config == '/') {
        return fs::path(config) / "ostrel" / "registry";
    }
    const char* home = std::getenv("HOME");
    return fs::path(home != nullptr ? home : "") / ".config" / "ostrel" / "registry";
}

Registry::Registry(fs::path directory) : directory_(std::move(directory)) {
}

HRESULT Registry::createKey(Hive hive, const std::string& key) {
    const auto path = splitKeyPath(key);
    if (!path) {
        return E_INVALIDARG;
    }
    return modify(directory_, hive, [&](HiveTree& tree, bool& changed) {
        changed = tree.find(*path) == nullptr;
        tree.create(*path);
        return S_OK;
    });
}

HRESULT Registry::setString(Hive hive, const std::string& key, const std::string& name,
                            const std::string& value) {
    Value entry;
    entry.name = name;
    entry.kind = Value::Kind::String;
    entry.text = value;
    return setValue(directory_, hive, key, entry);
}

HRESULT Registry::setDword(Hive hive, const std::string& key, const std::string& name,
                           std::uint32_t value) {
    Value entry;
    entry.name = name;
    entry.kind = Value::Kind::Dword;
    entry.dword = value;
    return setValue(directory_, hive, key, entry);
}

HRESULT Registry::deleteValue(Hive hive, const std::string& key, const std::string& name) {
    const auto path = splitKeyPath(key);
    if (!path) {
        return E_INVALIDARG;
    }
    return modify(directory_, hive, [&](HiveTree& tree, bool& changed) {
        if (Key* target = tree.find(*path)) {
            const auto before = target->values.size();
            std::erase_if(target->values,
                          [&](const Value& value) { return sameName(value.name, name); });
            changed = target->values.size() != before;
        }
        return S_OK;
    });
}

HRESULT Registry::deleteTree(Hive hive, const std::string& key) {
    const auto path = splitKeyPath(key);
    if (!path || path->empty()) {
        return E_INVALIDARG; // the hive itself is never deleted
    }
    return modify(directory_, hive, [&](HiveTree& tree, bool& changed) {
        changed = tree.remove(*path);
        return S_OK;
    });
}

HRESULT Registry::deleteKeyIfEmpty(Hive hive, const std::string& key) {
    const auto path = splitKeyPath(key);
    if (!path || path->empty()) {
        return E_INVALIDARG;
    }
    return modify(directory_, hive, [&](HiveTree& tree, bool& changed) {
        const Key* target = tree.find(*path);
        if (target == nullptr) {
            return S_OK;
        }
        if (!target->values.empty() || !target->subKeys.empty()) {
            return S_FALSE;
        }
        changed = tree.remove(*path);
        return S_OK;
    });
}

namespace {

// The key at `key` in a loaded hive; nullptr for a bad path, an unreadable hive or a
// missing key.
const Key* findKey(const std::optional<HiveTree>& tree, const std::string& key) {
    const auto path = splitKeyPath(key);
    return path && tree ? tree->find(*path) : nullptr;
}

const Value* lookup(const std::optional<HiveTree>& tree, const std::string& key,
                    const std::string& name) {
    const Key* target = findKey(tree, key);
    return target == nullptr ? nullptr : target->findValue(name);
}

// The names of a key's subkeys or values, in their stored order.
template <typename Named> std::vector<std::string> namesOf(const std::vector<Named>& items) {
    std::vector<std::string> names;
    names.reserve(items.size());
    for (const Named& item : items) {
        names.push_back(item.name);
    }
    return names;
}

} // namespace

bool Registry::keyExists(Hive hive, const std::string& key) const {
    return findKey(loadHive(directory_, hive), key) != nullptr;
}

std::optional<std::string> Registry::getString(Hive hive, const std::string& key,
                                               const std::string& name) const {
    const auto tree = loadHive(directory_, hive);
    const Value* value = lookup(tree, key, name);
    if (value == nullptr || value->kind != Value::Kind::String) {
        return std::nullopt;
    }
    return value->text;
}

std::optional<std::uint32_t> Registry::getDword(Hive hive, const std::string& key,
                                                const std::string& name) const {
    const auto tree = loadHive(directory_, hive);
    const Value* value = lookup(tree, key, name);
    if (value == nullptr || value->kind != Value::Kind::Dword) {
        return std::nullopt;
    }
    return value->dword;
}

std::vector<std::string> Registry::subKeys(Hive hive, const std::string& key) const {
    const auto tree = loadHive(directory_, hive);
    const Key* target = findKey(tree, key);
    return target == nullptr ? std::vector<std::string>{} : namesOf(target->subKeys);
}

std::vector<std::string> Registry::valueNames(Hive hive, const std::string& key) const {
    const auto tree = loadHive(directory_, hive);
    const Key* target = findKey(tree, key);
    return target == nullptr ? std::vector<std::string>{} : namesOf(target->values);
}

} // namespace ostrel::registry
