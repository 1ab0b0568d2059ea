// The Word and Office interfaces a hosting word processor offers to an add-in, and the
// add-in interface it calls: only the members our add-in uses, with the interface ids
// of Word's and Office's type libraries.
//
// The vtables are ours. Each interface lists IUnknown's three slots, IDispatch's four,
// then exactly the members declared below, in the order declared ("vtable order"). A host
// (the LibreOffice bridge, the test host) implements them in this order; the add-in
// calls them as vtable methods and never by dispatch id. Property accessors follow the
// type-library naming: get_X reads property X, put_X writes it. Every method answers an
// HRESULT and lets no exception escape.
#pragma once

#include "com/com.h"

// Arrays reach an add-in only as the ignored `custom` arguments: passed through, never read.
struct tagSAFEARRAY;
using SAFEARRAY = tagSAFEARRAY;

// ---------------------------------------------------------------------------
// Office command bars
// ---------------------------------------------------------------------------
enum MsoBarPosition : LONG { msoBarLeft = 0, msoBarTop = 1, msoBarRight = 2, msoBarBottom = 3 };
enum MsoControlType : LONG { msoControlButton = 1 };
enum MsoButtonStyle : LONG {
    msoButtonAutomatic = 0,
    msoButtonIcon = 1,
    msoButtonCaption = 2,
    msoButtonIconAndCaption = 3,
};

struct CommandBarControls;

// Any control of a command bar; buttons answer QueryInterface for _CommandBarButton.
struct CommandBarControl : IDispatch {
    static constexpr IID iid{
        0x000C0308, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

protected:
    ~CommandBarControl() = default;
};

// A button. Its connection point container offers _CommandBarButtonEvents (Click).
struct _CommandBarButton : CommandBarControl {
    static constexpr IID iid{
        0x000C030E, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

    virtual HRESULT put_Style(MsoButtonStyle style) = 0;
    // Takes the button's picture from the clipboard.
    virtual HRESULT PasteFace() = 0;
    virtual HRESULT put_Visible(VARIANT_BOOL visible) = 0;
    virtual HRESULT put_Caption(BSTR caption) = 0;
    virtual HRESULT put_Enabled(VARIANT_BOOL enabled) = 0;
    virtual HRESULT put_TooltipText(BSTR text) = 0;
    virtual HRESULT put_Tag(BSTR tag) = 0;

protected:
    ~_CommandBarButton() = default;
};

struct CommandBarControls : IDispatch {
    static constexpr IID iid{
        0x000C0306, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

    // Type: MsoControlType as VT_I4; Id, Parameter, Before: VT_ERROR DISP_E_PARAMNOTFOUND
    // when omitted; Temporary: VT_BOOL or VT_I2, true when the control dies with the host.
    virtual HRESULT Add(VARIANT Type, VARIANT Id, VARIANT Parameter, VARIANT Before,
                        VARIANT Temporary, CommandBarControl** control) = 0;

protected:
    ~CommandBarControls() = default;
};

struct CommandBar : IDispatch {
    static constexpr IID iid{
        0x000C0304, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

    virtual HRESULT get_Controls(CommandBarControls** controls) = 0;
    virtual HRESULT put_Visible(VARIANT_BOOL visible) = 0;

protected:
    ~CommandBar() = default;
};

struct _CommandBars : IDispatch {
    static constexpr IID iid{
        0x000C0302, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

    // Name: VT_BSTR; Position: MsoBarPosition as VT_I4; MenuBar: VT_BOOL, or VT_ERROR
    // DISP_E_PARAMNOTFOUND when omitted; Temporary: VT_BOOL or VT_I2.
    virtual HRESULT Add(VARIANT Name, VARIANT Position, VARIANT MenuBar, VARIANT Temporary,
                        CommandBar** bar) = 0;

protected:
    ~_CommandBars() = default;
};

// Outgoing dispatch interface of a button: Invoke with DISPID_Click and two arguments,
// Ctrl (VT_DISPATCH, the button) and CancelDefault (VT_BOOL | VT_BYREF).
inline constexpr IID DIID__CommandBarButtonEvents{
    0x000C0351, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr DISPID DISPID_CommandBarButtonEvents_Click = 1;

// ---------------------------------------------------------------------------
// Word
// ---------------------------------------------------------------------------
struct Document : IDispatch {
    static constexpr IID iid{
        0x00020906, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

    // Full path and file name as the host knows it; empty for a document never saved.
    virtual HRESULT get_FullName(BSTR* name) = 0;

protected:
    ~Document() = default;
};

struct _Application : IDispatch {
    static constexpr IID iid{
        0x00020970, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

    virtual HRESULT get_CommandBars(_CommandBars** bars) = 0;
    // Fails when no document is open.
    virtual HRESULT get_ActiveDocument(Document** document) = 0;

protected:
    ~_Application() = default;
};

// ---------------------------------------------------------------------------
// The add-in interface (Office add-in designer type library, {AC0714F2-3D04-11D1-AE7D-
// 00A0C90F26F4} version 1.0). Dispatch ids 1 to 5 in member order.
// ---------------------------------------------------------------------------
enum ext_ConnectMode : LONG {
    ext_cm_AfterStartup = 0,
    ext_cm_Startup = 1,
    ext_cm_External = 2,
    ext_cm_CommandLine = 3,
};
enum ext_DisconnectMode : LONG { ext_dm_HostShutdown = 0, ext_dm_UserClosed = 1 };

inline constexpr GUID LIBID_AddInDesignerObjects{
    0xAC0714F2, 0x3D04, 0x11D1, {0xAE, 0x7D, 0x00, 0xA0, 0xC9, 0x0F, 0x26, 0xF4}};

struct _IDTExtensibility2 : IDispatch {
    static constexpr IID iid{
        0xB65AD801, 0xABAF, 0x11D0, {0xBB, 0x8B, 0x00, 0xA0, 0xC9, 0x0F, 0x27, 0x44}};

    virtual HRESULT OnConnection(IDispatch* Application, ext_ConnectMode ConnectMode,
                                 IDispatch* AddInInst, SAFEARRAY** custom) = 0;
    virtual HRESULT OnDisconnection(ext_DisconnectMode RemoveMode, SAFEARRAY** custom) = 0;
    virtual HRESULT OnAddInsUpdate(SAFEARRAY** custom) = 0;
    virtual HRESULT OnStartupComplete(SAFEARRAY** custom) = 0;
    virtual HRESULT OnBeginShutdown(SAFEARRAY** custom) = 0;

protected:
    ~_IDTExtensibility2() = default;
};
