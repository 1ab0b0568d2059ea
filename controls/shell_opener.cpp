#include "shell_opener.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QMimeDatabase>
#include <QProcess>
#include <QUrl>

namespace ostrel {

ShellOpener& ShellOpener::standard() {
    static DesktopShell shell;
    return shell;
}

void DesktopShell::open(const QString& pathOrUrl) {
    const QUrl url =
        QUrl(pathOrUrl).scheme().size() > 1 ? QUrl(pathOrUrl) : QUrl::fromLocalFile(pathOrUrl);
    // Failures are not reported: the shell's own behaviour.
    QDesktopServices::openUrl(url);
}

bool DesktopShell::openWithProgram(const QString& path) {
    return hasProgramFor(path) && QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

bool DesktopShell::hasProgramFor(const QString& path) {
    const QString type = QMimeDatabase().mimeTypeForFile(path).name();
    QProcess query;
    query.start(QStringLiteral("xdg-mime"),
                {QStringLiteral("query"), QStringLiteral("default"), type});
    if (!query.waitForStarted(10'000)) {
        return true;
    }
    if (!query.waitForFinished(30'000)) {
        query.kill();
        query.waitForFinished();
        return true;
    }
    return !query.readAllStandardOutput().trimmed().isEmpty();
}

void DesktopShell::showInFolder(const QString& folder, const QString& filePath) {
    if (!showItems(QUrl::fromLocalFile(filePath).toString())) {
        open(folder);
    }
}

bool DesktopShell::showItems(const QString& fileUri) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return false;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{fileUri} << QString();
    const QDBusMessage reply = bus.call(call, QDBus::Block, 5000);
    return reply.type() == QDBusMessage::ReplyMessage;
}

} // namespace ostrel
