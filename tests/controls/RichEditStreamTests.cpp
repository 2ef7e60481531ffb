// Loads and saves of the rich edit with Korean text: files chosen by extension, the retry
// in the other format, selection loads, converters that read one byte at a time or fail,
// and saves that must never cost the old file.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "RichEditKit.h"

namespace {

std::string ReadFile(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const std::string& name, const std::string& bytes) {
    std::ofstream(name, std::ios::binary) << bytes;
}

// Hands out one byte per read.
struct OneByteConversion : TConversion {
    int ConvertReadStream(TStream& stream, char* buffer, int) override {
        return TConversion::ConvertReadStream(stream, buffer, 1);
    }
};

// A medium that is full after 40 bytes.
struct FullDiskConversion : TConversion {
    int taken = 0;
    int ConvertWriteStream(TStream& stream, const char* buffer, int bufSize) override {
        const int n = std::min(bufSize, 40 - taken);
        taken += n;
        return TConversion::ConvertWriteStream(stream, buffer, n);
    }
};

struct FailingConversion : TConversion {
    int ConvertReadStream(TStream&, char*, int) override { throw std::runtime_error("bad sector"); }
};

class RichEditFiles : public RichEditForm {
protected:
    void TearDown() override {
        ResetConversionFormats();
        RichEditForm::TearDown();
    }
};

TEST_F(RichEditFiles, RtfKeepsTextAndBoldRunsAndPlainFilesLoadWhateverTheirName) {
    edit->SetText(K("가나다 굵게 라마"));
    Select(4, 6);
    edit->SelAttributes()->SetStyle(fsBold);
    const std::string rtf = dir.Path(K("문서.rtf"));
    edit->Lines()->SaveToFile(rtf);
    EXPECT_EQ(ReadFile(rtf).rfind("{\\rtf", 0), 0u);

    edit->Clear();
    edit->Lines()->LoadFromFile(rtf);
    EXPECT_EQ(Text(), K("가나다 굵게 라마"));
    EXPECT_EQ(std::string() + "0123456789"[BoldAt(3)] + "0123456789"[BoldAt(4)] +
                  "0123456789"[BoldAt(5)] + "0123456789"[BoldAt(6)],
              "0110");

    // Upper-case TXT is plain text, braces and all; a plain text named .rtf comes in
    // through the second try.
    const std::string txt = dir.Path("memo.TXT");
    WriteFile(txt, "{\\rtf1 " + K("보이는 글") + "}");
    edit->SetStreamFormat(sfRichText);
    edit->Lines()->LoadFromFile(txt);
    EXPECT_EQ(Text(), "{\\rtf1 " + K("보이는 글") + "}");
    WriteFile(rtf, K("그냥 글\r\n둘째 줄"));
    edit->Lines()->LoadFromFile(rtf);
    EXPECT_EQ(edit->Lines()->Count(), 2);
    EXPECT_EQ(edit->Lines()->Strings(1), K("둘째 줄"));
    EXPECT_EQ(edit->StreamFormat(), sfRichText);  // the file's format was only borrowed
}

TEST_F(RichEditFiles, AConverterReadingOneByteAtATimeKeepsEveryLineBreak) {
    TXcCustomRichEdit::RegisterConversionFormat("one", true, &NewConversion<OneByteConversion>);
    const std::string name = dir.Path("split.one");
    WriteFile(name, K("가\r\n나\r\r\n다\n라\r"));
    edit->Lines()->LoadFromFile(name);
    const std::vector<std::string> want{K("가"), K("나"), "", K("다"), K("라")};
    std::vector<std::string> got;
    for (int i = 0; i < edit->Lines()->Count(); ++i) got.push_back(edit->Lines()->Strings(i));
    EXPECT_EQ(got, want);
}

TEST_F(RichEditFiles, ASelectionLoadRetriedAsTextReplacesOnlyTheSelection) {
    edit->SetText(K("앞 [바꿀 곳] 뒤"));
    const std::string name = dir.Path("insert.rtf");
    WriteFile(name, K("새 글"));  // no RTF: the first try fails
    edit->SetStreamMode(smSelection);
    Select(2, 8);
    edit->Lines()->LoadFromFile(name);
    EXPECT_EQ(Text(), K("앞 새 글 뒤"));
}

TEST_F(RichEditFiles, AFailedSaveRaisesAndLeavesTheOldFile) {
    TXcCustomRichEdit::RegisterConversionFormat("full", true, &NewConversion<FullDiskConversion>);
    const std::string name = dir.Path(K("옛 글.full"));
    WriteFile(name, K("옛 내용"));
    edit->SetText(std::string(200, 'x') + K("새 내용"));
    EXPECT_THROW(edit->Lines()->SaveToFile(name), EWriteError);
    EXPECT_EQ(ReadFile(name), K("옛 내용"));
    int files = 0;
    for (auto& entry : std::filesystem::directory_iterator(dir.Dir()))
        files += !!entry.is_regular_file();
    EXPECT_EQ(files, 1) << "a temporary file was left behind";

    // A good save replaces it.
    edit->Lines()->SetConverter(std::make_unique<TConversion>());
    edit->Lines()->SaveToFile(name);
    EXPECT_EQ(ReadFile(name), std::string(200, 'x') + K("새 내용"));
}

TEST_F(RichEditFiles, AConverterThatThrowsIsHeardOnceTheWindowIsOutOfIt) {
    edit->SetText(K("남는 글"));
    edit->Lines()->SetConverter(std::make_unique<FailingConversion>());
    TMemoryStream stream;
    stream.WriteBuffer("x", 1);
    stream.SetPosition(0);
    try {
        edit->Lines()->LoadFromStream(stream);
        ADD_FAILURE() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "bad sector");
    }
    edit->Lines()->SetConverter(nullptr);
    edit->SetSelection(0, 0, false);
    edit->SetSelText(K("더한 "));  // the window still works
    EXPECT_EQ(Text().substr(0, 5), K("더한 "));
}

}  // namespace
