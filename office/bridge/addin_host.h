// Plays Word's part for the add-ins registered under
// HKCU\Software\Microsoft\Office\Word\Addins: creates each one with LoadBehavior 3 by its
// ProgID, connects it with an application object of our own, delivers the clicks of its
// buttons and disconnects it at the end. Add-in thread only.
#pragma once

#include "host_services.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

struct _Application;
struct _IDTExtensibility2;

namespace ostrel::bridge {

class OfficeButton;

class AddinHost {
public:
    AddinHost(HostServices& services, std::filesystem::path registryDirectory);
    ~AddinHost(); // disconnects what is still connected
    AddinHost(const AddinHost&) = delete;
    AddinHost& operator=(const AddinHost&) = delete;

    // Creates and connects every add-in to load at start; answers the ProgIDs connected.
    std::vector<std::string> connectAll();
    // Raises the button's Click for its subscribers; false when there is no such button.
    bool click(int buttonId);
    // OnDisconnection for each add-in, then releases them and unloads their libraries.
    void disconnectAll();

    // What connecting left, borrowed (null when there is none): the application object
    // the add-ins were handed, a connected add-in, a button an add-in made.
    _Application* application() const;
    _IDTExtensibility2* addin(const std::string& progId) const;
    OfficeButton* button(int id) const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace ostrel::bridge
