// TStrings, the framework's abstract list of byte strings with an object per line, and
// TStringList, the list that keeps them in memory (optionally sorted). The object of a line
// is an untyped pointer (or a small value cast to one) that the list never owns or uses.
//
// Indexes are 0-based, as in the framework's lists. An index outside 0..Count-1 throws
// EStringListError "List index out of bounds (N)".
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "framework/core/SysUtils.h"

class TStream;

class EStringListError : public Exception {
 public:
  using Exception::Exception;
};

class TStrings {
 public:
  TStrings() = default;
  TStrings(const TStrings&) = delete;
  TStrings& operator=(const TStrings&) = delete;
  virtual ~TStrings() = default;

  int Count() const { return GetCount(); }
  std::string Strings(int index) const { return Get(index); }
  void SetStrings(int index, const std::string& s) { Put(index, s); }
  void* Objects(int index) const { return GetObjectAt(index); }
  void SetObjects(int index, void* object) { PutObject(index, object); }

  // Every line followed by CR LF.
  std::string Text() const { return GetTextStr(); }
  // Replaces the lines by those of `text`: a line ends at CR LF, CR or LF; a last line
  // without an end counts; other bytes (NUL included) belong to the lines.
  void SetText(const std::string& text) { SetTextStr(text); }

  // Appends; returns the new line's index.
  virtual int Add(const std::string& s);
  virtual int AddObject(const std::string& s, void* object);
  virtual void AddStrings(const TStrings& strings);
  // Makes this list a copy of `source` (strings and objects).
  virtual void Assign(const TStrings& source);
  virtual void Clear() = 0;
  virtual void Delete(int index) = 0;
  virtual void Insert(int index, const std::string& s) = 0;
  void InsertObject(int index, const std::string& s, void* object);
  virtual void Exchange(int index1, int index2);
  // The line at curIndex, with its object, goes to newIndex.
  virtual void Move(int curIndex, int newIndex);
  // Index of the first line equal to `s` ignoring ASCII case (AnsiCompareText); -1 if none.
  virtual int IndexOf(const std::string& s) const;
  int IndexOfObject(const void* object) const;

  // Calls nest; the outermost pair tells the list through SetUpdateState.
  void BeginUpdate();
  void EndUpdate();

  // Text of the remaining bytes of the stream / of the whole file. Throws the stream's
  // errors (EFOpenError, EReadError).
  virtual void LoadFromStream(TStream& stream);
  virtual void LoadFromFile(const std::string& fileName);
  // Writes Text() at the stream's position / into a new file (EFCreateError on failure).
  virtual void SaveToStream(TStream& stream) const;
  virtual void SaveToFile(const std::string& fileName) const;

 protected:
  virtual std::string Get(int index) const = 0;
  virtual int GetCount() const = 0;
  // (Not named GetObject: the Windows headers make that a macro.)
  virtual void* GetObjectAt(int index) const;
  virtual void Put(int index, const std::string& s);
  virtual void PutObject(int index, void* object);
  virtual std::string GetTextStr() const;
  virtual void SetTextStr(const std::string& text);
  virtual void SetUpdateState(bool updating);
  bool Updating() const { return updateCount_ > 0; }
  [[noreturn]] void IndexError(int index) const;

 private:
  int updateCount_ = 0;
};

enum TDuplicates { dupIgnore, dupAccept, dupError };

class TStringList : public TStrings {
 public:
  TStringList() = default;

  // Fired before and after every change, except between BeginUpdate and EndUpdate, where
  // one pair is fired around the whole batch.
  std::function<void(TStringList& sender)> OnChanging;
  std::function<void(TStringList& sender)> OnChange;

  // A sorted list keeps its lines in the order of AnsiCompareText (AnsiCompareStr when
  // CaseSensitive); Add puts a line in its place, Insert and SetStrings throw.
  bool Sorted() const { return sorted_; }
  void SetSorted(bool sorted);
  // What Add does in a sorted list with a line that is already there: dupIgnore returns the
  // existing index without adding, dupAccept adds it next to its equals, dupError throws
  // EStringListError. An unsorted list accepts everything.
  TDuplicates Duplicates() const { return duplicates_; }
  void SetDuplicates(TDuplicates d) { duplicates_ = d; }
  bool CaseSensitive() const { return caseSensitive_; }
  void SetCaseSensitive(bool caseSensitive);

  int Add(const std::string& s) override;
  int AddObject(const std::string& s, void* object) override;
  void Clear() override;
  void Delete(int index) override;
  void Insert(int index, const std::string& s) override;
  void Exchange(int index1, int index2) override;
  int IndexOf(const std::string& s) const override;
  // Binary search of a sorted list: true when `s` is there, `index` = its first position;
  // else false and `index` = where it would go. Only meaningful when Sorted.
  bool Find(const std::string& s, int& index) const;
  // Sorts the lines (stable, so equal lines keep their order).
  virtual void Sort();

 protected:
  std::string Get(int index) const override;
  int GetCount() const override;
  void* GetObjectAt(int index) const override;
  void Put(int index, const std::string& s) override;
  void PutObject(int index, void* object) override;
  void SetUpdateState(bool updating) override;
  virtual void Changing();
  virtual void Changed();

 private:
  struct Item {
    std::string text;
    void* object = nullptr;
  };
  int Compare(const std::string& a, const std::string& b) const;
  void InsertItem(int index, const std::string& s, void* object);
  void CheckIndex(int index) const;

  std::vector<Item> items_;
  bool sorted_ = false;
  bool caseSensitive_ = false;
  TDuplicates duplicates_ = dupIgnore;
};
