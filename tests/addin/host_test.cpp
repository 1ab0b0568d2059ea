// The add-in loaded by the Writer bridge's add-in host, which loads it as Word does,
// with the bridge's office objects and a host that records what reaches it.
#include "modal_watch.h"

#include "addin_host.h"
#include "clipboard_picture.h"
#include "com/runtime.h"
#include "environment.h"
#include "kestrine.h"
#include "office_objects.h"
#include "programs.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <stdexcept>

namespace addintest {
namespace {

namespace bridge = ostrel::bridge;
using ostrel::com::ComPtr;

const QString kButtonText = QStringLiteral("Ostrel Word To PDF 3.0");
const std::string kAddinProgId = QString::fromUtf16(kestrine::kProgId).toStdString();

bool libraryLoaded() {
    void* handle = dlopen(KESTRINE_MODULE, RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr) {
        return false;
    }
    dlclose(handle);
    return true;
}

// The word processor's side: its command bars, the active document and the clipboard's
// picture (none when the clipboard lost it).
class RecordedHost final : public bridge::HostServices {
public:
    bridge::CommandBarModel& commandBars() override { return model; }
    std::optional<std::string> activeDocumentPath() override { return document; }
    std::vector<std::uint8_t> clipboardPicture() override {
        return pictureLost ? std::vector<std::uint8_t>() : bridge::clipboardPicturePng();
    }

    bridge::CommandBarModel model;
    std::optional<std::string> document;
    bool pictureLost = false;
};

class AddinHost : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(ostrel::test::run({OSTREL_REGSVR, KESTRINE_MODULE}), 0);
        host = std::make_unique<bridge::AddinHost>(services, registryFolder.registry());
    }

    void connect() {
        ASSERT_EQ(host->connectAll(), std::vector<std::string>{kAddinProgId});
        ASSERT_EQ(services.model.bars().size(), 1u);
        ASSERT_EQ(toolbar().buttons.size(), 1u);
    }
    bridge::BarState toolbar(std::size_t index = 0) { return services.model.bars().at(index); }
    bridge::OfficeButton& button(std::size_t bar = 0) {
        bridge::OfficeButton* found = host->button(toolbar(bar).buttons.at(0).id);
        if (found == nullptr) {
            throw std::runtime_error("the host has no such button");
        }
        return *found;
    }
    _IDTExtensibility2& addin() { return *host->addin(kAddinProgId); }

    // What the add-in answers a connection of its own to the host's application (made
    // by a host connecting before): the host's code when an office call fails.
    HRESULT connectionAnswer() {
        ComPtr<IUnknown> object;
        const HRESULT created = ostrel::com::createInstance(kAddinProgId, object);
        if (FAILED(created)) {
            return created;
        }
        SAFEARRAY* custom = nullptr;
        return object.as<_IDTExtensibility2>()->OnConnection(host->application(),
                                                             ext_cm_AfterStartup, nullptr, &custom);
    }

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
        EXPECT_EQ(button().click(), 1);
        shown.dialogs = watch.seen();
        return shown;
    }

    ostrel::test::PrivateFolders registryFolder;
    RecordedHost services;
    std::unique_ptr<bridge::AddinHost> host;
};

TEST_F(AddinHost, ConnectingAddsTheToolbarWithItsButton) {
    QGuiApplication::clipboard()->setText(QStringLiteral("what the user copied"));
    connect();

    const bridge::BarState bar = toolbar();
    EXPECT_EQ(bar.name, "MyAddin");
    EXPECT_EQ(bar.position, msoBarTop);
    EXPECT_TRUE(bar.temporary);
    EXPECT_TRUE(bar.visible);

    const bridge::ButtonState& face = bar.buttons.at(0);
    EXPECT_EQ(face.style, bridge::ButtonStyle::IconAndCaption);
    EXPECT_TRUE(face.visible);
    EXPECT_TRUE(face.enabled);
    EXPECT_EQ(QString::fromStdString(face.caption), kButtonText);
    EXPECT_EQ(QString::fromStdString(face.tooltip), kButtonText);
    EXPECT_EQ(QString::fromStdString(face.tag), kButtonText);
    const QImage picture =
        QImage::fromData(face.facePng.data(), static_cast<int>(face.facePng.size()), "PNG");
    EXPECT_EQ(picture.size(), QSize(32, 32));
    // The picture came through the clipboard, which still holds it.
    EXPECT_EQ(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB888),
              picture.convertToFormat(QImage::Format_RGB888));
    EXPECT_EQ(button().subscribers().size(), 1u);
}

