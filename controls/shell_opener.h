// The desktop shell's "open" verb and the file manager's window with a file selected.
// A class of its own so that tests can record what would be opened.
#pragma once

#include <QString>

namespace ostrel {

class ShellOpener {
public:
    virtual ~ShellOpener() = default;
    // Opens a file or folder with the program the desktop has for it; a web address
    // (with a scheme) opens in the browser.
    virtual void open(const QString& pathOrUrl) = 0;
    // Opens like open(), but answers false when the desktop has no program for the file's
    // type or the address, or the program failed, so that the caller can offer something
    // else or say so.
    virtual bool openWithProgram(const QString& pathOrUrl) {
        open(pathOrUrl);
        return true;
    }
    // Shows the file manager's window on the file's folder with the file selected.
    virtual void showInFolder(const QString& folder, const QString& filePath) = 0;

    static ShellOpener& standard();
};

class DesktopShell : public ShellOpener {
public:
    void open(const QString& pathOrUrl) override;
    // Through xdg-open, whose exit status tells whether the desktop had a way to open it.
    bool openWithProgram(const QString& pathOrUrl) override;
    // Whether the desktop's file associations name a program other than ours for the
    // file's type (asked with xdg-mime); true when there is no way to ask, so that the
    // desktop decides.
    static bool hasProgramFor(const QString& path);
    // Asks the file manager over D-Bus (org.freedesktop.FileManager1.ShowItems); when no
    // file manager answers, the folder is opened instead.
    void showInFolder(const QString& folder, const QString& filePath) override;

protected:
    // The D-Bus request; true when a file manager accepted it.
    virtual bool showItems(const QString& fileUri);
};

} // namespace ostrel
