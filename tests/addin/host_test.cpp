// The add-in loaded into our word processor host exactly as Word loads it.
#include "modal_watch.h"
#include "word_host.h"

#include "../support/test_support.h"
#include "kestrine.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include <dlfcn.h>
#include <gtest/gtest.h>

namespace addintest {
namespace {

using hosttest::HostButton;
using hosttest::HostCommandBar;
using hosttest::WordHost;
using ostrel::com::ComPtr;

const QString kButtonText = QStringLiteral("Ostrel Word To PDF 3.0");

bool libraryLoaded() {
    void* handle = dlopen(KESTRINE_MODULE, RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr) {
        return false;
    }
    dlclose(handle);
    return true;
}

class AddinHost : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(testsupport::run({OSTREL_REGSVR, KESTRINE_MODULE}), 0);
        host = std::make_unique<WordHost>();
    }

    void connect() {
        ASSERT_EQ(host->loadAddins(), S_OK);
        ASSERT_EQ(host->loaded.size(), 1u);
        ASSERT_EQ(host->application->commandBars->bars.size(), 1u);
        ASSERT_EQ(toolbar().controls->added.size(), 1u);
    }
    HostCommandBar& toolbar(std::size_t index = 0) {
        return *host->application->commandBars->bars.at(index);
    }
    HostButton& button(std::size_t bar = 0) { return *toolbar(bar).controls->added.at(0).button; }
    _IDTExtensibility2& addin() { return *host->loaded.at(0).addin; }

    // Clicks the button and answers what the convert dialog showed, closing it.
    struct Shown {
        int dialogs = 0;
        QString sourcePath;
        QString outputFolder;
    };
    Shown clickAndClose() {
        Shown shown;
        ModalWatch watch(QStringLiteral("CConvertDlg"), [&](QDialog& dialog) {
            shown.sourcePath = dialog.property("sourcePath").toString();
            if (auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("control221"))) {
                shown.outputFolder = edit->text();
            }
            dialog.reject();
        });
        EXPECT_EQ(button().click(), S_OK);
        shown.dialogs = watch.seen();
        return shown;
    }

    testsupport::PrivateRegistry registryFolder;
    std::unique_ptr<WordHost> host;
};

TEST_F(AddinHost, ConnectingAddsTheToolbarWithItsButton) {
    QGuiApplication::clipboard()->setText(QStringLiteral("what the user copied"));
    connect();

    HostCommandBar& bar = toolbar();
    EXPECT_EQ(bar.name.toQString(), QStringLiteral("MyAddin"));
    EXPECT_EQ(bar.position.vt(), VT_I4);
    EXPECT_EQ(bar.position.toInt32(), 1);
    EXPECT_TRUE(bar.menuBar.isOmitted());
    EXPECT_EQ(bar.temporary.vt(), VT_I2);
    EXPECT_EQ(bar.temporary.toInt32(), -1);
    EXPECT_TRUE(bar.visible);

    const auto& added = bar.controls->added.at(0);
    EXPECT_EQ(added.type.vt(), VT_I4);
    EXPECT_EQ(added.type.toInt32(), 1);
    EXPECT_TRUE(added.id.isOmitted());
    EXPECT_TRUE(added.parameter.isOmitted());
    EXPECT_TRUE(added.before.isOmitted());
    EXPECT_EQ(added.temporary.vt(), VT_I2);
    EXPECT_EQ(added.temporary.toInt32(), -1);

    HostButton& face = button();
    EXPECT_EQ(face.calls, (QStringList{"Style", "PasteFace", "Visible", "Caption", "Enabled",
                                       "TooltipText", "Tag"}));
    EXPECT_EQ(face.style, 3);
    EXPECT_TRUE(face.visible);
    EXPECT_TRUE(face.enabled);
    EXPECT_EQ(face.caption, kButtonText);
    EXPECT_EQ(face.tooltip, kButtonText);
    EXPECT_EQ(face.tag, kButtonText);
    EXPECT_EQ(face.face.size(), QSize(32, 32));
    // The picture came through the clipboard, which still holds it.
    EXPECT_EQ(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB888),
              face.face.convertToFormat(QImage::Format_RGB888));
    EXPECT_EQ(face.sinkCount(), 1u);
}

TEST_F(AddinHost, TheClickSinkAnswersOnlyItsOwnInterfaces) {
    connect();
    const auto sinks = button().sinks();
    ASSERT_EQ(sinks.size(), 1u);
    IDispatch* sink = sinks[0].get();
    ComPtr<IUnknown> asEvents;
    EXPECT_EQ(sink->QueryInterface(DIID__CommandBarButtonEvents, asEvents.putVoid()), S_OK);
    EXPECT_FALSE(sinks[0].as<_IDTExtensibility2>());
    EXPECT_FALSE(sinks[0].as<IWordAddin>());
    UINT count = 0;
    EXPECT_EQ(sink->GetTypeInfoCount(&count), E_NOTIMPL);
    // Events other than Click are ignored.
    EXPECT_EQ(button().fire(2), S_OK);
}

