// The "Security" option page: passwords, permissions and encryption strength. Everything
// but the master switch is disabled until security is switched on.
#pragma once

#include "conversion_options.h"
#include "option_page.h"

#include <optional>
#include <vector>

class QAbstractButton;

namespace ostrel {

class CSecurityDlg : public OptionPage {
    Q_OBJECT
public:
    struct Ids {
        int master;
        int user;
        int userPassword;
        int owner;
        int ownerPassword;
        int copying;
        int formFilling;
        int changing;
        int printing;
        int low;
        int high;
        int aes; // 256-bit AES
    };
    static const Ids kDesktopIds;
    static const Ids kAddInIds;
    static const DialogTemplate& desktopTemplate(); // template 133
    static const DialogTemplate& addInTemplate();   // template 204

    CSecurityDlg(PageTemplate which, QWidget* parent);

    // Exchanged from the controls by UpdateData: 1 ticked, 0 not.
    int securitySwitch = 0;
    int userSwitch = 0;
    int ownerSwitch = 0;
    int copyingSwitch = 0;
    int formFillingSwitch = 0;
    int changingSwitch = 0;
    int printingSwitch = 0;
    std::optional<EncryptionLevel> encryptionLevel = EncryptionLevel::Rc4_40; // ticked radio button
    QString userPassword;
    QString ownerPassword;

    void UpdateData();
    void applyTo(ConversionOptions& options);
    // The message that refuses the passwords as they stand (too long for the level,
    // the user's equal to the owner's, not text), or none when they can be used.
    std::optional<QString> passwordRefusal();

    const Ids& ids() const { return ids_; }
    QAbstractButton* button(int id) const;

private:
    void OnEnableSecurity();
    void OnEnableUserPassword();
    void OnEnableOwnerPassword();
    // The controls switched on and off together with security.
    std::vector<QWidget*> governedControls() const;
    bool ticked(int id) const;
    void enable(int id, bool on) const;

    const Ids& ids_;
};

} // namespace ostrel
