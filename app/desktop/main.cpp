// OstrelWordToPdf: the desktop program.
#include "app.h"
#include "resource_ids.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    // The framework's message boxes carry the program's file name as caption.
    QApplication::setApplicationName(QStringLiteral("OstrelWordToPdf"));
    QApplication::setDesktopFileName(QStringLiteral("OstrelWordToPdf"));
    QApplication::setWindowIcon(ostrel::loadIcon(ostrel::IDR_MAINFRAME));
    ostrel::CPelvarAllToPDFApp program;
    program.request = ostrel::readCommandLine(QApplication::arguments().mid(1));
    return program.InitInstance();
}
