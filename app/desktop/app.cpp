#include "app.h"

#include "convert_dlg.h"
#include "handover_queue.h"
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
    HandoverQueue handovers(*page);
    DocumentReceiver receiver(name);
    QObject::connect(&receiver, &DocumentReceiver::received, page,
                     [&dialog, &handovers](const DocumentRequest& handed) {
                         dialog.raise();
                         dialog.activateWindow();
                         handovers.add(handed);
                     });
    if (!request.documents.isEmpty()) {
        // Once the window shows, so that a refusal has its owner on the screen.
        QMetaObject::invokeMethod(
            page, [&handovers, this] { handovers.add(request); }, Qt::QueuedConnection);
    }
    dialog.exec();
    return 0;
}

} // namespace ostrel
