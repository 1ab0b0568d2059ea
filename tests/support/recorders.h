// Stand-ins for the message boxes and the shell that record what the code asked for.
#pragma once

#include "message_boxes.h"
#include "qt_printers.h"
#include "shell_opener.h"

#include <QStringList>
#include <vector>

namespace ostrel::test {

struct ShownBox {
    QMessageBox::Icon icon;
    QString caption;
    QString text;
    QMessageBox::StandardButtons buttons;
};

class RecordingMessageBoxes : public MessageBoxes {
public:
    std::vector<ShownBox> shown;
    QMessageBox::StandardButton answer = QMessageBox::Ok;

    QMessageBox::StandardButton show(QWidget*, QMessageBox::Icon icon, const QString& caption,
                                     const QString& text,
                                     QMessageBox::StandardButtons buttons) override {
        shown.push_back({icon, caption, text, buttons});
        return answer;
    }
};

class RecordingShell : public ShellOpener {
public:
    QStringList opened;
    QStringList shownInFolder; // "folder|file"
    QString noProgramFor;      // a file ending the desktop has no program for

    void open(const QString& pathOrUrl) override { opened << pathOrUrl; }
    bool openWithProgram(const QString& pathOrUrl) override {
        if (!noProgramFor.isEmpty() && pathOrUrl.endsWith(noProgramFor)) {
            return false;
        }
        open(pathOrUrl);
        return true;
    }
    void showInFolder(const QString& folder, const QString& filePath) override {
        shownInFolder << folder + QLatin1Char('|') + filePath;
    }
};

} // namespace ostrel::test
