#include "framework/core/Strings.h"

#include <gtest/gtest.h>

#include <vector>

#include "framework/core/Streams.h"
#include "framework/core/TempDir.h"

namespace {

std::vector<std::string> Lines(const TStrings& list) {
  std::vector<std::string> out;
  for (int i = 0; i < list.Count(); ++i) out.push_back(list.Strings(i));
  return out;
}

// Distinct object pointers for the tests; never dereferenced.
void* Obj(int n) { return reinterpret_cast<void*>(static_cast<intptr_t>(n)); }

TEST(StringListText, SplitsAtEveryLineEndAndJoinsWithCrLf) {
  struct Case {
    std::string text;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"", {}},
      {"abc", {"abc"}},
      {"abc\r\n", {"abc"}},
      {"\r\n", {""}},
      {"a\r\nb\nc\rd", {"a", "b", "c", "d"}},
      {"\n\r", {"", ""}},
      {"a\r\n\r\n", {"a", ""}},
      {"\r\r\n\n", {"", "", ""}},
      {std::string("a\0b\r\n", 5), {std::string("a\0b", 3)}},
      {"\xB0\xA1\r\n\xB0\xA2", {"\xB0\xA1", "\xB0\xA2"}},
  };
  for (const Case& c : cases) {
    TStringList list;
    list.SetText(c.text);
    EXPECT_EQ(Lines(list), c.lines);
    // Joining and splitting again gives the same lines.
    std::string joined;
    for (const std::string& line : c.lines) joined += line + "\r\n";
    EXPECT_EQ(list.Text(), joined);
    TStringList again;
    again.SetText(list.Text());
    EXPECT_EQ(Lines(again), c.lines);
  }
}

TEST(StringListSorted, DuplicatesRule) {
  struct Case {
    TDuplicates dup;
    bool caseSensitive;
    std::vector<std::string> lines;  // after adding b, A, c, a, b
    bool throws;
  };
  const Case cases[] = {
      {dupIgnore, false, {"A", "b", "c"}, false},
      {dupAccept, false, {"A", "a", "b", "b", "c"}, false},
      {dupError, false, {"A", "b", "c"}, true},
      {dupIgnore, true, {"A", "a", "b", "c"}, false},
  };
  for (const Case& c : cases) {
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
    EXPECT_EQ(Lines(list), c.lines);
  }
}

TEST(StringListSorted, FindAndIndexOf) {
  TStringList list;
  list.SetSorted(true);
  for (const char* s : {"delta", "alpha", "charlie"}) list.Add(s);
  int index = -1;
  EXPECT_TRUE(list.Find("CHARLIE", index));
  EXPECT_EQ(index, 1);
  EXPECT_FALSE(list.Find("bravo", index));
  EXPECT_EQ(index, 1);  // where it would go
  EXPECT_FALSE(list.Find("zulu", index));
  EXPECT_EQ(index, 3);
  EXPECT_EQ(list.IndexOf("Delta"), 2);
  EXPECT_EQ(list.IndexOf("echo"), -1);
  // dupIgnore gives back the existing index.
  EXPECT_EQ(list.Add("ALPHA"), 0);
  EXPECT_EQ(list.Count(), 3);
}

TEST(StringListSorted, PositionalChangesAreRefused) {
  TStringList list;
  list.SetSorted(true);
  list.Add("a");
  EXPECT_THROW(list.Insert(0, "b"), EStringListError);
  EXPECT_THROW(list.SetStrings(0, "b"), EStringListError);
  EXPECT_EQ(Lines(list), std::vector<std::string>{"a"});
}

TEST(StringListObjects, TravelWithTheirStrings) {
  TStringList list;
  list.AddObject("c", Obj(3));
  list.AddObject("a", Obj(1));
  list.AddObject("b", Obj(2));
  list.Add("plain");
  EXPECT_EQ(list.Objects(3), nullptr);
  list.SetSorted(true);  // sorting an existing list keeps each object with its string
  EXPECT_EQ(Lines(list), (std::vector<std::string>{"a", "b", "c", "plain"}));
  EXPECT_EQ(list.Objects(0), Obj(1));
  EXPECT_EQ(list.Objects(2), Obj(3));
  EXPECT_EQ(list.IndexOfObject(Obj(2)), 1);

  list.SetSorted(false);
  list.Exchange(0, 2);
  EXPECT_EQ(list.Strings(0), "c");
  EXPECT_EQ(list.Objects(0), Obj(3));
  list.Delete(0);
  EXPECT_EQ(list.IndexOfObject(Obj(3)), -1);

  TStringList copy;
  copy.Add("old");
  copy.Assign(list);
  EXPECT_EQ(Lines(copy), Lines(list));
  EXPECT_EQ(copy.Objects(1), Obj(1));
  copy.AddStrings(copy);  // adding a list to itself doubles it once
  EXPECT_EQ(copy.Count(), 2 * list.Count());
}

TEST(StringListObjects, IndexesOutOfRangeThrow) {
  TStringList list;
  list.Add("x");
  try {
    list.Strings(5);
    FAIL();
  } catch (const EStringListError& e) {
    EXPECT_EQ(e.Message, "List index out of bounds (5)");
  }
  EXPECT_THROW(list.Objects(-1), EStringListError);
  EXPECT_THROW(list.Delete(1), EStringListError);
  EXPECT_THROW(list.Insert(2, "y"), EStringListError);
  EXPECT_THROW(list.Exchange(0, 1), EStringListError);
  list.Insert(1, "y");  // at the end is allowed
  EXPECT_EQ(list.Count(), 2);
}

TEST(StringListChange, NotifiesEachChangeOrOnceForABatch) {
  TStringList list;
  int changing = 0, changed = 0;
  list.OnChanging = [&](TStringList&) { ++changing; };
  list.OnChange = [&](TStringList&) { ++changed; };
  list.Add("a");
  list.Add("b");
  EXPECT_EQ(changed, 2);
  EXPECT_EQ(changing, 2);
  list.BeginUpdate();
  list.BeginUpdate();
  list.Add("c");
  list.Delete(0);
  list.EndUpdate();
  EXPECT_EQ(changed, 2);  // still inside the outer batch
  list.EndUpdate();
  EXPECT_EQ(changed, 3);
  EXPECT_EQ(changing, 3);
  list.SetText("x\r\ny\r\nz");
  EXPECT_EQ(changed, 4);
  list.Clear();
  list.Clear();  // nothing to clear: no notice
  EXPECT_EQ(changed, 5);
}

TEST(StringListFiles, SaveAndLoadRoundTrip) {
  TempDir tmp;
  std::string name = tmp.Path("lines.txt");
  TStringList list;
  list.SetText("first\r\n\xB0\xA1\xB0\xA2\r\n\r\nlast");
  list.SaveToFile(name);
  TStringList loaded;
  loaded.Add("replaced");
  loaded.LoadFromFile(name);
  EXPECT_EQ(Lines(loaded), Lines(list));

  // LoadFromStream takes what follows the stream's position.
  TMemoryStream stream;
  stream.WriteBuffer("skip|a\nb", 8);
  stream.SetPosition(5);
  loaded.LoadFromStream(stream);
  EXPECT_EQ(Lines(loaded), (std::vector<std::string>{"a", "b"}));

  EXPECT_THROW(loaded.LoadFromFile(tmp.Path("missing.txt")), EFOpenError);
  EXPECT_THROW(list.SaveToFile(tmp.Path("no/such/dir.txt")), EFCreateError);
  EXPECT_EQ(loaded.Count(), 2);  // a failed load leaves the list as it was
}

}  // namespace
