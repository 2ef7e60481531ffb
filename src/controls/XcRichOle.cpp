#include "controls/XcRichOle.h"

#include <prsht.h>

#include <cstring>
#include <vector>

#include "controls/XcRichEd.h"
#include "framework/Forms.h"

namespace {

// Runs a method body; a failure is the application's to report, the window gets E_FAIL.
template <class F>
HRESULT Guarded(F&& body) {
    try {
        return body();
    } catch (...) {
        if (Application) Application->HandleException(nullptr);
        return E_FAIL;
    }
}

// A METAFILEPICT block the OLE dialogs hand back (an icon), with its metafile.
void FreeMetafilePict(HGLOBAL block) {
    if (auto* pict = static_cast<METAFILEPICT*>(GlobalLock(block))) {
        DeleteMetaFile(pict->hMF);
        GlobalUnlock(block);
    }
    GlobalFree(block);
}

template <class T>
void ReleaseRef(T*& p) {
    if (p) p->Release();
    p = nullptr;
}

// An ANSI text in memory of the task allocator, for a caller that frees it so.
LPSTR OleAnsi(const std::string& s) {
    auto* p = static_cast<LPSTR>(CoTaskMemAlloc(s.size() + 1));
    if (p) std::memcpy(p, s.c_str(), s.size() + 1);
    return p;
}

std::wstring Wide(const std::string& s) {
    const int n = MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
    return w;
}

std::string UserType(IOleObject* object, DWORD form) {
    LPOLESTR name = nullptr;
    if (!object || FAILED(object->GetUserType(form, &name))) return std::string();
    return TakeOleString(name);
}

// The frame an object activated in place sees: the form's window, no tool space, no
// menus merged.
class TOleInPlaceFrame final : public IOleInPlaceFrame {
public:
    explicit TOleInPlaceFrame(HWND window) : FWindow(window) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (iid == IID_IUnknown || iid == IID_IOleWindow || iid == IID_IOleInPlaceUIWindow ||
            iid == IID_IOleInPlaceFrame) {
            *object = static_cast<IOleInPlaceFrame*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++FRefs; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG n = --FRefs;
        if (n == 0) {
            ReleaseRef(FActive);
            delete this;
        }
        return n;
    }
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override {
        *window = FWindow;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS) override {
        return INPLACE_E_NOTOOLSPACE;
    }
    HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS widths) override {
        return widths ? INPLACE_E_NOTOOLSPACE : S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject* active, LPCOLESTR) override {
        if (active) active->AddRef();
        ReleaseRef(FActive);
        FActive = active;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS widths) override {
        for (LONG& w : widths->width) w = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

private:
    ~TOleInPlaceFrame() = default;
    HWND FWindow;
    IOleInPlaceActiveObject* FActive = nullptr;
    ULONG FRefs = 1;
};

// The shortcuts of a menu's items, for the accelerator table of an in-place object.
void AddAccelerators(TMenuItem* item, std::vector<ACCEL>& accels) {
    for (int i = 0; i < item->Count(); ++i) {
        TMenuItem* sub = item->Items(i);
        if (sub->ShortCut()) {
            uint16_t key = 0;
            TShiftState shift = 0;
            ShortCutToKey(sub->ShortCut(), key, shift);
            BYTE flags = FVIRTKEY;
            if (shift & ssShift) flags |= FSHIFT;
            if (shift & ssCtrl) flags |= FCONTROL;
            if (shift & ssAlt) flags |= FALT;
            accels.push_back(ACCEL{flags, key, static_cast<WORD>(sub->Command())});
        }
        AddAccelerators(sub, accels);
    }
}

// Holds what IRichEditOle::GetObject hands out and releases it.
struct TObjectRef {
    REOBJECT reo{};
    TObjectRef() { reo.cbStruct = sizeof reo; }
    ~TObjectRef() {
        ReleaseRef(reo.poleobj);
        ReleaseRef(reo.pstg);
        ReleaseRef(reo.polesite);
    }
    TObjectRef(const TObjectRef&) = delete;
    TObjectRef& operator=(const TObjectRef&) = delete;
};

}  // namespace

