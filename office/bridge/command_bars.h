// The command bars that add-ins create in the word processor, as plain data. The add-in
// thread changes them; the office's main thread shows them. Every change is reported to
// the observer, which schedules the office side to catch up.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace ostrel::bridge {

// Office's button styles (msoButtonStyle).
enum class ButtonStyle : int { Automatic = 0, Icon = 1, Caption = 2, IconAndCaption = 3 };

struct ButtonState {
    int id = 0;
    int bar = 0;
    ButtonStyle style = ButtonStyle::Automatic;
    bool visible = true;
    bool enabled = true;
    std::string caption; // UTF-8
    std::string tooltip;
    std::string tag;
    std::vector<std::uint8_t> facePng; // the picture, empty when the button has none
};

struct BarState {
    int id = 0;
    std::string name;
    int position = 1; // msoBarTop
    bool visible = false;
    bool temporary = true;
    std::vector<ButtonState> buttons;
};

// The command URL a button dispatches, and back.
std::string buttonCommand(int buttonId);
std::optional<int> buttonFromCommand(const std::string& url);

class CommandBarModel {
public:
    using Observer = std::function<void()>;

    void setObserver(Observer observer);

    int addBar(const std::string& name, int position, bool temporary);
    bool setBarVisible(int bar, bool visible);
    std::optional<BarState> bar(int id) const;
    std::optional<int> findBar(const std::string& name) const; // without regard to case
    std::vector<BarState> bars() const;

    // A new button on the bar (0 when there is no such bar).
    int addButton(int bar);
    std::optional<ButtonState> button(int id) const;
    // Applies `change` to the button; false when there is no such button.
    bool updateButton(int id, const std::function<void(ButtonState&)>& change);

    void clear();

private:
    ButtonState* findButton(int id);
    void changed();

    mutable std::mutex mutex_;
    std::vector<BarState> bars_;
    int lastBar_ = 0;
    int lastButton_ = 0;
    Observer observer_;
};

} // namespace ostrel::bridge
