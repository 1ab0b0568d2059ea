#include "command_bars.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace ostrel::bridge {

namespace {
constexpr const char* kButtonPrefix = "vnd.ostrel.addin:button?id=";

bool sameName(const std::string& a, const std::string& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}
} // namespace

std::string buttonCommand(int buttonId) {
    return kButtonPrefix + std::to_string(buttonId);
}

std::optional<int> buttonFromCommand(const std::string& url) {
    const std::string prefix = kButtonPrefix;
    if (url.size() <= prefix.size() || url.compare(0, prefix.size(), prefix) != 0) {
        return std::nullopt;
    }
    int id = 0;
    const char* first = url.data() + prefix.size();
    const char* last = url.data() + url.size();
    const auto [end, error] = std::from_chars(first, last, id);
    if (error != std::errc() || end != last || id <= 0) {
        return std::nullopt;
    }
    return id;
}

void CommandBarModel::setObserver(Observer observer) {
    std::lock_guard lock(mutex_);
    observer_ = std::move(observer);
}

int CommandBarModel::addBar(const std::string& name, int position, bool temporary) {
    int id = 0;
    {
        std::lock_guard lock(mutex_);
        id = ++lastBar_;
        BarState bar;
        bar.id = id;
        bar.name = name;
        bar.position = position;
        bar.temporary = temporary;
        bars_.push_back(std::move(bar));
    }
    changed();
    return id;
}

bool CommandBarModel::setBarVisible(int id, bool visible) {
    {
        std::lock_guard lock(mutex_);
        auto it =
            std::find_if(bars_.begin(), bars_.end(), [&](const auto& b) { return b.id == id; });
        if (it == bars_.end()) {
            return false;
        }
        it->visible = visible;
    }
    changed();
    return true;
}

std::optional<BarState> CommandBarModel::bar(int id) const {
    std::lock_guard lock(mutex_);
    for (const auto& b : bars_) {
        if (b.id == id) {
            return b;
        }
    }
    return std::nullopt;
}

std::optional<int> CommandBarModel::findBar(const std::string& name) const {
    std::lock_guard lock(mutex_);
    for (const auto& b : bars_) {
        if (sameName(b.name, name)) {
            return b.id;
        }
    }
    return std::nullopt;
}

std::vector<BarState> CommandBarModel::bars() const {
    std::lock_guard lock(mutex_);
    return bars_;
}

int CommandBarModel::addButton(int barId) {
    int id = 0;
    {
        std::lock_guard lock(mutex_);
        auto it =
            std::find_if(bars_.begin(), bars_.end(), [&](const auto& b) { return b.id == barId; });
        if (it == bars_.end()) {
            return 0;
        }
        id = ++lastButton_;
        ButtonState button;
        button.id = id;
        button.bar = barId;
        it->buttons.push_back(std::move(button));
    }
    changed();
    return id;
}

namespace {
template <typename Bars> auto* buttonIn(Bars& bars, int id) {
    decltype(&bars.front().buttons.front()) none = nullptr;
    for (auto& b : bars) {
        for (auto& button : b.buttons) {
            if (button.id == id) {
                return &button;
            }
        }
    }
    return none;
}
} // namespace

ButtonState* CommandBarModel::findButton(int id) {
    return buttonIn(bars_, id);
}

std::optional<ButtonState> CommandBarModel::button(int id) const {
    std::lock_guard lock(mutex_);
    if (const auto* found = buttonIn(bars_, id)) {
        return *found;
    }
    return std::nullopt;
}

bool CommandBarModel::updateButton(int id, const std::function<void(ButtonState&)>& change) {
    {
        std::lock_guard lock(mutex_);
        ButtonState* found = findButton(id);
        if (found == nullptr) {
            return false;
        }
        change(*found);
    }
    changed();
    return true;
}

void CommandBarModel::clear() {
    {
        std::lock_guard lock(mutex_);
        bars_.clear();
    }
    changed();
}

void CommandBarModel::changed() {
    Observer observer;
    {
        std::lock_guard lock(mutex_);
        observer = observer_;
    }
    if (observer) {
        observer();
    }
}

} // namespace ostrel::bridge
