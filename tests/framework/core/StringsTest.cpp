#include "framework/core/Strings.h"

#include <gtest/gtest.h>

#include <vector>

#include "framework/core/Streams.h"
#include "framework/core/TempDir.h"

namespace {

using Lines = std::vector<std::string>;

Lines Of(const TStrings& list) {
  Lines out;
  for (int i = 0; i < list.Count(); ++i) out.push_back(list.Strings(i));
  return out;
}

void* Obj(int n) { return reinterpret_cast<void*>(static_cast<intptr_t>(n)); }

TEST(StringListText, SplitsAtEveryLineEndAndJoinsWithCrLf) {
  const std::pair<std::string, Lines> cases[] = {
      {"", {}}, {"abc", {"abc"}}, {"abc\r\n", {"abc"}}, {"\r\n", {""}}, {"a\r\nb\nc\rd", {"a", "b", "c", "d"}},
      {"\n\r", {"", ""}}, {"\r\r\n\n", {"", "", ""}}, {std::string("a\0b\r\n", 5), {std::string("a\0b", 3)}},
      {"\xB0\xA1\r\n\xB0\xA2", {"\xB0\xA1", "\xB0\xA2"}},
  };
  for (const auto& [text, lines] : cases) {
    TStringList list, again;
    list.SetText(text);
    EXPECT_EQ(Of(list), lines);
    std::string joined;
    for (const std::string& line : lines) joined += line + "\r\n";
    EXPECT_EQ(list.Text(), joined);
    again.SetText(list.Text());
    EXPECT_EQ(Of(again), lines);
  }
}

TEST(StringListSorted, DuplicatesRule) {
  const struct {
    TDuplicates dup;
    bool caseSensitive;
    Lines lines;  // after adding b, A, c, a, b
    bool throws;
  } cases[] = {
      {dupIgnore, false, {"A", "b", "c"}, false},
      {dupAccept, false, {"A", "a", "b", "b", "c"}, false},
      {dupError, false, {"A", "b", "c"}, true},
      {dupIgnore, true, {"A", "a", "b", "c"}, false},
  };
  for (const auto& c : cases) {
    TStringList list;
    list.SetSorted(true);
    list.SetDuplicates(c.dup);
    list.SetCaseSensitive(c.caseSensitive);
    bool threw = false;
    for (const char* s : {"b", "A", "c", "a", "b"}) {
      try {
        list.Add(s);
      } catch (const EStringListError&) {
        threw = true;
      }
    }
    EXPECT_EQ(threw, c.throws);
    EXPECT_EQ(Of(list), c.lines);
  }
}

TEST(StringListSorted, FindIndexOfAndRefusedPositions) {
  TStringList list;
  list.SetSorted(true);
  for (const char* s : {"delta", "alpha", "charlie"}) list.Add(s);
  int index = -1;
  EXPECT_TRUE(list.Find("CHARLIE", index));
  EXPECT_EQ(index, 1);
  EXPECT_FALSE(list.Find("bravo", index));
  EXPECT_EQ(index, 1);  // where it would go
  EXPECT_EQ(list.IndexOf("Delta"), 2);
  EXPECT_EQ(list.Add("ALPHA"), 0);  // dupIgnore: the existing index
  EXPECT_THROW(list.Insert(0, "b"), EStringListError);
  EXPECT_THROW(list.SetStrings(0, "b"), EStringListError);
  EXPECT_EQ(Of(list), (Lines{"alpha", "charlie", "delta"}));
}

TEST(StringListObjects, TravelWithTheirStrings) {
  TStringList list;
  list.AddObject("c", Obj(3));
  list.AddObject("a", Obj(1));
  list.AddObject("b", Obj(2));
  list.SetSorted(true);  // sorting an existing list keeps each object with its string
  EXPECT_EQ(Of(list), (Lines{"a", "b", "c"}));
  EXPECT_EQ(list.Objects(2), Obj(3));
  EXPECT_EQ(list.IndexOfObject(Obj(2)), 1);
  list.SetSorted(false);
  list.Exchange(0, 2);
  EXPECT_EQ(list.Objects(0), Obj(3));
  list.Move(0, 2);  // c b a -> b a c
  EXPECT_EQ(Of(list), (Lines{"b", "a", "c"}));
  EXPECT_EQ(list.Objects(2), Obj(3));
  list.Move(2, 0);
  list.Delete(0);
  EXPECT_EQ(list.IndexOfObject(Obj(3)), -1);

  TStringList copy;
  copy.Add("old");
  copy.Assign(list);
  EXPECT_EQ(Of(copy), Of(list));
  EXPECT_EQ(copy.Objects(1), Obj(1));
  copy.AddStrings(copy);  // adding a list to itself doubles it once
  EXPECT_EQ(copy.Count(), 4);

  try {
    list.Strings(5);
    FAIL();
  } catch (const EStringListError& e) {
    EXPECT_EQ(e.Message, "List index out of bounds (5)");
  }
  EXPECT_THROW(list.Objects(-1), EStringListError);
  EXPECT_THROW(list.Insert(3, "y"), EStringListError);
  list.Insert(2, "y");  // at the end is allowed
}

TEST(StringListChange, NotifiesEachChangeOrOnceForABatch) {
  TStringList list;
  int changing = 0, changed = 0;
  list.OnChanging = [&](TStringList&) { ++changing; };
  list.OnChange = [&](TStringList&) { ++changed; };
  list.Add("a");
  list.BeginUpdate();
  list.BeginUpdate();
  list.Add("c");
  list.Delete(0);
  list.EndUpdate();
  EXPECT_EQ(changed, 1);  // still inside the outer batch
  list.EndUpdate();
  list.SetText("x\r\ny");
  list.Clear();
  list.Clear();  // nothing to clear: no notice
  EXPECT_EQ(changed, 4);
  EXPECT_EQ(changing, 4);
}

TEST(StringListFiles, SaveAndLoadRoundTrip) {
  TempDir tmp;
  TStringList list, loaded;
  list.SetText("first\r\n\xB0\xA1\xB0\xA2\r\n\r\nlast");
  list.SaveToFile(tmp.Path("lines.txt"));
  loaded.LoadFromFile(tmp.Path("lines.txt"));
  EXPECT_EQ(Of(loaded), Of(list));

  TMemoryStream stream;  // LoadFromStream takes what follows the position
  stream.WriteBuffer("skip|a\nb", 8);
  stream.SetPosition(5);
  loaded.LoadFromStream(stream);
  EXPECT_EQ(Of(loaded), (Lines{"a", "b"}));

  EXPECT_THROW(loaded.LoadFromFile(tmp.Path("missing.txt")), EFOpenError);
  EXPECT_THROW(list.SaveToFile(tmp.Path("no/such/dir.txt")), EFCreateError);
  EXPECT_EQ(loaded.Count(), 2);  // a failed load leaves the list as it was
}

}  // namespace
