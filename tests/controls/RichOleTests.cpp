// The rich edit's OLE side under Wine: the callback object and its storage, the in-place
// context, an embedded object (a fake with Korean names and verbs) in the verb menu and
// closed without saving, and the system's OLE dialogs as far as Wine has them.
#include <ole2.h>

#include "RichEditKit.h"
#include "controls/XcRichOle.h"
#include "framework/Clipbrd.h"
#include "framework/Menus.h"
#include "framework/Timers.h"

namespace {

using Log = std::vector<std::string>;

std::wstring W(const std::string& ansi) {
    std::wstring w(ansi.size() + 1, L'\0');
    w.resize(static_cast<size_t>(
        MultiByteToWideChar(949, 0, ansi.c_str(), -1, w.data(), static_cast<int>(w.size())) - 1));
    return w;
}

LPOLESTR OleString(const std::wstring& s) {
    auto* p = static_cast<LPOLESTR>(CoTaskMemAlloc((s.size() + 1) * sizeof(wchar_t)));
    std::copy(s.c_str(), s.c_str() + s.size() + 1, p);
    return p;
}

// The verbs of the fake object, as the object lists them.
struct Verbs final : IEnumOLEVERB {
    std::vector<OLEVERB> list;
    size_t at = 0;
    ULONG refs = 1;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override {
        if (--refs) return refs;
        delete this;
        return 0;
    }
    HRESULT STDMETHODCALLTYPE Next(ULONG, OLEVERB* verb, ULONG* got) override {
        if (at == list.size()) return (*got = 0), S_FALSE;
        *verb = list[at++];
        verb->lpszVerbName = OleString(verb->lpszVerbName);
        *got = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reset() override { return (at = 0), S_OK; }
    HRESULT STDMETHODCALLTYPE Clone(IEnumOLEVERB**) override { return E_NOTIMPL; }
};

// An embedded object that names itself in Korean, lists four verbs (the third not for the
// container's menu) and logs what is done to it.
class FakeObject : public IOleObject {
public:
    explicit FakeObject(Log& log) : log(log) {}
    Log& log;
    ULONG refs = 1;
    std::wstring names[4] = {W(K("열기")), W(K("편집")), W(K("숨김")), W(K("인쇄"))};

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        *out = iid == IID_IUnknown || iid == IID_IOleObject ? this : nullptr;
        if (!*out) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Close(DWORD save) override {
        log.push_back(save == OLECLOSE_NOSAVE ? "close without saving" : "close");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD, IDataObject**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DoVerb(LONG verb, LPMSG, IOleClientSite*, LONG, HWND,
                                     LPCRECT) override {
        log.push_back("verb " + std::to_string(verb));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB** out) override {
        auto* verbs = new Verbs;
        for (LONG i = 0; i < 4; ++i)
            verbs->list.push_back(
                OLEVERB{i, names[i].data(), 0,
                        i == 2 ? 0u : static_cast<DWORD>(OLEVERBATTRIB_ONCONTAINERMENU)});
        *out = verbs;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Update() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE IsUpToDate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID* id) override {
        return (*id = CLSID_NULL), S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetUserType(DWORD form, LPOLESTR* name) override {
        *name = OleString(W(form == USERCLASSTYPE_SHORT ? K("가짜") : K("가짜 개체")));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetExtent(DWORD, SIZEL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetExtent(DWORD, SIZEL* size) override {
        *size = SIZEL{1000, 1000};
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Advise(IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }
};

class VerbRichEdit : public TXcRichEdit {
public:
    using TXcCustomRichEdit::GetPopupMenu;
    using TXcRichEdit::TXcRichEdit;
};

std::vector<std::string> Captions(TMenuItem* items) {
    std::vector<std::string> c;
    for (int i = 0; i < items->Count(); ++i) c.push_back(items->Items(i)->Caption());
    return c;
}

// Runs `run` while a timer presses `button` in the first dialog the thread shows.
bool WithDialog(const std::function<bool()>& run, int button) {
    TTimer timer;
    bool pressed = false;
    timer.SetInterval(50);
    timer.SetOnTimer([&](TComponent*) {
        HWND dialog = FindWindowA("#32770", nullptr);
        if (pressed || !dialog || GetWindowThreadProcessId(dialog, nullptr) != GetCurrentThreadId())
            return;
        PostMessageA(dialog, WM_COMMAND, button, 0);
        pressed = true;
    });
    const bool result = run();
    EXPECT_TRUE(pressed) << "no dialog was shown";
    return result;
}

class RichOle : public RichEditForm {};

TEST_F(RichOle, TheCallbackCountsReferencesAndMakesStorage) {
    TRichEditOleCallback* callback = edit->OleCallback();
    edit->HandleNeeded();
    ASSERT_NE(edit->RichEditOle(), nullptr);
    const LONG held = callback->RefCount();  // the window's
    EXPECT_GE(held, 1);
    void* out = nullptr;
    EXPECT_EQ(callback->QueryInterface(IID_IRichEditOleCallback, &out), S_OK);
    EXPECT_EQ(out, static_cast<IRichEditOleCallback*>(callback));
    EXPECT_EQ(callback->RefCount(), held + 1);
    callback->Release();
    EXPECT_EQ(callback->QueryInterface(IID_IOleObject, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    edit->SetAllowObjects(false);  // a new window without objects lets go of it
    EXPECT_EQ(callback->RefCount(), 0);
    EXPECT_EQ(edit->RichEditOle(), nullptr);

    IStorage* storage = nullptr;
    ASSERT_EQ(callback->GetNewStorage(&storage), S_OK);
    IStream* stream = nullptr;
    ASSERT_EQ(storage->CreateStream(
                  L"Contents", STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, 0, &stream),
              S_OK);
    const std::string text = K("저장된 개체");
    stream->Write(text.data(), static_cast<ULONG>(text.size()), nullptr);
    LARGE_INTEGER zero{};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    char back[32] = {};
    ULONG read = 0;
    stream->Read(back, sizeof back, &read);
    EXPECT_EQ(std::string(back, read), text);
    stream->Release();
    storage->Release();
}

TEST_F(RichOle, TheInPlaceContextIsTheFormWithItsMenusAccelerators) {
    auto* menu = new TMainMenu(form);
    auto* file = new TMenuItem(menu);
    file->SetCaption(K("파일"));
    menu->Items()->Add(file);
    for (TShortCut key : {TShortCut(ShortCut('N', ssCtrl)), TShortCut(ShortCut(VK_F2, ssShift))}) {
        auto* item = new TMenuItem(menu);
        item->SetCaption(K("항목"));
        item->SetShortCut(key);
        file->Add(item);
    }
    form->SetMenu(menu);
    TRichEditOleCallback* callback = edit->OleCallback();
    IOleInPlaceFrame* frame = nullptr;
    IOleInPlaceUIWindow* document = nullptr;
    OLEINPLACEFRAMEINFO info{};
    info.cb = sizeof info;
    edit->AllowInPlace = false;
    EXPECT_EQ(callback->GetInPlaceContext(&frame, &document, &info), E_NOTIMPL);
    edit->AllowInPlace = true;
    ASSERT_EQ(callback->GetInPlaceContext(&frame, &document, &info), S_OK);
    HWND window = nullptr;
    frame->GetWindow(&window);
    EXPECT_EQ(window, form->Handle());
    EXPECT_EQ(info.hwndFrame, form->Handle());
    EXPECT_EQ(info.cAccelEntries, 2u);
    EXPECT_NE(info.haccel, nullptr);
    callback->ShowContainerUI(TRUE);
    EXPECT_TRUE(edit->UIActive());
    callback->ShowContainerUI(FALSE);
    EXPECT_FALSE(edit->UIActive());
    EXPECT_EQ(callback->AccelTable(), nullptr);
    frame->Release();
}

TEST_F(RichOle, ASelectedObjectGetsItsVerbMenuAndIsClosedWithoutSaving) {
    Log log;
    FakeObject object(log);
    auto* verbs = new VerbRichEdit(form);
    verbs->SetParent(form);
    verbs->SetText(K("앞뒤"));
    verbs->SetSelection(1, 1, false);
    REOBJECT reo{};
    reo.cbStruct = sizeof reo;
    reo.cp = REO_CP_SELECTION;
    reo.poleobj = &object;
    reo.dvaspect = DVASPECT_CONTENT;
    ASSERT_EQ(verbs->RichEditOle()->InsertObject(&reo), S_OK);
    verbs->SetSelection(1, 2, false);
    ASSERT_EQ(verbs->SelectionType(), static_cast<TRichSelectionType>(stObject));

    TPopupMenu* menu = verbs->GetPopupMenu();
    ASSERT_NE(menu, nullptr);
    const std::string properties = K("가짜") + " Properties";
    EXPECT_EQ(Captions(menu->Items()), (Log{properties, K("열기"), K("편집")}));
    EXPECT_TRUE(menu->Items()->Items(1)->Default());
    menu->Items()->Items(2)->Click();
    EXPECT_EQ(log, Log{"verb 1"});

    auto* own = new TPopupMenu(form);
    auto* copy = new TMenuItem(own);
    copy->SetCaption(K("복사"));
    own->Items()->Add(copy);
    verbs->SetPopupMenu(own);
    for (int twice = 0; twice < 2; ++twice) EXPECT_EQ(verbs->GetPopupMenu(), own);
    EXPECT_EQ(Captions(own->Items()), (Log{K("복사"), "-", properties, K("가짜")}));
    EXPECT_EQ(Captions(own->Items()->Items(3)), (Log{K("열기"), K("편집")}));
    verbs->SetSelection(0, 0, false);
    EXPECT_EQ(verbs->GetPopupMenu(), own);
    EXPECT_EQ(Captions(own->Items()), Log{K("복사")});

    REOBJECT got{};
    got.cbStruct = sizeof got;
    ASSERT_EQ(verbs->RichEditOle()->GetObject(0, &got, REO_GETOBJ_POLEOBJ), S_OK);
    TOleUIObjInfo info(verbs, got);
    LPSTR label = nullptr, type = nullptr, shortType = nullptr;
    EXPECT_EQ(info.GetObjectInfo(0, nullptr, &label, &type, &shortType, nullptr), S_OK);
    EXPECT_EQ(std::string(type) + "|" + shortType, K("가짜 개체") + "|" + K("가짜"));
    for (LPSTR s : {label, type, shortType}) CoTaskMemFree(s);
    got.poleobj->Release();

    log.clear();
    verbs->CloseObjects();
    EXPECT_EQ(log, Log{"close without saving"});
    delete verbs;
    EXPECT_EQ(object.refs, 1u);  // everything the window took was given back
}

TEST_F(RichOle, TheInsertAndPasteDialogsUnderWine) {
    edit->SetText(K("붙이기 전"));
    EXPECT_FALSE(WithDialog([&] { return edit->InsertObjectDialog(); }, IDCANCEL));
    EXPECT_EQ(edit->RichEditOle()->GetObjectCount(), 0);

    Clipboard()->SetAsText(K("붙인 글"));
    edit->SetSelection(3, 3, false);
    EXPECT_TRUE(WithDialog([&] { return edit->PasteSpecialDialog(); }, IDOK));
    EXPECT_EQ(Text(), K("붙이기붙인 글 전"));
}

}  // namespace
