// The common controls: up-down buttons, tab controls and page controls, and the cool bar
// (a rebar of bands that the user may move, break into rows and resize).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "framework/Controls.h"
#include "framework/core/Strings.h"

// ---- Up-down ----------------------------------------------------------------------------

enum TUDBtnType { btNext, btPrev };
enum TUDOrientation { udHorizontal, udVertical };
using TUDClickEvent = std::function<void(TComponent* sender, TUDBtnType button)>;
using TUDChangingEvent = std::function<void(TComponent* sender, bool& allowChange)>;

class TCustomUpDown : public TWinControl {
public:
    explicit TCustomUpDown(TComponent* owner);
    ~TCustomUpDown() override;

    int Min() const { return FMin; }
    void SetMin(int v);
    int Max() const { return FMax; }
    void SetMax(int v);
    // Setting it in code fires nothing.
    int Position() const;
    void SetPosition(int v);
    int Increment() const { return FIncrement; }
    void SetIncrement(int v);
    TUDOrientation Orientation() const { return FOrientation; }
    void SetOrientation(TUDOrientation o);
    bool Wrap() const { return FWrap; }
    void SetWrap(bool wrap);
    bool ArrowKeys() const { return FArrowKeys; }
    void SetArrowKeys(bool on);
    // The control whose text shows the position (and takes the arrow keys).
    TWinControl* Associate() const { return FAssociate; }
    void SetAssociate(TWinControl* control);

    // A button was pressed: btNext when the position went up.
    TUDClickEvent OnClick;
    TUDChangingEvent OnChanging;

    void WndProc(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateHandleDone() override;
    void Notification(TComponent* component, TOperation operation) override;
    virtual void Click(TUDBtnType button);
    using TControl::Click;

private:
    int FMin = 0, FMax = 100, FPosition = 0, FIncrement = 1;
    TUDOrientation FOrientation = udVertical;
    bool FWrap = false;
    bool FArrowKeys = true;
    TWinControl* FAssociate = nullptr;
};

class TUpDown : public TCustomUpDown {
public:
    using TCustomUpDown::TCustomUpDown;
};

// ---- Tabs -------------------------------------------------------------------------------

using TTabChangingEvent = std::function<void(TComponent* sender, bool& allowChange)>;

class TCustomTabControl;

// The tab captions of a tab control, in its window while it exists.
class TTabStrings : public TStrings {
public:
    explicit TTabStrings(TCustomTabControl* control) : FControl(control) {}
    void Clear() override;
    void Delete(int index) override;
    void Insert(int index, const std::string& s) override;

protected:
    std::string Get(int index) const override;
    int GetCount() const override;
    void Put(int index, const std::string& s) override;

private:
    friend class TCustomTabControl;
    TCustomTabControl* FControl;
};

class TCustomTabControl : public TWinControl {
public:
    explicit TCustomTabControl(TComponent* owner);
    // The area inside the tabs and frame, in client coordinates.
    RECT DisplayRect();
    // The tab under a client point (-1: none).
    int IndexOfTabAt(int x, int y);

    // The user chose another tab (not fired for a change made in code).
    TNotifyEvent OnChange;
    // Before: the handler may refuse the change.
    TTabChangingEvent OnChanging;