TEST_F(AddinHost, TheClickSinkAnswersOnlyItsOwnInterfaces) {
    connect();
    const auto sinks = button().subscribers();
    ASSERT_EQ(sinks.size(), 1u);
    IDispatch* sink = sinks[0].get();
    ComPtr<IUnknown> asEvents;
    EXPECT_EQ(sink->QueryInterface(DIID__CommandBarButtonEvents, asEvents.putVoid()), S_OK);
    EXPECT_FALSE(sinks[0].as<_IDTExtensibility2>());
    EXPECT_FALSE(sinks[0].as<IWordAddin>());
    UINT count = 0;
    EXPECT_EQ(sink->GetTypeInfoCount(&count), E_NOTIMPL);
    // Events other than Click are ignored.
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    EXPECT_EQ(sink->Invoke(2, GUID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, nullptr,
                           nullptr, nullptr),
              S_OK);
}

TEST_F(AddinHost, DisconnectingTwiceAnswersSOkAndAllowsANewConnection) {
    connect();
    SAFEARRAY* custom = nullptr;
    EXPECT_EQ(addin().OnAddInsUpdate(&custom), E_NOTIMPL);
    EXPECT_EQ(addin().OnStartupComplete(&custom), E_NOTIMPL);
    EXPECT_EQ(addin().OnBeginShutdown(&custom), E_NOTIMPL);
    EXPECT_EQ(button().subscribers().size(), 1u);
    EXPECT_EQ(addin().OnDisconnection(ext_dm_UserClosed, &custom), S_OK);
    EXPECT_EQ(button().subscribers().size(), 0u);
    EXPECT_EQ(addin().OnDisconnection(ext_dm_UserClosed, &custom), S_OK);

    // The cookie is free again: a new connection subscribes to its new button (once the
    // old bar is gone, as bar names are unique).
    services.model.clear();
    ASSERT_EQ(addin().OnConnection(host->application(), ext_cm_AfterStartup, nullptr, &custom),
              S_OK);
    ASSERT_EQ(services.model.bars().size(), 1u);
    EXPECT_EQ(button().subscribers().size(), 1u);
}

TEST_F(AddinHost, ConnectingAgainWhileSubscribedFails) {
    connect();
    bridge::OfficeButton& first = button();
    services.model.clear(); // bar names are unique: the second bar needs the name
    SAFEARRAY* custom = nullptr;
    EXPECT_EQ(addin().OnConnection(host->application(), ext_cm_AfterStartup, nullptr, &custom),
              E_FAIL);
    EXPECT_EQ(button().subscribers().size(), 0u);
    EXPECT_EQ(first.subscribers().size(), 1u);
    // Disconnecting still ends the first subscription.
    EXPECT_EQ(addin().OnDisconnection(ext_dm_UserClosed, &custom), S_OK);
    EXPECT_EQ(first.subscribers().size(), 0u);
}

TEST_F(AddinHost, AFailureOfTheCommandBarsIsAnsweredAndCreatesNothing) {
    // Bar names are unique: the add-in's is taken.
    services.model.addBar("MyAddin", msoBarTop, true);
    EXPECT_TRUE(host->connectAll().empty());
    EXPECT_EQ(connectionAnswer(), E_INVALIDARG);
    ASSERT_EQ(services.model.bars().size(), 1u);
    EXPECT_TRUE(toolbar().buttons.empty());
}

TEST_F(AddinHost, AFailingButtonCallEndsTheConnectionWithItsCodeAndLeaksNothing) {
    services.pictureLost = true; // PasteFace fails
    EXPECT_TRUE(host->connectAll().empty());
    // The button took its style, then its face failed: nothing after it was set.
    const bridge::ButtonState face = toolbar().buttons.at(0);
    EXPECT_EQ(face.style, bridge::ButtonStyle::IconAndCaption);
    EXPECT_TRUE(face.facePng.empty());
    EXPECT_TRUE(face.caption.empty());
    EXPECT_EQ(button().subscribers().size(), 0u);
    EXPECT_FALSE(toolbar().visible);
    host->disconnectAll();
    EXPECT_FALSE(libraryLoaded());
}

TEST_F(AddinHost, AClickOpensTheDialogForTheActiveDocument) {
    connect();
    services.document = "/home/ann/docs/plan.docx";
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
    EXPECT_EQ(button().click(), 1);
    EXPECT_EQ(box.seen(), 1);
    EXPECT_EQ(caption, QStringLiteral("KestrineWord"));
    EXPECT_EQ(text, QStringLiteral("Wrong Path cause wrong, Input a valid file path!"));
    EXPECT_EQ(icon, QMessageBox::Warning);
}

TEST_F(AddinHost, UnloadingDisconnectsReleasesAndUnloadsTheLibrary) {
    connect();
    EXPECT_TRUE(libraryLoaded());
    const ComPtr<bridge::OfficeButton> face(&button());
    host->disconnectAll();
    EXPECT_EQ(face->subscribers().size(), 0u);
    EXPECT_FALSE(libraryLoaded());
}

} // namespace
} // namespace addintest