TEST_F(AddinHost, DisconnectingTwiceAnswersSOkAndAllowsANewConnection) {
    connect();
    SAFEARRAY* custom = nullptr;
    EXPECT_EQ(addin().OnAddInsUpdate(&custom), E_NOTIMPL);
    EXPECT_EQ(addin().OnStartupComplete(&custom), E_NOTIMPL);
    EXPECT_EQ(addin().OnBeginShutdown(&custom), E_NOTIMPL);
    EXPECT_EQ(button().sinkCount(), 1u);
    EXPECT_EQ(addin().OnDisconnection(ext_dm_UserClosed, &custom), S_OK);
    EXPECT_EQ(button().sinkCount(), 0u);
    EXPECT_EQ(addin().OnDisconnection(ext_dm_UserClosed, &custom), S_OK);

    // The cookie is free again: a new connection subscribes to its new button.
    ASSERT_EQ(addin().OnConnection(host->application.get(), ext_cm_AfterStartup, nullptr, &custom),
              S_OK);
    ASSERT_EQ(host->application->commandBars->bars.size(), 2u);
    EXPECT_EQ(button(1).sinkCount(), 1u);
}

TEST_F(AddinHost, ConnectingAgainWhileSubscribedFails) {
    connect();
    SAFEARRAY* custom = nullptr;
    EXPECT_EQ(addin().OnConnection(host->application.get(), ext_cm_AfterStartup, nullptr, &custom),
              E_FAIL);
    EXPECT_EQ(button(1).sinkCount(), 0u);
    EXPECT_EQ(button(0).sinkCount(), 1u);
    // Disconnecting still ends the first subscription.
    EXPECT_EQ(addin().OnDisconnection(ext_dm_UserClosed, &custom), S_OK);
    EXPECT_EQ(button(0).sinkCount(), 0u);
}

TEST_F(AddinHost, AFailureOfTheCommandBarsIsAnsweredAndCreatesNothing) {
    host->application->commandBarsFailure = hr(0x800A01A8);
    EXPECT_EQ(host->loadAddins(), hr(0x800A01A8));
    EXPECT_TRUE(host->application->commandBars->bars.empty());
}

TEST_F(AddinHost, AFailingButtonCallEndsTheConnectionWithItsCodeAndLeaksNothing) {
    host->application->commandBars->failingButtonCall = QStringLiteral("Caption");
    host->application->commandBars->failure = hr(0x800A01A8);
    EXPECT_EQ(host->loadAddins(), hr(0x800A01A8));
    EXPECT_EQ(button().calls, (QStringList{"Style", "PasteFace", "Visible", "Caption"}));
    EXPECT_EQ(button().sinkCount(), 0u);
    EXPECT_FALSE(toolbar().visible);
    host->unloadAddins();
    EXPECT_FALSE(libraryLoaded());
}

TEST_F(AddinHost, AClickOpensTheDialogForTheActiveDocument) {
    connect();
    host->application->activeDocument =
        ostrel::com::make<hosttest::HostDocument>(QStringLiteral("/home/ann/docs/plan.docx"));
    const Shown shown = clickAndClose();
    EXPECT_EQ(shown.dialogs, 1);
    EXPECT_EQ(shown.sourcePath, QStringLiteral("/home/ann/docs/plan.docx"));
    EXPECT_EQ(shown.outputFolder, QStringLiteral("/home/ann/docs/"));
}

TEST_F(AddinHost, AClickWithoutADocumentOpensTheDialogWithAnEmptyPath) {
    connect();
    const Shown shown = clickAndClose();
    EXPECT_EQ(shown.dialogs, 1);
    EXPECT_EQ(shown.sourcePath, QString());
    EXPECT_EQ(shown.outputFolder, QString());
}

TEST_F(AddinHost, TheDialogsMessagesCarryTheLibrarysName) {
    connect();
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    ModalWatch box(QStringLiteral("QMessageBox"), [&](QDialog& dialog) {
        auto& message = static_cast<QMessageBox&>(dialog);
        caption = message.windowTitle();
        text = message.text();
        icon = message.icon();
        message.accept();
    });
    ModalWatch convert(QStringLiteral("CConvertDlg"), [&](QDialog& dialog) {
        dialog.findChild<QPushButton*>(QStringLiteral("control1"))->click(); // Convert
        dialog.reject();
    });
    EXPECT_EQ(button().click(), S_OK);
    EXPECT_EQ(box.seen(), 1);
    EXPECT_EQ(caption, QStringLiteral("KestrineWord"));
    EXPECT_EQ(text, QStringLiteral("Wrong Path cause wrong, Input a valid file path!"));
    EXPECT_EQ(icon, QMessageBox::Warning);
}

TEST_F(AddinHost, UnloadingDisconnectsReleasesAndUnloadsTheLibrary) {
    connect();
    EXPECT_TRUE(libraryLoaded());
    host->unloadAddins();
    EXPECT_EQ(button().sinkCount(), 0u);
    EXPECT_FALSE(libraryLoaded());
}

} // namespace
} // namespace addintest
