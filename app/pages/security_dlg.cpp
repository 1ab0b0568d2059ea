#include "security_dlg.h"

#include "option_choices.h"
#include "password_rules.h"

#include <QAbstractButton>

#include <iterator>

namespace ostrel {

const CSecurityDlg::Ids CSecurityDlg::kDesktopIds{1010, 1011, 1012, 1013, 1014, 1015,
                                                  1016, 1017, 1018, 1019, 1020, 1021};
const CSecurityDlg::Ids CSecurityDlg::kAddInIds{203, 204, 210, 205, 211, 207,
                                                206, 208, 209, 212, 213, 229};

const DialogTemplate& CSecurityDlg::desktopTemplate() {
    const Ids& id = kDesktopIds;
    static const DialogTemplate page{
        133,
        "",
        415,
        152,
        8,
        {
            {Kind::CheckBox, id.master, "Enable PDF Security", 4, 5, 107, 8},
            {Kind::CheckBox, id.user, "Enable User Password", 18, 21, 92, 8},
            {Kind::Edit, id.userPassword, "", 18, 34, 101, 14, ES_PASSWORD | ES_AUTOHSCROLL},
            {Kind::CheckBox, id.owner, "Enable Owner Password", 18, 58, 103, 8},
            {Kind::Edit, id.ownerPassword, "", 18, 70, 101, 14, ES_PASSWORD | ES_AUTOHSCROLL},
            {Kind::GroupBox, IDC_STATIC, "Allowed Actions", 132, 2, 149, 83},
            {Kind::CheckBox, id.copying, "Content Copying or Extraction", 150, 20, 122, 8},
            {Kind::CheckBox, id.formFilling, "Form Filling,Signing,Commenting", 150, 36, 120, 8},
            {Kind::CheckBox, id.changing, "Changing the Document", 150, 52, 118, 8},
            {Kind::CheckBox, id.printing, "Printing", 150, 68, 120, 8},
            {Kind::GroupBox, IDC_STATIC, "Encryption Level", 296, 1, 80, 83},
            {Kind::RadioButton, id.low, kEncryptionLevels[0].label, 304, 20, 68, 10, WS_GROUP},
            {Kind::RadioButton, id.high, kEncryptionLevels[1].label, 304, 42, 69, 10},
            {Kind::RadioButton, id.aes, kEncryptionLevels[2].label, 304, 64, 69, 10},
        }};
    return page;
}

const DialogTemplate& CSecurityDlg::addInTemplate() {
    const Ids& id = kAddInIds;
    static const DialogTemplate page{
        204,
        "",
        316,
        293,
        8,
        {
            {Kind::CheckBox, id.master, "Enable PDF Security", 25, 8, 80, 10},
            {Kind::CheckBox, id.user, "Enable User Password", 34, 23, 87, 10},
            {Kind::Edit, id.userPassword, "", 34, 35, 96, 14, ES_PASSWORD | ES_AUTOHSCROLL},
            {Kind::CheckBox, id.owner, "Enable Owner Password", 34, 56, 93, 10},
            {Kind::Edit, id.ownerPassword, "", 34, 71, 96, 14, ES_PASSWORD | ES_AUTOHSCROLL},
            {Kind::GroupBox, IDC_STATIC, "Allowed Actions", 34, 94, 215, 72},
            {Kind::CheckBox, id.copying, "Content Copying or Extraction", 43, 108, 113, 10},
            {Kind::CheckBox, id.formFilling, "Form Filling,Signing,Commenting", 43, 122, 119, 10},
            {Kind::CheckBox, id.changing, "Changing the Document", 43, 136, 93, 10},
            {Kind::CheckBox, id.printing, "Printing", 43, 150, 40, 10},
            {Kind::GroupBox, IDC_STATIC, "Encryption Level", 34, 170, 215, 46},
            {Kind::RadioButton, id.low, kEncryptionLevels[0].label, 43, 184, 68, 10, WS_GROUP},
            {Kind::RadioButton, id.high, kEncryptionLevels[1].label, 134, 184, 73, 10},
            {Kind::RadioButton, id.aes, kEncryptionLevels[2].label, 43, 199, 73, 10},
        }};
    return page;
}

CSecurityDlg::CSecurityDlg(PageTemplate which, QWidget* parent)
    : OptionPage(parent, which == PageTemplate::Desktop ? desktopTemplate() : addInTemplate()),
      ids_(which == PageTemplate::Desktop ? kDesktopIds : kAddInIds) {
    button(ids_.low)->setChecked(true);
    button(ids_.master)->setChecked(false);
    button(ids_.owner)->setChecked(true);
    button(ids_.user)->setChecked(true);
    for (QWidget* control : governedControls())
        control->setEnabled(false);

    // Auto check boxes: the tick has changed when the click arrives.
    connect(button(ids_.master), &QAbstractButton::clicked, this, &CSecurityDlg::OnEnableSecurity);
    connect(button(ids_.user), &QAbstractButton::clicked, this,
            &CSecurityDlg::OnEnableUserPassword);
    connect(button(ids_.owner), &QAbstractButton::clicked, this,
            &CSecurityDlg::OnEnableOwnerPassword);
}

QAbstractButton* CSecurityDlg::button(int id) const {
    return controls_.get<QAbstractButton>(id);
}

bool CSecurityDlg::ticked(int id) const {
    return button(id)->isChecked();
}

void CSecurityDlg::enable(int id, bool on) const {
    controls_.item(id)->setEnabled(on);
}

std::vector<QWidget*> CSecurityDlg::governedControls() const {
    std::vector<QWidget*> governed;
    for (const int id :
         {ids_.ownerPassword, ids_.owner, ids_.userPassword, ids_.user, ids_.copying,
          ids_.formFilling, ids_.changing, ids_.printing, ids_.high, ids_.low, ids_.aes})
        governed.push_back(controls_.item(id));
    return governed;
}

void CSecurityDlg::OnEnableSecurity() {
    if (!ticked(ids_.master)) {
        // Values stay as they are; only the controls are switched off.
        for (QWidget* control : governedControls())
            control->setEnabled(false);
        return;
    }
    for (const int id : {ids_.user, ids_.owner, ids_.copying, ids_.formFilling, ids_.changing,
                         ids_.printing, ids_.high, ids_.low, ids_.aes})
        enable(id, true);
    enable(ids_.userPassword, ticked(ids_.user));
    enable(ids_.ownerPassword, ticked(ids_.owner));
}

void CSecurityDlg::OnEnableUserPassword() {
    enable(ids_.userPassword, ticked(ids_.user));
}

void CSecurityDlg::OnEnableOwnerPassword() {
    enable(ids_.ownerPassword, ticked(ids_.owner));
}

void CSecurityDlg::UpdateData() {
    securitySwitch = ticked(ids_.master) ? 1 : 0;
    userSwitch = ticked(ids_.user) ? 1 : 0;
    ownerSwitch = ticked(ids_.owner) ? 1 : 0;
    copyingSwitch = ticked(ids_.copying) ? 1 : 0;
    formFillingSwitch = ticked(ids_.formFilling) ? 1 : 0;
    changingSwitch = ticked(ids_.changing) ? 1 : 0;
    printingSwitch = ticked(ids_.printing) ? 1 : 0;
    encryptionLevel.reset();
    const int levels[] = {ids_.low, ids_.high, ids_.aes}; // in the order of kEncryptionLevels
    for (int level = 0; level < static_cast<int>(std::size(levels)); ++level) {
        if (ticked(levels[level])) {
            encryptionLevel = kEncryptionLevels[level].meaning;
        }
    }
    userPassword = controlText(controls_.item(ids_.userPassword));
    ownerPassword = controlText(controls_.item(ids_.ownerPassword));
}

void CSecurityDlg::applyTo(ConversionOptions& options) {
    UpdateData();
    options.securityEnabled = securitySwitch == 1;
    options.userPasswordEnabled = userSwitch == 1;
    options.ownerPasswordEnabled = ownerSwitch == 1;
    options.userPassword = userPassword;
    options.ownerPassword = ownerPassword;
    options.allowCopying = copyingSwitch == 1;
    options.allowFormFilling = formFillingSwitch == 1;
    options.allowChanging = changingSwitch == 1;
    options.allowPrinting = printingSwitch == 1;
    options.encryptionLevel = encryptionLevel;
}

std::optional<QString> CSecurityDlg::passwordRefusal() {
    ConversionOptions options;
    applyTo(options);
    if (!options.securityEnabled) {
        return std::nullopt;
    }
    for (const QString* password : {&options.userPassword, &options.ownerPassword}) {
        if (!password->isValidUtf16()) {
            return QStringLiteral("Password has invalid characters, Input it again!");
        }
    }
    const auto problem = passwordProblem(options);
    if (!problem) {
        return std::nullopt;
    }
    switch (problem->kind) {
    case PasswordProblem::UserTooLong:
        return QStringLiteral("User Password too long, Input at most %1 bytes!")
            .arg(problem->limit);
    case PasswordProblem::OwnerTooLong:
        return QStringLiteral("Owner Password too long, Input at most %1 bytes!")
            .arg(problem->limit);
    case PasswordProblem::SameAsOwner:
        break;
    }
    return QStringLiteral("User Password same as Owner Password, Input a different one!");
}

} // namespace ostrel
