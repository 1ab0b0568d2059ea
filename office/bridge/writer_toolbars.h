// Shows the add-ins' command bars in the word processor's windows: each bar is a
// transient toolbar of every Writer frame (never written to the user's configuration),
// each button a toolbar item whose command is ours and whose picture lives in the
// Writer module's image manager while the bar exists. Main thread only.
#pragma once

#include "command_bars.h"

#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace ostrel::bridge {

namespace uno = com::sun::star::uno;
namespace frame = com::sun::star::frame;

// The layout manager's resource URL of a bar.
std::string barResourceUrl(int barId);

class WriterToolbars {
public:
    explicit WriterToolbars(uno::Reference<uno::XComponentContext> context);

    // Before Writer's first window: makes sure the profile can take the buttons'
    // pictures (Writer opens its user interface configuration read-only when its
    // folder is missing, as in a fresh profile).
    void prepareProfile();
    // Brings every Writer window in line with `bars` (idempotent).
    void apply(const std::vector<BarState>& bars);
    // Removes the toolbars from every window, their remembered window states and the
    // pictures: nothing of them outlives the session.
    void removeAll();
    // Enables or disables the input of every Writer window (while an add-in's modal
    // dialog is open). Disabled windows still repaint.
    void setWindowsEnabled(bool enabled);

    std::vector<uno::Reference<frame::XFrame>> writerFrames() const;

private:
    void applyToFrame(const uno::Reference<frame::XFrame>& frame,
                      const std::vector<BarState>& bars);
    void applyFaces(const std::vector<BarState>& bars);

    uno::Reference<uno::XComponentContext> context_;
    std::set<std::string> urls_;                     // toolbars ever shown
    std::map<int, std::vector<std::uint8_t>> faces_; // button -> picture in the image manager
    // What each window's toolbar of a bar shows, by frame and bar.
    std::map<std::pair<const void*, int>, std::string> shown_;
};

} // namespace ostrel::bridge
