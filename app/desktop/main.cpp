// OstrelWordToPdf: the desktop program.
#include "app.h"
#include "resource_ids.h"

#include <QApplication>
#include <csignal>

int main(int argc, char** argv) {
    // An office that ends while we write to its pipe fails that call; SIGPIPE would end
    // the program with the run's window and its list gone.
    std::signal(SIGPIPE, SIG_IGN);
    QApplication application(argc, argv);
    // The framework's message boxes carry the program's file name as caption.
    QApplication::setApplicationName(QStringLiteral("OstrelWordToPdf"));
    QApplication::setDesktopFileName(QStringLiteral("OstrelWordToPdf"));
    QApplication::setWindowIcon(ostrel::loadIcon(ostrel::IDR_MAINFRAME));
    ostrel::CPelvarAllToPDFApp program;
    program.request = ostrel::readCommandLine(QApplication::arguments().mid(1));
    return program.InitInstance();
}
