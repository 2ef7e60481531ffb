#include "framework/core/Strings.h"

#include <algorithm>

#include "framework/core/Streams.h"

// ---- TStrings ---------------------------------------------------------------------------

void TStrings::IndexError(int index) const {
  throw EStringListError(Format("List index out of bounds (%d)", index));
}

int TStrings::Add(const std::string& s) {
  int index = GetCount();
  Insert(index, s);
  return index;
}

int TStrings::AddObject(const std::string& s, void* object) {
  int index = Add(s);
  PutObject(index, object);
  return index;
}

void TStrings::AddStrings(const TStrings& strings) {
  BeginUpdate();
  try {
    int n = strings.Count();  // fixed first: `strings` may be this list
    for (int i = 0; i < n; ++i) AddObject(strings.Get(i), strings.GetObjectAt(i));
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TStrings::Assign(const TStrings& source) {
  if (&source == this) return;
  BeginUpdate();
  try {
    Clear();
    AddStrings(source);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TStrings::InsertObject(int index, const std::string& s, void* object) {
  Insert(index, s);
  PutObject(index, object);
}

void TStrings::Move(int curIndex, int newIndex) {
  if (curIndex == newIndex) return;
  BeginUpdate();
  try {
    std::string s = Get(curIndex);
    void* object = GetObjectAt(curIndex);
    Delete(curIndex);
    InsertObject(newIndex, s, object);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TStrings::Exchange(int index1, int index2) {
  BeginUpdate();
  try {
    std::string s1 = Get(index1), s2 = Get(index2);
    void* o1 = GetObjectAt(index1);
    void* o2 = GetObjectAt(index2);
    Put(index1, s2);
    PutObject(index1, o2);
    Put(index2, s1);
    PutObject(index2, o1);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

int TStrings::IndexOf(const std::string& s) const {
  for (int i = 0, n = GetCount(); i < n; ++i)
    if (AnsiCompareText(Get(i), s) == 0) return i;
  return -1;
}

int TStrings::IndexOfObject(const void* object) const {
  for (int i = 0, n = GetCount(); i < n; ++i)
    if (GetObjectAt(i) == object) return i;
  return -1;
}

void TStrings::BeginUpdate() {
  if (updateCount_++ == 0) SetUpdateState(true);
}

void TStrings::EndUpdate() {
  if (updateCount_ > 0 && --updateCount_ == 0) SetUpdateState(false);
}

void TStrings::LoadFromStream(TStream& stream) {
  int64_t left = stream.Size() - stream.Position();
  std::string text;
  if (left > 0) {
    if (left > INT32_MAX) throw EOutOfMemory();
    text.resize(static_cast<size_t>(left));
    text.resize(static_cast<size_t>(stream.Read(text.data(), static_cast<int32_t>(left))));
  }
  SetTextStr(text);
}

void TStrings::LoadFromFile(const std::string& fileName) {
  TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(file);
}

void TStrings::SaveToStream(TStream& stream) const {
  std::string text = GetTextStr();
  if (text.size() > INT32_MAX) throw EWriteError("Stream write error");
  stream.WriteBuffer(text.data(), static_cast<int32_t>(text.size()));
}

void TStrings::SaveToFile(const std::string& fileName) const {
  TFileStream file(fileName, fmCreate);
  SaveToStream(file);
}

void* TStrings::GetObjectAt(int) const { return nullptr; }

void TStrings::Put(int index, const std::string& s) {
  void* object = GetObjectAt(index);
  Delete(index);
  InsertObject(index, s, object);
}

void TStrings::PutObject(int, void*) {}

std::string TStrings::GetTextStr() const {
  std::string text;
  for (int i = 0, n = GetCount(); i < n; ++i) {
    text += Get(i);
    text += "\r\n";
  }
  return text;
}

void TStrings::SetTextStr(const std::string& text) {
  BeginUpdate();
  try {
    Clear();
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find_first_of("\r\n", start);
      if (end == std::string::npos) end = text.size();
      Add(text.substr(start, end - start));
      start = end;
      if (start < text.size() && text[start] == '\r') ++start;
      if (start < text.size() && text[start] == '\n') ++start;  // LF, or the LF of CR LF
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TStrings::SetUpdateState(bool) {}

// ---- TStringList ------------------------------------------------------------------------

void TStringList::CheckIndex(int index) const {
  if (index < 0 || index >= static_cast<int>(items_.size())) IndexError(index);
}

int TStringList::Compare(const std::string& a, const std::string& b) const {
  return caseSensitive_ ? AnsiCompareStr(a, b) : AnsiCompareText(a, b);
}

void TStringList::Changing() {
  if (!Updating() && OnChanging) OnChanging(*this);
}

void TStringList::Changed() {
  if (!Updating() && OnChange) OnChange(*this);
}

void TStringList::SetUpdateState(bool updating) {
  if (updating) {
    if (OnChanging) OnChanging(*this);
  } else if (OnChange) {
    OnChange(*this);
  }
}

void TStringList::SetSorted(bool sorted) {
  if (sorted == sorted_) return;
  if (sorted) Sort();
  sorted_ = sorted;
}

void TStringList::SetCaseSensitive(bool caseSensitive) {
  if (caseSensitive == caseSensitive_) return;
  caseSensitive_ = caseSensitive;
  if (sorted_) Sort();
}

bool TStringList::Find(const std::string& s, int& index) const {
  auto it = std::lower_bound(items_.begin(), items_.end(), s,
                             [this](const Item& item, const std::string& key) { return Compare(item.text, key) < 0; });
  index = static_cast<int>(it - items_.begin());
  return it != items_.end() && Compare(it->text, s) == 0;
}

int TStringList::IndexOf(const std::string& s) const {
  if (!sorted_) {
    for (size_t i = 0; i < items_.size(); ++i)
      if (Compare(items_[i].text, s) == 0) return static_cast<int>(i);
    return -1;
  }
  int index;
  return Find(s, index) ? index : -1;
}

int TStringList::Add(const std::string& s) { return AddObject(s, nullptr); }

int TStringList::AddObject(const std::string& s, void* object) {
  int index = static_cast<int>(items_.size());
  if (sorted_) {
    if (Find(s, index)) {
      if (duplicates_ == dupIgnore) return index;
      if (duplicates_ == dupError) throw EStringListError("String list does not allow duplicates");
      // dupAccept: after its equals, so that equal lines keep the order they came in
      while (index < static_cast<int>(items_.size()) && Compare(items_[static_cast<size_t>(index)].text, s) == 0)
        ++index;
    }
  }
  InsertItem(index, s, object);
  return index;
}

void TStringList::InsertItem(int index, const std::string& s, void* object) {
  Changing();
  items_.insert(items_.begin() + index, Item{s, object});
  Changed();
}

void TStringList::Insert(int index, const std::string& s) {
  if (sorted_) throw EStringListError("Operation not allowed on sorted string list");
  if (index < 0 || index > static_cast<int>(items_.size())) IndexError(index);
  InsertItem(index, s, nullptr);
}

void TStringList::Delete(int index) {
  CheckIndex(index);
  Changing();
  items_.erase(items_.begin() + index);
  Changed();
}

void TStringList::Clear() {
  if (items_.empty()) return;
  Changing();
  items_.clear();
  Changed();
}

void TStringList::Exchange(int index1, int index2) {
  CheckIndex(index1);
  CheckIndex(index2);
  Changing();
  std::swap(items_[static_cast<size_t>(index1)], items_[static_cast<size_t>(index2)]);
  Changed();
}

void TStringList::Sort() {
  if (items_.size() < 2) return;
  Changing();
  std::stable_sort(items_.begin(), items_.end(),
                   [this](const Item& a, const Item& b) { return Compare(a.text, b.text) < 0; });
  Changed();
}

std::string TStringList::Get(int index) const {
  CheckIndex(index);
  return items_[static_cast<size_t>(index)].text;
}

int TStringList::GetCount() const { return static_cast<int>(items_.size()); }

void* TStringList::GetObjectAt(int index) const {
  CheckIndex(index);
  return items_[static_cast<size_t>(index)].object;
}

void TStringList::Put(int index, const std::string& s) {
  if (sorted_) throw EStringListError("Operation not allowed on sorted string list");
  CheckIndex(index);
  Changing();
  items_[static_cast<size_t>(index)].text = s;
  Changed();
}

void TStringList::PutObject(int index, void* object) {
  CheckIndex(index);
  Changing();
  items_[static_cast<size_t>(index)].object = object;
  Changed();
}
