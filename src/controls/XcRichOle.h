// The rich edit control's OLE side: the callback object the window asks for storage,
// in-place context and permissions, the frame an object activated in place sees, and the
// answers the object-properties dialog gets about the selected object.
//
// COM objects here count their references; the callback's count only counts (the control
// owns it and frees it after its window, which holds one reference, is gone). A failure
// inside a method is reported to the application and answered with E_FAIL: nothing is
// thrown back into the window's code.
#pragma once

#include <windows.h>

#include <ole2.h>
#include <oledlg.h>
#include <richole.h>

#include <string>

class TXcCustomRichEdit;
class TForm;

class TRichEditOleCallback : public IRichEditOleCallback {
public:
    explicit TRichEditOleCallback(TXcCustomRichEdit* richEdit);
    virtual ~TRichEditOleCallback();
    TRichEditOleCallback(const TRichEditOleCallback&) = delete;
    TRichEditOleCallback& operator=(const TRichEditOleCallback&) = delete;

    // References held by others (the window while the callback is installed).
    LONG RefCount() const { return FRefCount; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // A compound file in memory for a new object.
    HRESULT STDMETHODCALLTYPE GetNewStorage(LPSTORAGE* storage) override;
    // The form as the frame of an object activated in place, with the accelerators of its
    // menu; E_NOTIMPL when the control does not allow in-place activation or has no form.
    HRESULT STDMETHODCALLTYPE GetInPlaceContext(LPOLEINPLACEFRAME* frame,
                                                LPOLEINPLACEUIWINDOW* document,
                                                LPOLEINPLACEFRAMEINFO frameInfo) override;
    HRESULT STDMETHODCALLTYPE ShowContainerUI(BOOL show) override;
    HRESULT STDMETHODCALLTYPE QueryInsertObject(LPCLSID clsid, LPSTORAGE storage, LONG cp) override;
    HRESULT STDMETHODCALLTYPE DeleteObject(LPOLEOBJECT object) override;
    HRESULT STDMETHODCALLTYPE QueryAcceptData(LPDATAOBJECT data, CLIPFORMAT* format, DWORD reco,
                                              BOOL really, HGLOBAL metaPict) override;
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL enterMode) override;
    HRESULT STDMETHODCALLTYPE GetClipboardData(CHARRANGE* range, DWORD reco,
                                               LPDATAOBJECT* data) override;
    HRESULT STDMETHODCALLTYPE GetDragDropEffect(BOOL drag, DWORD keyState, LPDWORD effect) override;
    HRESULT STDMETHODCALLTYPE GetContextMenu(WORD selectionType, LPOLEOBJECT object,
                                             CHARRANGE* range, HMENU* menu) override;

    // The accelerators handed out with the in-place context (nullptr: none).
    HACCEL AccelTable() const { return FAccelTable; }

private:
    void ReleaseContext();

    TXcCustomRichEdit* FRichEdit;
    IOleInPlaceFrame* FFrame = nullptr;
    IOleInPlaceUIWindow* FDocForm = nullptr;
    HACCEL FAccelTable = nullptr;
    int FAccelCount = 0;
    LONG FRefCount = 0;
};

// An object's answers for the properties dialog: its names, size and view
// (IOleUIObjInfoA), and its link (IOleUILinkInfoA). Both live on the stack of
// ObjectPropertiesDialog and are not freed by Release.
class TOleUIObjInfo : public IOleUIObjInfoA {
public:
    TOleUIObjInfo(TXcCustomRichEdit* richEdit, const REOBJECT& object)
        : FRichEdit(richEdit), FObject(object) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetObjectInfo(DWORD object, DWORD* size, LPSTR* label, LPSTR* type,
                                            LPSTR* shortType, LPSTR* location) override;
    HRESULT STDMETHODCALLTYPE GetConvertInfo(DWORD object, CLSID* classId, WORD* format,
                                             CLSID* convertDefault, LPCLSID* exclude,
                                             UINT* excludeCount) override;
    HRESULT STDMETHODCALLTYPE ConvertObject(DWORD object, REFCLSID newClass) override;
    HRESULT STDMETHODCALLTYPE GetViewInfo(DWORD object, HGLOBAL* metaPict, DWORD* aspect,
                                          int* scale) override;
    HRESULT STDMETHODCALLTYPE SetViewInfo(DWORD object, HGLOBAL metaPict, DWORD aspect, int scale,
                                          BOOL relativeToOrig) override;

private:
    TXcCustomRichEdit* FRichEdit;
    REOBJECT FObject;
};

class TOleUILinkInfo : public IOleUILinkInfoA {
public:
    TOleUILinkInfo(TXcCustomRichEdit* richEdit, const REOBJECT& object)
        : FRichEdit(richEdit), FObject(object) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    DWORD STDMETHODCALLTYPE GetNextLink(DWORD link) override;
    HRESULT STDMETHODCALLTYPE SetLinkUpdateOptions(DWORD link, DWORD updateOption) override;
    HRESULT STDMETHODCALLTYPE GetLinkUpdateOptions(DWORD link, DWORD* updateOption) override;
    HRESULT STDMETHODCALLTYPE SetLinkSource(DWORD link, LPSTR displayName, ULONG fileNameLength,
                                            ULONG* eaten, BOOL validateSource) override;
    HRESULT STDMETHODCALLTYPE GetLinkSource(DWORD link, LPSTR* displayName, ULONG* fileNameLength,
                                            LPSTR* fullLinkType, LPSTR* shortLinkType,
                                            BOOL* sourceAvailable, BOOL* selected) override;
    HRESULT STDMETHODCALLTYPE OpenLinkSource(DWORD link) override;
    HRESULT STDMETHODCALLTYPE UpdateLink(DWORD link, BOOL errorMessage, BOOL reserved) override;
    HRESULT STDMETHODCALLTYPE CancelLink(DWORD link) override;
    HRESULT STDMETHODCALLTYPE GetLastUpdate(DWORD link, FILETIME* lastUpdate) override;

private:
    IOleLink* Link() const;

    TXcCustomRichEdit* FRichEdit;
    REOBJECT FObject;
};

// The OLE clipboard formats the control knows ("Embedded Object", "Link Source", "Rich
// Text Format", "Rich Text Format Without Objects"), registered on first use.
CLIPFORMAT RichClipboardFormat(int index);
// An OLE string as ANSI text (the task allocator's string is freed).
std::string TakeOleString(LPOLESTR s);
