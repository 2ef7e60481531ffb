// File-name and directory edits: combo edits whose button opens a system dialog and writes
// the choice back, and which take files dragged from the shell. The text rules are
// controls/core/FileEditRules.h.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "controls/ComboEdit.h"
#include "framework/Dialogs.h"

using TExecOpenDialogEvent =
    std::function<void(TComponent* sender, std::string& name, bool& action)>;

class EComboEditError : public Exception {
public:
    using Exception::Exception;
};

class TFileDirEdit : public TCustomComboEdit {
public:
    explicit TFileDirEdit(TComponent* owner);

    // Takes files dropped from the shell (never at design time).
    bool AcceptFiles() const { return FAcceptFiles; }
    void SetAcceptFiles(bool accept);
    // More than one entry: a list of directories, or every dropped file.
    bool MultipleDirs = false;
    TExecOpenDialogEvent OnBeforeDialog;
    TExecOpenDialogEvent OnAfterDialog;
    // After dropped files were taken.
    TNotifyEvent OnDropFiles;

    virtual std::string GetLongName() = 0;
    virtual std::string GetShortName() = 0;
    // One dropped (or chosen) name.
    virtual void ReceptFileDir(const std::string& name) = 0;

    void WndProc(TMessage& message) override;

protected:
    void CreateWnd() override;
    void DestroyWnd() override;
    TBitmap* GetDefaultBitmap(bool& destroy) override;
    virtual void ClearFileList() {}
    // Runs `dialog` with the system's critical-error and open-file boxes kept away.
    bool RunDialog(const std::function<bool()>& dialog);

private:
    bool FAcceptFiles = false;
};

enum TFileDialogKind { dkOpen, dkSave, dkOpenPicture, dkSavePicture };

class TFilenameEdit : public TFileDirEdit {
public:
    explicit TFilenameEdit(TComponent* owner);

    TOpenDialog* Dialog() const { return FDialog; }
    TFileDialogKind DialogKind() const { return FDialogKind; }
    // A new dialog of the kind, taking over the old one's settings.
    void SetDialogKind(TFileDialogKind kind);
    // The text without quotes and parameters.
    std::string FileName();
    // Throws EComboEditError "Invalid file name - NAME" for a name that is none.
    void SetFileName(const std::string& name);
    // The dialog's settings, kept in the dialog (and carried to a new one of another kind).
    TOpenOptions DialogOptions() const { return FDialog->Options; }
    // Several files may be chosen (ofAllowMultiSelect) exactly when MultipleDirs is set.
    void SetDialogOptions(TOpenOptions options);
    TStringList* DialogFiles() { return FDialog->Files(); }
    const std::string& DefaultExt() const { return FDialog->DefaultExt; }
    void SetDefaultExt(const std::string& ext) { FDialog->DefaultExt = ext; }
    TFileEditStyle FileEditStyle() const { return FDialog->FileEditStyle; }
    void SetFileEditStyle(TFileEditStyle style) { FDialog->FileEditStyle = style; }
    // "All files (*.*)|*.*" at first.
    const std::string& Filter() const { return FDialog->Filter; }
    void SetFilter(const std::string& filter) { FDialog->Filter = filter; }
    int FilterIndex() const { return FDialog->FilterIndex; }
    void SetFilterIndex(int index) { FDialog->FilterIndex = index; }
    const std::string& InitialDir() const { return FDialog->InitialDir; }
    void SetInitialDir(const std::string& dir) { FDialog->InitialDir = dir; }
    TStringList* HistoryList() { return FDialog->HistoryList(); }
    // "Browse" at first.
    const std::string& DialogTitle() const { return FDialog->Title; }
    void SetDialogTitle(const std::string& title) { FDialog->Title = title; }

    std::string GetLongName() override;
    std::string GetShortName() override;
    void ReceptFileDir(const std::string& name) override;

protected:
    void ButtonClick() override;
    void ClearFileList() override;

private:
    void CreateEditDialog();
    TFileDialogKind FDialogKind = dkOpen;
    TOpenDialog* FDialog = nullptr;
};

enum TDirDialogKind { dkFramework, dkWin32 };

class TDirectoryEdit : public TFileDirEdit {
public:
    explicit TDirectoryEdit(TComponent* owner) : TFileDirEdit(owner) {}

    TSelectDirOpts DialogOptions = 0;
    std::string InitialDir;
    // The caption of the shell's folder browser.
    std::string DialogText;
    TDirDialogKind DialogKind = dkFramework;

    std::string GetLongName() override;
    std::string GetShortName() override;
    void ReceptFileDir(const std::string& name) override;

protected:
    void ButtonClick() override;
};
