#include "app.h"

#include "convert_dlg.h"
#include "main_dlg.h"
#include "product.h"
#include "single_instance.h"

#include <cstdio>

namespace ostrel {

int CPelvarAllToPDFApp::InitInstance() {
    // Held, and so the name taken, for as long as the main window runs.
    const QString name = QString::fromUtf8(kInstanceLockName);
    const SingleInstance instance(name);
    if (!instance.first()) {
        if (request.documents.isEmpty()) {
            return 0;
        }
        if (handDocumentsOver(name, request, std::chrono::seconds(20))) {
            return 0;
        }
        std::fputs("OstrelWordToPdf: the running program did not take the documents\n", stderr);
        return 1;
    }
    CPelvarAllToPDFDlg dialog;
    CConvertDlg* page = dialog.convertPage();
    DocumentReceiver receiver(name);
    QObject::connect(&receiver, &DocumentReceiver::received, page,
                     [&dialog, page](const QList<QUrl>& documents, bool convert) {
                         dialog.raise();
                         dialog.activateWindow();
                         page->listDocuments(documents, convert);
                     });
    if (!request.documents.isEmpty()) {
        // Once the window shows, so that a refusal has its owner on the screen.
        QMetaObject::invokeMethod(
            page, [page, this] { page->listDocuments(request.documents, request.convert); },
            Qt::QueuedConnection);
    }
    dialog.exec();
    return 0;
}

} // namespace ostrel
