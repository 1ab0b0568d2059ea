#include "app.h"

#include "main_dlg.h"
#include "product.h"
#include "single_instance.h"

namespace ostrel {

int CPelvarAllToPDFApp::InitInstance() {
    // Held, and so the name taken, for as long as the main window runs.
    const SingleInstance instance(QString::fromUtf8(instanceLockName));
    if (!instance.first())
        return 0;
    CPelvarAllToPDFDlg dialog;
    dialog.exec();
    return 0;
}

} // namespace ostrel