std::string TakeOleString(LPOLESTR s) {
    if (!s) return std::string();
    const int n = WideCharToMultiByte(CP_ACP, 0, s, -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n - 1 : 0), '\0');
    if (n > 1) WideCharToMultiByte(CP_ACP, 0, s, -1, out.data(), n, nullptr, nullptr);
    CoTaskMemFree(s);
    return out;
}

CLIPFORMAT RichClipboardFormat(int index) {
    static const CLIPFORMAT formats[] = {
        static_cast<CLIPFORMAT>(RegisterClipboardFormatA("Embedded Object")),
        static_cast<CLIPFORMAT>(RegisterClipboardFormatA("Link Source")),
        static_cast<CLIPFORMAT>(RegisterClipboardFormatA("Rich Text Format")),
        static_cast<CLIPFORMAT>(RegisterClipboardFormatA("Rich Text Format Without Objects")),
    };
    return formats[index];
}

// ---- TRichEditOleCallback -------------------------------------------------------------

TRichEditOleCallback::TRichEditOleCallback(TXcCustomRichEdit* richEdit) : FRichEdit(richEdit) {}

TRichEditOleCallback::~TRichEditOleCallback() {
    ReleaseContext();
}

HRESULT TRichEditOleCallback::QueryInterface(REFIID iid, void** object) {
    if (iid == IID_IUnknown || iid == IID_IRichEditOleCallback) {
        *object = static_cast<IRichEditOleCallback*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG TRichEditOleCallback::AddRef() {
    return static_cast<ULONG>(++FRefCount);
}

ULONG TRichEditOleCallback::Release() {
    return static_cast<ULONG>(--FRefCount);
}

HRESULT TRichEditOleCallback::GetNewStorage(LPSTORAGE* storage) {
    if (!storage) return E_INVALIDARG;
    *storage = nullptr;
    ILockBytes* bytes = nullptr;
    HRESULT hr = CreateILockBytesOnHGlobal(nullptr, TRUE, &bytes);
    if (FAILED(hr)) return hr;
    hr = StgCreateDocfileOnILockBytes(bytes, STGM_SHARE_EXCLUSIVE | STGM_READWRITE | STGM_CREATE, 0,
                                      storage);
    bytes->Release();  // the storage holds it
    return hr;
}

HRESULT TRichEditOleCallback::GetInPlaceContext(LPOLEINPLACEFRAME* frame,
                                                LPOLEINPLACEUIWINDOW* document,
                                                LPOLEINPLACEFRAMEINFO frameInfo) {
    return Guarded([&]() -> HRESULT {
        if (!frame || !document || !frameInfo) return E_INVALIDARG;
        *frame = nullptr;
        *document = nullptr;
        TForm* form = FRichEdit->ParentForm();
        if (!FRichEdit->AllowInPlace || !form) return E_NOTIMPL;
        if (!FFrame) FFrame = new TOleInPlaceFrame(form->Handle());
        std::vector<ACCEL> accels;
        if (form->Menu()) AddAccelerators(form->Menu()->Items(), accels);
        if (FAccelTable) DestroyAcceleratorTable(FAccelTable);
        FAccelTable = accels.empty()
                          ? nullptr
                          : CreateAcceleratorTableA(accels.data(), static_cast<int>(accels.size()));
        FAccelCount = static_cast<int>(accels.size());
        FFrame->AddRef();
        *frame = FFrame;
        // One window: the frame is the document window too (none is given).
        frameInfo->fMDIApp = FALSE;
        frameInfo->hwndFrame = form->Handle();
        frameInfo->haccel = FAccelTable;
        frameInfo->cAccelEntries = static_cast<UINT>(FAccelCount);
        return S_OK;
    });
}

void TRichEditOleCallback::ReleaseContext() {
    if (FFrame) FFrame->SetActiveObject(nullptr, nullptr);
    if (FDocForm) FDocForm->SetActiveObject(nullptr, nullptr);
    ReleaseRef(FFrame);
    ReleaseRef(FDocForm);
    if (FAccelTable) DestroyAcceleratorTable(FAccelTable);
    FAccelTable = nullptr;
    FAccelCount = 0;
}

HRESULT TRichEditOleCallback::ShowContainerUI(BOOL show) {
    if (show) {
        FRichEdit->SetUIActive(true);
    } else {
        FRichEdit->SetUIActive(false);
        ReleaseContext();
    }
    return S_OK;
}

HRESULT TRichEditOleCallback::QueryInsertObject(LPCLSID, LPSTORAGE, LONG) {
    return S_OK;
}

HRESULT TRichEditOleCallback::DeleteObject(LPOLEOBJECT object) {
    if (object) object->Close(OLECLOSE_NOSAVE);
    return S_OK;
}

HRESULT TRichEditOleCallback::QueryAcceptData(LPDATAOBJECT, CLIPFORMAT*, DWORD, BOOL, HGLOBAL) {
    return S_OK;
}

HRESULT TRichEditOleCallback::ContextSensitiveHelp(BOOL) {
    return S_OK;
}

HRESULT TRichEditOleCallback::GetClipboardData(CHARRANGE*, DWORD, LPDATAOBJECT* data) {
    if (data) *data = nullptr;
    return E_NOTIMPL;
}

HRESULT TRichEditOleCallback::GetDragDropEffect(BOOL, DWORD, LPDWORD) {
    return E_NOTIMPL;
}

HRESULT TRichEditOleCallback::GetContextMenu(WORD, LPOLEOBJECT, CHARRANGE*, HMENU*) {
    return E_NOTIMPL;
}

// ---- TOleUIObjInfo ----------------------------------------------------------------------

HRESULT TOleUIObjInfo::QueryInterface(REFIID iid, void** object) {
    if (iid == IID_IUnknown) {
        *object = this;
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT TOleUIObjInfo::GetObjectInfo(DWORD, DWORD* size, LPSTR* label, LPSTR* type,
                                     LPSTR* shortType, LPSTR* location) {
    return Guarded([&]() -> HRESULT {
        const std::string full = UserType(FObject.poleobj, USERCLASSTYPE_FULL);
        if (size) *size = static_cast<DWORD>(-1);  // unknown
        if (label) *label = OleAnsi(full);
        if (type) *type = OleAnsi(full);
        if (shortType) *shortType = OleAnsi(UserType(FObject.poleobj, USERCLASSTYPE_SHORT));
        if (location) *location = OleAnsi(FRichEdit->Title());
        return S_OK;
    });
}

HRESULT TOleUIObjInfo::GetConvertInfo(DWORD, CLSID* classId, WORD* format, CLSID* convertDefault,
                                      LPCLSID* exclude, UINT* excludeCount) {
    if (classId) *classId = FObject.clsid;
    if (format) *format = 0;
    if (convertDefault) *convertDefault = CLSID_NULL;
    if (exclude) *exclude = nullptr;
    if (excludeCount) *excludeCount = 0;
    return S_OK;
}

HRESULT TOleUIObjInfo::ConvertObject(DWORD, REFCLSID) {
    return E_NOTIMPL;
}

HRESULT TOleUIObjInfo::GetViewInfo(DWORD, HGLOBAL* metaPict, DWORD* aspect, int* scale) {
    if (metaPict) *metaPict = OleGetIconOfClass(FObject.clsid, nullptr, TRUE);
    if (aspect) *aspect = FObject.dvaspect;
    if (scale) *scale = 100;
    return S_OK;
}

HRESULT TOleUIObjInfo::SetViewInfo(DWORD, HGLOBAL, DWORD aspect, int, BOOL) {
    IRichEditOle* ole = FRichEdit->RichEditOle();
    if (!ole) return E_FAIL;
    FObject.dvaspect = aspect;
    return ole->SetDvaspect(REO_IOB_SELECTION, aspect);
}

// ---- TOleUILinkInfo ---------------------------------------------------------------------

HRESULT TOleUILinkInfo::QueryInterface(REFIID iid, void** object) {
    if (iid == IID_IUnknown) {
        *object = this;
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

IOleLink* TOleUILinkInfo::Link() const {
    IOleLink* link = nullptr;
    if (FObject.poleobj)
        FObject.poleobj->QueryInterface(IID_IOleLink, reinterpret_cast<void**>(&link));
    return link;
}

DWORD TOleUILinkInfo::GetNextLink(DWORD link) {
    // The selected object is the only link: key 1.
    if (link != 0) return 0;
    IOleLink* l = Link();
    if (!l) return 0;
    l->Release();
    return 1;
}

HRESULT TOleUILinkInfo::SetLinkUpdateOptions(DWORD, DWORD updateOption) {
    IOleLink* l = Link();
    if (!l) return E_FAIL;
    const HRESULT hr = l->SetUpdateOptions(updateOption);
    l->Release();
    return hr;
}

HRESULT TOleUILinkInfo::GetLinkUpdateOptions(DWORD, DWORD* updateOption) {
    IOleLink* l = Link();
    if (!l) return E_FAIL;
    const HRESULT hr = l->GetUpdateOptions(updateOption);
    l->Release();
    return hr;
}

HRESULT TOleUILinkInfo::SetLinkSource(DWORD, LPSTR displayName, ULONG, ULONG* eaten,
                                      BOOL validateSource) {
    IOleLink* l = Link();
    if (!l) return E_FAIL;
    const std::wstring name = Wide(displayName ? displayName : "");
    HRESULT hr = l->SetSourceDisplayName(name.c_str());
    if (SUCCEEDED(hr) && validateSource) hr = l->BindToSource(0, nullptr);
    l->Release();
    if (eaten) *eaten = SUCCEEDED(hr) && displayName ? static_cast<ULONG>(strlen(displayName)) : 0;
    if (FAILED(hr))
        MessageBoxA(FRichEdit->Handle(), "Cannot link to an invalid source.", "Link Properties",
                    MB_OK | MB_ICONEXCLAMATION);
    return hr;
}

HRESULT TOleUILinkInfo::GetLinkSource(DWORD, LPSTR* displayName, ULONG* fileNameLength,
                                      LPSTR* fullLinkType, LPSTR* shortLinkType,
                                      BOOL* sourceAvailable, BOOL* selected) {
    return Guarded([&]() -> HRESULT {
        IOleLink* l = Link();
        if (!l) return E_FAIL;
        LPOLESTR source = nullptr;
        const HRESULT hr = l->GetSourceDisplayName(&source);
        l->Release();
        const std::string name = TakeOleString(SUCCEEDED(hr) ? source : nullptr);
        if (displayName) *displayName = OleAnsi(name);
        if (fileNameLength) *fileNameLength = static_cast<ULONG>(name.size());
        if (fullLinkType) *fullLinkType = OleAnsi(UserType(FObject.poleobj, USERCLASSTYPE_FULL));
        if (shortLinkType) *shortLinkType = OleAnsi(UserType(FObject.poleobj, USERCLASSTYPE_SHORT));
        if (sourceAvailable) *sourceAvailable = SUCCEEDED(hr);
        if (selected) *selected = TRUE;
        return hr;
    });
}

HRESULT TOleUILinkInfo::OpenLinkSource(DWORD) {
    if (!FObject.poleobj) return E_FAIL;
    RECT r = FRichEdit->ClientRect();
    return FObject.poleobj->DoVerb(OLEIVERB_SHOW, nullptr, FObject.polesite, 0, FRichEdit->Handle(),
                                   &r);
}

HRESULT TOleUILinkInfo::UpdateLink(DWORD, BOOL, BOOL) {
    IOleLink* l = Link();
    if (!l) return E_FAIL;
    const HRESULT hr = l->Update(nullptr);
    l->Release();
    return hr;
}

HRESULT TOleUILinkInfo::CancelLink(DWORD) {
    MessageBoxA(FRichEdit->Handle(), "Break link operation is not supported.", "Link Properties",
                MB_OK | MB_ICONINFORMATION);
    return E_NOTIMPL;
}

HRESULT TOleUILinkInfo::GetLastUpdate(DWORD, FILETIME* lastUpdate) {
    if (lastUpdate) *lastUpdate = FILETIME{0, 0};
    return S_OK;
}

// ---- The control's OLE operations ---------------------------------------------------------

void TXcCustomRichEdit::UpdateHostNames() {
    if (!FRichEditOle) return;
    std::string app = Application ? Trim(Application->Title()) : std::string();
    if (app.empty()) {
        char exe[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, exe, MAX_PATH);
        app = ExtractFileName(exe);
    }
    const std::string title = Trim(FTitle);
    FRichEditOle->SetHostNames(app.c_str(), title.empty() ? app.c_str() : title.c_str());
}

void TXcCustomRichEdit::CloseObjects() {
    if (!FRichEditOle) return;
    for (LONG i = FRichEditOle->GetObjectCount() - 1; i >= 0; --i) {
        TObjectRef object;
        if (FAILED(FRichEditOle->GetObject(i, &object.reo, REO_GETOBJ_POLEOBJ)) ||
            !object.reo.poleobj)
            continue;
        if (object.reo.dwFlags & REO_INPLACEACTIVE) FRichEditOle->InPlaceDeactivate();
        object.reo.poleobj->Close(OLECLOSE_NOSAVE);
    }
}

namespace {

// A new object: the window's client site, a fresh storage and the object made on them.
struct TNewObject {
    IOleClientSite* site = nullptr;
    IStorage* storage = nullptr;
    IOleObject* object = nullptr;

    TNewObject() = default;
    TNewObject(const TNewObject&) = delete;
    TNewObject& operator=(const TNewObject&) = delete;
    ~TNewObject() {
        ReleaseRef(object);
        ReleaseRef(storage);
        ReleaseRef(site);
    }
    bool Prepare(TXcCustomRichEdit* edit) {
        return SUCCEEDED(edit->RichEditOle()->GetClientSite(&site)) &&
               SUCCEEDED(edit->OleCallback()->GetNewStorage(&storage));
    }
    // Puts the object at the selection (as an icon when asked) and gives the selection back.
    bool Insert(TXcCustomRichEdit* edit, bool asIcon) {
        if (!object) return false;
        CLSID clsid = CLSID_NULL;
        object->GetUserClassID(&clsid);
        OleSetContainedObject(object, TRUE);
        REOBJECT reo{};
        reo.cbStruct = sizeof reo;
        reo.cp = REO_CP_SELECTION;
        reo.clsid = clsid;
        reo.poleobj = object;
        reo.pstg = storage;
        reo.polesite = site;
        reo.dvaspect = asIcon ? DVASPECT_ICON : DVASPECT_CONTENT;
        reo.dwFlags = REO_RESIZABLE;
        const CHARRANGE selection = edit->GetSelection();
        const bool ok = SUCCEEDED(edit->RichEditOle()->InsertObject(&reo));
        edit->SetSelection(selection.cpMin, selection.cpMax, true);
        return ok;
    }
};

}  // namespace

bool TXcCustomRichEdit::InsertObjectDialog() {
    if (!FAllowObjects || !Handle() || !FRichEditOle) return false;
    TNewObject made;
    if (!made.Prepare(this)) return false;
    char file[257] = {};
    OLEUIINSERTOBJECTA dialog{};
    dialog.cbStruct = sizeof dialog;
    dialog.dwFlags = IOF_SELECTCREATENEW | IOF_CREATENEWOBJECT | IOF_CREATEFILEOBJECT |
                     IOF_CREATELINKOBJECT | IOF_VERIFYSERVERSEXIST;
    dialog.hWndOwner = FHandle;
    dialog.lpszFile = file;
    dialog.cchFile = 256;
    dialog.iid = IID_IOleObject;
    dialog.oleRender = OLERENDER_DRAW;
    dialog.lpIOleClientSite = made.site;
    dialog.lpIStorage = made.storage;
    dialog.ppvObj = reinterpret_cast<void**>(&made.object);
    const UINT result = OleUIInsertObjectA(&dialog);
    if (dialog.hMetaPict) FreeMetafilePict(dialog.hMetaPict);
    return result == OLEUI_SUCCESS &&
           made.Insert(this, (dialog.dwFlags & IOF_CHECKDISPLAYASICON) != 0);
}

bool TXcCustomRichEdit::PasteSpecialDialog() {
    if (!FAllowObjects || !Handle() || !FRichEditOle) return false;
    auto entry = [](CLIPFORMAT format, DWORD tymed, const char* name, const char* result,
                    DWORD flags) {
        OLEUIPASTEENTRYA e{};
        e.fmtetc = FORMATETC{format, nullptr, DVASPECT_CONTENT, -1, tymed};
        e.lpstrFormatName = name;
        e.lpstrResultText = result;
        e.dwFlags = flags;
        return e;
    };
    OLEUIPASTEENTRYA entries[] = {
        entry(RichClipboardFormat(0), TYMED_ISTORAGE, "%s", "%s",
              PSF_SELECTPASTE | PSF_CHECKDISPLAYASICON),
        entry(RichClipboardFormat(1), TYMED_ISTREAM, "%s", "%s",
              PSF_SELECTPASTELINK | PSF_CHECKDISPLAYASICON),
        entry(RichClipboardFormat(2), TYMED_HGLOBAL, "Rich Text Format", "Rich Text Format",
              PSF_SELECTPASTE),
        entry(RichClipboardFormat(3), TYMED_HGLOBAL, "Rich Text Format Without Objects",
              "Rich Text Format Without Objects", PSF_SELECTPASTE),
        entry(CF_TEXT, TYMED_HGLOBAL, "Unformatted text", "text without any formatting",
              PSF_SELECTPASTE),
        entry(CF_BITMAP, TYMED_GDI, "Windows Bitmap", "bitmap image", PSF_SELECTPASTE),
    };
    UINT linkTypes[] = {RichClipboardFormat(1)};
    OLEUIPASTESPECIALA dialog{};
    dialog.cbStruct = sizeof dialog;
    dialog.dwFlags = PSF_SELECTPASTE;
    dialog.hWndOwner = FHandle;
    dialog.arrPasteEntries = entries;
    dialog.cPasteEntries = static_cast<int>(std::size(entries));
    dialog.arrLinkTypes = linkTypes;
    dialog.cLinkTypes = 1;
    const UINT result = OleUIPasteSpecialA(&dialog);
    struct Done {
        OLEUIPASTESPECIALA& d;
        ~Done() {
            ReleaseRef(d.lpSrcDataObj);
            if (d.hMetaPict) FreeMetafilePict(d.hMetaPict);
        }
    } done{dialog};
    if (result != OLEUI_OK || dialog.nSelectedIndex < 0 ||
        dialog.nSelectedIndex >= static_cast<int>(std::size(entries)))
        return false;
    const FORMATETC& chosen = entries[dialog.nSelectedIndex].fmtetc;
    const bool asIcon = (dialog.dwFlags & PSF_CHECKDISPLAYASICON) != 0;
    const CHARRANGE selection = GetSelection();
    if (chosen.cfFormat == RichClipboardFormat(0) || chosen.cfFormat == RichClipboardFormat(1) ||
        dialog.fLink) {
        TNewObject made;
        if (!made.Prepare(this)) return false;
        auto* out = reinterpret_cast<void**>(&made.object);
        const HRESULT hr =
            dialog.fLink
                ? OleCreateLinkFromData(dialog.lpSrcDataObj, IID_IOleObject, OLERENDER_DRAW,
                                        nullptr, made.site, made.storage, out)
                : OleCreateFromData(dialog.lpSrcDataObj, IID_IOleObject, OLERENDER_DRAW, nullptr,
                                    made.site, made.storage, out);
        return SUCCEEDED(hr) && made.Insert(this, asIcon);
    }
    // A format the window pastes itself.
    REPASTESPECIAL how{asIcon ? static_cast<DWORD>(DVASPECT_ICON) : 0, 0};
    Send(EM_PASTESPECIAL, chosen.cfFormat, reinterpret_cast<LPARAM>(&how));
    SetSelection(selection.cpMin, selection.cpMax, true);
    return true;
}

bool TXcCustomRichEdit::ObjectPropertiesDialog() {
    if (!FAllowObjects || !Handle() || !FRichEditOle || SelectionType() != stObject) return false;
    TObjectRef object;
    if (FAILED(FRichEditOle->GetObject(REO_IOB_SELECTION, &object.reo, REO_GETOBJ_ALL_INTERFACES)))
        return false;
    TOleUIObjInfo objInfo(this, object.reo);
    TOleUILinkInfo linkInfo(this, object.reo);
    const std::string caption =
        Format("%s - %s", Application ? Application->Title() : std::string(), FTitle);
    PROPSHEETHEADERA sheet{};
    sheet.dwSize = sizeof sheet;
    sheet.pszCaption = caption.c_str();
    OLEUIGNRLPROPSA general{};
    general.cbStruct = sizeof general;
    OLEUIVIEWPROPSA view{};
    view.cbStruct = sizeof view;
    OLEUILINKPROPSA link{};
    link.cbStruct = sizeof link;
    OLEUIOBJECTPROPSA props{};
    props.cbStruct = sizeof props;
    props.dwFlags = linkInfo.GetNextLink(0) ? OPF_OBJECTISLINK : 0;
    props.lpPS = &sheet;
    props.dwObject = 1;
    props.lpObjInfo = &objInfo;
    props.dwLink = props.dwFlags ? 1 : 0;
    props.lpLinkInfo = &linkInfo;
    props.lpGP = &general;
    props.lpVP = &view;
    props.lpLP = &link;
    return OleUIObjectPropertiesA(&props) == OLEUI_OK;
}

// ---- The verb menu ------------------------------------------------------------------------

TPopupMenu* TXcCustomRichEdit::GetPopupMenu() {
    TPopupMenu* own = TCustomMemo::GetPopupMenu();
    // What an earlier popup added to the control's own menu goes first.
    constexpr intptr_t kAdded = -0x7EB;
    for (int i = own ? own->Items()->Count() - 1 : -1; i >= 0; --i)
        if (own->Items()->Items(i)->Tag == kAdded) own->Items()->Delete(i);
    delete FPopupVerbMenu;
    FPopupVerbMenu = nullptr;
    if (!AutoVerbMenu || !FRichEditOle || SelectionType() != stObject) return own;
    TObjectRef object;
    if (FAILED(FRichEditOle->GetObject(REO_IOB_SELECTION, &object.reo, REO_GETOBJ_POLEOBJ)) ||
        !object.reo.poleobj || (object.reo.dwFlags & REO_INPLACEACTIVE))
        return own;
    struct Verb {
        LONG number;
        std::string name;
    };
    std::vector<Verb> verbs;
    IEnumOLEVERB* list = nullptr;
    if (SUCCEEDED(object.reo.poleobj->EnumVerbs(&list)) && list) {
        OLEVERB verb{};
        ULONG got = 0;
        while (list->Next(1, &verb, &got) == S_OK && got == 1) {
            const bool listed =
                verb.lVerb >= 0 && (verb.grfAttribs & OLEVERBATTRIB_ONCONTAINERMENU);
            std::string name = TakeOleString(verb.lpszVerbName);
            if (!listed) break;
            verbs.push_back({verb.lVerb, name});
        }
        list->Release();
    }
    const std::string type = UserType(object.reo.poleobj, USERCLASSTYPE_SHORT);
    FPopupVerbMenu = new TPopupMenu(this);
    auto verbItem = [this](TComponent* owner, const Verb& v) {
        auto* item = new TMenuItem(owner);
        item->SetCaption(v.name);
        item->Tag = v.number;
        item->SetDefault(v.number == 0);
        item->OnClick = [this](TComponent* sender) {
            TObjectRef selected;
            if (!FRichEditOle ||
                FAILED(FRichEditOle->GetObject(REO_IOB_SELECTION, &selected.reo,
                                               REO_GETOBJ_POLEOBJ | REO_GETOBJ_POLESITE)) ||
                !selected.reo.poleobj)
                return;
            RECT r = ClientRect();
            selected.reo.poleobj->DoVerb(static_cast<LONG>(sender->Tag), nullptr,
                                         selected.reo.polesite, 0, Handle(), &r);
        };
        return item;
    };
    auto propertiesItem = [this, &type](TComponent* owner) {
        auto* item = new TMenuItem(owner);
        item->SetCaption(Format("%s Properties", type));
        item->OnClick = [this](TComponent*) { ObjectPropertiesDialog(); };
        return item;
    };
    if (own && own->Items()->Count() > 0) {
        auto add = [&](TMenuItem* item) {
            item->Tag = kAdded;
            own->Items()->Add(item);
        };
        auto* line = new TMenuItem(own);
        line->SetCaption("-");
        add(line);
        add(propertiesItem(own));
        if (!verbs.empty()) {
            auto* sub = new TMenuItem(own);
            sub->SetCaption(type);
            for (const Verb& v : verbs) sub->Add(verbItem(own, v));
            add(sub);
        }
        return own;
    }
    if (verbs.empty()) return own;
    FPopupVerbMenu->Items()->Add(propertiesItem(FPopupVerbMenu));
    for (const Verb& v : verbs) FPopupVerbMenu->Items()->Add(verbItem(FPopupVerbMenu, v));
    return FPopupVerbMenu;
}