    void WndProc(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    RECT AlignRect() override;
    virtual void Change();
    virtual bool CanChange();
    int CurrentTab() const;
    void SelectTab(int index);

    std::vector<std::string> FTabs;  // while there is no window
    int FTabIndex = -1;

private:
    friend class TTabStrings;
};

class TTabControl : public TCustomTabControl {
public:
    explicit TTabControl(TComponent* owner) : TCustomTabControl(owner), FTabStrings(this) {}
    TStrings* Tabs() { return &FTabStrings; }
    int TabIndex() const { return CurrentTab(); }
    void SetTabIndex(int index) { SelectTab(index); }

private:
    TTabStrings FTabStrings;
};

class TPageControl;

// One page of a page control; its caption is the tab's text.
class TTabSheet : public TWinControl {
public:
    explicit TTabSheet(TComponent* owner);
    ~TTabSheet() override;
    TPageControl* PageControl() const { return FPageControl; }
    void SetPageControl(TPageControl* control);
    int PageIndex() const;
    void SetCaption(const std::string& caption) override;
    void SetParent(TWinControl* parent) override;

private:
    friend class TPageControl;
    TPageControl* FPageControl = nullptr;
};

class TPageControl : public TCustomTabControl {
public:
    explicit TPageControl(TComponent* owner) : TCustomTabControl(owner) {}
    ~TPageControl() override;
    int PageCount() const { return static_cast<int>(FPages.size()); }
    TTabSheet* Pages(int index) const { return FPages.at(static_cast<size_t>(index)); }
    TTabSheet* ActivePage() const;
    // Shows that page (fires nothing).
    void SetActivePage(TTabSheet* page);
    int ActivePageIndex() const { return CurrentTab(); }
    void SetActivePageIndex(int index);

protected:
    void Change() override;
    void CreateWnd() override;

private:
    friend class TTabSheet;
    void InsertPage(TTabSheet* page);
    void RemovePage(TTabSheet* page);
    void PageCaptionChanged(TTabSheet* page);
    void ShowActive();
    std::vector<TTabSheet*> FPages;
};

// ---- Cool bar ---------------------------------------------------------------------------

class TCoolBar;

// One band of a cool bar: a control with a grip, moved and sized by the user.
class TCoolBand {
public:
    TWinControl* Control() const { return FControl; }
    void SetControl(TWinControl* control);
    const std::string& Text() const { return FText; }
    void SetText(const std::string& text);
    // Position among the bands (0 first); setting it moves the band.
    int Index() const;
    void SetIndex(int index);
    // The band's width in pixels, as it is now.
    int Width() const;
    void SetWidth(int width);
    // The band starts a new row.
    bool Break() const;
    void SetBreak(bool brk);
    int MinHeight() const { return FMinHeight; }
    void SetMinHeight(int height);
    int MinWidth() const { return FMinWidth; }
    void SetMinWidth(int width);
    bool Visible() const { return FVisible; }
    void SetVisible(bool visible);
    bool FixedSize() const { return FFixedSize; }
    void SetFixedSize(bool fixed);
    UINT Id() const { return FId; }

private:
    friend class TCoolBar;
    friend class TCoolBands;
    friend struct CoolBandInfo;
    explicit TCoolBand(TCoolBar* bar, UINT id) : FBar(bar), FId(id) {}
    void Update();
    TCoolBar* FBar;
    UINT FId;
    TWinControl* FControl = nullptr;
    std::string FText;
    int FWidth = 100;
    bool FBreak = true;
    int FMinHeight = 25;
    int FMinWidth = 0;
    bool FVisible = true;
    bool FFixedSize = false;
};

class TCoolBands {
public:
    // In the bar's current order (as the user left it).
    int Count() const;
    TCoolBand* Items(int index) const;
    TCoolBand* Add();
    // The band that holds `control` (nullptr: none).
    TCoolBand* FindBand(const TControl* control) const;
    void Delete(int index);

private:
    friend class TCoolBar;
    friend class TCoolBand;
    explicit TCoolBands(TCoolBar* bar) : FBar(bar) {}
    TCoolBar* FBar;
    std::vector<std::unique_ptr<TCoolBand>> FItems;
};

class TCoolBar : public TWinControl {
public:
    explicit TCoolBar(TComponent* owner);
    ~TCoolBar() override;
    TCoolBands* Bands() { return &FBands; }
    // The height follows the rows of bands.
    void WndProc(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    friend class TCoolBand;
    friend class TCoolBands;
    // Reads the order, widths and breaks the window has into the bands.
    void SyncFromWindow() const;
    void InsertBand(TCoolBand* band);
    int WindowIndex(const TCoolBand* band) const;
    void FitHeight();
    TCoolBands FBands;
    UINT FNextId = 1;
};
