// Owner-drawn combo boxes: a colour picker with a swatch in front of each name
// (TColorComboBox, the console palette's 16 colours) and a font picker listing the
// installed families with a TrueType or printer mark (TFontComboBox). Their arithmetic is
// controls/core/XcComboRules.h.
#pragma once

#include <memory>
#include <string>

#include "controls/core/XcComboRules.h"
#include "framework/StdCtrls.h"

// A combo box drawn by its owner, items of one height (the font's text height + 1, at
// least 9): drop-down, simple or drop-down list (the first).
class TOwnerDrawComboBox : public TCustomComboBox {
public:
    explicit TOwnerDrawComboBox(TComponent* owner);
    // csDropDown, csSimple or csDropDownList (owner drawing is always added).
    void SetStyle(TComboBoxStyle style);
    void WndProc(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void FontChanged() override;
    // The least item height; the font combo also fits its marks.
    virtual int MinItemHeight();
    // OnChange, except while the component is being loaded or its list filled.
    void DoChange();
    void ResetItemHeight();
    // The user chose an item (-1: none) / typed into an editable box: DoChange here.
    virtual void ItemChosen(int index) {
        (void)index;
        DoChange();
    }
    virtual void TextChanged() { DoChange(); }
    bool IsEditable() const { return Style() == csDropDown || Style() == csSimple; }
    bool FUpdating = false;
};

class TColorComboBox : public TOwnerDrawComboBox {
public:
    explicit TColorComboBox(TComponent* owner);
    TColor ColorValue() const;
    // Selects the colour's item; a colour the list lacks clears the selection of a
    // drop-down list (ColorValue still gives it) or shows its name in an editable box.
    void SetColorValue(TColor color);
    bool DisplayNames() const { return FDisplayNames; }
    void SetDisplayNames(bool display);
    // Names in place of the colours' own (an empty line keeps the colour's own).
    TStrings* ColorNames() { return &FColorNames; }
    void SetColorNames(const TStrings& names);

protected:
    void CreateWnd() override;
    void DrawItem(int index, RECT rect, TOwnerDrawState state) override;
    void ItemChosen(int index) override;
    void TextChanged() override;

private:
    void PopulateList();
    void ColorNamesChanged();
    TColor ItemColor(int index);
    TColor FColorValue = clBlack;
    bool FDisplayNames = true;
    TStringList FColorNames;
};

enum TFontDevice { fdScreen, fdPrinter, fdBoth };

class TFontComboBox : public TOwnerDrawComboBox {
public:
    explicit TFontComboBox(TComponent* owner);
    ~TFontComboBox() override;

    // The chosen family (the text). A name the list lacks is kept: an editable box shows
    // it, a drop-down list gets it as an item of its own, so that it reads back.
    std::string FontName() const { return Caption(); }
    void SetFontName(const std::string& name);
    TFontListOptions Options() const { return FOptions; }
    void SetOptions(TFontListOptions options);
    bool TrueTypeOnly() const { return (FOptions & FontListOption(foTrueTypeOnly)) != 0; }
    void SetTrueTypeOnly(bool on);
    TFontDevice Device() const { return FDevice; }
    void SetDevice(TFontDevice device);
    // Fills the list again (fonts installed or removed), keeping the chosen name.
    void Reset();

protected:
    void CreateWnd() override;
    void DrawItem(int index, RECT rect, TOwnerDrawState state) override;
    int MinItemHeight() override;
    void TextChanged() override;

private:
    void PopulateList();
    std::unique_ptr<TBitmap> FTrueTypeMark, FDeviceMark;
    TFontDevice FDevice = fdScreen;
    TFontListOptions FOptions = 0;
};
